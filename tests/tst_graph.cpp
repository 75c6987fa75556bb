// The pixel graph's operations on small graphs worked by hand, the canvas's self-check
// report, construction refusals and failed allocations that keep the old graph; and the
// construction and the drawing compared with their literal references on random images,
// seeds, lambdas and results.
#include "PipelineReference.h"
#include "graph/GraphLimit.h"
#include "pipeline/Segmentation.h"
#include "support/Dialogs.h"
#include "support/SolverTesting.h"

#include <atomic>
#include <cstdlib>
#include <new>

// While armed, the failAt-th allocation of at least `threshold` bytes throws.
namespace allocfault {
std::atomic<bool> armed{false};
std::atomic<std::size_t> threshold{0};
std::atomic<int> seen{0}, failAt{0}; // failAt 0: count only
} // namespace allocfault

// GCC 12 for MinGW inlines the replaced pair and takes free() after this operator new for a
// mismatch; the pair is matched.
#if defined(__GNUC__) && __GNUC__ >= 11 && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
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
Q_DECLARE_METATYPE(pipeline::Variant)

namespace {

constexpr int Max = 2147483647;

template <typename V = Ints>
QString str(const V &v)
{
    QStringList out;
    std::transform(v.begin(), v.end(), std::back_inserter(out), [](int x) { return QString::number(x); });
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
    void constructionKeepsTheOldGraphOnFailure();
    void sameAsReferences_data();
    void sameAsReferences();
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
        return dirs(g, 0, &Graf::neighbourIndex) + ", " + dirs(g, 11, &Graf::neighbourIndex) + ", "
            + dirs(pixels(1, 3), 1, &Graf::neighbourIndex) + ", " + dirs(pixels(3, 1), 1, &Graf::neighbourIndex) + ", "
            + str({g.neighbourIndex(5, 4), g.neighbourIndex(5, -1), g.neighbourOrTerminal(5, -1), g.neighbourOrTerminal(5, -2)});
    }, "-1 1 4 -1, 7 -1 -1 10, 0 -1 2 -1, -1 2 -1 0, -1 -1 13 -10");
    row("distance rule", [] { // in one column two vertical neighbours are 1 apart
        Graf g = pixels(4, 3, 5), column = pixels(1, 3);
        g.setVertCapacity(4, 7), g.setHorizCapacity(2, -3), column.setVertCapacity(1, 6), column.setVertCapacity(2, 8);
        return str({g.capacityBetween(5, -1), g.capacityBetween(3, 4), g.capacityBetween(4, 0), g.capacityBetween(0, 4),
                    g.capacityBetween(2, 3), g.capacityBetween(1, 2), g.capacityBetween(4, 4), g.capacityBetween(11, 12),
                    column.capacityBetween(0, 1), column.capacityBetween(1, 0), column.capacityBetween(1, 2),
                    column.capacityBetween(0, 2)});
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
        g.addCapacityBetween(0, 4, -5), g.addFlowBetween(4, 0, -2); // no edge, but room
        return str({g.residualBetween(0, 4), g.residualNeighbour(0, 2), g.residualNeighbour(4, 0), g.neighbourWithCapacity(0, 2),
                    g.flowInDirection(0, 2), g.capacityInDirection(0, 2)});
    }, "2 4 0 -1 0 0");
    row("t-links: a line only for a flow above the capacity", [] {
        Graf g = pixels(4, 3);
        g.setSourceCapacity(2, 4), g.setSinkCapacity(2, 6), g.setSourceFlow(2, 3);
        QString s = str({g.residualNeighbour(2, -1), g.residualNeighbour(2, -2), g.residualNeighbour(3, -1)});
        g.setSourceFlow(2, 4), g.setSinkFlow(2, 6);
        s += ", " + str({g.residualNeighbour(2, -1), g.residualNeighbour(2, -2), g.sinkResidual(2), g.sourceFlowAt(2),
                         g.sourceCapacity(-1), g.sinkCapacity(-1), g.sinkResidual(-1)});
        g.setSourceFlow(2, 5), g.setSinkFlow(2, 7);
        return s + ", " + str({g.sourceFlowAt(2), g.sinkFlowAt(2), g.sinkResidual(2)});
    }, "13 -10 -1, -1 -1 0 4 -1 -1 -1, 5 7 -1", {big, big});
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

// Every refusal, and every allocation of a whole per-pixel array failing in turn, leaves
// the old graph as it was.
void TestGraph::constructionKeepsTheOldGraphOnFailure()
{
    const int w = 100, h = 100;
    Ints in(w * h);
    for (int i = 0; i < w * h; ++i)
        in[i] = (i * 37) % 256;
    using S = construction::BuildStatus;
    const std::tuple<int, int, Ints, Points, S> refusals[] = {
        {w, h, in, {{w, 0}}, S::NoSeeds}, {0, 0, {}, {{0, 0}}, S::NoSeeds}, {w, h, {1, 2}, {{0, 0}}, S::SizeMismatch},
        {1, graphlimit::MaxPixels + 1, {}, {{0, 0}}, S::TooLarge}}; // refused before reading
    for (const auto &[width, height, values, object, status] : refusals) {
        Graf g = usedGraph();
        QCOMPARE(construction::buildGraph(g, values, width, height, object, {{0, 1}}, 1.0), status);
        QCOMPARE(state(g), state(usedGraph()));
    }
    auto armedBuild = [&](Graf &g, int failAt) {
        allocfault::threshold = std::size_t(w) * h * sizeof(int), allocfault::seen = 0, allocfault::failAt = failAt;
        allocfault::armed = true;
        const auto s = construction::buildGraph(g, in, w, h, {{5, 5}}, {{90, 90}}, 2.0);
        allocfault::armed = false;
        return s;
    };
    Graf counted = usedGraph();
    QCOMPARE(armedBuild(counted, 0), S::Ok);
    const int allocations = allocfault::seen;
    QVERIFY(allocations >= 8);
    const QString fresh = state(counted);
    for (int k = 1; k <= allocations; ++k) {
        Graf g = usedGraph();
        QCOMPARE(armedBuild(g, k), S::OutOfMemory);
        QCOMPARE(state(g), state(usedGraph()));
    }
    // A rebuild over a graph of the same size, with a solver's flows in it, needs no memory.
    for (int i = 0; i < w * h; ++i)
        counted.sourceFlow[i] = counted.vertFlow[i] = 1;
    QCOMPARE(armedBuild(counted, 1), S::Ok);
    QCOMPARE(state(counted), fresh);
}

// Rows: the construction variant and where the drawn result comes from.
void TestGraph::sameAsReferences_data()
{
    QTest::addColumn<pipeline::Variant>("variant");
    QTest::addColumn<int>("result"); // 0 augmenting paths, 1 push-relabel, 2 random links and mask
    QTest::newRow("gray, augmenting paths") << pipeline::Variant::Gray << 0;
    QTest::newRow("colour, push-relabel") << pipeline::Variant::Colour << 1;
    QTest::newRow("gray, random results") << pipeline::Variant::Gray << 2;
}

// The pipeline's graph is reused, with junk left in it; its image, intensities, graph and
// drawing must be the references'.
void TestGraph::sameAsReferences()
{
    QFETCH(pipeline::Variant, variant);
    QFETCH(int, result);
    solvertest::Rng r(777u + unsigned(result));
    Graf graf;
    for (int c = 0; c < 2000 * solvertest::soakFactor(); ++c) {
        solvertest::Scene scene = solvertest::randomScene(r);
        const int w = scene.image.width(), h = scene.image.height();
        const QString what = QString("case %1: %2").arg(c).arg(scene.what);
        QImage drawn = scene.image, expected = scene.image;
        std::vector<int> intensities{1, 2}, expectedIntensities;
        for (const auto array : grafArrays)
            std::generate((graf.*array).begin(), (graf.*array).end(), [&] { return r.range(-9, 9); });
        QVector<int> objectPixels{3};
        QVector<bool> objectMask;
        const pipeline::Workspace work{drawn, scene.object, scene.background, intensities, graf, objectPixels, objectMask};
        QCOMPARE(pipeline::construct(work, scene.lambda, variant, [] { return pipeline::GrayAnswer::Convert; }), pipeline::Status::Done);
        if (variant == pipeline::Variant::Gray && !expected.isGrayscale())
            literal::toGrayscale(expected);
        Graf built;
        literal::construct(expected, scene.object, scene.background, scene.lambda, expectedIntensities, built);
        QVERIFY2(drawn == expected, qPrintable(what));
        QVERIFY2(intensities == expectedIntensities, qPrintable(what));
        QVERIFY2(state(graf) == state(built), qPrintable(what));

        DiagCapture quiet;
        SilentSolverHost host;
        pipeline::Figures figures;
        if (result < 2) { // links used up by the augmenting paths, a region in either order
            QCOMPARE(pipeline::solve(work, pipeline::Method(result), host, figures), pipeline::Status::Done);
        } else { // used-up links anywhere, and a region in any order
            objectPixels.clear();
            for (int i = 0; i < w * h; ++i) {
                graf.vertCap[i] *= r.chance(0.3) ? 0 : 1, graf.horizCap[i] *= r.chance(0.3) ? 0 : 1;
                objectMask.append(r.chance(0.7));
                if (objectMask.last())
                    objectPixels.insert(r.range(0, objectPixels.size()), i);
            }
        }
        // The check box cannot change while a drawing runs: one mode a drawing.
        const bool mode = r.chance(0.5);
        for (const bool reference : {false, true}) {
            DiagCapture out;
            auto edges = [mode] { return mode; };
            reference ? literal::draw(expected, graf, objectPixels, objectMask, edges) : pipeline::draw(work, edges);
            QCOMPARE(out.lines, QStringList("ZAPIS"));
        }
        QVERIFY2(drawn == expected, qPrintable(what + " drawn"));
    }
}

QTEST_MAIN(TestGraph)
#include "tst_graph.moc"
