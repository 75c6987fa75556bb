// The push-relabel solver: hand-worked runs for the rules that are easy to get wrong, the
// mends for tiny images and large excess, and agreement with the literal reference
// (PushRelabelReference.h) on many random graphs, field by field. SEG_SOAK=<factor>
// multiplies the random counts and SEG_SEED=<number> draws other graphs.
#include "PushRelabelReference.h"

#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "segmentation/PushRelabelDetail.h"
#include "segmentation/SolverHost.h"
#include "support/DiagCapture.h"

#include <QtTest>

#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <thread>
#include <utility>

using Ints = std::vector<int>;

namespace {

// Records every call in order and cancels once `cancelAfter` pixels have been dequeued
// (one setValue each); a negative value never cancels.
class ScriptedHost final : public SolverHost {
public:
    explicit ScriptedHost(int cancelAfter) : m_cancelAfter(cancelAfter) {}
    void begin(int maximum) override { calls << QString("begin %1").arg(maximum); }
    void processEvents() override { calls << "events"; }
    bool wasCanceled() override
    {
        calls << "canceled?";
        return m_cancelAfter >= 0 && m_values >= m_cancelAfter;
    }
    void setValue(int value) override { ++m_values, calls << QString("value %1").arg(value); }
    void setIterationLabel(int iteration) override { calls << QString("label %1").arg(iteration); }
    QStringList calls;

private:
    int m_cancelAfter;
    int m_values = 0;
};

// Terminals as {source, sink} per pixel; n-links as {pixel, its neighbour above or to the
// right, capacity}.
Graf makeGraph(int w, int h, const std::vector<std::pair<int, int>> &terminals,
               const std::vector<std::array<int, 3>> &links)
{
    Graf g;
    g.init(w, h, w * h);
    for (std::size_t i = 0; i < terminals.size(); ++i)
        g.setSourceCapacity(int(i), terminals[i].first), g.setSinkCapacity(int(i), terminals[i].second);
    for (const auto &l : links)
        l[1] == l[0] + 1 ? g.setHorizCapacity(l[0], l[2]) : g.setVertCapacity(l[0], l[2]);
    return g;
}

struct Run {
    PushRelabelRun run;
    QVector<int> objectPixels{7, 7, 7};  // must be emptied
    QVector<bool> objectMask{true};      // must be resized
    PushRelabelTrace trace;
    QStringList lines, calls;
};

Run solve(Graf &g, int cancelAfter = -1)
{
    Run r;
    ScriptedHost host(cancelAfter);
    DiagCapture capture;
    r.run = segmentPushRelabel(g, r.objectPixels, r.objectMask, host, r.trace);
    r.lines = capture.lines;
    r.calls = host.calls;
    return r;
}

struct Case {
    const char *name;
    int w, h;
    std::vector<std::pair<int, int>> terminals;
    std::vector<std::array<int, 3>> links;
    int cancelAfter;
    QStringList lines;
    QStringList calls;  // empty: left to the random comparisons
    Ints heights, excess, sourceFlow, sinkFlow, vertFlow, horizFlow;
    QVector<int> object;
};

const QString Start = "DOKONCENIE HRAN O DLZKE 2", Cut = "hladanie rezu", NoSource = "nemam s tok";
const QStringList StarLines = {Start, "BEz. 4 a pocet 0", "BEz. 1 a pocet 3", NoSource, NoSource};
const QStringList StarCalls = {"begin 1", "events", "canceled?", "value 1", "events", "canceled?", "value -2"};
const std::vector<std::pair<int, int>> SixTerminals = {{5, 5}, {3, 7}, {9, 4}, {6, 0}, {0, 8}, {4, 1}};
const std::vector<std::pair<int, int>> StarTerminals = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {100, 1}};
const std::vector<std::array<int, 3>> StarLinks = {{4, 1, 1}, {4, 5, 1}, {7, 4, 1}, {3, 4, 1}};
const std::vector<std::pair<int, int>> ThreeTerminals = {{10, 1}, {0, 0}, {0, 5}};
const QStringList ThreeLines = {Start, "BEz. 0 a pocet 0", "BEz. 1 a pocet 0", NoSource, "BEz. 2 a pocet 0", Cut};

// Worked by hand from the rules.
const Case Cases[] = {
    // 3 x 2, links of 3, cancelled before the first dequeue: the preflow alone. Equal
    // terminals both saturate; t > s: sink flow s; s > t: queued with s - t; a source
    // without a sink is untouched and object.
    {"preflow, cancel at once", 3, 2, SixTerminals, {{0, 1, 3}, {1, 2, 3}, {3, 4, 3}, {4, 5, 3}, {3, 0, 3}, {4, 1, 3}, {5, 2, 3}},
     0, {Start, Cut}, {"begin 2", "events", "canceled?"},
     {1, 1, 1, 0, 0, 1}, {0, 0, 5, 0, 0, 3}, {5, 3, 9, 0, 0, 4}, {5, 3, 4, 0, 0, 1}, Ints(6, 0), Ints(6, 0), {3}},
    // Without n-links: queued in ascending order, climb above N = 6 by 6 / 4 = 1 and give
    // back; pixels that gave back are object, the equal pixel stays background.
    {"isolated pixels give back", 3, 2, SixTerminals, {}, -1, {Start, "BEz. 2 a pocet 1", "BEz. 5 a pocet 0", Cut},
     {"begin 2", "events", "canceled?", "value 1", "events", "canceled?", "value 2"},
     {1, 1, 7, 0, 0, 7}, Ints(6, 0), {5, 3, 4, 0, 0, 1}, {5, 3, 4, 0, 0, 1}, Ints(6, 0), Ints(6, 0), {2, 3, 5}},
    {"nothing queued", 2, 2, {{4, 4}, {4, 4}, {4, 9}, {3, 0}}, {{0, 1, 2}, {2, 3, 2}, {2, 0, 2}, {3, 1, 2}}, -1,
     {Start, Cut}, {"begin 0"}, {1, 1, 1, 0}, Ints(4, 0), {4, 4, 4, 0}, {4, 4, 4, 0}, Ints(4, 0), Ints(4, 0), {3}},
    // 3 x 3 star: the centre (s 100, t 1) pushes 1 up, right, down, left (queueing 1, 5, 7,
    // 3), climbs by 2 to 11 and gives 95 back. Each neighbour climbs to 10, has no source
    // flow, is not above the centre, climbs to 12 and takes its 1 back into the centre,
    // which at 11 >= N is not queued again and keeps it. L0 = 1: values leave 0..1.
    {"star: up, right, down, left", 3, 3, StarTerminals, StarLinks, -1,
     StarLines + QStringList{"BEz. 5 a pocet 2", NoSource, NoSource, "BEz. 7 a pocet 1", NoSource, NoSource,
                             "BEz. 3 a pocet 0", NoSource, NoSource, Cut},
     StarCalls + QStringList{"events", "canceled?", "value -1", "events", "canceled?", "value 0", "events",
                             "canceled?", "value 1"},
     {0, 12, 0, 12, 11, 12, 0, 12, 0}, {0, 0, 0, 0, 4, 0, 0, 0, 0}, {0, 0, 0, 0, 5, 0, 0, 0, 0},
     {0, 0, 0, 0, 1, 0, 0, 0, 0}, Ints(9, 0), Ints(9, 0), {4}},
    // Cancelled after two dequeues: 5, 7 and 3 still hold their 1.
    {"star, cancel after two", 3, 3, StarTerminals, StarLinks, 2, StarLines + QStringList{Cut},
     StarCalls + QStringList{"events", "canceled?"}, {0, 12, 0, 0, 11, 0, 0, 0, 0}, {0, 0, 0, 1, 1, 1, 0, 1, 0},
     {0, 0, 0, 0, 5, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 1, 0},
     {0, 0, 0, 1, 1, 0, 0, 0, 0}, {4}},
    // 4 x 1, N = 4: pixel 0 pushes 10 into pixel 1, climbs to 5 and gives 89 back; pixel 1
    // (height 0, first relabel to N / 4) climbs to 5, equal, then 6, and takes the 10 back
    // into pixel 0, which at 5 >= N keeps it.
    {"high pixel keeps excess", 4, 1, {{100, 1}}, {{0, 1, 10}}, -1,
     {Start, "BEz. 0 a pocet 0", "BEz. 1 a pocet 0", NoSource, NoSource, Cut},
     {"begin 1", "events", "canceled?", "value 1", "events", "canceled?", "value 1"},
     {5, 6, 0, 0}, {10, 0, 0, 0}, {11, 0, 0, 0}, {1, 0, 0, 0}, Ints(4, 0), Ints(4, 0), {0}},
    // Under four pixels N / 4 is 0: the increment must be 1 for the run to end.
    {"1x1", 1, 1, {{5, 2}}, {}, -1, {Start, "BEz. 0 a pocet 0", Cut}, {}, {2}, {0}, {2}, {2}, {0}, {0}, {0}},
    {"1x1 equal", 1, 1, {{5, 5}}, {}, -1, {Start, Cut}, {}, {1}, {0}, {5}, {5}, {0}, {0}, {}},
    {"2x1", 2, 1, {{10, 1}, {0, 0}}, {{0, 1, 3}}, -1, {Start, "BEz. 0 a pocet 0", "BEz. 1 a pocet 0", NoSource, NoSource, Cut},
     {}, {3, 4}, {3, 0}, {4, 0}, {1, 0}, {0, 0}, {0, 0}, {0}},
    // Pixel 1 pushes 2 on to pixel 2, climbs to 4 and takes them back off the same link,
    // which sends them on to pixel 2 as well.
    {"3x1", 3, 1, ThreeTerminals, {{0, 1, 4}, {1, 2, 2}}, -1, ThreeLines, {}, {4, 4, 0}, {0, 0, 0}, {5, 0, 0},
     {1, 0, 4}, {0, 0, 0}, {4, 0, 0}, {0}},
    {"1x3", 1, 3, ThreeTerminals, {{1, 0, 4}, {2, 1, 2}}, -1, ThreeLines, {}, {4, 4, 0}, {0, 0, 0}, {5, 0, 0},
     {1, 0, 4}, {0, 4, 0}, {0, 0, 0}, {0}},
    // Pixel 1 holds 2147483646 + 5 for a while: in 32 bits it would wrap negative, never
    // be discharged and end as background with its source link saturated.
    {"excess beyond 32 bits", 2, 1, {{INT_MAX, 1}, {INT_MAX, 1}}, {{0, 1, 5}}, -1,
     {Start, "BEz. 0 a pocet 1", "BEz. 1 a pocet 0", NoSource, NoSource, Cut}, {},
     {3, 4}, {4, 0}, {6, 0}, {1, 1}, {0, 0}, {1, 0}, {0, 1}},
};

// Runs the solver and the reference on copies of `graph`; true when every field agrees.
bool agreesWithReference(const Graf &graph, int cancelAfter)
{
    Graf mine = graph, theirs = graph;
    const Run r = solve(mine, cancelAfter);
    ScriptedHost host(cancelAfter);
    QVector<int> pixels{1, 2};
    QVector<bool> mask;
    reference::PushRelabelResult ref;
    QStringList lines;
    {
        DiagCapture capture;
        ref = reference::pushRelabel(theirs, pixels, mask, host);
        lines = capture.lines;
    }
    Ints excess;
    for (long long e : ref.excess)
        excess.push_back(int(std::min<long long>(e, INT_MAX)));
    // The cut's own rule: a source without a sink is object, no source never is.
    for (int i = 0; i < graph.pixelCount; ++i)
        if ((graph.sourceCap[i] >= 1 && graph.sinkCap[i] < 1 && !mask[i]) || (graph.sourceCap[i] < 1 && mask[i]))
            return false;
    auto capacities = [](const Graf &g) { return std::vector<Ints>{g.sourceCap, g.sinkCap, g.vertCap, g.horizCap}; };
    return r.run.dequeues == ref.dequeues && r.run.canceled == ref.canceled && r.objectPixels == pixels
        && r.objectMask == mask && r.trace.heights == ref.heights && r.trace.excess == excess && r.lines == lines
        && r.calls == host.calls && mine.sourceFlow == theirs.sourceFlow && mine.sinkFlow == theirs.sinkFlow
        && mine.vertFlow == theirs.vertFlow && mine.horizFlow == theirs.horizFlow
        && capacities(mine) == capacities(graph) && capacities(theirs) == capacities(graph);
}

// Sizes up to 16 x 16, with many single rows, columns and graphs under four pixels.
std::pair<int, int> randomSize(std::mt19937 &rng)
{
    auto range = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int shape = range(0, 9), w = range(1, 16), h = range(1, 16);
    return shape == 0 ? std::make_pair(1, h) : shape == 1 ? std::make_pair(w, 1)
         : shape == 2 ? std::make_pair(range(1, 2), range(1, 3)) : std::make_pair(w, h);
}

int soak()
{
    return std::max(1, qEnvironmentVariableIntValue("SEG_SOAK"));
}

} // namespace

class TestPushRelabel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void handWorked_data();
    void handWorked();
    void agreesWithReferenceOnRandomGraphs();
    void agreesWithReferenceOnBuiltGraphs();
};

void TestPushRelabel::initTestCase()
{
    // A discharge that never ends cannot be interrupted from inside: end the process.
    const int seconds = 300 * soak();
    std::thread([seconds] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::fprintf(stderr, "tst_pushrelabel: no end after %d s, the solver loops\n", seconds);
        std::_Exit(3);
    }).detach();
}

void TestPushRelabel::handWorked_data()
{
    QTest::addColumn<int>("index");
    for (const Case &c : Cases)
        QTest::newRow(c.name) << int(&c - Cases);
}

void TestPushRelabel::handWorked()
{
    QFETCH(int, index);
    const Case &c = Cases[index];
    Graf g = makeGraph(c.w, c.h, c.terminals, c.links);
    const Graf before = g;
    const Run r = solve(g, c.cancelAfter);
    QCOMPARE(r.lines, c.lines);
    if (!c.calls.isEmpty())
        QCOMPARE(r.calls, c.calls);
    QCOMPARE(r.run.canceled, c.cancelAfter >= 0);
    QCOMPARE(r.run.dequeues, (long long)c.lines.filter("BEz. ").size());
    QCOMPARE(r.trace.heights, c.heights);
    QCOMPARE(r.trace.excess, c.excess);
    QCOMPARE(g.sourceFlow, c.sourceFlow);
    QCOMPARE(g.sinkFlow, c.sinkFlow);
    QCOMPARE(g.vertFlow, c.vertFlow);
    QCOMPARE(g.horizFlow, c.horizFlow);
    QCOMPARE(std::vector<Ints>({g.sourceCap, g.sinkCap, g.vertCap, g.horizCap}),
             std::vector<Ints>({before.sourceCap, before.sinkCap, before.vertCap, before.horizCap}));
    QCOMPARE(r.objectPixels, c.object);
    QVector<bool> mask(c.w * c.h, false);
    for (int i : c.object)
        mask[i] = true;
    QCOMPARE(r.objectMask, mask);
}

void TestPushRelabel::agreesWithReferenceOnRandomGraphs()
{
    std::mt19937 rng(20240601u + unsigned(qEnvironmentVariableIntValue("SEG_SEED")));
    auto range = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
    // Modes: 0 many ties, 1 small, 2 medium, 3 extremes (some negative: no link). Large
    // terminals go only with large n-links, since a discharge takes about excess /
    // capacity passes.
    auto capacity = [&](int mode, bool nlink) {
        static const int terminals[] = {0, 1, 2, 3, -1, 1000, INT_MAX, INT_MAX - 1, INT_MAX / 2, INT_MIN};
        static const int links[] = {0, -1, INT_MIN, INT_MAX, INT_MAX - 1, INT_MAX / 2};
        switch (mode) {
        case 0: return range(0, 3);
        case 1: return chance(0.2) ? 0 : range(1, 20);
        case 2: return chance(0.3) ? 0 : range(1, 5000);
        default:
            if (nlink)
                return chance(0.6) ? links[range(0, 5)] : range(1 << 28, INT_MAX);
            return chance(0.7) ? terminals[range(0, 9)] : range(0, INT_MAX);
        }
    };
    static const int modes[][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1},
                                   {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 3}};
    const int count = 30000 * soak();
    for (int k = 0; k < count; ++k) {
        const auto [w, h] = randomSize(rng);
        const int m = range(0, 11);
        const double seeds = chance(0.5) ? 0.15 : 0.0;
        Graf g;
        g.init(w, h, w * h);
        for (int i = 0; i < w * h; ++i) {
            if (chance(seeds)) {
                const bool object = chance(0.5);
                g.setSourceCapacity(i, object ? INT_MAX : 0);
                g.setSinkCapacity(i, object ? 0 : INT_MAX);
            } else {
                g.setSourceCapacity(i, capacity(modes[m][0], false));
                g.setSinkCapacity(i, capacity(modes[m][0], false));
            }
            g.setVertCapacity(i, capacity(modes[m][1], true));
            g.setHorizCapacity(i, capacity(modes[m][1], true));
        }
        QVERIFY2(agreesWithReference(g, chance(0.15) ? range(0, 12) : -1),
                 qPrintable(QString("random graph %1 (%2 x %3)").arg(k).arg(w).arg(h)));
    }
}

// Graphs as the window builds them, from random images, seeds and lambdas.
void TestPushRelabel::agreesWithReferenceOnBuiltGraphs()
{
    std::mt19937 rng(777u + unsigned(qEnvironmentVariableIntValue("SEG_SEED")));
    auto range = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const int levels[] = {0, 1, 2, 127, 128, 253, 254, 255};
    static const double lambdas[] = {0.0, 0.5, 1.0, 2.55, 10.0, 123.45, 999.99};
    const int count = 12000 * soak();
    int built = 0;
    for (int k = 0; k < count; ++k) {
        const auto [w, h] = randomSize(rng);
        const int n = w * h, style = range(0, 3), flat = range(0, 255);
        Ints in(std::size_t(n), flat);
        for (int &v : in)
            v = style == 0 ? range(0, 255) : style == 1 ? levels[range(0, 7)] : style == 2 || range(0, 1) ? flat : range(0, 255);
        std::vector<QPoint> object, background;
        QVector<bool> taken(n, false);
        for (int s = std::min(n, range(2, 9)); s > 0; --s) {
            const int i = range(0, n - 1);
            if (!std::exchange(taken[i], true))
                ((object.empty() || (!background.empty() && range(0, 1))) ? object : background).push_back(QPoint(i % w, i / w));
        }
        Graf g;
        if (construction::buildGraph(g, in, w, h, object, background, lambdas[range(0, 6)]) != construction::BuildStatus::Ok)
            continue;
        ++built;
        QVERIFY2(agreesWithReference(g, range(0, 9) == 0 ? range(0, 12) : -1), qPrintable(QString("built graph %1").arg(k)));
    }
    QVERIFY(built > count / 2);
}

QTEST_GUILESS_MAIN(TestPushRelabel)
#include "tst_pushrelabel.moc"
