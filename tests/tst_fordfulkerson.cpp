// The augmenting-path solver compared field by field with the literal step-by-step method
// (lines, host calls, iterations, cancels, the region, every graph array): on constructed
// graphs at every cancel point, on random graphs built directly and through graph
// construction, and on corridors, spirals and strips where the kept distances to the sink
// change deep and far.
#include "FordFulkersonReference.h"
#include "support/SolverTesting.h"

#include <QtTest>

using namespace solvertest;

namespace {

Outcome solve(const Graf &g, int cancelAt, bool literal)
{
    return runOn(g, cancelAt, [literal](Outcome &o, SolverHost &host) {
        const FordFulkersonRun run =
            literal ? literal::fordFulkerson(o.graf, o.objectPixels, o.objectMask, host)
                    : segmentFordFulkerson(o.graf, o.objectPixels, o.objectMask, host);
        o.steps = run.iterations, o.canceled = run.canceled;
    });
}

// Cells of a w x h grid in the order of a corridor through all of them: row by row, turning
// at the ends, or spiralling in from the border.
Ints corridor(int w, int h, bool spiral)
{
    Ints cells;
    if (!spiral) {
        for (int y = 0; y < h; ++y)
            for (int k = 0; k < w; ++k)
                cells.push_back(y * w + (y % 2 ? w - 1 - k : k));
        return cells;
    }
    for (int left = 0, right = w - 1, top = 0, bottom = h - 1; left <= right && top <= bottom;
         ++left, --right, ++top, --bottom) {
        for (int x = left; x <= right; ++x)
            cells.push_back(top * w + x);
        for (int y = top + 1; y <= bottom; ++y)
            cells.push_back(y * w + right);
        for (int x = right - 1; top < bottom && x >= left; --x)
            cells.push_back(bottom * w + x);
        for (int y = bottom - 1; left < right && y > top; --y)
            cells.push_back(y * w + left);
    }
    return cells;
}

// Graphs whose distances change deep and far at each augmentation: one long corridor (a strip, a
// serpentine or a spiral) with a few links across its walls, many small sources that retire
// one after another at its head and small sinks at its tail, on uniform (tied) or varied
// capacities, sometimes with seed-like 2147483647 terminals.
struct Family {
    const char *name;
    int shape;  // 0 1 x n strip, 1 n x 1 strip, 2 serpentine, 3 spiral, 4 grid, 5 narrow strip
    double walls;  // share of links across the corridor that stay closed
    bool uniform;  // every open link the same capacity
    double sourceShare, sinkShare;
};

const Family families[] = {
    {"1 x n strip, uniform", 0, 1.0, true, 0.7, 0.7},      {"n x 1 strip, varied", 1, 1.0, false, 0.5, 0.5},
    {"serpentine, sealed, uniform", 2, 1.0, true, 0.8, 0.3}, {"serpentine, leaky", 2, 0.9, false, 0.6, 0.6},
    {"spiral, sealed", 3, 1.0, false, 0.7, 0.4},           {"spiral, leaky, uniform", 3, 0.85, true, 0.9, 0.9},
    {"open grid, uniform", 4, 0.1, true, 0.9, 0.5},        {"open grid, varied", 4, 0.15, false, 0.6, 0.6},
    {"2 to 4 wide strip", 5, 0.1, false, 0.6, 0.6},
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
    const int n = w * h, uniform = r.range(1, 5);
    const Ints cells = corridor(w, h, f.shape == 3);
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
        b - a == 1 ? g.setHorizCapacity(a, cap() + (f.uniform ? 0 : 20))
                   : g.setVertCapacity(b, cap() + (f.uniform ? 0 : 20));
    }
    for (int k = 0; k < std::max(2, n / 6); ++k) {
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

enum Kind { Constructed, Random, Built, RandomOrBuilt, Corridor };

Graf generate(Kind kind, Rng &r, int c, QString &description)
{
    switch (kind) {
    case Constructed: {
        const auto &k = constructedGraphs()[std::size_t(c)];
        description = k.name;
        return makeGraph(k.w, k.h, k.source, k.sink, k.vert, k.horiz);
    }
    case Random: return randomGraph(r, description);
    case Built: return builtGraph(r, description);
    case RandomOrBuilt: return r.chance(0.5) ? randomGraph(r, description) : builtGraph(r, description);
    default: return corridorGraph(r, families[c % 9], description);
    }
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestFordFulkerson : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { startWatchdog("tst_fordfulkerson"); }
    void sameAsReference_data();
    void sameAsReference();
};

void TestFordFulkerson::sameAsReference_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("constructed") << Constructed << int(constructedGraphs().size()) << true;
    QTest::newRow("random") << Random << 3000 << false;
    QTest::newRow("built") << Built << 1500 << false;
    QTest::newRow("canceled") << RandomOrBuilt << 600 << true;
    // Each augmentation cuts a link deep in the corridor or retires a source, so long runs of
    // pixels change their distance to the sink, and paths run the corridor's length.
    QTest::newRow("corridors") << Corridor << 720 << false;
}

void TestFordFulkerson::sameAsReference()
{
    QFETCH(Kind, kind);
    QFETCH(int, count);
    QFETCH(bool, cancel);
    if (kind != Constructed)
        count *= soakFactor();
    for (int c = 0; c < count; ++c) {
        Rng r(unsigned(1000 + 1000000 * int(kind) + c));
        QString what;
        const Graf g = generate(kind, r, c, what);
        // Constructed graphs: every cancel point, from the first iteration to one too late.
        const int iterations = cancel ? int(solve(g, 0, true).steps) : 0;
        const int first = !cancel ? 0 : kind == Constructed ? 1 : r.range(1, iterations + 1);
        const int last = kind == Constructed ? iterations + 1 : first;
        for (int cancelAt = first; cancelAt <= last; ++cancelAt) {
            const QString d = difference(solve(g, cancelAt, false), solve(g, cancelAt, true));
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) cancel %3: %4").arg(c).arg(what).arg(cancelAt).arg(d)));
        }
    }
}

QTEST_GUILESS_MAIN(TestFordFulkerson)
#include "tst_fordfulkerson.moc"
