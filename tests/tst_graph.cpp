// The pixel graph's operations and its construction on small graphs worked by hand, the
// canvas's self-check report, and construction refusals and failed allocations that keep
// the old graph.
#include "construction/GraphBuilder.h"
#include "support/Dialogs.h"
#include "support/Testing.h"

#include <atomic>
#include <cstdlib>
#include <new>

// While armed, the failAt-th allocation of at least `threshold` bytes throws.
namespace allocfault {
std::atomic<bool> armed{false};
std::atomic<std::size_t> threshold{0};
std::atomic<int> seen{0}, failAt{0}; // failAt 0: count only
} // namespace allocfault

void *operator new(std::size_t size)
{
    void *p = allocfault::armed && size >= allocfault::threshold && ++allocfault::seen == allocfault::failAt
                  ? nullptr : std::malloc(size ? size : 1);
    return p ? p : throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using Ints = std::vector<int>;
using Points = std::vector<QPoint>;
using Ops = std::function<QString()>;
Q_DECLARE_METATYPE(Ops)
Q_DECLARE_METATYPE(construction::BuildStatus)

namespace {

constexpr int Max = 2147483647;

QString str(const Ints &v)
{
    QStringList out;
    for (int x : v)
        out << QString::number(x);
    return out.join(' ');
}

// A w x h graph with every n-link set to `links` through the setters (0: none set).
Graf pixels(int w, int h, int links = 0)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; links && i < w * h; ++i)
        g.setVertCapacity(i, links), g.setHorizCapacity(i, links);
    return g;
}

QString dirs(const Graf &g, int i, int (Graf::*op)(int, int) const)
{
    return str({(g.*op)(i, 0), (g.*op)(i, 1), (g.*op)(i, 2), (g.*op)(i, 3)});
}

QString state(const Graf &g)
{
    QStringList out{str({g.width, g.height, g.pixelCount, g.sourceNode, g.sinkNode})};
    for (const auto array : grafArrays)
        out << str(g.*array);
    return out.join(" | ");
}

// A graph left by an earlier run: another size, everything written, odd node ids.
Graf usedGraph()
{
    Graf g = pixels(5, 2);
    for (int i = 0; i < 10; ++i)
        g.sourceCap[i] = 100 + i, g.sinkCap[i] = 200 - i, g.sourceFlow[i] = i, g.sinkFlow[i] = -i,
        g.vertCap[i] = 3 * i, g.horizCap[i] = 7 - i, g.vertFlow[i] = i % 3, g.horizFlow[i] = -(i % 4);
    g.sourceNode = 77, g.sinkNode = 55;
    return g;
}

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void selfCheckReport();
    void construction_data();
    void construction();
    void failedAllocationKeepsTheOldGraph();
};

// Each row works on graphs of its own; `lines` are the diagnostic lines it must write.
void TestGraph::operations_data()
{
    QTest::addColumn<Ops>("ops");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("lines");
    const QString pair = "FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!", big = "velky tok !!!!";
    const auto row = [](const char *name, Ops ops, const char *expected, const QStringList &lines = {}) {
        QTest::newRow(name) << ops << QString(expected) << lines;
    };
    row("neighbours and terminals", [] {
        const Graf g = pixels(4, 3);
        return dirs(g, 0, &Graf::neighbourIndex) + ", " + dirs(g, 11, &Graf::neighbourIndex) + ", " + dirs(pixels(1, 3), 1, &Graf::neighbourIndex)
            + ", " + dirs(pixels(3, 1), 1, &Graf::neighbourIndex) + ", "
            + str({g.neighbourIndex(5, 4), g.neighbourIndex(5, -1), g.neighbourOrTerminal(5, -1), g.neighbourOrTerminal(5, -2)});
    }, "-1 1 4 -1, 7 -1 -1 10, 0 -1 2 -1, -1 2 -1 0, -1 -1 13 -10");
    row("distance rule", [] { // in one column two vertical neighbours are 1 apart
        Graf g = pixels(4, 3, 5), column = pixels(1, 3);
        g.setVertCapacity(4, 7), g.setHorizCapacity(2, -3), column.setVertCapacity(1, 6), column.setVertCapacity(2, 8);
        return str({g.capacityBetween(5, -1), g.capacityBetween(3, 4), g.capacityBetween(4, 0), g.capacityBetween(0, 4),
                    g.capacityBetween(2, 3), g.capacityBetween(1, 2), g.capacityBetween(4, 4), g.capacityBetween(11, 12),
                    column.capacityBetween(0, 1), column.capacityBetween(1, 0), column.capacityBetween(1, 2), column.capacityBetween(0, 2)});
    }, "0 0 7 7 0 5 0 0 6 6 8 6");
    row("one flow counter for both directions", [] {
        Graf g = pixels(4, 3, 5);
        g.addFlowBetween(5, 6, 3);
        QString s = str({g.residualBetween(5, 6), g.residualBetween(6, 5), g.residualNeighbour(5, 1), g.residualNeighbour(6, 3)});
        g.addFlowBetween(6, 5, 2);
        s += ", " + str({g.residualBetween(5, 6), g.residualNeighbour(5, 1), g.neighbourWithCapacity(5, 1)});
        g.addFlowBetween(5, 6, -5), g.addFlowBetween(9, 5, 7);
        return s + ", " + str({g.residualBetween(6, 5)}) + ", " + dirs(g, 5, &Graf::flowInDirection) + ", "
            + str({g.residualBetween(5, 9), g.residualNeighbour(5, 2)});
    }, "2 2 6 5, 0 -1 6, 5, 0 0 7 0, -2 -1");
    row("residual is capacity minus flow only", [] {
        Graf g = pixels(4, 3, 5);
        g.addCapacityBetween(0, 4, -5), g.addFlowBetween(4, 0, -2);
        return str({g.residualBetween(0, 4), g.residualNeighbour(0, 2), g.residualNeighbour(4, 0), g.neighbourWithCapacity(0, 2),
                    g.flowInDirection(0, 2), g.capacityInDirection(0, 2)});
    }, "2 4 0 -1 0 0");
    row("t-links up to their capacity", [] {
        Graf g = pixels(4, 3);
        g.setSourceCapacity(2, 4), g.setSinkCapacity(2, 6), g.setSourceFlow(2, 3);
        QString s = str({g.residualNeighbour(2, -1), g.residualNeighbour(2, -2), g.residualNeighbour(3, -1)});
        g.setSourceFlow(2, 4), g.setSinkFlow(2, 6);
        return s + ", " + str({g.residualNeighbour(2, -1), g.residualNeighbour(2, -2), g.sinkResidual(2), g.sourceFlowAt(2),
                               g.sourceCapacity(-1), g.sinkCapacity(-1), g.sinkResidual(-1)});
    }, "13 -10 -1, -1 -1 0 4 -1 -1 -1");
    row("a flow above the capacity", [] {
        Graf g = pixels(4, 3);
        g.setSourceCapacity(3, 5), g.setSinkCapacity(3, 2), g.setSourceFlow(3, 6), g.setSinkFlow(3, 3);
        return str({g.sourceFlowAt(3), g.sinkFlowAt(3), g.sinkResidual(3)});
    }, "6 3 -1", {big, big});
    row("pairs that are no neighbours", [] {
        Graf g = pixels(4, 3, 5);
        g.addCapacityBetween(0, 5, 3), g.addFlowBetween(3, 4, 3), (void)g.residualBetween(11, -1), g.addFlowBetween(5, 5, 1);
        return state(g) == state(pixels(4, 3, 5)) ? QString("unchanged") : state(g);
    }, "unchanged", {pair, pair, "FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!", pair});
    row("reset keeps the node ids, init zeroes", [] {
        Graf g = usedGraph();
        g.reset();
        const QString s = state(g);
        g.init(2, 3, 6);
        return s + ", " + state(g).replace(" | 0 0 0 0 0 0", " | zeros");
    }, "0 0 0 77 55 |  |  |  |  |  |  |  | , 2 3 6 7 -10 | zeros | zeros | zeros | zeros | zeros | zeros | zeros | zeros");
}

void TestGraph::operations()
{
    QFETCH(Ops, ops);
    QFETCH(QString, expected);
    QFETCH(QStringList, lines);
    DiagCapture out;
    QCOMPARE(ops(), expected);
    QCOMPARE(out.lines, lines);
}

// The canvas slot that re-initialises the graph as a 4 x 3 test grid and prints its report:
// lines worked by hand from each block, before and after its additions.
void TestGraph::selfCheckReport()
{
    MyPainter window;
    window.canvas->graf = usedGraph(); // another size, with flows: it must re-initialise
    DiagCapture out;
    QVERIFY(QMetaObject::invokeMethod(window.canvas, "graf_test", Qt::DirectConnection));
    const QString six = "2 a 1\t6 sused hore: %1 sused pravo: %2 sused dole: %3 sused lavo: %4";
    const std::pair<int, QString> lines[] = {
        {0, "0 a 0 ma index: 0"}, {11, "3 a 2 ma index: 11"}, {12, ""}, {13, "PO PREVODE SPAT"},
        {21, "7 index ma suradnice: 3 a 1"}, {38, six.arg(2).arg(7).arg(10).arg(5)},
        {53, "3 sused hore: 0 sused pravo: 0 sused dole: 5 sused lavo: 5"}, {75, six.arg(-1).arg(-1).arg(-1).arg(-1)},
        {96, "10 sused hore: 0 sused pravo: 0 sused dole: 0 sused lavo: 5"}, {98, "----HLADANIE SUSEDOV S KAPACITAMI---"},
        {102, "3 sused hore kapacita: 0 sused pravo kapacita: 0 sused dole kapacita: 5 sused lavo kapacita: 5"},
        {105, "6 sused hore kapacita: 0 sused pravo kapacita: 0 sused dole kapacita: 0 sused lavo kapacita: 0"},
        {110, "11 sused hore kapacita: 5 sused pravo kapacita: 0 sused dole kapacita: 0 sused lavo kapacita: 0"}};
    QCOMPARE(out.lines.size(), 111);
    for (const auto &[at, text] : lines)
        QCOMPARE(out.lines.value(at), text);
    const QString zero = "0 0 0 0 0 0 0 0 0 0 0 0";
    QCOMPARE(state(window.canvas->graf), QStringList({"4 3 12 13 -10", zero, zero, zero, zero, "0 0 0 0 5 5 -15 5 5 5 -35 5",
                                                      "5 5 5 0 5 -35 -35 0 5 5 -35 0", zero, zero}).join(" | "));
}

// Source, sink, vertical and horizontal capacities after a build into an empty graph and
// into a used one (refilled in place where its storage fits); a refusal leaves it as it was.
void TestGraph::construction_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<Ints>("in");
    QTest::addColumn<Points>("object");
    QTest::addColumn<Points>("background");
    QTest::addColumn<double>("lambda");
    QTest::addColumn<construction::BuildStatus>("status");
    QTest::addColumn<QString>("links"); // source | sink | vertical | horizontal
    using S = construction::BuildStatus;
    const auto row = [](const char *name, int w, const Ints &in, const Points &obj, const Points &bg, double lambda,
                        const char *links, S status = S::Ok) {
        QTest::newRow(name) << w << in << obj << bg << lambda << status << QString(links).replace("M", QString::number(Max));
    };
    // Max 200, range 190, means 200 and 10.
    row("worked example", 3, {10, 50, 200}, {{2, 0}}, {{0, 0}}, 10, "0 500 M | M 1600 0 | 0 0 0 | 150 40 0");
    row("lambda 0: seeds only; n-links not scaled", 3, {0, 10, 20, 30, 40, 50}, {{2, 1}}, {{0, 0}}, 0,
        "0 0 0 0 0 M | M 0 0 0 0 0 | 0 0 0 20 20 20 | 40 40 0 40 40 0");
    row("one intensity", 3, Ints(6, 90), {{0, 0}}, {{2, 1}}, 1.5,
        "M 135 135 135 135 0 | 0 135 135 135 135 M | 0 0 0 0 0 0 | 0 0 0 0 0 0");
    row("one column", 1, {20, 30, 30, 120}, {{0, 3}}, {{0, 0}}, 2, "0 60 60 M | M 220 220 0 | 0 90 100 10 | 0 0 0 0");
    row("seeds outside are skipped", 3, {0, 50, 100, 150, 200, 50, 100, 150, 100}, {{3, 0}, {1, 1}, {0, 3}},
        {{-1, 1}, {0, 0}, {3, 2}}, 1,
        "0 50 100 150 M 50 100 150 100 | M 150 100 50 0 150 100 50 100 | 0 0 0 50 50 150 150 150 150 | 150 150 0 150 50 0 150 150 0");
    // (1, 0) in both lists: it ends with the background, and counts in both means.
    row("a point in both lists", 4, {0, 100, 200, 60}, {{1, 0}, {2, 0}}, {{0, 0}, {1, 0}}, 1, "0 0 M 110 | M M 0 190 | 0 0 0 0 | 100 100 60 0");
    row("truncated: 7 x 2.55", 4, {7, 7, 0, 0}, {{0, 0}}, {{2, 0}}, 2.55, "M 17 0 0 | 0 0 M 17 | 0 0 0 0 | 7 0 7 0");
    row("truncated: 3 x 0.5", 4, {3, 3, 0, 0}, {{0, 0}}, {{2, 0}}, 0.5, "M 1 0 0 | 0 0 M 1 | 0 0 0 0 | 3 0 3 0");
    row("no background seed inside", 2, {1, 2, 3, 4}, {{1, 1}}, {{2, 0}, {0, 2}}, 1, "", S::NoSeeds);
    row("no object seed", 2, {1, 2, 3, 4}, {}, {{1, 1}}, 1, "", S::NoSeeds);
    row("no pixel", 0, {}, {{0, 0}}, {{0, 0}}, 1, "", S::NoSeeds);
    row("too many pixels, refused before reading", 1, {}, {{0, 0}}, {{0, 1}}, 1, "", S::TooLarge);
    row("intensities of another size", 3, {1, 2}, {{0, 0}}, {{1, 0}}, 1, "", S::SizeMismatch);
}

void TestGraph::construction()
{
    QFETCH(int, width);
    QFETCH(Ints, in);
    QFETCH(Points, object);
    QFETCH(Points, background);
    QFETCH(double, lambda);
    QFETCH(construction::BuildStatus, status);
    QFETCH(QString, links);
    const int height = status == construction::BuildStatus::TooLarge ? construction::MaxGraphPixels + 1
                     : width ? std::max<int>(1, int(in.size()) / width) : 0;
    for (Graf g : {Graf(), usedGraph()}) {
        const QString before = state(g);
        QCOMPARE(construction::buildGraph(g, in, width, height, object, background, lambda), status);
        if (status != construction::BuildStatus::Ok) {
            QCOMPARE(state(g), before);
            continue;
        }
        const QString zero = str(Ints(in.size(), 0));
        const QStringList parts = links.split(" | ");
        QCOMPARE(state(g), QStringList({str({width, height, width * height, width * height + 1, -10}), parts[0], parts[1],
                                        zero, zero, parts[2], parts[3], zero, zero}).join(" | "));
    }
}

// Each allocation of a whole per-pixel array failing in turn: the old graph stays; and a
// rebuild over a graph of the same size, with a solver's flows in it, needs no new memory.
void TestGraph::failedAllocationKeepsTheOldGraph()
{
    const int w = 100, h = 100;
    Ints in(w * h);
    for (int i = 0; i < w * h; ++i)
        in[i] = (i * 37) % 256;
    auto armedBuild = [&](Graf &g, int failAt) {
        allocfault::threshold = std::size_t(w) * h * sizeof(int), allocfault::seen = 0, allocfault::failAt = failAt;
        allocfault::armed = true;
        const auto s = construction::buildGraph(g, in, w, h, {{5, 5}}, {{90, 90}}, 2.0);
        allocfault::armed = false;
        return s;
    };
    Graf counted = usedGraph();
    QCOMPARE(armedBuild(counted, 0), construction::BuildStatus::Ok);
    const int allocations = allocfault::seen;
    QVERIFY(allocations >= 8);
    const QString built = state(counted);
    for (int k = 1; k <= allocations; ++k) {
        Graf g = usedGraph();
        QCOMPARE(armedBuild(g, k), construction::BuildStatus::OutOfMemory);
        QCOMPARE(state(g), state(usedGraph()));
    }
    for (int i = 0; i < w * h; ++i)
        counted.sourceFlow[i] = counted.vertFlow[i] = 1;
    QCOMPARE(armedBuild(counted, 1), construction::BuildStatus::Ok);
    QCOMPARE(state(counted), built);
}

QTEST_MAIN(TestGraph)
#include "tst_graph.moc"
