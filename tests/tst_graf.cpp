// The pixel graph: index arithmetic and the neighbour rule, where each n-link lives, the
// distance rule of capacityBetween, flows shared by both directions, the failure lines,
// reset and init; and the whole report of the canvas's self-check slot against a text built
// here from an independent model of the 4 x 3 grid.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "graph/Graf.h"
#include "support/DiagCapture.h"

#include <QtTest>

#include <vector>

namespace {

// 4 x 3 with every n-link 5, as the self-check leaves it before its additions.
Graf gridOfFives()
{
    Graf g;
    g.init(4, 3, 12);
    for (int i = 0; i < 12; ++i) {
        g.setVertCapacity(i, 5);
        g.setHorizCapacity(i, 5);
    }
    return g;
}

std::vector<int> neighbours(const Graf &g, int i)
{
    return {g.neighbourIndex(i, 0), g.neighbourIndex(i, 1), g.neighbourIndex(i, 2),
            g.neighbourIndex(i, 3)};
}

std::vector<int> withCapacity(const Graf &g, int i)
{
    return {g.neighbourWithCapacity(i, 0), g.neighbourWithCapacity(i, 1),
            g.neighbourWithCapacity(i, 2), g.neighbourWithCapacity(i, 3)};
}

std::vector<int> capacities(const Graf &g, int i)
{
    return {g.capacityInDirection(i, 0), g.capacityInDirection(i, 1),
            g.capacityInDirection(i, 2), g.capacityInDirection(i, 3)};
}

// The self-check's 4 x 3 grid modelled on its own: links by the storage rule, the distance
// rule read literally.
struct Model {
    int vert[12];
    int horiz[12];

    int neighbour(int i, int d) const
    {
        const int x = i % 4, y = i / 4;
        switch (d) {
        case 0: return y >= 1 ? i - 4 : -1;
        case 1: return x <= 2 ? i + 1 : -1;
        case 2: return y <= 1 ? i + 4 : -1;
        default: return x >= 1 ? i - 1 : -1;
        }
    }
    int &link(int i, int d)
    {
        const int j = neighbour(i, d);
        return d == 0 ? vert[i] : d == 1 ? horiz[i] : d == 2 ? vert[j] : horiz[j];
    }
    int withCapacity(int i, int d)
    {
        const int j = neighbour(i, d);
        return j >= 0 && link(i, d) > 0 ? j : -1;
    }
    int capacityIn(int i, int d) { return withCapacity(i, d) < 0 ? 0 : link(i, d); }
    int between(int a, int b) const
    {
        if (a == b || a < 0 || b < 0 || a >= 12 || b >= 12)
            return 0;
        const int m = std::min(a, b);
        int v;
        if (std::abs(a - b) == 1) {
            if (m % 4 == 3)
                return 0;
            v = horiz[m];
        } else {
            if (m / 4 + 1 >= 3)
                return 0;
            v = vert[m + 4];
        }
        return v > 0 ? v : 0;
    }
};

const char *const Labels[4] = {" sused hore: ", " sused pravo: ", " sused dole: ", " sused lavo: "};

void neighbourReport(Model &m, QStringList &out)
{
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const int i = y * 4 + x;
            const QString head = QString("%1 a %2\t%3").arg(x).arg(y).arg(i);
            QString plain = head, capped = head;
            for (int d = 0; d < 4; ++d) {
                plain += Labels[d] + QString::number(m.neighbour(i, d));
                capped += Labels[d] + QString::number(m.withCapacity(i, d));
            }
            out << plain << capped;
        }
    for (int i = 0; i < 12; ++i) {
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
            out << QString("%1 a %2 ma index: %3").arg(x).arg(y).arg(y * 4 + x);
    out << "" << "PO PREVODE SPAT";
    for (int i = 0; i < 12; ++i)
        out << QString("%1 index ma suradnice: %2 a %3").arg(i).arg(i % 4).arg(i / 4);
    Model m;
    for (int i = 0; i < 12; ++i) {
        m.vert[i] = i >= 4 ? 5 : 0;
        m.horiz[i] = i % 4 != 3 ? 5 : 0;
    }
    neighbourReport(m, out);
    m.link(6, 3) -= 40;
    m.link(6, 2) -= 20;
    m.link(6, 1) -= 40;
    m.link(6, 0) -= 20;
    m.link(10, 1) -= 40;
    m.link(10, 0) -= 20;
    neighbourReport(m, out);
    out << "----HLADANIE SUSEDOV S KAPACITAMI---";
    const char *const capacityLabels[4] = {" sused hore kapacita: ", " sused pravo kapacita: ",
                                           " sused dole kapacita: ", " sused lavo kapacita: "};
    for (int i = 0; i < 12; ++i) {
        QString line = QString::number(i);
        for (int d = 0; d < 4; ++d)
            line += capacityLabels[d] + QString::number(m.between(i, m.neighbour(i, d)));
        out << line;
    }
    return out;
}

} // namespace

class TestGraf : public QObject {
    Q_OBJECT

private slots:
    void indexArithmeticAndNeighbourRule();
    void linksLiveAtTheLowerAndTheLeftPixel();
    void selfCheckAdditions();
    void distanceRule();
    void flowsAreSharedByBothDirections();
    void failureLines();
    void resetAndInit();
    void selfCheckReport();
};

void TestGraf::indexArithmeticAndNeighbourRule()
{
    Graf g;
    g.init(4, 3, 12);
    QCOMPARE(g.pointToIndex(3, 2), 11);
    QCOMPARE(g.indexToPoint(7), QPoint(3, 1));
    QCOMPARE(neighbours(g, 0), std::vector<int>({-1, 1, 4, -1}));
    QCOMPARE(neighbours(g, 11), std::vector<int>({7, -1, -1, 10}));
    QCOMPARE(neighbours(g, 5), std::vector<int>({1, 6, 9, 4}));
    QCOMPARE(g.neighbourIndex(5, 4), -1);
    QCOMPARE(g.neighbourIndex(5, -1), -1);
    QCOMPARE(g.neighbourOrTerminal(5, -1), 13);
    QCOMPARE(g.neighbourOrTerminal(5, -2), -10);
    QCOMPARE(g.neighbourOrTerminal(5, 2), 9);

    Graf column;
    column.init(1, 3, 3);
    QCOMPARE(neighbours(column, 1), std::vector<int>({0, -1, 2, -1}));
    Graf row;
    row.init(3, 1, 3);
    QCOMPARE(neighbours(row, 1), std::vector<int>({-1, 2, -1, 0}));
    Graf single;
    single.init(1, 1, 1);
    QCOMPARE(neighbours(single, 0), std::vector<int>({-1, -1, -1, -1}));
}

void TestGraf::linksLiveAtTheLowerAndTheLeftPixel()
{
    Graf g = gridOfFives();
    QCOMPARE(g.vertCap, std::vector<int>({0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 5, 5}));
    QCOMPARE(g.horizCap, std::vector<int>({5, 5, 5, 0, 5, 5, 5, 0, 5, 5, 5, 0}));
    QCOMPARE(capacities(g, 5), std::vector<int>({5, 5, 5, 5}));
    QCOMPARE(capacities(g, 3), std::vector<int>({0, 0, 5, 5}));

    // Down from 5 and up from 9 are the one link held at 9; left from 6 and right from 5
    // the one held at 5.
    g.vertCap[9] = 7;
    g.vertFlow[9] = 2;
    g.horizCap[5] = 3;
    QCOMPARE(g.capacityInDirection(5, 2), 7);
    QCOMPARE(g.capacityInDirection(9, 0), 7);
    QCOMPARE(g.flowInDirection(5, 2), 2);
    QCOMPARE(g.flowInDirection(9, 0), 2);
    QCOMPARE(g.capacityInDirection(6, 3), 3);

    // A capacity of 0 or less is no edge, whatever the flow counter holds.
    g.vertCap[9] = 0;
    g.horizCap[5] = -2;
    QCOMPARE(g.neighbourWithCapacity(5, 2), -1);
    QCOMPARE(g.neighbourWithCapacity(9, 0), -1);
    QCOMPARE(g.neighbourWithCapacity(6, 3), -1);
    QCOMPARE(g.flowInDirection(5, 2), 0);
    QCOMPARE(g.capacityInDirection(5, 1), 0);
    QCOMPARE(g.neighbourWithCapacity(-1, 1), -1);
}

void TestGraf::selfCheckAdditions()
{
    Graf g = gridOfFives();
    g.addCapacityInDirection(6, 3, -40);
    g.addCapacityInDirection(6, 2, -20);
    g.addCapacityInDirection(6, 1, -40);
    g.addCapacityInDirection(6, 0, -20);
    g.addCapacityInDirection(10, 1, -40);
    g.addCapacityInDirection(10, 0, -20);
    QCOMPARE(g.vertCap, std::vector<int>({0, 0, 0, 0, 5, 5, -15, 5, 5, 5, -35, 5}));
    QCOMPARE(g.horizCap, std::vector<int>({5, 5, 5, 0, 5, -35, -35, 0, 5, 5, -35, 0}));
    QCOMPARE(withCapacity(g, 6), std::vector<int>({-1, -1, -1, -1}));
    QCOMPARE(withCapacity(g, 10), std::vector<int>({-1, -1, -1, 9}));
    QCOMPARE(g.capacityBetween(6, 2), 0);

    // Toward a missing neighbour nothing changes.
    const Graf before = g;
    g.addCapacityInDirection(3, 1, 9);
    g.addCapacityInDirection(0, 0, 9);
    QCOMPARE(g.vertCap, before.vertCap);
    QCOMPARE(g.horizCap, before.horizCap);
}

void TestGraf::distanceRule()
{
    Graf g = gridOfFives();
    g.vertCap[4] = 7;
    g.horizCap[1] = 8;
    QCOMPARE(g.capacityBetween(5, -1), 0);
    QCOMPARE(g.capacityBetween(-1, 5), 0);
    QCOMPARE(g.capacityBetween(5, 5), 0);
    QCOMPARE(g.capacityBetween(11, 12), 0);
    QCOMPARE(g.capacityBetween(3, 4), 0);  // 3 ends its row
    QCOMPARE(g.capacityBetween(4, 0), 7);
    QCOMPARE(g.capacityBetween(0, 4), 7);
    QCOMPARE(g.capacityBetween(2, 1), 8);
    // Any pair two or more apart reads the vertical link below the smaller index.
    QCOMPARE(g.capacityBetween(0, 2), 7);
    QCOMPARE(g.capacityBetween(9, 1), 5);
    QCOMPARE(g.capacityBetween(8, 11), 0);  // 8 is on the last row

    Graf column;
    column.init(1, 3, 3);
    column.setVertCapacity(1, 4);
    column.setVertCapacity(2, 6);
    QCOMPARE(column.capacityBetween(0, 1), 4);
    QCOMPARE(column.capacityBetween(1, 0), 4);
    QCOMPARE(column.capacityBetween(2, 1), 6);
    column.setVertCapacity(2, -3);
    QCOMPARE(column.capacityBetween(1, 2), 0);
}

void TestGraf::flowsAreSharedByBothDirections()
{
    Graf g = gridOfFives();
    g.addFlowBetween(5, 6, 3);
    QCOMPARE(g.horizFlow[5], 3);
    QCOMPARE(g.residualBetween(5, 6), 2);
    QCOMPARE(g.residualBetween(6, 5), 2);
    QCOMPARE(g.residualNeighbour(6, 3), 5);
    g.addFlowBetween(6, 5, -3);
    QCOMPARE(g.residualBetween(5, 6), 5);
    g.addFlowBetween(9, 5, 5);
    QCOMPARE(g.vertFlow[9], 5);
    QCOMPARE(g.residualNeighbour(5, 2), -1);
    QCOMPARE(g.residualNeighbour(9, 0), -1);
    QCOMPARE(g.neighbourWithCapacity(5, 2), 9);  // flow is not looked at there
    g.addCapacityBetween(6, 2, -2);
    QCOMPARE(g.vertCap[6], 3);

    g.setSourceCapacity(2, 4);
    g.setSinkCapacity(2, 6);
    QCOMPARE(g.residualNeighbour(2, -1), 13);
    QCOMPARE(g.residualNeighbour(2, -2), -10);
    g.setSourceFlow(2, 4);
    g.setSinkFlow(2, 1);
    QCOMPARE(g.residualNeighbour(2, -1), -1);
    QCOMPARE(g.sinkResidual(2), 5);
    QCOMPARE(g.residualNeighbour(-1, -1), -1);
    QCOMPARE(g.sourceCapacity(-1), -1);
    QCOMPARE(g.sinkCapacity(-1), -1);
    QCOMPARE(g.sinkResidual(-1), -1);
}

void TestGraf::failureLines()
{
    Graf g = gridOfFives();
    DiagCapture out;
    g.addCapacityBetween(5, 6, -1);
    g.addFlowBetween(5, 1, 2);
    (void)g.residualBetween(5, 4);
    g.setSourceCapacity(3, 2);
    g.setSourceFlow(3, 2);
    QCOMPARE(out.lines, QStringList());

    const Graf before = g;
    g.addFlowBetween(0, 5, 1);
    g.addCapacityBetween(0, 5, 1);
    g.addCapacityBetween(3, 4, 1);  // 4 follows 3 in index order but starts the next row
    (void)g.residualBetween(0, 5);
    QCOMPARE(g.vertFlow, before.vertFlow);
    QCOMPARE(g.horizFlow, before.horizFlow);
    QCOMPARE(g.vertCap, before.vertCap);
    QCOMPARE(g.horizCap, before.horizCap);
    g.setSourceFlow(3, 3);
    g.setSinkFlow(7, 1);
    QCOMPARE(g.sourceFlowAt(3), 3);
    QCOMPARE(g.sinkFlowAt(7), 1);
    const QString links = "FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!";
    QCOMPARE(out.lines, QStringList({links, links, links, "FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!",
                                     "velky tok !!!!", "velky tok !!!!"}));
}

void TestGraf::resetAndInit()
{
    Graf g = gridOfFives();
    g.setSourceCapacity(1, 9);
    g.addFlowBetween(1, 2, 4);
    g.reset();
    QCOMPARE(g.width, 0);
    QCOMPARE(g.height, 0);
    QCOMPARE(g.getPixelCount(), 0);
    QCOMPARE(g.sourceNode, 13);
    QCOMPARE(g.sinkNode, -10);
    for (const std::vector<int> *a : {&g.sourceCap, &g.sinkCap, &g.sourceFlow, &g.sinkFlow,
                                      &g.vertCap, &g.horizCap, &g.vertFlow, &g.horizFlow})
        QVERIFY(a->empty());

    for (const int count : {12, 6}) {
        g.init(count / 3, 3, count);
        QCOMPARE(g.sourceNode, count + 1);
        for (const std::vector<int> *a : {&g.sourceCap, &g.sinkCap, &g.sourceFlow, &g.sinkFlow,
                                          &g.vertCap, &g.horizCap, &g.vertFlow, &g.horizFlow})
            QCOMPARE(*a, std::vector<int>(std::size_t(count), 0));
        g.setSinkCapacity(0, 3);
        g.setHorizCapacity(0, 3);
    }
}

void TestGraf::selfCheckReport()
{
    MyPainter window;
    PaintWidget &canvas = *window.canvas;
    canvas.graf.init(2, 2, 4);
    DiagCapture out;
    QVERIFY(QMetaObject::invokeMethod(&canvas, "graf_test", Qt::DirectConnection));
    const QStringList expected = expectedSelfCheck();
    for (int i = 0; i < std::min(out.lines.size(), expected.size()); ++i)
        QVERIFY2(out.lines[i] == expected[i],
                 qPrintable(QString("line %1: got \"%2\", expected \"%3\"")
                                .arg(i + 1).arg(out.lines[i], expected[i])));
    QCOMPARE(out.lines.size(), expected.size());

    // The test grid stays in place of the canvas's graph.
    QCOMPARE(canvas.graf.width, 4);
    QCOMPARE(canvas.graf.height, 3);
    QCOMPARE(canvas.graf.getPixelCount(), 12);
    QCOMPARE(canvas.graf.vertCap, std::vector<int>({0, 0, 0, 0, 5, 5, -15, 5, 5, 5, -35, 5}));
    QCOMPARE(canvas.graf.horizCap, std::vector<int>({5, 5, 5, 0, 5, -35, -35, 0, 5, 5, -35, 0}));
}

QTEST_MAIN(TestGraf)
#include "tst_graf.moc"
