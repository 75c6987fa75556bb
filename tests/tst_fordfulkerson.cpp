// The augmenting-path solver compared field by field with the literal method (lines, host
// calls, iterations, cancels, the region, every graph array): on constructed graphs at every
// cancel point, on random and built graphs, and on corridors where the kept distances change.
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

// Graphs whose distances change deep and far at each augmentation: one long corridor (a
// serpentine, a spiral, a strip one pixel wide or a few wide) with its walls sealed, leaky or
// mostly open, many small sources that retire one after another at its head and small sinks
// at its tail, on tied or varied capacities, sometimes with seed-like 2147483647 terminals.
Graf corridorGraph(Rng &r, QString &description)
{
    const int shape = r.range(0, 4), along = r.range(60, 200), across = r.range(1, 4);
    const int w = shape == 0 ? 1 : shape == 1 ? along : shape == 2 ? across : r.range(8, 22);
    const int h = shape == 0 ? along : shape == 1 ? 1 : shape == 2 ? along / 2 : r.range(8, 22), n = w * h;
    const bool uniform = r.chance(0.5), spiral = shape == 4;
    const int value = r.range(1, 5), wide = uniform ? 0 : 20;
    const double walls = std::vector<double>{1.0, 0.9, 0.85, 0.1}[std::size_t(r.range(0, 3))];
    const Ints cells = corridor(w, h, spiral);
    const auto cap = [&] { return uniform ? value : r.range(1, 40); };
    Graf g = makeGraph(w, h, {}, {});
    for (int i = 0; i < n; ++i)
        g.setVertCapacity(i, r.chance(walls) ? 0 : cap()), g.setHorizCapacity(i, r.chance(walls) ? 0 : cap());
    for (std::size_t k = 0; k + 1 < cells.size(); ++k) {
        const int a = std::min(cells[k], cells[k + 1]), b = std::max(cells[k], cells[k + 1]);
        b - a == 1 ? g.setHorizCapacity(a, cap() + wide) : g.setVertCapacity(b, cap() + wide);
    }
    const double sources = r.range(3, 9) / 10.0, sinks = r.range(3, 9) / 10.0;
    for (int k = 0; k < std::max(2, n / 6); ++k) {
        if (r.chance(sources))
            g.setSourceCapacity(cells[std::size_t(k)], r.chance(0.05) ? Max : r.range(1, 3));
        if (r.chance(sinks))
            g.setSinkCapacity(cells[std::size_t(n - 1 - k)], r.chance(0.05) ? Max : r.range(1, 3));
    }
    g.setSourceCapacity(cells.front(), r.chance(0.3) ? Max : r.range(1, 60));
    g.setSinkCapacity(cells.back(), r.range(1, 3));
    description = QString("corridor %1x%2 %3 walls %4 %5").arg(w).arg(h).arg(spiral ? "spiral" : "rows").arg(walls).arg(uniform ? "tied" : "varied");
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
    default: return corridorGraph(r, description);
    }
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestFordFulkerson : public QObject {
    Q_OBJECT

private slots:
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
