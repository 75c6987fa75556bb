// Side-by-side figures for the two solvers: construction and solver times, work counts,
// peak memory, the cut each one finds, and Boost.Graph's true maximum flow on the same
// capacities, and Kolmogorov's reference implementation, the yardstick every core time is
// divided by first; then one run of the command line per solver, stdout to a file.
#include "CliProcess.h"
#include "kolmogorov.h"

#include "image/imageio.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/diag.h"
#include "pipeline/Segmentation.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"
#include "segmentation/SolverHost.h"

#include <boost/graph/boykov_kolmogorov_max_flow.hpp>
#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/graph/push_relabel_max_flow.hpp>
#include <boost/property_map/property_map.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------------------------------
// Peak memory. The kernel's high-water mark of the resident set is reset before a phase
// and read after it; large blocks are kept out of malloc's free lists (fixed mmap
// threshold), so what a phase frees really leaves and the next phase starts clean.


class PeakMeter {
public:
    void start()
    {
        malloc_trim(0);
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        clear.close();
        m_valid = bool(clear);
        m_baseKiB = statusKiB("VmRSS");
        m_valid = m_valid && m_baseKiB >= 0;
    }
    // Bytes above the resident set at start(); -1 when the kernel does not tell.
    double peakBytes() const
    {
        const long hwm = statusKiB("VmHWM");
        if (!m_valid || hwm < 0)
            return -1;
        return double(std::max(0L, hwm - m_baseKiB)) * 1024.0;
    }

private:
    long m_baseKiB = 0;
    bool m_valid = false;
};

// ---------------------------------------------------------------------------------------
// Diagnostic lines are counted, not printed.

class CountingSink final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t length) override
    {
        ++lines;
        bytes += length + 1;
    }
    long long lines = 0;
    long long bytes = 0;
};

// Cancels a run once its time budget is spent, so that a slow solver cannot hold up the
// whole benchmark. The clock is looked at only every 64 calls.
class BudgetHost final : public SolverHost {
public:
    explicit BudgetHost(double budgetSeconds) : m_budget(budgetSeconds) {}
    void begin(int) override { m_start = Clock::now(); }
    void processEvents() override {}
    bool wasCanceled() override
    {
        if (m_over)
            return true;
        if ((++m_calls & 63) != 0)
            return false;
        m_over = secondsSince(m_start) > m_budget;
        return m_over;
    }
    void setValue(int) override {}
    void setIterationLabel(int) override {}
    bool over() const { return m_over; }

private:
    double m_budget;
    Clock::time_point m_start = Clock::now();
    unsigned m_calls = 0;
    bool m_over = false;
};

// ---------------------------------------------------------------------------------------
// Images and seeds.

struct Case {
    QString name;   // e.g. "rose 1024x1024"
    QString source; // the file the command line reads
    QImage image;   // as the window would hold it before the gray question
};

// A fixed pseudo-random sequence, the same on every machine.
struct XorShift {
    std::uint32_t s;
    std::uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

QImage generated(const QString &kind, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    XorShift rng{0x9e3779b9u};
    const double cx = w / 2.0, cy = h / 2.0, r = 0.3 * std::min(w, h);
    for (int y = 0; y < h; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int noise = int(rng.next() % 41) - 20;
            double v;
            if (kind == "disc") {
                const double d = std::hypot(x - cx, y - cy);
                v = (d < r ? 180 : 70) + 30.0 * x / w + noise;
            } else {
                // Blobs and stripes at a few scales, brighter towards the middle.
                const double fx = double(x) / w, fy = double(y) / h;
                v = 120 + 45 * std::sin(fx * 37) * std::cos(fy * 23) + 30 * std::sin((fx + fy) * 71)
                    + 40 * std::exp(-((fx - 0.5) * (fx - 0.5) + (fy - 0.5) * (fy - 0.5)) * 12)
                    + noise / 2;
            }
            const int g = std::clamp(int(v), 0, 255);
            row[x] = qRgb(g, g, g);
        }
    }
    return img;
}

// Five object seeds about the middle, four background seeds near the corners.
void seedsFor(int w, int h, std::vector<QPoint> &object, std::vector<QPoint> &background)
{
    const auto at = [w, h](double fx, double fy) {
        return QPoint(std::clamp(int(fx * w), 0, w - 1), std::clamp(int(fy * h), 0, h - 1));
    };
    object = {at(0.5, 0.5), at(0.45, 0.45), at(0.55, 0.45), at(0.45, 0.55), at(0.55, 0.55)};
    background = {at(0.03, 0.03), at(0.97, 0.03), at(0.03, 0.97), at(0.97, 0.97)};
}

// ---------------------------------------------------------------------------------------
// The true maximum flow: Boost.Graph on the same capacities, every n-link in both
// directions, 64-bit capacities. Vertices: pixels 0..N-1, then the source and the sink.

using BoostGraph = boost::compressed_sparse_row_graph<boost::directedS, boost::no_property,
                                                      boost::no_property, boost::no_property,
                                                      std::uint32_t, std::uint32_t>;
using BVertex = boost::graph_traits<BoostGraph>::vertex_descriptor;
using BEdge = boost::graph_traits<BoostGraph>::edge_descriptor;

struct BoostNetwork {
    BoostGraph g;
    std::vector<std::int64_t> capacity;
    std::vector<std::int64_t> residual;
    std::vector<BEdge> reverse;
    BVertex source = 0;
    BVertex sink = 0;
};

int nlinkCapacity(const Graf &g, int i, int dir)
{
    const int w = g.width;
    switch (dir) {
    case 0: return g.vertCap[i];
    case 1: return g.horizCap[i];
    case 2: return g.vertCap[i + w];
    default: return g.horizCap[i - 1];
    }
}

void buildBoost(const Graf &graf, BoostNetwork &net)
{
    const int w = graf.width, h = graf.height, n = w * h;
    const BVertex S = BVertex(n), T = BVertex(n + 1);
    const auto exists = [w, h](int x, int y, int dir) {
        switch (dir) {
        case 0: return y > 0;
        case 1: return x < w - 1;
        case 2: return y < h - 1;
        default: return x > 0;
        }
    };
    // Out-edges of a pixel: its neighbours up, right, down, left, then the sink, then the
    // reverse of the source's edge. The source's edges and the sink's reverse edges follow
    // all pixels, in pixel order.
    std::vector<std::uint32_t> offset(std::size_t(n) + 2);
    std::uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
        offset[i] = std::uint32_t(total);
        const int x = i % w, y = i / w;
        for (int d = 0; d < 4; ++d)
            total += exists(x, y, d);
        total += 2;
    }
    offset[S] = std::uint32_t(total);
    total += n;
    offset[T] = std::uint32_t(total);
    total += n;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
    edges.reserve(total);
    net.capacity.assign(total, 0);
    const int step[4] = {-w, 1, w, -1};
    for (int i = 0; i < n; ++i) {
        const int x = i % w, y = i / w;
        for (int d = 0; d < 4; ++d)
            if (exists(x, y, d)) {
                net.capacity[edges.size()] = nlinkCapacity(graf, i, d);
                edges.emplace_back(i, i + step[d]);
            }
        net.capacity[edges.size()] = graf.sinkCap[i];
        edges.emplace_back(i, T);
        edges.emplace_back(i, S);
    }
    for (int i = 0; i < n; ++i) {
        net.capacity[edges.size()] = graf.sourceCap[i];
        edges.emplace_back(S, i);
    }
    for (int i = 0; i < n; ++i)
        edges.emplace_back(T, i);

    net.g = BoostGraph(boost::edges_are_sorted, edges.begin(), edges.end(), std::size_t(n) + 2);
    std::vector<std::pair<std::uint32_t, std::uint32_t>>().swap(edges);

    net.reverse.resize(total);
    const auto rank = [&exists](int x, int y, int dir) {
        int k = 0;
        for (int d = 0; d < dir; ++d)
            k += exists(x, y, d);
        return k;
    };
    for (int i = 0; i < n; ++i) {
        const int x = i % w, y = i / w;
        std::uint32_t e = offset[i];
        for (int d = 0; d < 4; ++d)
            if (exists(x, y, d)) {
                const int j = i + step[d];
                const int opposite = (d + 2) % 4;
                net.reverse[e] = BEdge(BVertex(j), offset[j] + rank(j % w, j / w, opposite));
                ++e;
            }
        // A reverse edge starts where its edge ends.
        net.reverse[e] = BEdge(T, offset[T] + i);          // of i -> sink
        net.reverse[offset[T] + i] = BEdge(BVertex(i), e);
        net.reverse[e + 1] = BEdge(S, offset[S] + i);      // of i -> source
        net.reverse[offset[S] + i] = BEdge(BVertex(i), e + 1);
    }
    net.residual.assign(total, 0);
    net.source = S;
    net.sink = T;

    // The layout above must be the one the graph holds.
    for (std::uint32_t e = 0; e < total; e += std::max<std::uint32_t>(1, std::uint32_t(total / 9973))) {
        const BEdge r = net.reverse[e];
        const BEdge back = net.reverse[r.idx];
        const auto tgt = [&net](std::uint32_t idx) { return boost::target(BEdge(0, idx), net.g); };
        if (back.idx != e || tgt(r.idx) != back.src || r.src != tgt(e)) {
            std::fprintf(stderr, "segbench: Boost graph layout broken at edge %u\n", e);
            std::exit(70);
        }
    }
}

template <typename Map>
auto edgeMap(std::vector<Map> &v, const BoostGraph &g)
{
    return boost::make_iterator_property_map(v.begin(), get(boost::edge_index, g));
}

// ---------------------------------------------------------------------------------------
// Cut cost of a source side, on the capacities as construction wrote them.

std::int64_t cutCost(const Graf &g, const std::vector<char> &sourceSide)
{
    const int w = g.width, h = g.height, n = w * h;
    std::int64_t cost = 0;
    for (int i = 0; i < n; ++i) {
        if (sourceSide[i])
            cost += g.sinkCap[i];
        else
            cost += g.sourceCap[i];
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            if (x + 1 < w && sourceSide[i] != sourceSide[i + 1])
                cost += g.horizCap[i];
            if (y > 0 && sourceSide[i] != sourceSide[i - w])
                cost += g.vertCap[i];
        }
    return cost;
}

// ---------------------------------------------------------------------------------------

struct Settings {
    QStringList images;
    std::vector<double> generatedMegapixels;
    std::vector<double> lambdas{10, 1};
    double budget = 60;
    int repeat = 3;
    QString cli;
    bool runCliToo = true;
    bool boostPushRelabel = true;
};

struct SolverFigures {
    const char *name = "";
    double buildSeconds = 0;
    double coreSeconds = 0;
    long long work = 0; // iterations or dequeues
    long long lines = 0;
    double peakBytes = -1;
    bool canceled = false;
    std::int64_t cut = 0;
    CliRun cli;
};

struct CaseFigures {
    QString name;
    int width = 0, height = 0;
    double lambda = 0;
    double boostBuildSeconds = 0;
    double bkSeconds = 0, bprSeconds = -1;
    double boostPeakBytes = -1;
    std::int64_t maxFlow = 0, bprFlow = 0, bkCut = 0;
    KolmogorovFigures kz;
    std::int64_t kzCut = 0;
    SolverFigures ff, pr;
};

// The window's construction on a gray image: intensities, then the graph.
bool construct(const QImage &gray, double lambda, Graf &graf, double &seconds)
{
    std::vector<QPoint> object, background;
    seedsFor(gray.width(), gray.height(), object, background);
    QImage image = gray;
    std::vector<int> intensities;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    const pipeline::Workspace w{image, object, background, intensities, graf, objectPixels,
                                objectMask};
    const Clock::time_point t0 = Clock::now();
    const pipeline::Status status = pipeline::construct(
        w, lambda, pipeline::Variant::Gray, [] { return pipeline::GrayAnswer::Convert; });
    seconds = secondsSince(t0);
    return status == pipeline::Status::Done;
}

void runSolver(SolverFigures &f, bool push, const QImage &gray, double lambda,
               const Graf &reference, const Settings &settings)
{
    for (int rep = 0; rep < settings.repeat; ++rep) {
        PeakMeter meter;
        meter.start();
        double buildSeconds = 0, coreSeconds = 0;
        long long work = 0;
        bool canceled = false;
        CountingSink sink;
        {
            Graf graf;
            if (!construct(gray, lambda, graf, buildSeconds)) {
                std::fprintf(stderr, "segbench: construction refused\n");
                std::exit(70);
            }
            QVector<int> objectPixels;
            QVector<bool> objectMask;
            BudgetHost host(settings.budget);
            diag::Sink *previous = diag::setSink(&sink);
            const Clock::time_point t0 = Clock::now();
            if (push) {
                const PushRelabelRun run = segmentPushRelabel(graf, objectPixels, objectMask, host);
                work = run.dequeues;
            } else {
                const FordFulkersonRun run =
                    segmentFordFulkerson(graf, objectPixels, objectMask, host);
                work = run.iterations;
            }
            coreSeconds = secondsSince(t0);
            diag::setSink(previous);
            canceled = host.over();
            if (rep == 0) {
                f.peakBytes = meter.peakBytes();
                std::vector<char> side(std::size_t(reference.getPixelCount()), 0);
                for (int i = 0; i < objectMask.size() && i < int(side.size()); ++i)
                    side[i] = objectMask[i];
                f.cut = cutCost(reference, side);
            }
        }
        if (rep == 0 || coreSeconds < f.coreSeconds)
            f.coreSeconds = coreSeconds;
        if (rep == 0 || buildSeconds < f.buildSeconds)
            f.buildSeconds = buildSeconds;
        f.work = work;
        f.lines = sink.lines;
        f.canceled = f.canceled || canceled;
        // Long runs say enough once; repeats only steady the short ones.
        if (canceled || coreSeconds + buildSeconds > 2.0)
            break;
    }
}

CaseFigures runCase(const Case &c, double lambda, const Settings &settings,
                    const QTemporaryDir &tmp)
{
    CaseFigures r;
    r.name = c.name;
    r.width = c.image.width();
    r.height = c.image.height();
    r.lambda = lambda;

    // The window's default answer to the gray question, once, before any timing.
    QImage gray = c.image;
    if (!gray.isGrayscale())
        convertToGray(gray);

    Graf reference;
    double ignored = 0;
    if (!construct(gray, lambda, reference, ignored)) {
        std::fprintf(stderr, "segbench: construction refused for %s\n", qPrintable(c.name));
        std::exit(70);
    }

    std::fprintf(stderr, "  %s, lambda %g: Boost", qPrintable(c.name), lambda);
    {
        PeakMeter meter;
        meter.start();
        BoostNetwork net;
        const Clock::time_point t0 = Clock::now();
        buildBoost(reference, net);
        r.boostBuildSeconds = secondsSince(t0);

        const std::size_t nv = num_vertices(net.g);
        std::vector<BEdge> pred(nv);
        std::vector<boost::default_color_type> colour(nv);
        std::vector<std::int64_t> dist(nv);
        const auto vidx = get(boost::vertex_index, net.g);
        for (int rep = 0; rep < settings.repeat; ++rep) {
            const Clock::time_point t1 = Clock::now();
            const std::int64_t flow = boost::boykov_kolmogorov_max_flow(
                net.g, edgeMap(net.capacity, net.g), edgeMap(net.residual, net.g),
                edgeMap(net.reverse, net.g), boost::make_iterator_property_map(pred.begin(), vidx),
                boost::make_iterator_property_map(colour.begin(), vidx),
                boost::make_iterator_property_map(dist.begin(), vidx), vidx, net.source, net.sink);
            const double s = secondsSince(t1);
            if (rep == 0 || s < r.bkSeconds)
                r.bkSeconds = s;
            r.maxFlow = flow;
            if (s > 2.0)
                break;
        }
        std::vector<char> side(std::size_t(reference.getPixelCount()));
        for (std::size_t i = 0; i < side.size(); ++i)
            side[i] = colour[i] == boost::black_color;
        r.bkCut = cutCost(reference, side);
        std::fprintf(stderr, " BK");

        if (settings.boostPushRelabel) {
            for (int rep = 0; rep < settings.repeat; ++rep) {
                const Clock::time_point t1 = Clock::now();
                r.bprFlow = boost::push_relabel_max_flow(
                    net.g, net.source, net.sink, edgeMap(net.capacity, net.g),
                    edgeMap(net.residual, net.g), edgeMap(net.reverse, net.g), vidx);
                const double s = secondsSince(t1);
                if (rep == 0 || s < r.bprSeconds)
                    r.bprSeconds = s;
                if (s > 2.0)
                    break;
            }
            std::fprintf(stderr, " PR");
        }
        r.boostPeakBytes = meter.peakBytes();
    }

    {
        PeakMeter meter;
        meter.start();
        r.kz = solveKolmogorov(reference, settings.repeat);
        r.kz.peakBytes = meter.peakBytes();
        if (r.kz.available) {
            r.kzCut = cutCost(reference, r.kz.sourceSide);
            std::vector<char>().swap(r.kz.sourceSide);
            std::fprintf(stderr, " Kolmogorov");
        }
    }

    r.ff.name = "ff";
    r.pr.name = "pr";
    std::fprintf(stderr, ", ff");
    runSolver(r.ff, false, gray, lambda, reference, settings);
    std::fprintf(stderr, " %.3g s%s, pr", r.ff.coreSeconds, r.ff.canceled ? " (budget)" : "");
    runSolver(r.pr, true, gray, lambda, reference, settings);
    std::fprintf(stderr, " %.3g s%s", r.pr.coreSeconds, r.pr.canceled ? " (budget)" : "");

    if (settings.runCliToo) {
        for (SolverFigures *f : {&r.ff, &r.pr}) {
            if (f->canceled)
                continue; // the command line has no budget; it would run on for as long
            std::vector<QPoint> object, background;
            seedsFor(r.width, r.height, object, background);
            QStringList args{c.source, "-o", tmp.filePath("cli-out.png"), "--method", f->name,
                             "--lambda", QString::number(lambda)};
            for (const QPoint &p : object)
                args << "--object" << QString("%1,%2").arg(p.x()).arg(p.y());
            for (const QPoint &p : background)
                args << "--background" << QString("%1,%2").arg(p.x()).arg(p.y());
            f->cli = runCli(settings.cli, args, tmp.filePath("cli-stdout.txt"),
                            4 * settings.budget + 60);
            std::fprintf(stderr, ", cli %s %.3g s", f->name, f->cli.seconds);
        }
    }
    std::fprintf(stderr, "\n");
    return r;
}

QString fmtSeconds(double s, bool canceled = false)
{
    if (canceled)
        return QString("> %1").arg(s, 0, 'f', 1);
    if (s < 0)
        return "-";
    if (s < 0.01)
        return QString::number(s, 'f', 4);
    if (s < 10)
        return QString::number(s, 'f', 3);
    return QString::number(s, 'f', 1);
}

QString fmtRatio(double a, double b, bool atLeast = false)
{
    if (b <= 0 || a < 0)
        return "-";
    const double q = a / b;
    return QString(atLeast ? "> " : "") + QString::number(q, 'f', q < 10 ? 2 : 0);
}

QString fmtPerPixel(double bytes, int pixels)
{
    if (bytes < 0)
        return "-";
    return QString::number(bytes / pixels, 'f', 0);
}

QString fmtCut(std::int64_t cut, std::int64_t minimum, bool canceled)
{
    if (canceled)
        return "(partial)";
    if (minimum <= 0)
        return cut == 0 ? "1" : "-";
    const double q = double(cut) / double(minimum);
    return QString::number(q, 'f', q < 100 ? 4 : 0);
}

void printTable(const std::vector<CaseFigures> &all)
{
    std::printf("| image | pixels | lambda | solver | build s | core s | iterations / dequeues | "
                "lines | peak B/px | core / Kolmogorov | core / Boost BK | core / Boost PR | cut / min cut | "
                "CLI s | CLI / Boost BK | CLI peak B/px |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const CaseFigures &c : all) {
        const int px = c.width * c.height;
        const QString size = QString("%1x%2").arg(c.width).arg(c.height);
        const double kz = c.kz.coreSeconds;
        if (c.kz.available)
            std::printf("| %s | %s | %g | Kolmogorov | %s | %s | - | - | %s | 1 | %s | %s | %s | - "
                        "| - | - |\n",
                        qPrintable(c.name), qPrintable(size), c.lambda,
                        qPrintable(fmtSeconds(c.kz.buildSeconds)), qPrintable(fmtSeconds(kz)),
                        qPrintable(fmtPerPixel(c.kz.peakBytes, px)),
                        qPrintable(fmtRatio(kz, c.bkSeconds)), qPrintable(fmtRatio(kz, c.bprSeconds)),
                        c.kz.flow == c.maxFlow ? "flow equal" : "FLOW DIFFERS");
        std::printf("| %s | %s | %g | Boost BK | %s | %s | - | - | %s | %s | 1 | %s | %s (flow %" PRId64
                    ") | - | - | - |\n",
                    qPrintable(c.name), qPrintable(size), c.lambda,
                    qPrintable(fmtSeconds(c.boostBuildSeconds)), qPrintable(fmtSeconds(c.bkSeconds)),
                    qPrintable(fmtPerPixel(c.boostPeakBytes, px)), qPrintable(fmtRatio(c.bkSeconds, kz)),
                    qPrintable(fmtRatio(c.bkSeconds, c.bprSeconds)),
                    qPrintable(fmtCut(c.bkCut, c.maxFlow, false)), c.maxFlow);
        if (c.bprSeconds >= 0)
            std::printf("| %s | %s | %g | Boost PR | (same) | %s | - | - | (same) | %s | %s | 1 | "
                        "%s | - | - | - |\n",
                        qPrintable(c.name), qPrintable(size), c.lambda,
                        qPrintable(fmtSeconds(c.bprSeconds)), qPrintable(fmtRatio(c.bprSeconds, kz)),
                        qPrintable(fmtRatio(c.bprSeconds, c.bkSeconds)),
                        c.bprFlow == c.maxFlow ? "flow equal" : "FLOW DIFFERS");
        for (const SolverFigures *f : {&c.ff, &c.pr}) {
            const QString cliSeconds = !f->cli.ran ? QString("-")
                                       : f->cli.ok ? fmtSeconds(f->cli.seconds)
                                                   : QString("failed");
            std::printf("| %s | %s | %g | %s | %s | %s | %lld | %lld | %s | %s | %s | %s | %s | %s "
                        "| %s | %s |\n",
                        qPrintable(c.name), qPrintable(size), c.lambda,
                        std::strcmp(f->name, "ff") == 0 ? "ff (augmenting paths)" : "pr (push-relabel)",
                        qPrintable(fmtSeconds(f->buildSeconds)),
                        qPrintable(fmtSeconds(f->coreSeconds, f->canceled)), f->work, f->lines,
                        qPrintable(fmtPerPixel(f->peakBytes, px)),
                        qPrintable(fmtRatio(f->coreSeconds, kz, f->canceled)),
                        qPrintable(fmtRatio(f->coreSeconds, c.bkSeconds, f->canceled)),
                        qPrintable(fmtRatio(f->coreSeconds, c.bprSeconds, f->canceled)),
                        qPrintable(fmtCut(f->cut, c.maxFlow, f->canceled)),
                        qPrintable(cliSeconds),
                        qPrintable(f->cli.ok ? fmtRatio(f->cli.seconds, c.bkSeconds) : QString("-")),
                        qPrintable(f->cli.ok ? fmtPerPixel(f->cli.maxRssBytes, px) : QString("-")));
        }
    }
    std::fflush(stdout);
}

const char *const Usage =
    "Usage: segbench [options] [IMAGE...]\n"
    "\n"
    "Each IMAGE (any format the window opens) is one case; its name is the file's base name.\n"
    "  --generate MP[,MP...]  also generated images (disc, texture) of about these\n"
    "                         megapixels (square); default 0.25,1 when no IMAGE is given\n"
    "  --lambda L[,L...]      the lambdas of every case (default 10,1)\n"
    "  --budget S             cancel a solver run after S seconds (default 60); its\n"
    "                         figures are then marked '>' and its command-line run is skipped\n"
    "  --repeat N             time short runs up to N times and keep the best (default 3)\n"
    "  --cli PATH             the command line to time (default: the one built with this)\n"
    "  --no-cli               no command-line runs\n"
    "  --no-boost-pr          leave out Boost's push_relabel_max_flow\n";

bool parseList(const QString &text, std::vector<double> &out)
{
    out.clear();
    for (const QString &part : text.split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (!ok || !(v >= 0))
            return false;
        out.push_back(v);
    }
    return !out.empty();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Blocks of 64 KiB and more come straight from the kernel and go straight back, so
    // the resident-set peaks of one phase are not hidden by memory an earlier phase freed.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);

    Settings settings;
#ifdef SEG_CLI_PATH
    settings.cli = SEG_CLI_PATH;
#endif
    bool generateGiven = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "segbench: %s needs a value\n", qPrintable(a));
                std::exit(2);
            }
            return args[++i];
        };
        bool ok = true;
        if (a == "-h" || a == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (a == "--generate") {
            ok = parseList(value(), settings.generatedMegapixels);
            generateGiven = true;
        } else if (a == "--lambda") {
            ok = parseList(value(), settings.lambdas);
        } else if (a == "--budget") {
            settings.budget = value().toDouble(&ok);
        } else if (a == "--repeat") {
            settings.repeat = std::max(1, value().toInt(&ok));
        } else if (a == "--cli") {
            settings.cli = value();
        } else if (a == "--no-cli") {
            settings.runCliToo = false;
        } else if (a == "--no-boost-pr") {
            settings.boostPushRelabel = false;
        } else if (a.startsWith('-')) {
            std::fprintf(stderr, "segbench: unknown option %s\n%s", qPrintable(a), Usage);
            return 2;
        } else {
            settings.images << a;
        }
        if (!ok) {
            std::fprintf(stderr, "segbench: bad value for %s\n", qPrintable(a));
            return 2;
        }
    }
    if (!generateGiven && settings.images.isEmpty())
        settings.generatedMegapixels = {0.25, 1};
    if (settings.runCliToo && !QFileInfo(settings.cli).isExecutable()) {
        std::fprintf(stderr, "segbench: no command line at '%s' (use --cli or --no-cli)\n",
                     qPrintable(settings.cli));
        return 2;
    }

    QTemporaryDir tmp;
    std::vector<Case> cases;
    for (const QString &path : settings.images) {
        Case c;
        c.image = loadEditableImage(path);
        if (c.image.isNull()) {
            std::fprintf(stderr, "segbench: cannot read %s\n", qPrintable(path));
            return 3;
        }
        c.name = QFileInfo(path).completeBaseName();
        c.source = QFileInfo(path).absoluteFilePath();
        cases.push_back(c);
    }
    for (double mp : settings.generatedMegapixels) {
        const int side = std::max(2, int(std::lround(std::sqrt(mp * 1024 * 1024))));
        for (const char *kind : {"disc", "texture"}) {
            Case c;
            c.image = generated(kind, side, side);
            c.name = QString("%1 %2x%2").arg(kind).arg(side);
            c.source = tmp.filePath(QString("%1-%2.png").arg(kind).arg(side));
            c.image.save(c.source, "png");
            cases.push_back(c);
        }
    }

    std::vector<CaseFigures> all;
    for (const Case &c : cases)
        for (double lambda : settings.lambdas)
            all.push_back(runCase(c, lambda, settings, tmp));
    printTable(all);

    bool flowsAgree = true;
    for (const CaseFigures &c : all)
        flowsAgree = flowsAgree && c.bkCut == c.maxFlow
                     && (!c.kz.available || (c.kz.flow == c.maxFlow && c.kzCut == c.maxFlow))
                     && (c.bprSeconds < 0 || c.bprFlow == c.maxFlow)
                     && (c.ff.canceled || c.ff.cut >= c.maxFlow)
                     && (c.pr.canceled || c.pr.cut >= c.maxFlow);
    if (!flowsAgree) {
        std::fprintf(stderr, "segbench: a cut below the maximum flow, or the two Boost flows "
                             "differ: the figures are not to be trusted\n");
        return 1;
    }
    return 0;
}
