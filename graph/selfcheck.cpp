#include "graph/selfcheck.h"

#include "graph/Graf.h"
#include "diag/diag.h"

namespace {

const char *const Labels[4] = {" sused hore: ", " sused pravo: ", " sused dole: ", " sused lavo: "};

void neighbourLines(const Graf &g)
{
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const int i = g.pointToIndex(x, y);
            {
                diag::Line line;
                line << x << " a " << y << '\t' << i;
                for (int dir = 0; dir < 4; ++dir)
                    line << Labels[dir] << g.neighbourIndex(i, dir);
            }
            diag::Line line;
            line << x << " a " << y << '\t' << i;
            for (int dir = 0; dir < 4; ++dir)
                line << Labels[dir] << g.neighbourWithCapacity(i, dir);
        }
}

void capacityLines(const Graf &g)
{
    for (int i = 0; i < 12; ++i) {
        diag::Line line;
        line << i;
        for (int dir = 0; dir < 4; ++dir)
            line << Labels[dir] << g.capacityInDirection(i, dir);
    }
}

} // namespace

void runGraphSelfCheck(Graf &g)
{
    g.init(4, 3, 12);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            diag::Line() << x << " a " << y << " ma index: " << g.pointToIndex(x, y);
    diag::line("");
    diag::line("PO PREVODE SPAT");
    for (int i = 0; i < 12; ++i) {
        const QPoint p = g.indexToPoint(i);
        diag::Line() << i << " index ma suradnice: " << p.x() << " a " << p.y();
    }
    for (int i = 0; i < 12; ++i) {
        g.setVertCapacity(i, 5);
        g.setHorizCapacity(i, 5);
    }
    g.setVertCapacity(1, 5);
    g.setHorizCapacity(1, 5);
    neighbourLines(g);
    capacityLines(g);

    g.addCapacityInDirection(6, 3, -40);
    g.addCapacityInDirection(6, 2, -20);
    g.addCapacityInDirection(6, 1, -40);
    g.addCapacityInDirection(6, 0, -20);
    g.addCapacityInDirection(10, 1, -40);
    g.addCapacityInDirection(10, 0, -20);
    neighbourLines(g);
    capacityLines(g);

    diag::line("----HLADANIE SUSEDOV S KAPACITAMI---");
    const char *const capacityLabels[4] = {" sused hore kapacita: ", " sused pravo kapacita: ",
                                           " sused dole kapacita: ", " sused lavo kapacita: "};
    for (int i = 0; i < 12; ++i) {
        diag::Line line;
        line << i;
        for (int dir = 0; dir < 4; ++dir)
            line << capacityLabels[dir] << g.capacityBetween(i, g.neighbourIndex(i, dir));
    }
}
