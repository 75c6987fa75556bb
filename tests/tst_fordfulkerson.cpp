// The augmenting-path solver: hand-worked runs (length-2 completion, iterations and their
// lines, progress and cancel calls, path choice, retired sources, the final region), and a
// field-by-field comparison with the literal step-by-step method on random graphs, built
// directly and through graph construction, and on corridors, spirals and strips where the
// kept search order has to move deep subtrees. FF_SOAK=<factor> multiplies the random counts.
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

// The result members start with stale contents, which every run must replace.
template <typename Solver>
Outcome runWith(Solver solve, const Graf &start, int cancelAt)
{
    Outcome o;
    o.graf = start;
    o.objectPixels = {2, 2, 7};
    o.objectMask = QVector<bool>(10, true);
    ScriptedHost host(cancelAt);
    DiagCapture capture;
    o.run = solve(o.graf, o.objectPixels, o.objectMask, host);
    o.lines = capture.lines;
    o.calls = host.calls;
    return o;
}

// blockLevels: levels per key block of the kept search order (-1 as many as fit, 0 none);
// -2 the product's own entry.
Outcome solve(const Graf &g, int cancelAt = 0, int blockLevels = -2)
{
    return runWith(
        [blockLevels](Graf &graf, QVector<int> &pixels, QVector<bool> &mask, SolverHost &host) {
            if (blockLevels == -2)
                return segmentFordFulkerson(graf, pixels, mask, host);
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

template <typename A, typename B>
QString firstDifference(const char *name, const A &a, const B &b)
{
    if (int(a.size()) != int(b.size()))
        return QString("%1: size %2 vs %3").arg(name).arg(a.size()).arg(b.size());
    for (int i = 0; i < int(a.size()); ++i)
        if (a[i] != b[i])
            return QString("%1[%2]: %3 vs %4").arg(name).arg(i).arg(QVariant(a[i]).toString(),
                                                                  QVariant(b[i]).toString());
    return {};
}

// Empty when the two runs agree in every field, otherwise the first difference.
QString difference(const Outcome &a, const Outcome &b)
{
    if (a.run.iterations != b.run.iterations)
        return QString("iterations %1 vs %2").arg(a.run.iterations).arg(b.run.iterations);
    if (a.run.canceled != b.run.canceled)
        return QString("canceled %1 vs %2").arg(a.run.canceled).arg(b.run.canceled);
    QString d = firstDifference("objectPixels", a.objectPixels, b.objectPixels);
    if (d.isEmpty())
        d = firstDifference("objectMask", a.objectMask, b.objectMask);
    for (const auto array : grafArrays)
        if (d.isEmpty())
            d = firstDifference("graph array", a.graf.*array, b.graf.*array);
    if (d.isEmpty())
        d = firstDifference("lines", a.lines, b.lines);
    if (d.isEmpty())
        d = firstDifference("calls", a.calls, b.calls);
    return d;
}

bool flowsUntouched(const Graf &g)
{
    for (const auto array : {&Graf::sourceFlow, &Graf::sinkFlow, &Graf::vertFlow, &Graf::horizFlow})
        if (std::any_of((g.*array).begin(), (g.*array).end(), [](int x) { return x != 0; }))
            return false;
    return true;
}

int soakFactor()
{
    bool ok = false;
    const int f = qEnvironmentVariableIntValue("FF_SOAK", &ok);
    return ok && f > 0 ? f : 1;
}

// A graph from explicit per-pixel lists; empty lists leave zeros.
Graf makeGraph(int w, int h, const std::vector<int> &source, const std::vector<int> &sink,
               const std::vector<int> &vert = {}, const std::vector<int> &horiz = {})
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < w * h; ++i) {
        const std::size_t k = std::size_t(i);
        g.setSourceCapacity(i, source.empty() ? 0 : source[k]);
        g.setSinkCapacity(i, sink.empty() ? 0 : sink[k]);
        g.setVertCapacity(i, vert.empty() ? 0 : vert[k]);
        g.setHorizCapacity(i, horiz.empty() ? 0 : horiz[k]);
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

// A run worked through by hand. Empty expectations are not checked (the comparison with
// the literal method still covers them).
struct HandCase {
    int w, h;
    std::vector<int> source, sink, vert, horiz;
    int cancelAt;
    int sources, iterations;
    std::vector<int> sourceAfter, sinkAfter, vertAfter, horizAfter;
    QVector<int> objectPixels;
    QStringList lines;  // one per iteration
};

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
Graf randomGraph(Rng &r, QString &description)
{
    int w, h;
    randomSize(r, w, h);
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

// Cells of a w x h grid in the order of a corridor through all of them: row by row, turning
// at the ends, or spiralling in from the border.
std::vector<int> corridor(int w, int h, bool spiral)
{
    std::vector<int> cells;
    if (!spiral) {
        for (int y = 0; y < h; ++y)
            for (int k = 0; k < w; ++k)
                cells.push_back(y * w + (y % 2 ? w - 1 - k : k));
        return cells;
    }
    int left = 0, right = w - 1, top = 0, bottom = h - 1;
    while (left <= right && top <= bottom) {
        for (int x = left; x <= right; ++x)
            cells.push_back(top * w + x);
        for (int y = top + 1; y <= bottom; ++y)
            cells.push_back(y * w + right);
        if (top < bottom)
            for (int x = right - 1; x >= left; --x)
                cells.push_back(bottom * w + x);
        if (left < right)
            for (int y = bottom - 1; y > top; --y)
                cells.push_back(y * w + left);
        ++left, --right, ++top, --bottom;
    }
    return cells;
}

// Graphs that make the kept order move deep subtrees: one long corridor (a strip, a
// serpentine or a spiral) with a few links across its walls, many small sources that retire
// one after another at its head and small sinks at its tail, on uniform (tied) or varied
// capacities, sometimes with seed-like 2147483647 terminals.
struct Family {
    const char *name;
    int shape;  // 0 1 x n strip, 1 n x 1 strip, 2 serpentine, 3 spiral, 4 grid, 5 narrow strip
    double walls;      // share of links across the corridor that stay closed
    bool uniform;      // every open link the same capacity
    double sourceShare, sinkShare;
};

Graf corridorGraph(Rng &r, const Family &f, QString &description)
{
    int w = r.range(8, 22), h = r.range(8, 22);
    if (f.shape == 0)
        w = 1, h = r.range(60, 200);
    if (f.shape == 1)
        w = r.range(60, 200), h = 1;
    if (f.shape == 5)
        w = r.range(2, 4), h = r.range(40, 120);
    const int n = w * h;
    const std::vector<int> cells = corridor(w, h, f.shape == 3);
    const int uniform = r.range(1, 5);
    const auto cap = [&] { return f.uniform ? uniform : r.range(1, 40); };
    Graf g = makeGraph(w, h, {}, {});
    for (int i = 0; i < n; ++i) {
        if (!r.chance(f.walls))
            g.setVertCapacity(i, cap());
        if (!r.chance(f.walls))
            g.setHorizCapacity(i, cap());
    }
    for (std::size_t k = 0; k + 1 < cells.size(); ++k) {
        const int a = std::min(cells[k], cells[k + 1]), b = std::max(cells[k], cells[k + 1]);
        if (b - a == 1)
            g.setHorizCapacity(a, cap() + (f.uniform ? 0 : 20));
        else
            g.setVertCapacity(b, cap() + (f.uniform ? 0 : 20));
    }
    const int head = std::max(2, n / 6);
    for (int k = 0; k < head; ++k) {
        if (r.chance(f.sourceShare))
            g.setSourceCapacity(cells[std::size_t(k)], r.chance(0.05) ? Max : r.range(1, 3));
        if (r.chance(f.sinkShare))
            g.setSinkCapacity(cells[std::size_t(n - 1 - k)], r.chance(0.05) ? Max : r.range(1, 3));
    }
    g.setSourceCapacity(cells.front(), r.chance(0.3) ? Max : r.range(1, 60));
    g.setSinkCapacity(cells.back(), r.range(1, 3));
    description = QString("%1 %2x%3").arg(f.name).arg(w).arg(h);
    return g;
}


const Family families[] = {
    {"1 x n strip, uniform", 0, 1.0, true, 0.7, 0.7},
    {"n x 1 strip, varied", 1, 1.0, false, 0.5, 0.5},
    {"serpentine, sealed, uniform", 2, 1.0, true, 0.8, 0.3},
    {"serpentine, leaky", 2, 0.9, false, 0.6, 0.6},
    {"spiral, sealed", 3, 1.0, false, 0.7, 0.4},
    {"spiral, leaky, uniform", 3, 0.85, true, 0.9, 0.9},
    {"open grid, uniform", 4, 0.1, true, 0.9, 0.5},
    {"open grid, varied", 4, 0.15, false, 0.6, 0.6},
    {"2 to 4 wide strip", 5, 0.1, false, 0.6, 0.6},
};

enum Kind { Random, Built, RandomOrBuilt, Corridor };

Graf generate(Kind kind, Rng &r, int c, QString &description)
{
    switch (kind) {
    case Random: return randomGraph(r, description);
    case Built: return builtGraph(r, description);
    case RandomOrBuilt: return r.chance(0.5) ? randomGraph(r, description) : builtGraph(r, description);
    default: return corridorGraph(r, families[c % 9], description);
    }
}

} // namespace

Q_DECLARE_METATYPE(HandCase)
Q_DECLARE_METATYPE(Kind)

class TestFordFulkerson : public QObject {
    Q_OBJECT

private slots:
    void handWorkedRuns_data();
    void handWorkedRuns();
    void sameAsReference_data();
    void sameAsReference();
};

void TestFordFulkerson::handWorkedRuns_data()
{
    QTest::addColumn<HandCase>("c");
    const std::vector<int> source{Max, 0, 0, 4, 0, 0}, sink{0, 0, Max, 0, 0, 3};
    const std::vector<int> vert{0, 0, 0, 0, 1, 0}, horiz{2, 1, 0, 1, 5, 0};
    const QString two = "prvok i1 3 3 indexy vrholy size: 2";
    const QString oneLeft = "prvok i1 -1 -1 indexy vrholy size: 1";
    // 0 1 2   sources 0 (2147483647) and 3 (4), sinks 2 (2147483647) and 5 (3): paths 0-1-2,
    // 3 4 5   3-4-5, 0-3-4-5 (the second uses 3-4 up, the third sink 5), then none.
    QTest::newRow("3x2 by hand") << HandCase{3, 2, source, sink, vert, horiz, 0, 2, 4,
        {Max - 2, 0, 0, 3, 0, 0}, {0, 0, Max - 1, 0, 0, 1}, {0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 3, 0}, {0, 3}, {two, two, two, two}};
    // A cancel keeps the completed iterations; the first one sees the graph as built.
    QTest::newRow("cancel first") << HandCase{3, 2, source, sink, vert, horiz, 1, 2, 1,
        {}, {}, vert, horiz, {0, 3, 1, 4, 2, 5}, {two}};
    QTest::newRow("cancel third") << HandCase{3, 2, source, sink, vert, horiz, 3, 2, 3,
        {}, {}, vert, {1, 0, 0, 0, 4, 0}, {0, 3, 1, 4, 5}, {}};
    QTest::newRow("cancel too late") << HandCase{3, 2, source, sink, vert, horiz, 5, 2, 4,
        {}, {}, {}, {}, {0, 3}, {}};
    // Length 2: s > t, t > s, s = t (also at 2147483647), one kind only.
    QTest::newRow("length 2") << HandCase{4, 1, {9, 4, Max, 0}, {4, 9, Max, 6}, {}, {}, 0, 1, 1,
        {5, 0, 0, 0}, {0, 5, 0, 6}, {}, {}, {0}, {oneLeft}};
    // Equal links on the middle pixel: it neither starts nor ends a path, but passes one.
    QTest::newRow("length 2 middle") << HandCase{3, 1, {7, 5, 0}, {0, 5, 8}, {}, {3, 3, 0}, 0, 1,
        2, {4, 0, 0}, {0, 0, 5}, {}, {0, 0, 0}, {0}, {}};
    QTest::newRow("nothing to complete") << HandCase{2, 1, {3, 0}, {0, 3}, {}, {}, 0, 1, 1,
        {3, 0}, {0, 3}, {}, {}, {0}, {}};
    // The only source-linked pixel loses its link in the completion.
    QTest::newRow("no source") << HandCase{2, 1, {7, 0}, {7, 3}, {}, {5, 0}, 0, 0, 1,
        {0, 0}, {0, 3}, {}, {5, 0}, {}, {"prvok i1 -1 -1 indexy vrholy size: 0"}};
    QTest::newRow("empty graph") << HandCase{0, 0, {}, {}, {}, {}, 0, 0, 1, {}, {}, {}, {}, {}, {}};
    // Path 1-2 (5) retires pixel 1, which path 0-1-2 (2) then passes through.
    QTest::newRow("retired source") << HandCase{3, 1, {100, 5, 0}, {0, 0, 10}, {}, {4, 7, 0}, 0,
        2, 3, {98, 0, 0}, {0, 0, 3}, {}, {2, 0, 0}, {0, 1},
        {"prvok i1 1 1 indexy vrholy size: 2", oneLeft, oneLeft}};
    // One source in the centre of 3 x 3, sinks on all four sides: up is appended first, and
    // the full run takes the sides up, right, down, left.
    const std::vector<int> centre{0, 0, 0, 0, 50, 0, 0, 0, 0}, sides{0, 2, 0, 2, 0, 2, 0, 2, 0};
    const std::vector<int> v9{0, 0, 0, 9, 9, 9, 9, 9, 9}, h9{9, 9, 0, 9, 9, 0, 9, 9, 0};
    QTest::newRow("up first") << HandCase{3, 3, centre, sides, v9, h9, 2, 1, 2,
        {0, 0, 0, 0, 48, 0, 0, 0, 0}, {0, 0, 0, 2, 0, 2, 0, 2, 0}, {0, 0, 0, 9, 7, 9, 9, 9, 9},
        h9, {4, 1, 5, 7, 3, 2, 0, 8, 6}, {}};
    QTest::newRow("all sides") << HandCase{3, 3, centre, sides, v9, h9, 0, 1, 5,
        {0, 0, 0, 0, 42, 0, 0, 0, 0}, std::vector<int>(9, 0), {0, 0, 0, 9, 7, 9, 9, 7, 9},
        {9, 9, 0, 7, 7, 0, 9, 9, 0}, {4, 1, 5, 7, 3, 2, 0, 8, 6}, {}};
    // Two sources, one sink of 1 between them: the earlier source reaches it first.
    QTest::newRow("source order") << HandCase{3, 1, {5, 0, 5}, {0, 1, 0}, {}, {3, 3, 0}, 0, 2, 2,
        {4, 0, 5}, {0, 0, 0}, {}, {2, 3, 0}, {0, 2, 1}, {}};
    // 0 1 2 / 3 4 5, sources 0 and 5, sinks 2 and 4: the sink one step from the later source
    // comes before the one two steps from the earlier.
    QTest::newRow("level first") << HandCase{3, 2, {6, 0, 0, 0, 0, 6}, {0, 0, 1, 0, 1, 0},
        std::vector<int>(6, 0), {4, 4, 0, 0, 4, 0}, 2, 2, 2, {6, 0, 0, 0, 0, 5},
        {0, 0, 1, 0, 0, 0}, {}, {4, 4, 0, 0, 3, 0}, {0, 5, 1, 4, 2}, {}};
    // One column: vertically adjacent pixels differ by 1 and are joined vertically.
    QTest::newRow("column") << HandCase{1, 4, {Max, 0, 0, 0}, {0, 0, 0, Max}, {0, 5, 3, 4}, {}, 0,
        1, 2, {Max - 3, 0, 0, 0}, {0, 0, 0, Max - 3}, {0, 2, 0, 1}, {}, {0, 1}, {oneLeft, oneLeft}};
    QTest::newRow("one pixel") << HandCase{1, 1, {Max}, {0}, {}, {}, 0, 1, 1, {Max}, {0}, {}, {},
        {0}, {oneLeft}};
}

void TestFordFulkerson::handWorkedRuns()
{
    QFETCH(HandCase, c);
    const Graf start = makeGraph(c.w, c.h, c.source, c.sink, c.vert, c.horiz);
    const Outcome o = solve(start, c.cancelAt);
    const bool canceled = c.cancelAt > 0 && c.cancelAt <= c.iterations;
    QCOMPARE(o.run.iterations, c.iterations);
    QCOMPARE(o.run.canceled, canceled);
    // The maximum is the number of sources; the counter may pass it.
    QCOMPARE(o.calls, iterationCalls(c.sources, c.iterations, canceled ? c.cancelAt : 0));
    QCOMPARE(o.lines.value(0), QString("DOKONCENIE HRAN O DLZKE 2"));
    QCOMPARE(o.lines.size(), 1 + c.iterations);
    if (!c.lines.isEmpty())
        QCOMPARE(o.lines.mid(1), c.lines);
    const std::pair<const std::vector<int> *, const std::vector<int> *> arrays[] = {
        {&c.sourceAfter, &o.graf.sourceCap}, {&c.sinkAfter, &o.graf.sinkCap},
        {&c.vertAfter, &o.graf.vertCap}, {&c.horizAfter, &o.graf.horizCap}};
    for (const auto &a : arrays)
        if (!a.first->empty())
            QCOMPARE(*a.second, *a.first);
    QCOMPARE(o.objectPixels, c.objectPixels);
    QVector<bool> mask(c.w * c.h, false);
    for (int p : c.objectPixels)
        mask[p] = true;
    QCOMPARE(o.objectMask, mask);
    QVERIFY(flowsUntouched(o.graf));
    QCOMPARE(difference(o, reference(start, c.cancelAt)), QString());
}

// Field by field against the literal method, with key blocks as many as fit, of a level or
// a few (so that small graphs compare across anchors too), and with no kept order at all;
// or canceled at a random iteration.
void TestFordFulkerson::sameAsReference_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("random") << Random << 3000 << false;
    QTest::newRow("built") << Built << 1500 << false;
    QTest::newRow("canceled") << RandomOrBuilt << 600 << true;
    // Each augmentation cuts a link deep in the order or retires a source, so whole
    // subtrees change level or claimant; searches run across several key blocks even at
    // the default block size.
    QTest::newRow("corridors") << Corridor << 720 << false;
}

void TestFordFulkerson::sameAsReference()
{
    QFETCH(Kind, kind);
    QFETCH(int, count);
    QFETCH(bool, cancel);
    count *= soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(1000 + 1000000 * int(kind) + c));
        QString what;
        const Graf g = generate(kind, r, c, what);
        const int cancelAt = cancel ? r.range(1, reference(g).run.iterations + 1) : 0;
        const Outcome b = reference(g, cancelAt);
        for (const int blocks : {-1, 1 << (c % 3), 0}) {
            const Outcome a = solve(g, cancelAt, blocks);
            const QString d = difference(a, b);
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) blocks %3 cancel %4: %5")
                                                 .arg(c).arg(what).arg(blocks).arg(cancelAt).arg(d)));
            QVERIFY(flowsUntouched(a.graf));
        }
    }
}

QTEST_GUILESS_MAIN(TestFordFulkerson)
#include "tst_fordfulkerson.moc"
