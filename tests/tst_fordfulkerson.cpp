// The augmenting-path solver: hand-worked runs (length-2 completion, iterations and their
// lines, progress and cancel calls, path choice, retired sources, the final region), and a
// field-by-field comparison with the literal step-by-step method on random graphs, built
// directly and through graph construction. FF_SOAK=<factor> multiplies the random counts.
#include "FordFulkersonReference.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "segmentation/FordFulkersonDetail.h"
#include "segmentation/SolverHost.h"
#include "support/DiagCapture.h"

#include <QtTest>

#include <random>

namespace {

constexpr int Max = 2147483647;

// No test graph needs anywhere near this many iterations; a solver that gets here is looping
// (a bottleneck of 0 never ends) and is stopped by a cancel, so the comparison fails instead
// of hanging.
constexpr int RunawayIterations = 100000;

// Records every call in order and reports a cancel from the cancelAt-th test on (0: never).
class ScriptedHost final : public SolverHost {
public:
    explicit ScriptedHost(int cancelAt = 0) : m_cancelAt(cancelAt) {}
    void begin(int maximum) override { calls << QString("begin %1").arg(maximum); }
    void processEvents() override { calls << "events"; }
    bool wasCanceled() override
    {
        ++m_tests;
        const bool c = (m_cancelAt > 0 && m_tests >= m_cancelAt) || m_tests >= RunawayIterations;
        calls << QString("canceled %1").arg(c ? 1 : 0);
        return c;
    }
    void setValue(int value) override { calls << QString("value %1").arg(value); }
    void setIterationLabel(int iteration) override { calls << QString("label %1").arg(iteration); }

    QStringList calls;

private:
    int m_cancelAt;
    int m_tests = 0;
};

struct Outcome {
    FordFulkersonRun run;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    Graf graf;
    QStringList lines;
    QStringList calls;
};

FordFulkersonRun solveFully(Graf &graf, QVector<int> &pixels, QVector<bool> &mask, SolverHost &host)
{
    return segmentFordFulkerson(graf, pixels, mask, host);
}

template <typename Solver>
Outcome runWith(Solver solve, const Graf &start, int cancelAt,
                QVector<int> pixelsBefore = {}, QVector<bool> maskBefore = {})
{
    Outcome o;
    o.graf = start;
    o.objectPixels = pixelsBefore;
    o.objectMask = maskBefore;
    ScriptedHost host(cancelAt);
    DiagCapture capture;
    o.run = solve(o.graf, o.objectPixels, o.objectMask, host);
    o.lines = capture.lines;
    o.calls = host.calls;
    return o;
}

// blockLevels: levels per key block of the kept search order (-1 as many as fit, 0 none).
Outcome solve(const Graf &g, int cancelAt = 0, int blockLevels = -1)
{
    return runWith(
        [blockLevels](Graf &graf, QVector<int> &pixels, QVector<bool> &mask, SolverHost &host) {
            FordFulkersonOptions options;
            options.keyBlockLevels = blockLevels;
            return segmentFordFulkerson(graf, pixels, mask, host, options);
        },
        g, cancelAt);
}

Outcome reference(const Graf &g, int cancelAt = 0)
{
    return runWith(literal::fordFulkerson, g, cancelAt);
}

template <typename T>
QString list(const T &v)
{
    QStringList parts;
    for (int i = 0; i < int(v.size()) && i < 60; ++i)
        parts << QString::number(int(v[i]));
    if (int(v.size()) > 60)
        parts << QString("... (%1 in all)").arg(v.size());
    return "[" + parts.join(", ") + "]";
}

template <typename A, typename B>
QString firstDifference(const char *name, const A &a, const B &b)
{
    if (int(a.size()) != int(b.size()))
        return QString("%1: size %2 vs %3").arg(name).arg(a.size()).arg(b.size());
    for (int i = 0; i < int(a.size()); ++i)
        if (a[i] != b[i])
            return QString("%1[%2]: %3 vs %4").arg(name).arg(i).arg(a[i]).arg(b[i]);
    return {};
}

QString stringsDifference(const char *name, const QStringList &a, const QStringList &b)
{
    const int n = std::min(a.size(), b.size());
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i])
            return QString("%1[%2]: \"%3\" vs \"%4\"").arg(name).arg(i).arg(a[i], b[i]);
    if (a.size() != b.size())
        return QString("%1: %2 vs %3 entries").arg(name).arg(a.size()).arg(b.size());
    return {};
}

// Empty when the two runs agree in every field, otherwise the first difference.
QString difference(const Outcome &a, const Outcome &b)
{
    if (a.run.iterations != b.run.iterations)
        return QString("iterations %1 vs %2").arg(a.run.iterations).arg(b.run.iterations);
    if (a.run.canceled != b.run.canceled)
        return QString("canceled %1 vs %2").arg(a.run.canceled).arg(b.run.canceled);
    QString d;
    if (!(d = firstDifference("objectPixels", a.objectPixels, b.objectPixels)).isEmpty()
        || !(d = firstDifference("objectMask", a.objectMask, b.objectMask)).isEmpty()
        || !(d = firstDifference("sourceCap", a.graf.sourceCap, b.graf.sourceCap)).isEmpty()
        || !(d = firstDifference("sinkCap", a.graf.sinkCap, b.graf.sinkCap)).isEmpty()
        || !(d = firstDifference("vertCap", a.graf.vertCap, b.graf.vertCap)).isEmpty()
        || !(d = firstDifference("horizCap", a.graf.horizCap, b.graf.horizCap)).isEmpty()
        || !(d = firstDifference("sourceFlow", a.graf.sourceFlow, b.graf.sourceFlow)).isEmpty()
        || !(d = firstDifference("sinkFlow", a.graf.sinkFlow, b.graf.sinkFlow)).isEmpty()
        || !(d = firstDifference("vertFlow", a.graf.vertFlow, b.graf.vertFlow)).isEmpty()
        || !(d = firstDifference("horizFlow", a.graf.horizFlow, b.graf.horizFlow)).isEmpty()
        || !(d = stringsDifference("lines", a.lines, b.lines)).isEmpty()
        || !(d = stringsDifference("calls", a.calls, b.calls)).isEmpty())
        return d;
    return {};
}

bool allZero(const std::vector<int> &v)
{
    return std::all_of(v.begin(), v.end(), [](int x) { return x == 0; });
}

bool flowsUntouched(const Graf &g)
{
    return allZero(g.sourceFlow) && allZero(g.sinkFlow) && allZero(g.vertFlow)
        && allZero(g.horizFlow);
}

int soakFactor()
{
    bool ok = false;
    const int f = qEnvironmentVariableIntValue("FF_SOAK", &ok);
    return ok && f > 0 ? f : 1;
}

// A graph from explicit per-pixel lists; empty lists leave zeros.
Graf makeGraph(int w, int h, std::vector<int> source, std::vector<int> sink,
               std::vector<int> vert = {}, std::vector<int> horiz = {})
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < w * h; ++i) {
        if (!source.empty())
            g.setSourceCapacity(i, source[std::size_t(i)]);
        if (!sink.empty())
            g.setSinkCapacity(i, sink[std::size_t(i)]);
        if (!vert.empty())
            g.setVertCapacity(i, vert[std::size_t(i)]);
        if (!horiz.empty())
            g.setHorizCapacity(i, horiz[std::size_t(i)]);
    }
    return g;
}

QStringList iterationCalls(int maximum, int iterations, int cancelAt = 0)
{
    QStringList c{QString("begin %1").arg(maximum)};
    for (int i = 1; i <= iterations; ++i) {
        c << "events";
        if (i == cancelAt) {
            c << "canceled 1";
            break;
        }
        c << "canceled 0" << QString("value %1").arg(i) << QString("label %1").arg(i);
    }
    return c;
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

void randomSize(Rng &r, int &w, int &h)
{
    switch (r.range(0, 5)) {
    case 0: w = 1; h = r.range(1, 16); break;
    case 1: w = r.range(1, 16); h = 1; break;
    case 2: w = r.range(1, 3); h = r.range(1, 16); break;
    default: w = r.range(1, 16); h = r.range(1, 16); break;
    }
}

// Capacities in several styles: few distinct values (ties everywhere), one uniform value,
// a wide range, seed-like 2147483647 t-links on either side, and a few negatives.
Graf randomGraph(Rng &r, QString &description, int forcedWidth = 0, int forcedHeight = 0)
{
    int w, h;
    randomSize(r, w, h);
    if (forcedWidth > 0) {
        w = forcedWidth;
        h = forcedHeight;
    }
    const int style = r.range(0, 4);
    const double zeros = r.range(0, 6) / 10.0;
    const double sourceShare = r.range(1, 9) / 10.0;
    const double sinkShare = r.range(1, 9) / 10.0;
    const double seedShare = r.chance(0.5) ? r.range(0, 3) / 10.0 : 0.0;
    const int uniform = r.range(1, 4);
    auto value = [&](int hi) {
        if (r.chance(zeros))
            return 0;
        switch (style) {
        case 0: return r.range(1, 3);
        case 1: return uniform;
        case 2: return r.range(1, hi);
        case 3: return r.chance(0.1) ? r.range(-3, 0) : r.range(1, 6);
        default: return r.range(1, 40);
        }
    };
    auto terminal = [&](double share) {
        if (!r.chance(share))
            return 0;
        if (r.chance(seedShare))
            return Max;
        return value(1000);
    };
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < w * h; ++i) {
        g.setSourceCapacity(i, terminal(sourceShare));
        g.setSinkCapacity(i, terminal(sinkShare));
        g.setVertCapacity(i, value(1000));
        g.setHorizCapacity(i, value(1000));
    }
    description = QString("%1x%2 style %3").arg(w).arg(h).arg(style);
    return g;
}

// Through graph construction: random or smooth intensities, a few distinct seeds, a lambda.
Graf builtGraph(Rng &r, QString &description)
{
    int w, h;
    do
        randomSize(r, w, h);
    while (w * h < 2);
    std::vector<int> intensities(std::size_t(w * h));
    const int levels = r.range(1, 4) == 1 ? 3 : 256;
    const bool smooth = r.chance(0.5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            intensities[std::size_t(y * w + x)] =
                smooth ? std::min(255, (x * 16 + y * 9) % 256 + r.range(0, 12))
                       : r.range(0, levels - 1) * (255 / std::max(1, levels - 1));
    std::vector<QPoint> object, background;
    std::vector<bool> taken(std::size_t(w * h), false);
    auto pick = [&](std::vector<QPoint> &seeds, int count) {
        for (int k = 0; k < count; ++k) {
            const int i = r.range(0, w * h - 1);
            if (taken[std::size_t(i)])
                continue;
            taken[std::size_t(i)] = true;
            seeds.push_back(QPoint(i % w, i / w));
        }
    };
    do
        pick(object, 1);
    while (object.empty());
    do
        pick(background, 1);
    while (background.empty());
    pick(object, r.range(0, 3));
    pick(background, r.range(0, 3));
    const double lambdas[] = {0.0, 0.5, 1.0, 2.5, 10.0, 0.01, 37.25};
    const double lambda = r.chance(0.2) ? r.range(0, 99999) / 100.0 : lambdas[r.range(0, 6)];
    Graf g;
    const auto status = construction::buildGraph(g, intensities, w, h, object, background, lambda);
    if (status != construction::BuildStatus::Ok)
        qFatal("graph construction refused a valid image");
    description = QString("built %1x%2 lambda %3 seeds %4/%5")
                      .arg(w).arg(h).arg(lambda).arg(object.size()).arg(background.size());
    return g;
}

} // namespace

class TestFordFulkerson : public QObject {
    Q_OBJECT

private slots:
    void handWorkedRun();
    void cancelKeepsTheCompletedIterations_data();
    void cancelKeepsTheCompletedIterations();
    void lengthTwoCompletion();
    void noSourceLinkedPixel();
    void retiredSourceStaysReachable();
    void pathChoiceFollowsListOrder();
    void thinGraphs();
    void resultMembersAreReplaced();
    void sameAsReferenceOnRandomGraphs();
    void sameAsReferenceOnBuiltGraphs();
    void sameAsReferenceWhenCanceled();
    void sameAsReferenceOnDeepGraphs();
};

// 3 x 2:   0 1 2      sources 0 (2147483647) and 3 (4); sinks 2 (2147483647) and 5 (3).
//          3 4 5      Worked through by hand: three augmentations, then a failed search.
void TestFordFulkerson::handWorkedRun()
{
    const Graf start = makeGraph(3, 2, {Max, 0, 0, 4, 0, 0}, {0, 0, Max, 0, 0, 3},
                                 {0, 0, 0, 0, 1, 0}, {2, 1, 0, 1, 5, 0});
    const Outcome o = solve(start);
    QCOMPARE(o.run.iterations, 4);
    QCOMPARE(o.run.canceled, false);
    QCOMPARE(o.objectPixels, QVector<int>({0, 3}));
    QCOMPARE(o.objectMask, QVector<bool>({true, false, false, true, false, false}));
    QCOMPARE(o.graf.sourceCap, std::vector<int>({Max - 2, 0, 0, 3, 0, 0}));
    QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 0, Max - 1, 0, 0, 1}));
    QCOMPARE(o.graf.vertCap, std::vector<int>({0, 0, 0, 0, 0, 0}));
    QCOMPARE(o.graf.horizCap, std::vector<int>({0, 0, 0, 0, 3, 0}));
    QVERIFY(flowsUntouched(o.graf));
    const QString line = "prvok i1 3 3 indexy vrholy size: 2";
    QCOMPARE(o.lines, QStringList({"DOKONCENIE HRAN O DLZKE 2", line, line, line, line}));
    // The maximum is the number of sources; the counter passes it.
    QCOMPARE(o.calls, iterationCalls(2, 4));
    QCOMPARE(difference(o, reference(start)), QString());
}

void TestFordFulkerson::cancelKeepsTheCompletedIterations_data()
{
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<QVector<int>>("pixels");
    QTest::addColumn<std::vector<int>>("horiz");
    QTest::addColumn<std::vector<int>>("vert");
    // First iteration: everything reachable in the graph as built.
    QTest::newRow("first") << 1 << QVector<int>{0, 3, 1, 4, 2, 5}
                           << std::vector<int>{2, 1, 0, 1, 5, 0}
                           << std::vector<int>{0, 0, 0, 0, 1, 0};
    // After two augmentations (0-1-2, then 3-4-5) the edges 1-2 and 3-4 are used up.
    QTest::newRow("third") << 3 << QVector<int>{0, 3, 1, 4, 5}
                           << std::vector<int>{1, 0, 0, 0, 4, 0}
                           << std::vector<int>{0, 0, 0, 0, 1, 0};
    // A cancel that would come after the last iteration is never seen.
    QTest::newRow("late") << 5 << QVector<int>{0, 3} << std::vector<int>{0, 0, 0, 0, 3, 0}
                          << std::vector<int>{0, 0, 0, 0, 0, 0};
}

void TestFordFulkerson::cancelKeepsTheCompletedIterations()
{
    QFETCH(int, cancelAt);
    QFETCH(QVector<int>, pixels);
    QFETCH(std::vector<int>, horiz);
    QFETCH(std::vector<int>, vert);
    const Graf start = makeGraph(3, 2, {Max, 0, 0, 4, 0, 0}, {0, 0, Max, 0, 0, 3},
                                 {0, 0, 0, 0, 1, 0}, {2, 1, 0, 1, 5, 0});
    const Outcome o = solve(start, cancelAt);
    const bool canceled = cancelAt <= 4;
    QCOMPARE(o.run.canceled, canceled);
    QCOMPARE(o.run.iterations, canceled ? cancelAt : 4);
    QCOMPARE(o.objectPixels, pixels);
    QVector<bool> mask(6, false);
    for (int p : pixels)
        mask[p] = true;
    QCOMPARE(o.objectMask, mask);
    QCOMPARE(o.graf.horizCap, horiz);
    QCOMPARE(o.graf.vertCap, vert);
    QCOMPARE(o.calls, iterationCalls(2, o.run.iterations, canceled ? cancelAt : 0));
    QCOMPARE(o.lines.size(), 1 + o.run.iterations);
    QCOMPARE(difference(o, reference(start, cancelAt)), QString());
}

// 1 x 4 and 3 x 1 graphs whose pixels carry both terminal links.
void TestFordFulkerson::lengthTwoCompletion()
{
    {
        // s > t, t > s, s = t (also at 2147483647), one kind only.
        const Graf start = makeGraph(4, 1, {9, 4, Max, 0}, {4, 9, Max, 6});
        const Outcome o = solve(start);
        QCOMPARE(o.graf.sourceCap, std::vector<int>({5, 0, 0, 0}));
        QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 5, 0, 6}));
        QCOMPARE(o.calls, iterationCalls(1, 1));
        QCOMPARE(o.lines, QStringList({"DOKONCENIE HRAN O DLZKE 2",
                                       "prvok i1 -1 -1 indexy vrholy size: 1"}));
        QCOMPARE(o.objectPixels, QVector<int>({0}));
    }
    {
        // Equal links on the middle pixel: it neither starts nor ends a path.
        const Graf start = makeGraph(3, 1, {7, 5, 0}, {0, 5, 8}, {}, {3, 3, 0});
        const Outcome o = solve(start);
        // One augmentation 0-1-2 of 3 uses both edges up; the middle pixel is passed through.
        QCOMPARE(o.graf.sourceCap, std::vector<int>({4, 0, 0}));
        QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 0, 5}));
        QCOMPARE(o.graf.horizCap, std::vector<int>({0, 0, 0}));
        QCOMPARE(o.run.iterations, 2);
        QCOMPARE(o.objectPixels, QVector<int>({0}));
    }
    {
        // Nothing to complete: the line comes all the same, first.
        const Graf start = makeGraph(2, 1, {3, 0}, {0, 3});
        const Outcome o = solve(start);
        QCOMPARE(o.lines.value(0), QString("DOKONCENIE HRAN O DLZKE 2"));
        QCOMPARE(o.graf.sourceCap, std::vector<int>({3, 0}));
        QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 3}));
    }
}

void TestFordFulkerson::noSourceLinkedPixel()
{
    // The only source-linked pixel loses its link in the completion.
    const Graf start = makeGraph(2, 1, {7, 0}, {7, 3}, {}, {5, 0});
    const QVector<int> oldPixels{1, 0};
    const QVector<bool> oldMask{true, true, true};
    const Outcome o = runWith(solveFully, start, 0, oldPixels, oldMask);
    QCOMPARE(o.run.iterations, 1);
    QCOMPARE(o.run.canceled, false);
    QCOMPARE(o.calls, iterationCalls(0, 1));
    QCOMPARE(o.lines, QStringList({"DOKONCENIE HRAN O DLZKE 2",
                                   "prvok i1 -1 -1 indexy vrholy size: 0"}));
    QVERIFY(o.objectPixels.isEmpty());
    QCOMPARE(o.objectMask, QVector<bool>({false, false}));
    QCOMPARE(o.graf.sourceCap, std::vector<int>({0, 0}));
    QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 3}));
    QCOMPARE(o.graf.horizCap, std::vector<int>({5, 0}));

    // An empty graph: one iteration, nothing found.
    Graf empty;
    empty.init(0, 0, 0);
    const Outcome e = solve(empty);
    QCOMPARE(e.run.iterations, 1);
    QVERIFY(e.objectPixels.isEmpty());
    QVERIFY(e.objectMask.isEmpty());
    QCOMPARE(e.calls, iterationCalls(0, 1));
}

// 3 x 1: source 0 (100) and 1 (5), sink 2 (10), edges 0-1 = 4, 1-2 = 7.
// First path 1-2 (5) retires pixel 1; the second path 0-1-2 (2) uses 1-2 up.
void TestFordFulkerson::retiredSourceStaysReachable()
{
    const Graf start = makeGraph(3, 1, {100, 5, 0}, {0, 0, 10}, {}, {4, 7, 0});
    const Outcome o = solve(start);
    QCOMPARE(o.run.iterations, 3);
    QCOMPARE(o.lines, QStringList({"DOKONCENIE HRAN O DLZKE 2",
                                   "prvok i1 1 1 indexy vrholy size: 2",
                                   "prvok i1 -1 -1 indexy vrholy size: 1",
                                   "prvok i1 -1 -1 indexy vrholy size: 1"}));
    QCOMPARE(o.graf.sourceCap, std::vector<int>({98, 0, 0}));
    QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 0, 3}));
    QCOMPARE(o.graf.horizCap, std::vector<int>({2, 0, 0}));
    QCOMPARE(o.objectPixels, QVector<int>({0, 1}));
    QCOMPARE(o.objectMask, QVector<bool>({true, true, false}));
    QCOMPARE(o.calls, iterationCalls(2, 3));
}

void TestFordFulkerson::pathChoiceFollowsListOrder()
{
    {
        // 3 x 3, one source in the centre, sinks on all four sides at distance 1: the
        // neighbour above is appended first, so the first path goes up.
        // 0 1 2
        // 3 4 5
        // 6 7 8
        const Graf start = makeGraph(3, 3, {0, 0, 0, 0, 50, 0, 0, 0, 0},
                                     {0, 2, 0, 2, 0, 2, 0, 2, 0},
                                     {0, 0, 0, 9, 9, 9, 9, 9, 9}, {9, 9, 0, 9, 9, 0, 9, 9, 0});
        const Outcome o = solve(start, 2);  // cancel after the first augmentation
        QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 0, 0, 2, 0, 2, 0, 2, 0}));
        QCOMPARE(o.graf.vertCap[4], 7);  // 4-1 carried 2
        QCOMPARE(o.graf.sourceCap[4], 48);
        // The full run takes the sides in the order up, right, down, left.
        const Outcome all = solve(start);
        QCOMPARE(all.run.iterations, 5);
        QCOMPARE(all.graf.sourceCap[4], 42);
        QCOMPARE(all.graf.sinkCap, std::vector<int>(9, 0));
        QCOMPARE(difference(all, reference(start)), QString());
    }
    {
        // Two sources 0 and 2 of a 3 x 1 line, one sink in the middle with capacity 1:
        // source 0 comes first in the list and reaches it first.
        const Graf start = makeGraph(3, 1, {5, 0, 5}, {0, 1, 0}, {}, {3, 3, 0});
        const Outcome o = solve(start);
        QCOMPARE(o.graf.horizCap, std::vector<int>({2, 3, 0}));
        QCOMPARE(o.graf.sourceCap, std::vector<int>({4, 0, 5}));
        QCOMPARE(o.objectPixels, QVector<int>({0, 2, 1}));
    }
    {
        // Level before source order: 0 1 2 / 3 4 5, sources 0 and 5, sinks 2 and 4 (1 each),
        // edges 0-1, 1-2 and 4-5. Sink 4 is one step from the later source, sink 2 two
        // steps from the earlier one; the nearer one is taken first.
        const Graf start = makeGraph(3, 2, {6, 0, 0, 0, 0, 6}, {0, 0, 1, 0, 1, 0},
                                     {0, 0, 0, 0, 0, 0}, {4, 4, 0, 0, 4, 0});
        const Outcome o = solve(start, 2);
        QCOMPARE(o.graf.horizCap, std::vector<int>({4, 4, 0, 0, 3, 0}));
        QCOMPARE(o.graf.sinkCap, std::vector<int>({0, 0, 1, 0, 0, 0}));
        QCOMPARE(o.graf.sourceCap, std::vector<int>({6, 0, 0, 0, 0, 5}));
    }
}

void TestFordFulkerson::thinGraphs()
{
    {
        // One column: vertically adjacent pixels differ by 1 and are joined vertically.
        const Graf start = makeGraph(1, 4, {Max, 0, 0, 0}, {0, 0, 0, Max}, {0, 5, 3, 4});
        const Outcome o = solve(start);
        QCOMPARE(o.graf.vertCap, std::vector<int>({0, 2, 0, 1}));
        QCOMPARE(o.graf.sourceCap[0], Max - 3);
        QCOMPARE(o.graf.sinkCap[3], Max - 3);
        QCOMPARE(o.objectPixels, QVector<int>({0, 1}));
        QCOMPARE(o.run.iterations, 2);
        QCOMPARE(o.lines.value(1), QString("prvok i1 -1 -1 indexy vrholy size: 1"));
    }
    {
        // One pixel with a source link only.
        const Graf start = makeGraph(1, 1, {Max}, {0});
        const Outcome o = solve(start);
        QCOMPARE(o.objectPixels, QVector<int>({0}));
        QCOMPARE(o.run.iterations, 1);
        QCOMPARE(o.calls, iterationCalls(1, 1));
    }
}

// The result members are rewritten whatever they held before.
void TestFordFulkerson::resultMembersAreReplaced()
{
    const Graf start = makeGraph(3, 1, {100, 5, 0}, {0, 0, 10}, {}, {4, 7, 0});
    const Outcome o = runWith(solveFully, start, 0, QVector<int>{2, 2, 7},
                              QVector<bool>(10, true));
    QCOMPARE(o.objectPixels, QVector<int>({0, 1}));
    QCOMPARE(o.objectMask, QVector<bool>({true, true, false}));
}

void TestFordFulkerson::sameAsReferenceOnRandomGraphs()
{
    const int count = 3000 * soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(1000 + c));
        QString what;
        const Graf g = randomGraph(r, what);
        const Outcome b = reference(g);
        // Key blocks of a level or a few, so that small graphs compare across anchors too,
        // and no kept order at all.
        for (const int blocks : {-1, 1 << (c % 3), 0}) {
            const Outcome a = solve(g, 0, blocks);
            const QString d = difference(a, b);
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) blocks %3: %4")
                                                 .arg(c).arg(what).arg(blocks).arg(d)));
            QVERIFY(flowsUntouched(a.graf));
        }
    }
}

void TestFordFulkerson::sameAsReferenceOnBuiltGraphs()
{
    const int count = 1500 * soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(500000 + c));
        QString what;
        const Graf g = builtGraph(r, what);
        const Outcome b = reference(g);
        for (const int blocks : {-1, 1 << (c % 3)}) {
            const Outcome a = solve(g, 0, blocks);
            const QString d = difference(a, b);
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) blocks %3: %4")
                                                 .arg(c).arg(what).arg(blocks).arg(d)));
        }
    }
}

void TestFordFulkerson::sameAsReferenceWhenCanceled()
{
    const int count = 600 * soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(900000 + c));
        QString what;
        const Graf g = r.chance(0.5) ? randomGraph(r, what) : builtGraph(r, what);
        const int total = reference(g).run.iterations;
        const int cancelAt = r.range(1, total + 1);
        const Outcome a = solve(g, cancelAt, c % 2 ? -1 : 1 << (c % 3));
        const Outcome b = reference(g, cancelAt);
        const QString d = difference(a, b);
        QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) cancel at %3: %4")
                                             .arg(c).arg(what).arg(cancelAt).arg(d)));
    }
}

// Long strips and larger grids: searches run many levels deep, across several key blocks
// even at the default block size, and subtrees of re-evaluated pixels get large.
void TestFordFulkerson::sameAsReferenceOnDeepGraphs()
{
    const int count = 400 * soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(1300000 + c));
        int w, h;
        switch (c % 4) {
        case 0: w = 1; h = r.range(60, 160); break;
        case 1: w = r.range(60, 160); h = 1; break;
        case 2: w = r.range(2, 4); h = r.range(40, 120); break;
        default: w = r.range(12, 26); h = r.range(12, 26); break;
        }
        QString what;
        Graf g = randomGraph(r, what, w, h);
        if (c % 8 < 4) {
            // Sources only near the start and sinks only near the end: every path is long.
            const int n = w * h;
            const double open = std::min(w, h) <= 3 ? 1.0 : 0.85;
            // Small sink links and wide n-links make many long augmentations.
            for (int i = 0; i < n; ++i) {
                g.setSourceCapacity(i, i < n / 8 && r.chance(0.6) ? r.range(1, 30) : 0);
                g.setSinkCapacity(i, i >= n - n / 8 && r.chance(0.6) ? r.range(1, 4) : 0);
                if (g.vertCap[std::size_t(i)] <= 0 && r.chance(open))
                    g.setVertCapacity(i, r.range(5, 60));
                if (g.horizCap[std::size_t(i)] <= 0 && r.chance(open))
                    g.setHorizCapacity(i, r.range(5, 60));
            }
            g.setSourceCapacity(0, r.chance(0.5) ? Max : r.range(1, 50));
            g.setSinkCapacity(n - 1, r.range(1, 4));
            what += " ends";
        }
        const Outcome b = reference(g);
        for (const int blocks : {-1, 1, 4}) {
            const Outcome a = solve(g, 0, blocks);
            const QString d = difference(a, b);
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) blocks %3: %4")
                                                 .arg(c).arg(what).arg(blocks).arg(d)));
        }
    }
}

QTEST_GUILESS_MAIN(TestFordFulkerson)
#include "tst_fordfulkerson.moc"
