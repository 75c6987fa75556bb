#pragma once

#include "graph/Graf.h"
#include "segmentation/SolverHost.h"

#include <QImage>
#include <QPoint>
#include <QVector>

#include <functional>
#include <vector>

// One segmentation, from an image and its seeds to the drawn result: the gray question, the
// checks, the graph construction, the solver and the drawing, in that order. The window runs
// the three steps from its slots, the command line and the benchmark through segment(); they
// only answer its questions, show progress, and turn its statuses into their own messages
// and exit codes.
namespace pipeline {

enum class Method { AugmentingPaths, PushRelabel };

// Gray: the intensities of a gray image; another image is converted first when the caller
// agrees. Colour: the red component of whatever the image holds; never converted.
enum class Variant { Gray, Colour };

enum class GrayAnswer { Convert, Decline, Dismiss };

enum class Status {
    Done,
    GrayDismissed, // the gray question was closed without an answer
    GrayDeclined,
    MissingSeeds,  // no object or no background seed inside the image
    TooLarge,      // more pixels than the graph may have
    OutOfMemory,   // for the graph
    SolverOutOfMemory,
};

// Asked only when the image is not gray and the variant needs it to be.
using GrayQuestion = std::function<GrayAnswer()>;

// The data a segmentation reads and writes; in the window, the canvas's own members.
struct Workspace {
    QImage &image;
    const std::vector<QPoint> &objectSeeds;
    const std::vector<QPoint> &backgroundSeeds;
    std::vector<int> &intensities;
    Graf &graf;
    QVector<int> &objectPixels;
    QVector<bool> &objectMask;
};

struct Figures {
    long long work = 0; // augmenting paths: the iteration counter; push-relabel: dequeues
    bool canceled = false;
    double constructSeconds = 0;
    double solveSeconds = 0;
    double drawSeconds = 0;
};

// The gray question (Gray, on an image that is not gray), the seed check, the size check,
// the intensities and the graph. On any status but Done, the intensities and the graph are
// as they were; after a Convert answer the image stays converted.
Status construct(const Workspace &w, double lambda, Variant variant, const GrayQuestion &ask);

// The solver on the graph construct() built; the result goes to objectPixels and objectMask.
// SolverOutOfMemory when its working arrays cannot be had; the result members are then
// not a result.
Status solve(const Workspace &w, Method method, SolverHost &host, Figures &figures);

// The result painted into the image; edgeMode is asked afresh for every object pixel.
void draw(const Workspace &w, const std::function<bool()> &edgeMode);

// The value of the result's cut on the graph as construct() built it, in 64 bits. The
// augmenting-path method lowers capacities in place, so they are written again from the kept
// intensities, seeds and lambda first: no copy of the graph is kept for one number. -1 when
// the workspace holds no graph of the intensities' size.
long long constructedCutValue(const Workspace &w, double lambda);

// The construction and drawing steps, for a caller that adds to them (the command line keeps
// a copy of the graph as constructed). One segment() call runs them in order.
class Steps {
public:
    virtual ~Steps() = default;
    virtual Status construct() = 0;
    virtual void draw() = 0;
};

struct Result {
    Status status = Status::Done;
    Figures figures;
};

Result segment(Steps &steps, const Workspace &w, Method method, SolverHost &host);

// The same with the plain steps, for callers without slots of their own.
struct Request {
    double lambda = 10.0;
    Method method = Method::AugmentingPaths;
    Variant variant = Variant::Gray;
    GrayAnswer grayAnswer = GrayAnswer::Convert;
    bool edges = true;
};

// The steps segment() takes for a Request; a caller may add to them.
class PlainSteps : public Steps {
public:
    PlainSteps(const Workspace &w, const Request &request) : m_w(w), m_request(request) {}
    Status construct() override;
    void draw() override;

protected:
    const Workspace &m_w;
    const Request &m_request;
};

Result segment(const Workspace &w, const Request &request, SolverHost &host);

} // namespace pipeline
