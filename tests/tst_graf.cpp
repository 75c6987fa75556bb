// The pixel graph: index arithmetic and the neighbour rule on grids, rows, columns and a single
// pixel; where each n-link lives; the distance rule of capacityBetween; flows shared by both
// directions; the three failure lines; reset and init; and the whole report of the canvas's
// self-check slot against a text built here from a separate model of the 4 x 3 grid.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "graph/Graf.h"
#include "support/DiagCapture.h"

#include <QtTest>

#include <cstdlib>
#include <vector>

using Ints = std::vector<int>;

namespace {

Graf makeGraph(int w, int h, int fill = 0)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; fill && i < w * h; ++i)
        g.setVertCapacity(i, fill), g.setHorizCapacity(i, fill);
    return g;
}

// Every n-link set to 5 through the setters, as the self-check does before its additions.
Graf gridOfFives()
{
    return makeGraph(4, 3, 5);
}

Ints allDirs(const Graf &g, int i, int (Graf::*op)(int, int) const)
{
    return {(g.*op)(i, 0), (g.*op)(i, 1), (g.*op)(i, 2), (g.*op)(i, 3)};
}

// width, height, pixelCount, sourceNode, sinkNode
Ints fields(const Graf &g)
{
    return {g.width, g.height, g.getPixelCount(), g.sourceNode, g.sinkNode};
}

std::vector<Ints> arrays(const Graf &g)
{
    return {g.sourceCap, g.sinkCap, g.sourceFlow, g.sinkFlow,
            g.vertCap,   g.horizCap, g.vertFlow,  g.horizFlow};
}

// The self-check's grid on its own terms: plain arrays, the neighbour rule, the storage rule
// (up and right at i, down and left at the neighbour) and the distance rule, read literally.
struct GridModel {
    static constexpr int W = 4, H = 3, N = 12;
    int vert[N] = {};
    int horiz[N] = {};

    static int neighbour(int i, int d)
    {
        const int x = i % W, y = i / W;
        const int nx = x + (d == 1) - (d == 3), ny = y + (d == 2) - (d == 0);
        return d >= 0 && d < 4 && nx >= 0 && nx < W && ny >= 0 && ny < H ? ny * W + nx : -1;
    }
    int &link(int i, int d)
    {
        const int j = neighbour(i, d);
        return d == 0 ? vert[i] : d == 1 ? horiz[i] : d == 2 ? vert[j] : horiz[j];
    }
    int withCapacity(int i, int d)
    {
        return neighbour(i, d) >= 0 && link(i, d) > 0 ? neighbour(i, d) : -1;
    }
    int capacityIn(int i, int d) { return withCapacity(i, d) < 0 ? 0 : link(i, d); }
    int between(int a, int b) const
    {
        if (a == b || a < 0 || b < 0 || a >= N || b >= N)
            return 0;
        const int m = std::min(a, b);
        if (std::abs(a - b) == 1)
            return m % W + 1 >= W ? 0 : std::max(horiz[m], 0);
        return m / W + 1 >= H ? 0 : std::max(vert[(m / W + 1) * W + m % W], 0);
    }
};

const char *const Labels[4] = {" sused hore: ", " sused pravo: ", " sused dole: ", " sused lavo: "};

// Steps 5 and 6 of the self-check.
void neighbourAndCapacityLines(GridModel &m, QStringList &out)
{
    for (int y = 0; y < GridModel::H; ++y)
        for (int x = 0; x < GridModel::W; ++x) {
            const int i = y * GridModel::W + x;
            const QString head = QString::number(x) + " a " + QString::number(y) + "\t"
                + QString::number(i);
            QString plain = head, capped = head;
            for (int d = 0; d < 4; ++d) {
                plain += Labels[d] + QString::number(GridModel::neighbour(i, d));
                capped += Labels[d] + QString::number(m.withCapacity(i, d));
            }
            out << plain << capped;
        }
    for (int i = 0; i < GridModel::N; ++i) {
        QString line = QString::number(i);
        for (int d = 0; d < 4; ++d)
            line += Labels[d] + QString::number(m.capacityIn(i, d));
        out << line;
    }
}

QStringList expectedSelfCheck()
{
    QStringList out;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            out << QString::number(x) + " a " + QString::number(y) + " ma index: "
                    + QString::number(y * 4 + x);
    out << "" << "PO PREVODE SPAT";
    for (int i = 0; i < 12; ++i)
        out << QString::number(i) + " index ma suradnice: " + QString::number(i % 4) + " a "
                + QString::number(i / 4);
    // Step 4, the second call for pixel 1 included: a vertical link needs a pixel above,
    // a horizontal one a pixel to the right.
    GridModel m;
    for (const int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1}) {
        m.vert[i] = GridModel::neighbour(i, 0) >= 0 ? 5 : 0;
        m.horiz[i] = GridModel::neighbour(i, 1) >= 0 ? 5 : 0;
    }
    neighbourAndCapacityLines(m, out);
    // Step 7: every target neighbour exists, so each addition lands on its link.
    const int additions[6][3] = {{6, 3, -40}, {6, 2, -20}, {6, 1, -40},
                                 {6, 0, -20}, {10, 1, -40}, {10, 0, -20}};
    for (const auto &a : additions)
        m.link(a[0], a[1]) += a[2];
    neighbourAndCapacityLines(m, out);
    out << "----HLADANIE SUSEDOV S KAPACITAMI---";
    const char *const capLabels[4] = {" sused hore kapacita: ", " sused pravo kapacita: ",
                                      " sused dole kapacita: ", " sused lavo kapacita: "};
    for (int i = 0; i < 12; ++i) {
        QString line = QString::number(i);
        for (int d = 0; d < 4; ++d)
            line += capLabels[d] + QString::number(m.between(i, GridModel::neighbour(i, d)));
        out << line;
    }
    return out;
}

} // namespace

class TestGraf : public QObject {
    Q_OBJECT

private slots:
    void neighbourRule_data();
    void neighbourRule();
    void edgeStorage();
    void selfCheckAdditions();
    void distanceRule_data();
    void distanceRule();
    void sharedFlowsAndResiduals();
    void terminalLinks();
    void nonNeighbourPairsFail_data();
    void nonNeighbourPairsFail();
    void flowAboveCapacityWarnsAndStores();
    void normalOperationsAreSilent();
    void resetAndInit();
    void selfCheckReport();
};

void TestGraf::neighbourRule_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("i");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<Ints>("neighbours");  // up, right, down, left
    const struct { int w, h, i, x, y; Ints n; } rows[] = {
        {4, 3, 0, 0, 0, {-1, 1, 4, -1}},  {4, 3, 1, 1, 0, {-1, 2, 5, 0}},
        {4, 3, 2, 2, 0, {-1, 3, 6, 1}},   {4, 3, 3, 3, 0, {-1, -1, 7, 2}},
        {4, 3, 4, 0, 1, {0, 5, 8, -1}},   {4, 3, 5, 1, 1, {1, 6, 9, 4}},
        {4, 3, 6, 2, 1, {2, 7, 10, 5}},   {4, 3, 7, 3, 1, {3, -1, 11, 6}},
        {4, 3, 8, 0, 2, {4, 9, -1, -1}},  {4, 3, 9, 1, 2, {5, 10, -1, 8}},
        {4, 3, 10, 2, 2, {6, 11, -1, 9}}, {4, 3, 11, 3, 2, {7, -1, -1, 10}},
        {1, 3, 0, 0, 0, {-1, -1, 1, -1}}, {1, 3, 1, 0, 1, {0, -1, 2, -1}},
        {1, 3, 2, 0, 2, {1, -1, -1, -1}}, {3, 1, 0, 0, 0, {-1, 1, -1, -1}},
        {3, 1, 1, 1, 0, {-1, 2, -1, 0}},  {3, 1, 2, 2, 0, {-1, -1, -1, 1}},
        {1, 1, 0, 0, 0, {-1, -1, -1, -1}},
    };
    for (const auto &r : rows)
        QTest::addRow("%dx%d pixel %d", r.w, r.h, r.i) << r.w << r.h << r.i << QPoint(r.x, r.y)
                                                       << r.n;
}

void TestGraf::neighbourRule()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, i);
    QFETCH(QPoint, point);
    QFETCH(Ints, neighbours);
    const Graf g = makeGraph(w, h);
    QCOMPARE(g.getPixelCount(), w * h);
    QCOMPARE(g.pointToIndex(point.x(), point.y()), i);
    QCOMPARE(g.indexToPoint(i), point);
    QCOMPARE(allDirs(g, i, &Graf::neighbourIndex), neighbours);
    QCOMPARE(allDirs(g, i, &Graf::neighbourOrTerminal), neighbours);
    for (const int bad : {4, -1, -2, 5, -3})
        QCOMPARE(g.neighbourIndex(i, bad), -1);
    QCOMPARE(g.neighbourOrTerminal(i, -1), w * h + 1);
    QCOMPARE(g.neighbourOrTerminal(i, -2), -10);
    QCOMPARE(g.neighbourOrTerminal(i, 4), -1);
}

void TestGraf::edgeStorage()
{
    QCOMPARE(gridOfFives().vertCap, Ints({0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 5, 5}));
    QCOMPARE(gridOfFives().horizCap, Ints({5, 5, 5, 0, 5, 5, 5, 0, 5, 5, 5, 0}));
    QCOMPARE(makeGraph(1, 3, 5).vertCap, Ints({0, 5, 5}));
    QCOMPARE(makeGraph(1, 3, 5).horizCap, Ints({0, 0, 0}));
    QCOMPARE(makeGraph(3, 1, 5).vertCap, Ints({0, 0, 0}));
    QCOMPARE(makeGraph(3, 1, 5).horizCap, Ints({5, 5, 0}));
    QCOMPARE(makeGraph(1, 1, 5).horizCap, Ints({0}));
    QCOMPARE(makeGraph(1, 1, 5).vertCap, Ints({0}));

    // The setters overwrite with 0 where the link cannot exist, whatever was there.
    Graf g = makeGraph(4, 3);
    g.vertCap[2] = g.horizCap[7] = 9;
    g.setVertCapacity(2, 7);
    g.setHorizCapacity(7, 7);
    QCOMPARE(Ints({g.vertCap[2], g.horizCap[7]}), Ints({0, 0}));

    // Distinct values on the four links of pixel 5: up at 5, right at 5, down at 9, left at 4.
    g.setVertCapacity(5, 11);
    g.setHorizCapacity(5, 12);
    g.setVertCapacity(9, 13);
    g.setHorizCapacity(4, 14);
    g.vertFlow[5] = 1, g.horizFlow[5] = 2, g.vertFlow[9] = 3, g.horizFlow[4] = 4;
    QCOMPARE(allDirs(g, 5, &Graf::capacityInDirection), Ints({11, 12, 13, 14}));
    QCOMPARE(allDirs(g, 5, &Graf::flowInDirection), Ints({1, 2, 3, 4}));
    QCOMPARE(allDirs(g, 5, &Graf::neighbourWithCapacity), Ints({1, 6, 9, 4}));
    // The same links seen from the other end.
    QCOMPARE(Ints({g.capacityInDirection(1, 2), g.capacityInDirection(6, 3),
                   g.capacityInDirection(9, 0), g.capacityInDirection(4, 1)}),
             Ints({11, 12, 13, 14}));
    QCOMPARE(Ints({g.flowInDirection(1, 2), g.flowInDirection(6, 3), g.flowInDirection(9, 0),
                   g.flowInDirection(4, 1)}),
             Ints({1, 2, 3, 4}));

    // A capacity of 0 or less is no edge; the flow counter is then not reported either.
    g.setVertCapacity(5, 0);
    g.setHorizCapacity(5, -3);
    QCOMPARE(allDirs(g, 5, &Graf::neighbourWithCapacity), Ints({-1, -1, 9, 4}));
    QCOMPARE(allDirs(g, 5, &Graf::capacityInDirection), Ints({0, 0, 13, 14}));
    QCOMPARE(allDirs(g, 5, &Graf::flowInDirection), Ints({0, 0, 3, 4}));
    QCOMPARE(g.neighbourWithCapacity(6, 3), -1);
    // Flow equal to capacity still leaves the edge: flow is not looked at.
    g.vertFlow[9] = 13;
    QCOMPARE(g.neighbourWithCapacity(5, 2), 9);
    // A value stored where no neighbour lies is never read.
    g.horizCap[3] = 8;
    QCOMPARE(g.neighbourWithCapacity(3, 1), -1);
    QCOMPARE(g.capacityInDirection(3, 1), 0);
    // From -1, -1 % 4 and -1 / 4 would lead down to pixel 3, so a value there must stay
    // unread: a negative index has no neighbours at all.
    g.vertCap[3] = 5;
    QCOMPARE(allDirs(g, -1, &Graf::neighbourWithCapacity), Ints(4, -1));
    QCOMPARE(allDirs(g, -1, &Graf::residualNeighbour), Ints(4, -1));
}

void TestGraf::selfCheckAdditions()
{
    Graf g = gridOfFives();
    g.addCapacityInDirection(6, 3, -40);
    g.addCapacityInDirection(6, 2, -20);
    g.addCapacityInDirection(6, 1, -40);
    g.addCapacityInDirection(6, 0, -20);
    g.addCapacityInDirection(10, 1, -40);
    g.addCapacityInDirection(10, 0, -20);  // onto a link already at -15
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 5, 5, -15, 5, 5, 5, -35, 5}));
    QCOMPARE(g.horizCap, Ints({5, 5, 5, 0, 5, -35, -35, 0, 5, 5, -35, 0}));
    QCOMPARE(allDirs(g, 6, &Graf::neighbourWithCapacity), Ints({-1, -1, -1, -1}));
    QCOMPARE(allDirs(g, 10, &Graf::neighbourWithCapacity), Ints({-1, -1, -1, 9}));
    QCOMPARE(allDirs(g, 10, &Graf::capacityInDirection), Ints({0, 0, 0, 5}));
    QCOMPARE(g.capacityBetween(6, 2), 0);

    // Toward a missing neighbour nothing changes; toward a present one it adds whatever the
    // link holds.
    const std::vector<Ints> before = arrays(g);
    const int missing[][2] = {{3, 1}, {0, 0}, {11, 2}, {8, 3}, {5, 4}};  // pixel, direction
    for (const auto &m : missing)
        g.addCapacityInDirection(m[0], m[1], 9);
    QCOMPARE(arrays(g), before);
    g.addCapacityInDirection(5, 1, 36);
    QCOMPARE(g.horizCap[5], 1);
    QCOMPARE(g.neighbourWithCapacity(6, 3), 5);
}

void TestGraf::distanceRule_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("expected");
    // Filled below: vertCap[i] = 10 + i and horizCap[i] = 20 + i through the setters (so 0
    // where no link exists), then vertCap[9] = -4 and horizCap[2] = -3; on the grid 99 is
    // also written straight into horizCap[3] and horizCap[7], where no link exists.
    const int rows[][5] = {
        {4, 3, 5, -1, 0},  {4, 3, -1, 5, 0},  {4, 3, 4, 4, 0},   {4, 3, 11, 12, 0},
        {4, 3, 12, 11, 0}, {4, 3, 3, 4, 0},   {4, 3, 4, 3, 0},   {4, 3, 7, 8, 0},
        {4, 3, 1, 2, 21},  {4, 3, 2, 1, 21},  {4, 3, 2, 3, 0},   {4, 3, 10, 11, 30},
        {4, 3, 4, 0, 14},  {4, 3, 0, 4, 14},  {4, 3, 6, 2, 16},  {4, 3, 5, 9, 0},
        {4, 3, 7, 11, 21}, {4, 3, 8, 11, 0},  {4, 3, 0, 2, 14},  {4, 3, 1, 7, 15},
        {4, 3, 11, 3, 17}, {4, 3, 6, 9, 20},  {4, 3, 0, 11, 14}, {4, 3, 9, 11, 0},
        {1, 3, 0, 1, 11},  {1, 3, 1, 0, 11},  {1, 3, 1, 2, 12},  {1, 3, 2, 1, 12},
        {1, 3, 0, 2, 11},  {1, 3, 2, 3, 0},   {1, 3, 2, -1, 0},  {3, 1, 0, 1, 20},
        {3, 1, 1, 0, 20},  {3, 1, 2, 1, 21},  {3, 1, 0, 2, 0},   {3, 1, 2, 3, 0},
        {1, 3, 0, 0, 0},   {1, 1, 0, 0, 0},   {1, 1, 0, 1, 0},   {1, 1, 0, -1, 0},
    };
    for (const auto &r : rows)
        QTest::addRow("%dx%d (%d,%d)", r[0], r[1], r[2], r[3]) << r[0] << r[1] << r[2] << r[3]
                                                               << r[4];
}

void TestGraf::distanceRule()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, expected);
    Graf g = makeGraph(w, h);
    for (int i = 0; i < w * h; ++i) {
        g.setVertCapacity(i, 10 + i);
        g.setHorizCapacity(i, 20 + i);
    }
    if (w == 4) {
        g.setVertCapacity(9, -4);
        g.setHorizCapacity(2, -3);
        g.horizCap[3] = g.horizCap[7] = 99;
    }
    QCOMPARE(g.capacityBetween(a, b), expected);
}

void TestGraf::sharedFlowsAndResiduals()
{
    Graf g = gridOfFives();
    g.addFlowBetween(5, 6, 3);  // 6 is right of 5: the counter at 5
    QCOMPARE(g.horizFlow, Ints({0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(g.vertFlow, Ints(12, 0));
    QCOMPARE(Ints({g.residualBetween(5, 6), g.residualBetween(6, 5)}), Ints({2, 2}));
    QCOMPARE(Ints({g.residualNeighbour(5, 1), g.residualNeighbour(6, 3)}), Ints({6, 5}));
    QCOMPARE(g.flowInDirection(6, 3), 3);
    g.addFlowBetween(6, 5, 2);  // the other way adds to the same counter
    QCOMPARE(g.horizFlow[5], 5);
    QCOMPARE(Ints({g.residualBetween(5, 6), g.residualBetween(6, 5)}), Ints({0, 0}));
    QCOMPARE(Ints({g.residualNeighbour(5, 1), g.residualNeighbour(6, 3)}), Ints({-1, -1}));
    QCOMPARE(g.neighbourWithCapacity(5, 1), 6);
    g.addFlowBetween(5, 6, -5);
    QCOMPARE(Ints({g.residualBetween(5, 6), g.residualBetween(6, 5)}), Ints({5, 5}));

    // Vertical: 5 is above 9, the link and its counter live at 9.
    g.addFlowBetween(9, 5, 7);
    QCOMPARE(g.vertFlow[9], 7);
    QCOMPARE(Ints({g.residualBetween(5, 9), g.residualBetween(9, 5)}), Ints({-2, -2}));
    QCOMPARE(Ints({g.residualNeighbour(5, 2), g.residualNeighbour(9, 0)}), Ints({-1, -1}));
    QCOMPARE(g.flowInDirection(5, 2), 7);

    // Residual counts capacity - flow only: a capacity of 0 with a negative counter has room.
    g.addCapacityBetween(0, 4, -5);
    QCOMPARE(g.vertCap[4], 0);
    g.addFlowBetween(4, 0, -2);
    QCOMPARE(g.vertFlow[4], -2);
    QCOMPARE(Ints({g.residualNeighbour(0, 2), g.residualNeighbour(4, 0)}), Ints({4, 0}));
    QCOMPARE(g.residualBetween(0, 4), 2);
    QCOMPARE(g.neighbourWithCapacity(0, 2), -1);
    QCOMPARE(g.flowInDirection(0, 2), 0);

    g.addCapacityBetween(2, 6, -1);  // down from 2
    g.addCapacityBetween(6, 2, -1);  // up from 6: the same link
    QCOMPARE(g.vertCap[6], 3);
    QCOMPARE(g.capacityInDirection(2, 2), 3);
    g.addCapacityBetween(7, 6, 4);  // left from 7: the link at 6
    QCOMPARE(g.horizCap[6], 9);

    // No pixel above, none to the right, no such direction, and a negative index.
    QCOMPARE(Ints({g.residualNeighbour(1, 0), g.residualNeighbour(3, 1), g.residualNeighbour(5, 4),
                   g.residualNeighbour(5, -3), g.residualNeighbour(-1, 1)}),
             Ints(5, -1));
}

void TestGraf::terminalLinks()
{
    Graf g = makeGraph(4, 3);
    g.setSourceCapacity(2, 4);
    g.setSinkCapacity(2, 6);
    QCOMPARE(Ints({g.sourceCapacity(2), g.sinkCapacity(2)}), Ints({4, 6}));
    QCOMPARE(Ints({g.residualNeighbour(2, -1), g.residualNeighbour(2, -2)}), Ints({13, -10}));
    QCOMPARE(g.residualNeighbour(3, -1), -1);  // capacity 0, flow 0
    g.setSourceFlow(2, 3);
    QCOMPARE(g.residualNeighbour(2, -1), 13);
    g.setSourceFlow(2, 4);
    QCOMPARE(g.residualNeighbour(2, -1), -1);
    g.setSinkFlow(2, 1);
    QCOMPARE(Ints({g.sinkResidual(2), g.sourceFlowAt(2), g.sinkFlowAt(2)}), Ints({5, 4, 1}));
    g.setSinkFlow(2, 6);
    QCOMPARE(g.residualNeighbour(2, -2), -1);
    QCOMPARE(g.sinkResidual(2), 0);
    g.setSinkFlow(2, -2);
    QCOMPARE(g.sinkResidual(2), 8);
    QCOMPARE(Ints({g.sourceCapacity(-1), g.sinkCapacity(-1), g.sinkResidual(-1),
                   g.sinkCapacity(-5)}),
             Ints(4, -1));

    Graf row = makeGraph(3, 1);
    row.setSourceCapacity(1, 1);
    QCOMPARE(row.residualNeighbour(1, -1), 4);
}

void TestGraf::nonNeighbourPairsFail_data()
{
    QTest::addColumn<int>("op");  // 0 addCapacityBetween, 1 addFlowBetween, 2 residualBetween
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    const int rows[][3] = {
        {0, 0, 5}, {0, 3, 4}, {0, 0, -1}, {0, 5, 5}, {0, 0, 8}, {0, 11, 12},
        {1, 0, 5}, {1, 4, 3}, {1, 0, -1}, {1, 5, 5}, {1, 2, 10}, {1, 8, 7},
        {2, 0, 5}, {2, 7, 8}, {2, 11, -1}, {2, 6, 6},
    };
    for (const auto &r : rows)
        QTest::addRow("op %d (%d,%d)", r[0], r[1], r[2]) << r[0] << r[1] << r[2];
}

void TestGraf::nonNeighbourPairsFail()
{
    QFETCH(int, op);
    QFETCH(int, a);
    QFETCH(int, b);
    Graf g = gridOfFives();
    const std::vector<Ints> before = arrays(g);
    DiagCapture out;
    if (op == 0)
        g.addCapacityBetween(a, b, 3);
    else if (op == 1)
        g.addFlowBetween(a, b, 3);
    else
        (void)g.residualBetween(a, b);
    QCOMPARE(out.lines, QStringList(op == 2 ? "FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!"
                                            : "FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!"));
    QCOMPARE(arrays(g), before);
}

void TestGraf::flowAboveCapacityWarnsAndStores()
{
    Graf g = makeGraph(4, 3);
    g.setSourceCapacity(3, 5);
    DiagCapture out;
    g.setSourceFlow(3, 6);
    QCOMPARE(out.lines, QStringList("velky tok !!!!"));
    QCOMPARE(g.sourceFlowAt(3), 6);
    g.setSinkFlow(7, 1);  // sink capacity 0
    QCOMPARE(out.lines, QStringList({"velky tok !!!!", "velky tok !!!!"}));
    QCOMPARE(g.sinkFlowAt(7), 1);
    QCOMPARE(g.sinkResidual(7), -1);
}

void TestGraf::normalOperationsAreSilent()
{
    Graf g = gridOfFives();
    g.setSourceCapacity(3, 5);
    g.setSinkCapacity(3, 2);
    DiagCapture out;
    for (int i = 0; i < 12; ++i)
        for (int d = 0; d < 4; ++d) {
            const int j = g.neighbourIndex(i, d);
            (void)g.capacityBetween(i, j);
            if (j < 0)
                continue;
            g.addCapacityBetween(i, j, 1);
            g.addFlowBetween(i, j, 1);
            (void)g.residualBetween(i, j);
        }
    (void)g.capacityBetween(0, 5);  // the distance rule never fails aloud
    g.setSourceFlow(3, 5);           // equal to the capacity
    g.setSourceFlow(3, -4);
    g.setSinkFlow(3, 2);
    QCOMPARE(out.lines, QStringList());
    // Each n-link was touched twice, once from each end.
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 7, 7, 7, 7, 7, 7, 7, 7}));
    QCOMPARE(g.horizFlow, Ints({2, 2, 2, 0, 2, 2, 2, 0, 2, 2, 2, 0}));
}

void TestGraf::resetAndInit()
{
    const Graf fresh;
    for (const Ints &a : arrays(fresh))
        QVERIFY(a.empty());

    auto dirty = [](Graf &g) {
        for (std::vector<int> *a : {&g.sourceCap, &g.sinkCap, &g.sourceFlow, &g.sinkFlow,
                                    &g.vertCap, &g.horizCap, &g.vertFlow, &g.horizFlow})
            a->assign(a->size(), 9);
    };
    auto allZero = [](const Graf &g, int count) {
        for (const Ints &a : arrays(g))
            if (a != Ints(std::size_t(count), 0))
                return false;
        return true;
    };

    Graf g = makeGraph(4, 3);
    dirty(g);
    g.reset();  // the terminal ids stay
    QCOMPARE(fields(g), Ints({0, 0, 0, 13, -10}));
    QVERIFY(allZero(g, 0));
    g.reset();
    QCOMPARE(fields(g), Ints({0, 0, 0, 13, -10}));

    g.init(4, 3, 12);
    QVERIFY(allZero(g, 12));
    dirty(g);
    g.init(4, 3, 12);  // same size, no reset between
    QVERIFY(allZero(g, 12));
    dirty(g);
    g.init(2, 3, 6);
    QCOMPARE(fields(g), Ints({2, 3, 6, 7, -10}));
    QVERIFY(allZero(g, 6));
    dirty(g);
    g.init(5, 4, 20);
    QCOMPARE(fields(g), Ints({5, 4, 20, 21, -10}));
    QVERIFY(allZero(g, 20));
}

void TestGraf::selfCheckReport()
{
    MyPainter window;
    PaintWidget &canvas = *window.canvas;
    // A graph of another size with every number set, so the slot must really re-initialise.
    canvas.graf.init(5, 2, 10);
    for (Ints *a : {&canvas.graf.sourceCap, &canvas.graf.sinkCap, &canvas.graf.sourceFlow,
                    &canvas.graf.sinkFlow, &canvas.graf.vertFlow, &canvas.graf.horizFlow})
        a->assign(10, 2);
    DiagCapture out;
    QVERIFY(QMetaObject::invokeMethod(&canvas, "graf_test", Qt::DirectConnection));

    const QStringList expected = expectedSelfCheck();
    QCOMPARE(expected.size(), 12 + 2 + 12 + 2 * (24 + 12) + 1 + 12);
    // A few lines worked by hand, so the model above is itself checked.
    QCOMPARE(expected[12], QString());
    QCOMPARE(expected[26], QString("0 a 0\t0 sused hore: -1 sused pravo: 1 sused dole: 4 sused lavo: -1"));
    QCOMPARE(expected[26 + 36 + 13],
             QString("2 a 1\t6 sused hore: -1 sused pravo: -1 sused dole: -1 sused lavo: -1"));
    QCOMPARE(expected[26 + 36 + 24 + 10],
             QString("10 sused hore: 0 sused pravo: 0 sused dole: 0 sused lavo: 5"));
    QCOMPARE(expected[99 + 3], QString("3 sused hore kapacita: 0 sused pravo kapacita: 0 "
                                       "sused dole kapacita: 5 sused lavo kapacita: 5"));
    QCOMPARE(expected[99 + 6], QString("6 sused hore kapacita: 0 sused pravo kapacita: 0 "
                                       "sused dole kapacita: 0 sused lavo kapacita: 0"));

    for (int i = 0; i < std::max(out.lines.size(), expected.size()); ++i) {
        const QString got = out.lines.value(i, "<no line>");
        const QString want = expected.value(i, "<no line>");
        if (got != want)
            QFAIL(qPrintable(QString("first difference at line %1: got \"%2\", expected \"%3\"")
                                 .arg(i + 1)
                                 .arg(QString(got).replace('\t', "\\t"),
                                      QString(want).replace('\t', "\\t"))));
    }

    // The test grid stays as the canvas's graph, with the self-check's capacities only.
    const Graf &g = canvas.graf;
    QCOMPARE(fields(g), Ints({4, 3, 12, 13, -10}));
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 5, 5, -15, 5, 5, 5, -35, 5}));
    QCOMPARE(g.horizCap, Ints({5, 5, 5, 0, 5, -35, -35, 0, 5, 5, -35, 0}));
    for (const Ints *a : {&g.sourceCap, &g.sinkCap, &g.sourceFlow, &g.sinkFlow, &g.vertFlow,
                          &g.horizFlow})
        QCOMPARE(*a, Ints(12, 0));
}

QTEST_MAIN(TestGraf)
#include "tst_graf.moc"
