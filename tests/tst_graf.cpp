// The pixel graph: the neighbour rule, where each n-link lives, the distance rule, shared
// flows, the failure lines, reset and init, and the canvas's self-check report.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/DiagCapture.h"
#include "support/GrafState.h"
#include "support/RowCompare.h"

#include <QtTest>

using grafstate::arrays;
using grafstate::Ints;

namespace {

Graf makeGraph(int w, int h, int fill = 0)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; fill && i < w * h; ++i)
        g.setVertCapacity(i, fill), g.setHorizCapacity(i, fill);
    return g;
}

Ints allDirs(const Graf &g, int i, int (Graf::*op)(int, int) const)
{
    return {(g.*op)(i, 0), (g.*op)(i, 1), (g.*op)(i, 2), (g.*op)(i, 3)};
}


} // namespace

class TestGraf : public QObject {
    Q_OBJECT

private slots:
    void neighbourRule();
    void edgeStorage();
    void distanceRule();
    void flowsResidualsAndTerminals();
    void failureLines();
    void resetAndInit();
    void selfCheckReport();
};

void TestGraf::neighbourRule()
{
    const struct { int w, h, i, x, y; Ints n; } rows[] = {  // up, right, down, left
        {4, 3, 0, 0, 0, {-1, 1, 4, -1}}, {4, 3, 3, 3, 0, {-1, -1, 7, 2}}, {4, 3, 5, 1, 1, {1, 6, 9, 4}},
        {4, 3, 7, 3, 1, {3, -1, 11, 6}}, {4, 3, 8, 0, 2, {4, 9, -1, -1}}, {4, 3, 11, 3, 2, {7, -1, -1, 10}},
        {1, 3, 1, 0, 1, {0, -1, 2, -1}}, {3, 1, 1, 1, 0, {-1, 2, -1, 0}}, {1, 1, 0, 0, 0, {-1, -1, -1, -1}}};
    for (const auto &r : rows) {
        const Graf g = makeGraph(r.w, r.h);
        const QString row = QString("%1x%2 pixel %3").arg(r.w).arg(r.h).arg(r.i);
        ROW_COMPARE(g.pointToIndex(r.x, r.y), r.i, row);
        ROW_COMPARE(g.indexToPoint(r.i), QPoint(r.x, r.y), row);
        ROW_COMPARE(allDirs(g, r.i, &Graf::neighbourIndex), r.n, row);
        ROW_COMPARE(allDirs(g, r.i, &Graf::neighbourOrTerminal), r.n, row);
        ROW_COMPARE(Ints({g.neighbourIndex(r.i, 4), g.neighbourIndex(r.i, -1), g.neighbourIndex(r.i, -2),
                          g.neighbourOrTerminal(r.i, -1), g.neighbourOrTerminal(r.i, -2), g.neighbourOrTerminal(r.i, 4)}),
                    Ints({-1, -1, -1, r.w * r.h + 1, -10, -1}), row);
    }
}

void TestGraf::edgeStorage()
{
    // The setters store 0, whatever was there, where no pixel lies above or to the right.
    Graf g = makeGraph(4, 3);
    g.vertCap.assign(12, 9), g.horizCap.assign(12, 9);
    for (int i = 0; i < 12; ++i)
        g.setVertCapacity(i, 5), g.setHorizCapacity(i, 5);
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 5, 5}));
    QCOMPARE(g.horizCap, Ints({5, 5, 5, 0, 5, 5, 5, 0, 5, 5, 5, 0}));
    QCOMPARE(allDirs(makeGraph(4, 3, 5), 3, &Graf::capacityInDirection), Ints({0, 0, 5, 5}));

    // Pixel 5's links: up and right at 5, down at 9, left at 4.
    g = makeGraph(4, 3);
    g.setVertCapacity(5, 11), g.setHorizCapacity(5, 12), g.setVertCapacity(9, 13), g.setHorizCapacity(4, 14);
    g.vertFlow[5] = 1, g.horizFlow[5] = 2, g.vertFlow[9] = 3, g.horizFlow[4] = 4;
    QCOMPARE(allDirs(g, 5, &Graf::capacityInDirection), Ints({11, 12, 13, 14}));
    QCOMPARE(allDirs(g, 5, &Graf::flowInDirection), Ints({1, 2, 3, 4}));
    QCOMPARE(allDirs(g, 5, &Graf::neighbourWithCapacity), Ints({1, 6, 9, 4}));

    // 0 or less is no edge, and its counter is then not reported; flow is not looked at.
    g.setVertCapacity(5, 0), g.setHorizCapacity(5, -3);
    g.vertFlow[9] = 13;
    QCOMPARE(allDirs(g, 5, &Graf::neighbourWithCapacity), Ints({-1, -1, 9, 4}));
    QCOMPARE(allDirs(g, 5, &Graf::capacityInDirection), Ints({0, 0, 13, 14}));
    QCOMPARE(allDirs(g, 5, &Graf::flowInDirection), Ints({0, 0, 13, 4}));
    // Stray values where no neighbour lies are never read, nor is anything from index -1,
    // which -1 % 4 and -1 / 4 would lead down to pixel 3.
    g.horizCap[3] = 8, g.vertCap[3] = 5;
    QCOMPARE(Ints({g.neighbourWithCapacity(3, 1), g.capacityInDirection(3, 1)}), Ints({-1, 0}));
    QCOMPARE(allDirs(g, -1, &Graf::neighbourWithCapacity), Ints(4, -1));
    QCOMPARE(allDirs(g, -1, &Graf::residualNeighbour), Ints(4, -1));

    // Additions (the self-check's are checked with its report): toward a missing neighbour
    // nothing changes, toward a present one it adds to whatever the link holds.
    const std::vector<Ints> before = arrays(g);
    for (const auto &m : {QPoint(3, 1), QPoint(0, 0), QPoint(11, 2), QPoint(8, 3), QPoint(5, 4)})
        g.addCapacityInDirection(m.x(), m.y(), 9);
    QCOMPARE(arrays(g), before);
    g.addCapacityInDirection(5, 1, 36), g.addCapacityInDirection(6, 3, 1), g.addCapacityInDirection(9, 0, -20);
    QCOMPARE(Ints({g.horizCap[5], g.vertCap[9]}), Ints({34, -7}));  // from -3 and 13
}

void TestGraf::distanceRule()
{
    // vertCap[i] = 10 + i and horizCap[i] = 20 + i through the setters; on 4 x 3 also
    // vertCap[9] = -4, horizCap[2] = -3, and 99 written straight where no link exists (3, 7).
    const int rows[][5] = {  // w, h, a, b, capacityBetween(a, b)
        {4, 3, 5, -1, 0},  {4, 3, -1, 5, 0},  {4, 3, 4, 4, 0},   {4, 3, 12, 11, 0},  {4, 3, 3, 4, 0},
        {4, 3, 7, 8, 0},   {4, 3, 1, 2, 21},  {4, 3, 2, 1, 21},  {4, 3, 2, 3, 0},    {4, 3, 10, 11, 30},
        {4, 3, 4, 0, 14},  {4, 3, 6, 2, 16},
        {4, 3, 5, 9, 0},   {4, 3, 7, 11, 21}, {4, 3, 8, 11, 0},  {4, 3, 0, 2, 14},   {4, 3, 1, 7, 15},
        {4, 3, 11, 3, 17}, {4, 3, 6, 9, 20},  {4, 3, 0, 11, 14}, {4, 3, 9, 11, 0},   {1, 3, 0, 1, 11},
        {1, 3, 1, 0, 11},  {1, 3, 1, 2, 12},  {1, 3, 0, 2, 11},  {1, 3, 2, 3, 0},    {3, 1, 1, 0, 20},
        {3, 1, 2, 1, 21},  {3, 1, 0, 2, 0},   {1, 1, 0, 0, 0},   {1, 1, 0, 1, 0},    {1, 1, 0, -1, 0},
    };
    for (const auto &r : rows) {
        Graf g = makeGraph(r[0], r[1]);
        for (int i = 0; i < r[0] * r[1]; ++i)
            g.setVertCapacity(i, 10 + i), g.setHorizCapacity(i, 20 + i);
        if (r[0] == 4)
            g.setVertCapacity(9, -4), g.setHorizCapacity(2, -3), g.horizCap[3] = g.horizCap[7] = 99;
        ROW_COMPARE(g.capacityBetween(r[2], r[3]), r[4], QString("%1x%2 (%3,%4)").arg(r[0]).arg(r[1]).arg(r[2]).arg(r[3]));
    }
}

void TestGraf::flowsResidualsAndTerminals()
{
    Graf g = makeGraph(4, 3, 5);
    auto both = [&g](int a, int b) { return Ints({g.residualBetween(a, b), g.residualBetween(b, a)}); };
    g.addFlowBetween(5, 6, 3);  // 6 is right of 5: the counter at 5
    QCOMPARE(std::vector<Ints>({g.horizFlow, g.vertFlow}),
             std::vector<Ints>({{0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}, Ints(12, 0)}));
    QCOMPARE(both(5, 6), Ints({2, 2}));
    g.addFlowBetween(6, 5, 2);  // the other way adds to the same counter
    QCOMPARE(both(5, 6), Ints({0, 0}));
    QCOMPARE(Ints({g.residualNeighbour(5, 1), g.residualNeighbour(6, 3), g.neighbourWithCapacity(5, 1)}),
             Ints({-1, -1, 6}));
    g.addFlowBetween(5, 6, -5);
    QCOMPARE(both(5, 6), Ints({5, 5}));
    QCOMPARE(Ints({g.residualNeighbour(5, 1), g.residualNeighbour(6, 3)}), Ints({6, 5}));
    g.addFlowBetween(9, 5, 7);  // 5 is above 9: the counter at 9
    QCOMPARE(Ints({g.vertFlow[9], g.residualBetween(5, 9), g.residualNeighbour(5, 2), g.residualNeighbour(9, 0)}),
             Ints({7, -2, -1, -1}));

    // capacity - flow only: a capacity of 0 with a negative counter has room.
    g.addCapacityBetween(0, 4, -5);
    g.addFlowBetween(4, 0, -2);
    QCOMPARE(Ints({g.vertCap[4], g.vertFlow[4], g.residualBetween(0, 4)}), Ints({0, -2, 2}));
    QCOMPARE(Ints({g.residualNeighbour(0, 2), g.residualNeighbour(4, 0)}), Ints({4, 0}));
    QCOMPARE(Ints({g.neighbourWithCapacity(0, 2), g.flowInDirection(0, 2)}), Ints({-1, 0}));
    g.addCapacityBetween(2, 6, -1);  // down from 2 and up from 6: the same link
    g.addCapacityBetween(6, 2, -1);
    g.addCapacityBetween(7, 6, 4);  // left from 7: the link at 6
    QCOMPARE(Ints({g.vertCap[6], g.horizCap[6]}), Ints({3, 9}));
    QCOMPARE(Ints({g.residualNeighbour(1, 0), g.residualNeighbour(3, 1), g.residualNeighbour(5, 4),
                   g.residualNeighbour(5, -3), g.residualNeighbour(-1, 1)}), Ints(5, -1));

    // The t-links: residual ids while capacity exceeds flow, -1 for a negative index.
    g.setSourceCapacity(2, 4), g.setSinkCapacity(2, 6), g.setSourceFlow(2, 3);
    QCOMPARE(Ints({g.sourceCapacity(2), g.sinkCapacity(2), g.residualNeighbour(2, -1), g.residualNeighbour(2, -2),
                   g.residualNeighbour(3, -1)}), Ints({4, 6, 13, -10, -1}));
    g.setSourceFlow(2, 4), g.setSinkFlow(2, 1);
    QCOMPARE(Ints({g.residualNeighbour(2, -1), g.sinkResidual(2), g.sourceFlowAt(2), g.sinkFlowAt(2)}),
             Ints({-1, 5, 4, 1}));
    g.setSinkFlow(2, 6);
    QCOMPARE(Ints({g.residualNeighbour(2, -2), g.sinkResidual(2)}), Ints({-1, 0}));
    g.setSinkFlow(2, -2);
    QCOMPARE(g.sinkResidual(2), 8);
    QCOMPARE(Ints({g.sourceCapacity(-1), g.sinkCapacity(-1), g.sinkResidual(-1), g.sinkCapacity(-5)}), Ints(4, -1));
}

void TestGraf::failureLines()
{
    const QString neighbours = "FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!";
    const int pairs[][3] = {  // operation (add capacity, add flow, residual), a, b
        {0, 0, 5}, {0, 3, 4}, {0, 0, -1}, {0, 5, 5}, {0, 11, 12}, {1, 0, 5}, {1, 8, 7},
        {1, 0, -1}, {1, 5, 5}, {1, 2, 10}, {2, 0, 5}, {2, 7, 8}, {2, 11, -1}, {2, 6, 6}};
    for (const auto &p : pairs) {
        Graf g = makeGraph(4, 3, 5);
        DiagCapture out;
        p[0] == 0 ? g.addCapacityBetween(p[1], p[2], 3)
                  : p[0] == 1 ? g.addFlowBetween(p[1], p[2], 3) : void(g.residualBetween(p[1], p[2]));
        const QString row = QString("operation %1 (%2,%3)").arg(p[0]).arg(p[1]).arg(p[2]);
        ROW_COMPARE(out.lines, QStringList(p[0] == 2 ? "FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!" : neighbours), row);
        ROW_COMPARE(arrays(g), arrays(makeGraph(4, 3, 5)), row);
    }

    Graf g = makeGraph(4, 3, 5);
    g.setSourceCapacity(3, 5), g.setSinkCapacity(3, 2);
    DiagCapture out;
    g.setSourceFlow(3, 6);  // above the capacity: a line, and stored all the same
    g.setSinkFlow(7, 1);
    QCOMPARE(out.lines, QStringList({"velky tok !!!!", "velky tok !!!!"}));
    QCOMPARE(Ints({g.sourceFlowAt(3), g.sinkFlowAt(7), g.sinkResidual(7)}), Ints({6, 1, -1}));
    // Every neighbour pair both ways, the distance rule on a far pair, flows up to the
    // capacity: not a line.
    out.lines.clear();
    for (int i = 0; i < 12; ++i)
        for (int d = 0; d < 4; ++d) {
            const int j = g.neighbourIndex(i, d);
            (void)g.capacityBetween(i, j);
            if (j >= 0)
                g.addCapacityBetween(i, j, 1), g.addFlowBetween(i, j, 1), (void)g.residualBetween(i, j);
        }
    (void)g.capacityBetween(0, 5);
    g.setSourceFlow(3, 5), g.setSourceFlow(3, -4), g.setSinkFlow(3, 2);
    QCOMPARE(out.lines, QStringList());
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 7, 7, 7, 7, 7, 7, 7, 7}));  // once from each end
    QCOMPARE(g.horizFlow, Ints({2, 2, 2, 0, 2, 2, 2, 0, 2, 2, 2, 0}));
}

void TestGraf::resetAndInit()
{
    QCOMPARE(arrays(Graf()), std::vector<Ints>(8));
    Graf g = makeGraph(4, 3);
    auto dirty = [&g] {
        for (Ints *a : {&g.sourceCap, &g.sinkCap, &g.sourceFlow, &g.sinkFlow, &g.vertCap, &g.horizCap,
                        &g.vertFlow, &g.horizFlow})
            a->assign(a->size(), 9);
    };
    dirty();
    g.reset();  // the terminal ids stay
    QCOMPARE(grafstate::state(g), std::vector<Ints>({{0, 0, 0, 13, -10}, {}, {}, {}, {}, {}, {}, {}, {}}));
    for (const QSize s : {QSize(4, 3), QSize(4, 3), QSize(2, 3), QSize(5, 4)}) {  // no reset between
        dirty();
        const int w = s.width(), h = s.height();
        g.init(w, h, w * h);
        const Ints zero(std::size_t(w * h), 0);
        QCOMPARE(grafstate::state(g), grafstate::built(w, h, zero, zero, zero, zero));
    }
}

void TestGraf::selfCheckReport()
{
    MyPainter window;
    PaintWidget &canvas = *window.canvas;
    canvas.graf.init(5, 2, 10);  // another size, with numbers set: it must re-initialise
    canvas.graf.sourceFlow.assign(10, 2), canvas.graf.vertFlow.assign(10, 2);
    DiagCapture out;
    QVERIFY(QMetaObject::invokeMethod(&canvas, "graf_test", Qt::DirectConnection));

    // Lines worked by hand: each block's form, its loop order, and both passes around the
    // additions.
    const QString six = "2 a 1\t6 sused hore: %1 sused pravo: %2 sused dole: %3 sused lavo: %4";
    const std::pair<int, QString> lines[] = {
        {0, "0 a 0 ma index: 0"}, {1, "1 a 0 ma index: 1"}, {11, "3 a 2 ma index: 11"}, {12, ""},
        {13, "PO PREVODE SPAT"}, {21, "7 index ma suradnice: 3 a 1"}, {38, six.arg(2).arg(7).arg(10).arg(5)},
        {39, six.arg(2).arg(7).arg(10).arg(5)}, {53, "3 sused hore: 0 sused pravo: 0 sused dole: 5 sused lavo: 5"},
        {74, six.arg(2).arg(7).arg(10).arg(5)}, {75, six.arg(-1).arg(-1).arg(-1).arg(-1)},
        {96, "10 sused hore: 0 sused pravo: 0 sused dole: 0 sused lavo: 5"},
        {98, "----HLADANIE SUSEDOV S KAPACITAMI---"},
        {102, "3 sused hore kapacita: 0 sused pravo kapacita: 0 sused dole kapacita: 5 sused lavo kapacita: 5"},
        {105, "6 sused hore kapacita: 0 sused pravo kapacita: 0 sused dole kapacita: 0 sused lavo kapacita: 0"},
        {108, "9 sused hore kapacita: 5 sused pravo kapacita: 5 sused dole kapacita: 0 sused lavo kapacita: 5"}};
    QCOMPARE(out.lines.size(), 111);
    for (const auto &l : lines)
        ROW_COMPARE(out.lines.value(l.first), l.second, QString::number(l.first));

    // The test grid stays as the canvas's graph, with the self-check's capacities only.
    const Ints zero(12, 0), vert = {0, 0, 0, 0, 5, 5, -15, 5, 5, 5, -35, 5}, horiz = {5, 5, 5, 0, 5, -35, -35, 0, 5, 5, -35, 0};
    QCOMPARE(grafstate::state(canvas.graf), grafstate::built(4, 3, zero, zero, vert, horiz));
}

QTEST_MAIN(TestGraf)
#include "tst_graf.moc"
