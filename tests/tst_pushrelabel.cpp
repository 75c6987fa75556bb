// The push-relabel solver: hand-worked runs for the rules that are easy to get wrong,
// the mends for tiny images and for large excess, and agreement with the literal
// reference (PushRelabelReference.h) on many random graphs, field by field.
//
// PR_SOAK=<factor> multiplies the number of random graphs for a longer run, and
// PR_SEED=<number> draws other ones.
#include "PushRelabelReference.h"

#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "segmentation/PushRelabelDetail.h"
#include "segmentation/SolverHost.h"
#include "support/DiagCapture.h"

#include <QtTest>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

struct Terminal {
    int s;
    int t;
};

// An n-link given by (lower or left pixel, its neighbour above or to the right, capacity).
struct Link {
    int a;
    int b;
    int cap;
};

Q_DECLARE_METATYPE(Terminal)
Q_DECLARE_METATYPE(Link)

namespace {

// A discharge that never ends cannot be interrupted from inside the test: end the
// process instead of leaving ctest waiting.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (!m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
                  std::fprintf(stderr, "tst_pushrelabel: no end after %d s, the solver loops\n",
                               seconds);
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

// Records every call in order and cancels once `cancelAfter` pixels have been dequeued
// (one setValue per dequeue); a negative value never cancels.
class ScriptedHost final : public SolverHost {
public:
    explicit ScriptedHost(int cancelAfter = -1) : m_cancelAfter(cancelAfter) {}

    void begin(int maximum) override { calls << QStringLiteral("begin %1").arg(maximum); }
    void processEvents() override { calls << QStringLiteral("events"); }
    bool wasCanceled() override
    {
        calls << QStringLiteral("canceled?");
        return m_cancelAfter >= 0 && m_values >= m_cancelAfter;
    }
    void setValue(int value) override
    {
        ++m_values;
        calls << QStringLiteral("value %1").arg(value);
    }
    void setIterationLabel(int iteration) override
    {
        calls << QStringLiteral("label %1").arg(iteration);
    }

    QStringList calls;

private:
    int m_cancelAfter;
    int m_values = 0;
};

Graf makeGraph(int w, int h, const QVector<Terminal> &terminals, const QVector<Link> &links)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < terminals.size(); ++i) {
        g.setSourceCapacity(i, terminals[i].s);
        g.setSinkCapacity(i, terminals[i].t);
    }
    for (const Link &l : links) {
        if (l.b == l.a + 1)
            g.setHorizCapacity(l.a, l.cap);
        else if (l.b == l.a - w)
            g.setVertCapacity(l.a, l.cap);
        else
            qFatal("bad link %d %d", l.a, l.b);
    }
    return g;
}

std::vector<int> ints(std::initializer_list<int> v)
{
    return std::vector<int>(v);
}

QStringList lines(std::initializer_list<const char *> v)
{
    QStringList out;
    for (const char *s : v)
        out << QString::fromUtf8(s);
    return out;
}

struct Run {
    PushRelabelRun run;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    std::vector<int> heights;
    std::vector<int> excess;
    QStringList lines;
    QStringList calls;
};

Run solve(Graf &g, int cancelAfter = -1, bool guarded = true)
{
    Run r;
    ScriptedHost host(cancelAfter);
    r.objectPixels = {7, 7, 7}; // must be emptied
    r.objectMask = {true};      // must be resized
    {
        std::unique_ptr<Watchdog> dog(guarded ? new Watchdog(60) : nullptr);
        DiagCapture capture;
        PushRelabelTrace trace;
        r.run = segmentPushRelabel(g, r.objectPixels, r.objectMask, host, trace);
        r.heights = std::move(trace.heights);
        r.excess = std::move(trace.excess);
        r.lines = capture.lines;
    }
    r.calls = host.calls;
    return r;
}

QVector<bool> maskOf(int n, std::initializer_list<int> object)
{
    QVector<bool> m(n, false);
    for (int i : object)
        m[i] = true;
    return m;
}

QVector<int> vec(std::initializer_list<int> v)
{
    return QVector<int>(v);
}

unsigned seedOffset()
{
    return unsigned(qEnvironmentVariableIntValue("PR_SEED"));
}

int soakFactor()
{
    bool ok = false;
    const int f = qEnvironmentVariableIntValue("PR_SOAK", &ok);
    return ok && f > 0 ? f : 1;
}

// ---------------------------------------------------------------- random graphs

class Rng {
public:
    explicit Rng(unsigned seed) : m_gen(seed) {}
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_gen); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_gen); }

private:
    std::mt19937 m_gen;
};

// Modes: 0 many ties (0 to 3), 1 small, 2 medium, 3 extremes (a few negative, which
// count as no link). Above the pixel count a pixel without source flow moves at most
// twice its links' capacities per pass, so a discharge takes about excess / capacity
// passes: large terminals are paired only with large n-links, to keep the runs short.
int randomCapacity(Rng &rng, int mode, bool nlink)
{
    switch (mode) {
    case 0:
        return rng.range(0, 3);
    case 1:
        return rng.chance(0.2) ? 0 : rng.range(1, 20);
    case 2:
        return rng.chance(0.3) ? 0 : rng.range(1, 5000);
    default: {
        static const int terminals[] = {0, 1, 2, 3, -1, 1000, INT_MAX, INT_MAX - 1, INT_MAX / 2,
                                        INT_MIN};
        static const int links[] = {0, -1, INT_MIN, INT_MAX, INT_MAX - 1, INT_MAX / 2};
        if (nlink)
            return rng.chance(0.6) ? links[rng.range(0, 5)] : rng.range(1 << 28, INT_MAX);
        return rng.chance(0.7) ? terminals[rng.range(0, 9)] : rng.range(0, INT_MAX);
    }
    }
}

void randomSize(Rng &rng, int &w, int &h)
{
    w = rng.range(1, 16);
    h = rng.range(1, 16);
    const int shape = rng.range(0, 9);
    if (shape == 0)
        w = 1;
    else if (shape == 1)
        h = 1;
    else if (shape == 2)
        w = rng.range(1, 2), h = rng.range(1, 3);
}

Graf randomGraph(Rng &rng)
{
    int w, h;
    randomSize(rng, w, h);
    const int n = w * h;
    static const int modes[][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1},
                                   {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 3}};
    const int m = rng.range(0, 11);
    const int tMode = modes[m][0];
    const int nMode = modes[m][1];
    const double seeds = rng.chance(0.5) ? 0.15 : 0.0;
    Graf g;
    g.init(w, h, n);
    for (int i = 0; i < n; ++i) {
        if (rng.chance(seeds)) {
            const bool object = rng.chance(0.5);
            g.setSourceCapacity(i, object ? INT_MAX : 0);
            g.setSinkCapacity(i, object ? 0 : INT_MAX);
        } else {
            g.setSourceCapacity(i, randomCapacity(rng, tMode, false));
            g.setSinkCapacity(i, randomCapacity(rng, tMode, false));
        }
        g.setVertCapacity(i, randomCapacity(rng, nMode, true));
        g.setHorizCapacity(i, randomCapacity(rng, nMode, true));
    }
    return g;
}

// A graph as the window builds it, from a random image, seeds and lambda.
bool builtGraph(Rng &rng, Graf &g)
{
    int w, h;
    randomSize(rng, w, h);
    const int n = w * h;
    std::vector<int> intensities(static_cast<std::size_t>(n));
    const int style = rng.range(0, 3);
    static const int levels[] = {0, 1, 2, 127, 128, 253, 254, 255};
    const int flat = rng.range(0, 255);
    for (int &v : intensities) {
        switch (style) {
        case 0: v = rng.range(0, 255); break;
        case 1: v = levels[rng.range(0, 7)]; break;
        case 2: v = flat; break;
        default: v = rng.chance(0.5) ? flat : rng.range(0, 255); break;
        }
    }
    std::vector<QPoint> object, background;
    QVector<bool> taken(n, false);
    const int seedCount = std::min(n, rng.range(2, 9));
    for (int k = 0; k < seedCount; ++k) {
        const int i = rng.range(0, n - 1);
        if (taken[i])
            continue;
        taken[i] = true;
        ((object.empty() || (!background.empty() && rng.chance(0.5))) ? object : background)
            .push_back(QPoint(i % w, i / w));
    }
    static const double lambdas[] = {0.0, 0.5, 1.0, 2.55, 10.0, 123.45, 999.99};
    const double lambda = lambdas[rng.range(0, 6)];
    return construction::buildGraph(g, intensities, w, h, object, background, lambda) ==
           construction::BuildStatus::Ok;
}

// Properties that follow from the rules alone, whatever the graph.
void checkInvariants(const Graf &before, const Graf &after, const reference::PushRelabelResult &ref,
                     const QVector<int> &objectPixels, const QVector<bool> &objectMask)
{
    const int n = before.pixelCount;
    const int raise = std::max(1, n / 4);
    long long flowBalance = 0;
    long long excessSum = 0;
    for (int i = 0; i < n; ++i) {
        const int s = before.sourceCap[std::size_t(i)];
        const int t = before.sinkCap[std::size_t(i)];
        const bool object = objectMask[i];
        if (s >= 1 && t < 1)
            QVERIFY2(object, "a source without a sink must be object");
        if (s < 1)
            QVERIFY2(!object, "a pixel without a source link is never object");
        QVERIFY(ref.excess[std::size_t(i)] >= 0);
        // A pixel is raised only while it cannot move anything; that keeps every height
        // within N + 2 * increment.
        QVERIFY(ref.heights[std::size_t(i)] <= n + 2 * raise);
        if (!ref.canceled && ref.heights[std::size_t(i)] < n)
            QVERIFY2(ref.excess[std::size_t(i)] == 0, "excess left below height N");
        const int vf = after.vertFlow[std::size_t(i)];
        const int hf = after.horizFlow[std::size_t(i)];
        QVERIFY(vf >= 0 && vf <= std::max(0, before.vertCap[std::size_t(i)]));
        QVERIFY(hf >= 0 && hf <= std::max(0, before.horizCap[std::size_t(i)]));
        const int sf = after.sourceFlow[std::size_t(i)];
        const int tf = after.sinkFlow[std::size_t(i)];
        QVERIFY(sf >= 0 && sf <= std::max(0, s));
        QVERIFY(tf >= 0 && tf <= std::max(0, t));
        flowBalance += (long long)sf - tf;
        excessSum += ref.excess[std::size_t(i)];
    }
    QCOMPARE(excessSum, flowBalance);
    int previous = -1;
    for (int i : objectPixels) {
        QVERIFY(i > previous);
        QVERIFY(objectMask[i]);
        previous = i;
    }
    QCOMPARE(int(std::count(objectMask.begin(), objectMask.end(), true)), objectPixels.size());
}

QString describe(const Graf &g)
{
    QString s = QStringLiteral("%1x%2\n").arg(g.width).arg(g.height);
    for (int i = 0; i < g.pixelCount; ++i)
        s += QStringLiteral("%1: s=%2 t=%3 v=%4 h=%5\n")
                 .arg(i)
                 .arg(g.sourceCap[std::size_t(i)])
                 .arg(g.sinkCap[std::size_t(i)])
                 .arg(g.vertCap[std::size_t(i)])
                 .arg(g.horizCap[std::size_t(i)]);
    return s;
}

// Runs the solver and the reference on copies of `graph` and compares everything.
// The caller keeps a watchdog.
bool compareOnce(const Graf &graph, int cancelAfter)
{
    Graf mine = graph;
    Graf theirs = graph;
    Run r = solve(mine, cancelAfter, false);

    ScriptedHost refHost(cancelAfter);
    QVector<int> refPixels{1, 2};
    QVector<bool> refMask;
    reference::PushRelabelResult ref;
    QStringList refLines;
    {
        DiagCapture capture;
        ref = reference::pushRelabel(theirs, refPixels, refMask, refHost);
        refLines = capture.lines;
    }

    std::vector<int> refExcess;
    for (long long e : ref.excess)
        refExcess.push_back(int(std::clamp<long long>(e, INT_MIN, INT_MAX)));

    const bool same = r.run.dequeues == ref.dequeues && r.run.canceled == ref.canceled &&
                      r.objectPixels == refPixels && r.objectMask == refMask &&
                      r.heights == ref.heights && r.excess == refExcess &&
                      r.lines == refLines && r.calls == refHost.calls &&
                      mine.sourceFlow == theirs.sourceFlow && mine.sinkFlow == theirs.sinkFlow &&
                      mine.vertFlow == theirs.vertFlow && mine.horizFlow == theirs.horizFlow &&
                      mine.sourceCap == graph.sourceCap && mine.sinkCap == graph.sinkCap &&
                      mine.vertCap == graph.vertCap && mine.horizCap == graph.horizCap &&
                      theirs.sourceCap == graph.sourceCap && theirs.sinkCap == graph.sinkCap &&
                      theirs.vertCap == graph.vertCap && theirs.horizCap == graph.horizCap &&
                      mine.width == graph.width && mine.height == graph.height &&
                      mine.pixelCount == graph.pixelCount;
    if (!same) {
        qWarning("solver and reference differ (cancel after %d) on\n%s", cancelAfter,
                 qPrintable(describe(graph)));
        return false;
    }
    checkInvariants(graph, theirs, ref, refPixels, refMask);
    return !QTest::currentTestFailed();
}

} // namespace

class TestPushRelabel : public QObject {
    Q_OBJECT

private slots:
    void preflowAloneOnCancelBeforeFirstDequeue();
    void isolatedPixelsGiveBackInQueueOrder();
    void nothingQueued();
    void neighboursQueuedUpRightDownLeft();
    void cancelAfterTwoDequeues();
    void highPixelKeepsExcessAndTakesBackForeignFlow();
    void tinyImagesTerminate_data();
    void tinyImagesTerminate();
    void excessBeyond32Bits();
    void builtThreePixelImage();
    void agreesWithReferenceOnRandomGraphs();
    void agreesWithReferenceOnBuiltGraphs();
};

// 3 x 2, every n-link 3; cancelled before the first dequeue, so only the preflow acts.
void TestPushRelabel::preflowAloneOnCancelBeforeFirstDequeue()
{
    Graf g = makeGraph(3, 2,
                       {{5, 5}, {3, 7}, {9, 4}, {6, 0}, {0, 8}, {4, 1}},
                       {{0, 1, 3}, {1, 2, 3}, {3, 4, 3}, {4, 5, 3}, {3, 0, 3}, {4, 1, 3}, {5, 2, 3}});
    const Run r = solve(g, 0);
    QVERIFY(r.run.canceled);
    QCOMPARE(r.run.dequeues, 0LL);
    QCOMPARE(r.calls, QStringList({"begin 2", "events", "canceled?"}));
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "hladanie rezu"}));
    // equal: both saturated; t > s: sink flow s; s > t: excess s - t; the rest untouched
    QCOMPARE(g.sourceFlow, ints({5, 3, 9, 0, 0, 4}));
    QCOMPARE(g.sinkFlow, ints({5, 3, 4, 0, 0, 1}));
    QCOMPARE(r.heights, ints({1, 1, 1, 0, 0, 1}));
    QCOMPARE(r.excess, ints({0, 0, 5, 0, 0, 3}));
    QCOMPARE(g.vertFlow, ints({0, 0, 0, 0, 0, 0}));
    QCOMPARE(g.horizFlow, ints({0, 0, 0, 0, 0, 0}));
    // only the source without a sink is object
    QCOMPARE(r.objectPixels, vec({3}));
    QCOMPARE(r.objectMask, maskOf(6, {3}));
}

// The same terminals without n-links: the queued pixels come out in ascending order,
// climb above N = 6 one step at a time (6 / 4 = 1) and give their excess back.
void TestPushRelabel::isolatedPixelsGiveBackInQueueOrder()
{
    Graf g = makeGraph(3, 2, {{5, 5}, {3, 7}, {9, 4}, {6, 0}, {0, 8}, {4, 1}}, {});
    const Run r = solve(g);
    QVERIFY(!r.run.canceled);
    QCOMPARE(r.run.dequeues, 2LL);
    QCOMPARE(r.calls, QStringList({"begin 2", "events", "canceled?", "value 1", "events",
                                   "canceled?", "value 2"}));
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 2 a pocet 1", "BEz. 5 a pocet 0",
                             "hladanie rezu"}));
    QCOMPARE(r.heights, ints({1, 1, 7, 0, 0, 7}));
    QCOMPARE(r.excess, ints({0, 0, 0, 0, 0, 0}));
    QCOMPARE(g.sourceFlow, ints({5, 3, 4, 0, 0, 1}));
    QCOMPARE(g.sinkFlow, ints({5, 3, 4, 0, 0, 1}));
    // pixels that gave back are object; the equal pixel stays background
    QCOMPARE(r.objectPixels, vec({2, 3, 5}));
    QCOMPARE(r.objectMask, maskOf(6, {2, 3, 5}));
}

void TestPushRelabel::nothingQueued()
{
    Graf g = makeGraph(2, 2, {{4, 4}, {4, 4}, {4, 9}, {3, 0}},
                       {{0, 1, 2}, {2, 3, 2}, {2, 0, 2}, {3, 1, 2}});
    const Run r = solve(g);
    QCOMPARE(r.run.dequeues, 0LL);
    QVERIFY(!r.run.canceled);
    QCOMPARE(r.calls, QStringList({"begin 0"}));
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "hladanie rezu"}));
    QCOMPARE(r.heights, ints({1, 1, 1, 0}));
    QCOMPARE(g.sinkFlow, ints({4, 4, 4, 0}));
    QCOMPARE(r.objectPixels, vec({3}));
    QCOMPARE(r.objectMask, maskOf(4, {3}));
}

// 3 x 3: the centre (s 100, t 1) has links of 1 to its four neighbours, nothing else has
// links or terminals. N = 9, increment 2.
static Graf star()
{
    QVector<Terminal> t(9, {0, 0});
    t[4] = {100, 1};
    return makeGraph(3, 3, t, {{4, 1, 1}, {4, 5, 1}, {7, 4, 1}, {3, 4, 1}});
}

void TestPushRelabel::neighboursQueuedUpRightDownLeft()
{
    Graf g = star();
    const Run r = solve(g);
    // The centre pushes 1 up, right, down, left (queueing 1, 5, 7, 3), climbs 1, 3, 5, 7,
    // 9, 11 and gives 95 back. Each neighbour climbs 2, 4, 6, 8, 10 (past N), finds no
    // source flow, is not above the centre (11), climbs to 12 and takes its 1 back off
    // the saturated link, which sends it to the centre; the centre, at 11 >= N, is not
    // queued again and keeps it.
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 4 a pocet 0",
                             "BEz. 1 a pocet 3", "nemam s tok", "nemam s tok",
                             "BEz. 5 a pocet 2", "nemam s tok", "nemam s tok",
                             "BEz. 7 a pocet 1", "nemam s tok", "nemam s tok",
                             "BEz. 3 a pocet 0", "nemam s tok", "nemam s tok", "hladanie rezu"}));
    // L0 = 1, so the value leaves 0..1 and is passed on unchanged
    QCOMPARE(r.calls, QStringList({"begin 1", "events", "canceled?", "value 1", "events",
                                   "canceled?", "value -2", "events", "canceled?", "value -1",
                                   "events", "canceled?", "value 0", "events", "canceled?",
                                   "value 1"}));
    QCOMPARE(r.run.dequeues, 5LL);
    QCOMPARE(r.heights, ints({0, 12, 0, 12, 11, 12, 0, 12, 0}));
    QCOMPARE(r.excess, ints({0, 0, 0, 0, 4, 0, 0, 0, 0}));
    QCOMPARE(g.sourceFlow, ints({0, 0, 0, 0, 5, 0, 0, 0, 0}));
    QCOMPARE(g.sinkFlow, ints({0, 0, 0, 0, 1, 0, 0, 0, 0}));
    QCOMPARE(g.vertFlow, ints({0, 0, 0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(g.horizFlow, ints({0, 0, 0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(r.objectPixels, vec({4}));
    QCOMPARE(r.objectMask, maskOf(9, {4}));
    // capacities as built
    QCOMPARE(g.vertCap, ints({0, 0, 0, 0, 1, 0, 0, 1, 0}));
    QCOMPARE(g.horizCap, ints({0, 0, 0, 1, 1, 0, 0, 0, 0}));
}

void TestPushRelabel::cancelAfterTwoDequeues()
{
    Graf g = star();
    const Run r = solve(g, 2);
    QVERIFY(r.run.canceled);
    QCOMPARE(r.run.dequeues, 2LL);
    QCOMPARE(r.calls, QStringList({"begin 1", "events", "canceled?", "value 1", "events",
                                   "canceled?", "value -2", "events", "canceled?"}));
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 4 a pocet 0",
                             "BEz. 1 a pocet 3", "nemam s tok", "nemam s tok",
                             "hladanie rezu"}));
    // 5, 7 and 3 still hold the 1 they received; the marks are cleared all the same
    QCOMPARE(r.excess, ints({0, 0, 0, 1, 1, 1, 0, 1, 0}));
    QCOMPARE(r.heights, ints({0, 12, 0, 0, 11, 0, 0, 0, 0}));
    QCOMPARE(g.vertFlow, ints({0, 0, 0, 0, 0, 0, 0, 1, 0}));
    QCOMPARE(g.horizFlow, ints({0, 0, 0, 1, 1, 0, 0, 0, 0}));
    QCOMPARE(r.objectPixels, vec({4}));
    QCOMPARE(r.objectMask, maskOf(9, {4}));
}

// 1 x 4, N = 4 (increment 1, not mended): pixel 0 (s 100, t 1) pushes 10 into pixel 1
// (no terminals), then climbs to 5 and gives 89 back. Pixel 1 climbs to 5, equal to
// pixel 0, then to 6, and takes the 10 back off the link that pixel 0 filled: the flow
// lands in pixel 0, which is at 5 >= N, is not queued again and keeps it.
void TestPushRelabel::highPixelKeepsExcessAndTakesBackForeignFlow()
{
    Graf g = makeGraph(4, 1, {{100, 1}, {0, 0}, {0, 0}, {0, 0}}, {{0, 1, 10}});
    const Run r = solve(g);
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 0 a pocet 0", "BEz. 1 a pocet 0",
                             "nemam s tok", "nemam s tok", "hladanie rezu"}));
    QCOMPARE(r.calls, QStringList({"begin 1", "events", "canceled?", "value 1", "events",
                                   "canceled?", "value 1"}));
    QCOMPARE(r.heights, ints({5, 6, 0, 0}));
    QCOMPARE(r.excess, ints({10, 0, 0, 0}));
    QCOMPARE(g.sourceFlow, ints({11, 0, 0, 0}));
    QCOMPARE(g.sinkFlow, ints({1, 0, 0, 0}));
    QCOMPARE(g.horizFlow, ints({0, 0, 0, 0}));
    QCOMPARE(r.objectPixels, vec({0}));
}

// Below four pixels N / 4 is 0; the increment is 1 there. Worked by hand.
void TestPushRelabel::tinyImagesTerminate_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QVector<Terminal>>("terminals");
    QTest::addColumn<QVector<Link>>("links");
    QTest::addColumn<QStringList>("expectedLines");
    QTest::addColumn<std::vector<int>>("heights");
    QTest::addColumn<std::vector<int>>("excess");
    QTest::addColumn<std::vector<int>>("sourceFlow");
    QTest::addColumn<std::vector<int>>("sinkFlow");
    QTest::addColumn<std::vector<int>>("linkFlow"); // vertFlow for a column, horizFlow for a row
    QTest::addColumn<QVector<int>>("object");

    // 1 x 1: climbs from 1 to 2 > N and gives its 3 back
    QTest::newRow("1x1") << 1 << 1 << QVector<Terminal>{{5, 2}} << QVector<Link>{}
                         << lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 0 a pocet 0", "hladanie rezu"})
                         << ints({2}) << ints({0}) << ints({2}) << ints({2}) << ints({0})
                         << vec({0});
    QTest::newRow("1x1 equal") << 1 << 1 << QVector<Terminal>{{5, 5}} << QVector<Link>{}
                               << lines({"DOKONCENIE HRAN O DLZKE 2", "hladanie rezu"})
                               << ints({1}) << ints({0}) << ints({5}) << ints({5}) << ints({0})
                               << vec({});
    // 1 x 2: pixel 0 pushes 3, climbs to 3 and gives 6 back; pixel 1 climbs to 3 (equal),
    // then 4, and takes the 3 back into pixel 0, which is at 3 >= N and keeps it
    QTest::newRow("1x2") << 2 << 1 << QVector<Terminal>{{10, 1}, {0, 0}}
                         << QVector<Link>{{0, 1, 3}}
                         << lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 0 a pocet 0",
                                   "BEz. 1 a pocet 0", "nemam s tok", "nemam s tok",
                                   "hladanie rezu"})
                         << ints({3, 4}) << ints({3, 0}) << ints({4, 0}) << ints({1, 0})
                         << ints({0, 0}) << vec({0});
    // 1 x 3: pixel 0 pushes 4 into pixel 1, climbs to 4 and gives 5 back; pixel 1 climbs
    // to 1, pushes 2 into pixel 2 (sink 5), climbs to 4 and takes those 2 back off the
    // same link, which sends them on to pixel 2 as well; pixel 2 sends its 4 to the sink
    const QStringList line3 = lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 0 a pocet 0",
                                     "BEz. 1 a pocet 0", "nemam s tok", "BEz. 2 a pocet 0",
                                     "hladanie rezu"});
    const QVector<Terminal> t3{{10, 1}, {0, 0}, {0, 5}};
    QTest::newRow("1x3") << 3 << 1 << t3 << QVector<Link>{{0, 1, 4}, {1, 2, 2}} << line3
                         << ints({4, 4, 0}) << ints({0, 0, 0}) << ints({5, 0, 0})
                         << ints({1, 0, 4}) << ints({4, 0, 0}) << vec({0});
    // 3 x 1, the same vertically: the links are held by the lower pixels
    QTest::newRow("3x1") << 1 << 3 << t3 << QVector<Link>{{1, 0, 4}, {2, 1, 2}} << line3
                         << ints({4, 4, 0}) << ints({0, 0, 0}) << ints({5, 0, 0})
                         << ints({1, 0, 4}) << ints({0, 4, 0}) << vec({0});
}

void TestPushRelabel::tinyImagesTerminate()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QVector<Terminal>, terminals);
    QFETCH(QVector<Link>, links);
    QFETCH(QStringList, expectedLines);
    QFETCH(std::vector<int>, heights);
    QFETCH(std::vector<int>, excess);
    QFETCH(std::vector<int>, sourceFlow);
    QFETCH(std::vector<int>, sinkFlow);
    QFETCH(std::vector<int>, linkFlow);
    QFETCH(QVector<int>, object);

    Graf g = makeGraph(w, h, terminals, links);
    const Run r = solve(g);
    QCOMPARE(r.lines, expectedLines);
    QCOMPARE(r.heights, heights);
    QCOMPARE(r.excess, excess);
    QCOMPARE(g.sourceFlow, sourceFlow);
    QCOMPARE(g.sinkFlow, sinkFlow);
    QCOMPARE(w == 1 ? g.vertFlow : g.horizFlow, linkFlow);
    QCOMPARE(w == 1 ? g.horizFlow : g.vertFlow, std::vector<int>(std::size_t(w * h), 0));
    QCOMPARE(r.objectPixels, object);
}

// 1 x 2, both pixels s 2147483647 and t 1, link 5: pixel 1 holds 2147483646 + 5 for a
// while. In 32 bits that wraps negative, pixel 1 would never be discharged and would
// end as background with its source link saturated.
void TestPushRelabel::excessBeyond32Bits()
{
    Graf g = makeGraph(2, 1, {{INT_MAX, 1}, {INT_MAX, 1}}, {{0, 1, 5}});
    const Run r = solve(g);
    // pixel 0: climbs to 2, pushes 5, climbs to 3 and gives 2147483641 back (source flow 6);
    // pixel 1: climbs to 3, gives back all 2147483647, is left with 4, climbs to 4 and
    // takes 4 back off the link into pixel 0
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "BEz. 0 a pocet 1", "BEz. 1 a pocet 0",
                             "nemam s tok", "nemam s tok", "hladanie rezu"}));
    QCOMPARE(r.heights, ints({3, 4}));
    QCOMPARE(r.excess, ints({4, 0}));
    QCOMPARE(g.sourceFlow, ints({6, 0}));
    QCOMPARE(g.sinkFlow, ints({1, 1}));
    QCOMPARE(g.horizFlow, ints({1, 0}));
    QCOMPARE(r.objectPixels, vec({0, 1}));
}

// The 3 x 1 image 10, 50, 200 with the object seed on 200, the background seed on 10 and
// lambda 10 gives sources 0, 500, max and sinks max, 1600, 0: nothing is queued, the
// middle pixel is saturated on both sides, only the object seed is object.
void TestPushRelabel::builtThreePixelImage()
{
    Graf g;
    QCOMPARE(construction::buildGraph(g, {10, 50, 200}, 3, 1, {QPoint(2, 0)}, {QPoint(0, 0)}, 10.0),
             construction::BuildStatus::Ok);
    const Run r = solve(g);
    QCOMPARE(r.calls, QStringList({"begin 0"}));
    QCOMPARE(r.lines, lines({"DOKONCENIE HRAN O DLZKE 2", "hladanie rezu"}));
    QCOMPARE(g.sourceFlow, ints({0, 500, 0}));
    QCOMPARE(g.sinkFlow, ints({0, 500, 0}));
    QCOMPARE(r.heights, ints({0, 1, 0}));
    QCOMPARE(r.objectPixels, vec({2}));
    QCOMPARE(r.objectMask, maskOf(3, {2}));
}

void TestPushRelabel::agreesWithReferenceOnRandomGraphs()
{
    const int count = 30000 * soakFactor();
    Watchdog dog(300 * soakFactor());
    Rng rng(20240601u + seedOffset());
    for (int k = 0; k < count; ++k) {
        const Graf g = randomGraph(rng);
        const int cancelAfter = rng.chance(0.15) ? rng.range(0, 12) : -1;
        if (!compareOnce(g, cancelAfter))
            QFAIL(qPrintable(QStringLiteral("random graph %1 differs").arg(k)));
    }
}

void TestPushRelabel::agreesWithReferenceOnBuiltGraphs()
{
    const int count = 12000 * soakFactor();
    Watchdog dog(300 * soakFactor());
    Rng rng(777u + seedOffset());
    int built = 0;
    for (int k = 0; k < count; ++k) {
        Graf g;
        if (!builtGraph(rng, g))
            continue;
        ++built;
        const int cancelAfter = rng.chance(0.1) ? rng.range(0, 12) : -1;
        if (!compareOnce(g, cancelAfter))
            QFAIL(qPrintable(QStringLiteral("built graph %1 differs").arg(k)));
    }
    QVERIFY(built > count / 2);
}

QTEST_GUILESS_MAIN(TestPushRelabel)
#include "tst_pushrelabel.moc"
