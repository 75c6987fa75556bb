#include "pipeline/Segmentation.h"

#include "construction/GraphBuilder.h"
#include "graph/GraphLimit.h"
#include "graph/cutvalue.h"
#include "image/imageio.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"
#include "segmentation/ResultRenderer.h"

#include <chrono>
#include <new>

namespace pipeline {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Status statusOf(construction::BuildStatus status)
{
    switch (status) {
    case construction::BuildStatus::Ok: return Status::Done;
    case construction::BuildStatus::NoSeeds: return Status::MissingSeeds;
    case construction::BuildStatus::TooLarge: return Status::TooLarge;
    case construction::BuildStatus::OutOfMemory:
    case construction::BuildStatus::SizeMismatch: // cannot happen: the intensities come from this image
        break;
    }
    return Status::OutOfMemory;
}

} // namespace

Status construct(const Workspace &w, double lambda, Variant variant, const GrayQuestion &ask)
{
    if (variant == Variant::Gray && !w.image.isGrayscale()) {
        switch (ask()) {
        case GrayAnswer::Convert:
            convertToGray(w.image);
            break;
        case GrayAnswer::Decline:
            return Status::GrayDeclined;
        case GrayAnswer::Dismiss:
            return Status::GrayDismissed;
        }
    }
    if (w.objectSeeds.empty() || w.backgroundSeeds.empty())
        return Status::MissingSeeds;
    // Before the intensities are read: an oversized image costs nothing more.
    const int width = w.image.width();
    const int height = w.image.height();
    if (!graphlimit::fits(width, height))
        return Status::TooLarge;

    try {
        std::vector<int> fresh = construction::readIntensities(w.image);
        const Status status = statusOf(construction::buildGraph(
            w.graf, fresh, width, height, w.objectSeeds, w.backgroundSeeds, lambda));
        if (status == Status::Done)
            w.intensities.swap(fresh);
        return status;
    } catch (const std::bad_alloc &) {
        return Status::OutOfMemory;
    }
}

Status solve(const Workspace &w, Method method, SolverHost &host, Figures &figures)
{
    try {
        if (method == Method::PushRelabel) {
            const PushRelabelRun run = segmentPushRelabel(w.graf, w.objectPixels, w.objectMask, host);
            figures.work = run.dequeues;
            figures.canceled = run.canceled;
        } else {
            const FordFulkersonRun run =
                segmentFordFulkerson(w.graf, w.objectPixels, w.objectMask, host);
            figures.work = run.iterations;
            figures.canceled = run.canceled;
        }
    } catch (const std::bad_alloc &) {
        return Status::SolverOutOfMemory;
    }
    return Status::Done;
}

void draw(const Workspace &w, const std::function<bool()> &edgeMode)
{
    renderResult(w.image, w.graf, w.objectPixels, w.objectMask, edgeMode);
}

long long constructedCutValue(const Workspace &w, double lambda)
{
    if (!construction::rewriteCapacities(w.graf, w.intensities, w.objectSeeds, w.backgroundSeeds,
                                         lambda))
        return -1;
    return cutValue(w.graf, w.objectMask);
}

Result segment(Steps &steps, const Workspace &w, Method method, SolverHost &host)
{
    Result result;
    Clock::time_point t0 = Clock::now();
    result.status = steps.construct();
    result.figures.constructSeconds = secondsSince(t0);
    if (result.status != Status::Done)
        return result;

    t0 = Clock::now();
    result.status = solve(w, method, host, result.figures);
    result.figures.solveSeconds = secondsSince(t0);
    if (result.status != Status::Done)
        return result;

    t0 = Clock::now();
    steps.draw();
    result.figures.drawSeconds = secondsSince(t0);
    return result;
}

Status PlainSteps::construct()
{
    const GrayAnswer answer = m_request.grayAnswer;
    return pipeline::construct(m_w, m_request.lambda, m_request.variant,
                               [answer] { return answer; });
}

void PlainSteps::draw()
{
    const bool edges = m_request.edges;
    pipeline::draw(m_w, [edges] { return edges; });
}

Result segment(const Workspace &w, const Request &request, SolverHost &host)
{
    PlainSteps steps(w, request);
    return segment(steps, w, request.method, host);
}

} // namespace pipeline
