// The push-relabel solver compared field by field with the literal reference
// (PushRelabelReference.h): lines, host calls, dequeues, cancels, heights, excess (also
// beyond 32 bits), flows, capacities and the cut; on constructed graphs at every
// cancel point, on random graphs down to a single pixel and on graphs built from random
// images. SEG_SEED=<number> draws other graphs.
#include "PushRelabelReference.h"
#include "segmentation/PushRelabelDetail.h"
#include "support/SolverTesting.h"

#include <QtTest>

using namespace solvertest;

namespace {

Outcome solve(const Graf &graph, int cancelAt, bool literal)
{
    return runOn(graph, cancelAt, [literal](Outcome &o, SolverHost &host) {
        if (literal) {
            const auto ref = reference::pushRelabel(o.graf, o.objectPixels, o.objectMask, host);
            o.steps = ref.dequeues, o.canceled = ref.canceled, o.heights = ref.heights;
            // The solver reports an excess beyond 32 bits as 2147483647.
            for (long long e : ref.excess)
                o.excess.push_back(std::min<long long>(e, Max));
        } else {
            PushRelabelTrace trace;
            const PushRelabelRun run = segmentPushRelabel(o.graf, o.objectPixels, o.objectMask, host, trace);
            o.steps = run.dequeues, o.canceled = run.canceled, o.heights = trace.heights;
            o.excess.assign(trace.excess.begin(), trace.excess.end());
        }
    });
}

// Terminals and n-links in modes: 0 many ties, 1 small, 2 medium, 3 extremes (some negative:
// no link); now and then seeds at 2147483647. Large terminals go only with large n-links,
// since a discharge takes about excess / capacity passes.
Graf randomGraph(Rng &r, QString &description)
{
    auto capacity = [&](int mode, bool nlink) {
        static const int terminals[] = {0, 1, 2, 3, -1, 1000, INT_MAX, INT_MAX - 1, INT_MAX / 2, INT_MIN};
        static const int links[] = {0, -1, INT_MIN, INT_MAX, INT_MAX - 1, INT_MAX / 2};
        switch (mode) {
        case 0: return r.range(0, 3);
        case 1: return r.chance(0.2) ? 0 : r.range(1, 20);
        case 2: return r.chance(0.3) ? 0 : r.range(1, 5000);
        default:
            if (nlink)
                return r.chance(0.6) ? links[r.range(0, 5)] : r.range(1 << 28, INT_MAX);
            return r.chance(0.7) ? terminals[r.range(0, 9)] : r.range(0, INT_MAX);
        }
    };
    static const int modes[][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1},
                                   {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 3}};
    const QSize size = r.size();
    const int m = r.range(0, 11);
    const double seeds = r.chance(0.5) ? 0.15 : 0.0;
    Graf g;
    g.init(size.width(), size.height(), size.width() * size.height());
    for (int i = 0; i < g.pixelCount; ++i) {
        const bool seed = r.chance(seeds), object = r.chance(0.5);
        g.setSourceCapacity(i, seed ? (object ? Max : 0) : capacity(modes[m][0], false));
        g.setSinkCapacity(i, seed ? (object ? 0 : Max) : capacity(modes[m][0], false));
        g.setVertCapacity(i, capacity(modes[m][1], true));
        g.setHorizCapacity(i, capacity(modes[m][1], true));
    }
    description = QString("%1x%2 mode %3").arg(size.width()).arg(size.height()).arg(m);
    return g;
}

} // namespace

class TestPushRelabel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { startWatchdog("tst_pushrelabel"); }
    void sameAsReference_data();
    void sameAsReference();
};

void TestPushRelabel::sameAsReference_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::newRow("constructed") << 0 << int(constructedGraphs().size());
    QTest::newRow("random") << 1 << 30000 * soakFactor();
    QTest::newRow("built") << 2 << 12000 * soakFactor();
}

void TestPushRelabel::sameAsReference()
{
    QFETCH(int, kind);
    QFETCH(int, count);
    Rng r(20240601u + unsigned(kind) + unsigned(qEnvironmentVariableIntValue("SEG_SEED")));
    for (int c = 0; c < count; ++c) {
        QString what;
        Graf g;
        QVector<int> cancels{r.chance(0.15) ? r.range(1, 13) : 0};
        if (kind == 0) {
            const ConstructedGraph &k = constructedGraphs()[std::size_t(c)];
            g = makeGraph(k.w, k.h, k.source, k.sink, k.vert, k.horiz), what = k.name;
            // Every cancel point, from before the first dequeue to one too late.
            cancels.clear();
            for (long long at = 1; at <= solve(g, 0, true).steps + 2; ++at)
                cancels << int(at);
        } else {
            g = kind == 1 ? randomGraph(r, what) : builtGraph(r, what);
        }
        for (const int cancelAt : cancels) {
            const QString d = difference(solve(g, cancelAt, false), solve(g, cancelAt, true));
            QVERIFY2(d.isEmpty(), qPrintable(QString("case %1 (%2) cancel %3: %4").arg(c).arg(what).arg(cancelAt).arg(d)));
        }
    }
}

QTEST_GUILESS_MAIN(TestPushRelabel)
#include "tst_pushrelabel.moc"
