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

} // namespace

class TestPushRelabel : public QObject {
    Q_OBJECT

private slots:
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
