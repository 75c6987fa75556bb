#pragma once

// What both solvers' comparisons with their literal references share: a host that records
// every call, a run's observable fields and their first difference, random sizes and
// images, small constructed graphs, the soak factor (SEG_SOAK=<factor> multiplies the
// random counts). A solver that loops is ended by the test's timeout.
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "segmentation/SolverHost.h"
#include "support/Testing.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QVariant>

#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

namespace solvertest {

using Ints = std::vector<int>;
constexpr int Max = INT_MAX;

// Records every call in order; the cancelAt-th cancel test (counted from 1) and all later
// ones report a cancel, 0 never does.
class ScriptedHost final : public SolverHost {
public:
    explicit ScriptedHost(int cancelAt = 0) : m_cancelAt(cancelAt) {}
    void begin(int maximum) override { calls << QString("begin %1").arg(maximum); }
    void processEvents() override { calls << "events"; }
    bool wasCanceled() override
    {
        const bool c = m_cancelAt > 0 && ++m_tests >= m_cancelAt;
        calls << QString("canceled %1").arg(int(c));
        return c;
    }
    void setValue(int value) override { calls << QString("value %1").arg(value); }
    void setIterationLabel(int iteration) override { calls << QString("label %1").arg(iteration); }
    QStringList calls;

private:
    int m_cancelAt;
    int m_tests = 0;
};

inline int soakFactor() { return std::max(1, qEnvironmentVariableIntValue("SEG_SOAK")); }

class Rng {
public:
    explicit Rng(unsigned seed) : m_gen(seed) {}
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_gen); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_gen); }
    // Up to 16 x 16, with many single rows and columns, narrow strips and images under four
    // pixels.
    QSize size()
    {
        switch (range(0, 9)) {
        case 0: return {1, range(1, 16)};
        case 1: return {range(1, 16), 1};
        case 2: return {range(1, 2), range(1, 3)};
        case 3: return {range(1, 3), range(1, 16)};
        default: return {range(1, 16), range(1, 16)};
        }
    }

private:
    std::mt19937 m_gen;
};

// A graph from explicit per-pixel arrays; empty arrays leave zeros.
inline Graf makeGraph(int w, int h, const Ints &source, const Ints &sink, const Ints &vert = {},
                      const Ints &horiz = {})
{
    Graf g;
    g.init(w, h, w * h);
    auto at = [](const Ints &a, int i) { return a.empty() ? 0 : a[std::size_t(i)]; };
    for (int i = 0; i < w * h; ++i) {
        g.setSourceCapacity(i, at(source, i)), g.setSinkCapacity(i, at(sink, i));
        g.setVertCapacity(i, at(vert, i)), g.setHorizCapacity(i, at(horiz, i));
    }
    return g;
}

// Small graphs that reach the rules easy to get wrong, run by both solvers at every cancel
// point: equal, larger and smaller terminals (also 2147483647), sources that retire and are
// passed through, path and queue order by direction, level before source order, a centre
// that pushes into neighbours above the pixel count, tiny images, no n-links, no source,
// nothing at all, and excess beyond 32 bits.
struct ConstructedGraph {
    const char *name;
    int w, h;
    Ints source, sink, vert = {}, horiz = {};
};

inline const std::vector<ConstructedGraph> &constructedGraphs()
{
    static const Ints centre{0, 0, 0, 0, 50, 0, 0, 0, 0}, sides{0, 2, 0, 2, 0, 2, 0, 2, 0};
    static const Ints six{5, 3, 9, 6, 0, 4}, sixSink{5, 7, 4, 0, 8, 1};
    static const std::vector<ConstructedGraph> graphs = {
        {"two sources, two sinks", 3, 2, {Max, 0, 0, 4, 0, 0}, {0, 0, Max, 0, 0, 3}, {0, 0, 0, 0, 1, 0}, {2, 1, 0, 1, 5, 0}},
        {"length 2", 4, 1, {9, 4, Max, 0}, {4, 9, Max, 6}},
        {"equal middle", 3, 1, {7, 5, 0}, {0, 5, 8}, {}, {3, 3, 0}},
        {"no path", 2, 1, {3, 0}, {0, 3}},
        {"no source left", 2, 1, {7, 0}, {7, 3}, {}, {5, 0}},
        {"empty", 0, 0, {}, {}},
        {"retired source", 3, 1, {100, 5, 0}, {0, 0, 10}, {}, {4, 7, 0}},
        {"sides", 3, 3, centre, sides, {0, 0, 0, 9, 9, 9, 9, 9, 9}, {9, 9, 0, 9, 9, 0, 9, 9, 0}},
        {"source order", 3, 1, {5, 0, 5}, {0, 1, 0}, {}, {3, 3, 0}},
        {"level first", 3, 2, {6, 0, 0, 0, 0, 6}, {0, 0, 1, 0, 1, 0}, {}, {4, 4, 0, 0, 4, 0}},
        {"column", 1, 4, {Max, 0, 0, 0}, {0, 0, 0, Max}, {0, 5, 3, 4}},
        {"1x1", 1, 1, {Max}, {0}},
        {"six, links", 3, 2, six, sixSink, {0, 0, 0, 3, 3, 3}, {3, 3, 0, 3, 3, 0}},
        {"six, isolated", 3, 2, six, sixSink},
        {"nothing queued", 2, 2, {4, 4, 4, 3}, {4, 4, 9, 0}, {0, 0, 2, 2}, {2, 0, 2, 0}},
        {"star", 3, 3, {0, 0, 0, 0, 100, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 1, 0},
         {0, 0, 0, 1, 1, 0, 0, 0, 0}},
        {"high pixel keeps excess", 4, 1, {100, 0, 0, 0}, {1, 0, 0, 0}, {}, {10, 0, 0, 0}},
        {"1x1 s > t", 1, 1, {5}, {2}},
        {"1x1 equal", 1, 1, {5}, {5}},
        {"2x1", 2, 1, {10, 0}, {1, 0}, {}, {3, 0}},
        {"3x1 back off one link", 3, 1, {10, 0, 0}, {1, 0, 5}, {}, {4, 2, 0}},
        {"1x3 back off one link", 1, 3, {10, 0, 0}, {1, 0, 5}, {0, 4, 2}},
        {"excess beyond 32 bits", 2, 1, {Max, Max}, {1, 1}, {}, {5, 0}},
    };
    return graphs;
}

// Terminals and n-links in modes: 0 ties (0 to 3), 1 one value, 2 small (a few negative: no
// link), 3 medium, 4 extremes (2147483647 and near it, negatives down to the smallest); each
// with its share of zeros and of pixels with a terminal; now and then seeds (2147483647 to one
// terminal, 0 to the other). Large terminals go only with large n-links, since a push-relabel
// discharge takes about excess / capacity passes.
inline Graf randomGraph(Rng &r, QString &description)
{
    static const int terminals[] = {0, 1, 2, 3, -1, 1000, INT_MAX, INT_MAX - 1, INT_MAX / 2, INT_MIN};
    static const int links[] = {0, -1, INT_MIN, INT_MAX, INT_MAX - 1, INT_MAX / 2};
    const QSize size = r.size();
    const int t = r.range(0, 4), l = t == 4 ? 4 : r.range(std::max(0, t - 1), 4), uniform = r.range(1, 4);
    const double zeros = r.range(0, 6) / 10.0, shares[] = {r.range(1, 10) / 10.0, r.range(1, 10) / 10.0};
    const double seeds = r.chance(0.5) ? r.range(1, 3) / 10.0 : 0.0;
    auto value = [&](int mode, bool link) {
        switch (mode) {
        case 0: return r.range(0, 3);
        case 1: return r.chance(zeros) ? 0 : uniform;
        case 2: return r.chance(zeros) ? 0 : r.chance(0.1) ? r.range(-3, 0) : r.range(1, 40);
        case 3: return r.chance(zeros) ? 0 : r.range(1, 5000);
        default:
            if (link)
                return r.chance(0.6) ? links[r.range(0, 5)] : r.range(1 << 28, INT_MAX);
            return r.chance(0.7) ? terminals[r.range(0, 9)] : r.range(0, INT_MAX);
        }
    };
    Graf g;
    g.init(size.width(), size.height(), size.width() * size.height());
    for (int i = 0; i < g.pixelCount; ++i) {
        const bool seed = r.chance(seeds), object = r.chance(0.5);
        g.setSourceCapacity(i, seed ? (object ? Max : 0) : r.chance(shares[0]) ? value(t, false) : 0);
        g.setSinkCapacity(i, seed ? (object ? 0 : Max) : r.chance(shares[1]) ? value(t, false) : 0);
        g.setVertCapacity(i, value(l, true));
        g.setHorizCapacity(i, value(l, true));
    }
    description = QString("%1x%2 modes %3/%4").arg(size.width()).arg(size.height()).arg(t).arg(l);
    return g;
}

// A random picture with seeds and a lambda: any format (palette, 1-bit, 8-bit gray, any bytes
// where there is no palette: premultiplied colours above their alpha too), gray or coloured,
// of one or two levels, of any or smooth; one to four seeds of each kind inside, now and then
// one outside, a point maybe in both lists; a lambda with fractions or at the ends.
struct Scene { QImage image; std::vector<QPoint> object, background; double lambda; QString what; };

inline Scene randomScene(Rng &r)
{
    static const double lambdas[] = {0.0, 0.5, 1.0, 2.55, 10.0, 0.01, 999.99};
    const QSize size = r.size();
    const int w = size.width(), h = size.height(), style = r.range(0, 3), levels[] = {r.range(0, 255), r.range(0, 1) * 255};
    const bool gray = r.chance(0.5);
    Scene s{QImage(size, QImage::Format_ARGB32), {}, {}, r.chance(0.3) ? r.range(0, 99999) / 100.0 : lambdas[r.range(0, 6)], {}};
    for (int i = 0; i < w * h; ++i) {
        const int v = style == 3 ? std::min(255, (i % w * 16 + i / w * 9) % 256 + r.range(0, 12))
                    : style == 2 ? r.range(0, 255) : levels[style ? r.range(0, 1) : 0];
        const int g = gray ? v : r.range(0, 255), b = gray ? v : r.range(0, 255);
        s.image.setPixel(i % w, i / w, qRgba(v, g, b, r.chance(0.8) ? 255 : r.range(0, 255)));
    }
    const auto format = QImage::Format(r.range(QImage::Format_Mono, QImage::NImageFormats - 1));
    s.image = s.image.convertToFormat(format);
    if (s.image.colorCount() == 0 && r.chance(0.3))
        std::generate(s.image.bits(), s.image.bits() + s.image.sizeInBytes(), [&] { return uchar(r.range(0, 255)); });
    for (auto *list : {&s.object, &s.background})
        for (int k = r.range(1, 4); k > 0 || r.chance(0.2); --k)
            list->push_back(k > 0 ? QPoint(r.range(0, w - 1), r.range(0, h - 1)) : QPoint(r.range(-2, w + 2), h + r.range(-2, 2)));
    s.what = QString("%1x%2 format %3 lambda %4 seeds %5/%6").arg(w).arg(h).arg(format).arg(s.lambda).arg(s.object.size()).arg(s.background.size());
    return s;
}

// Through graph construction.
inline Graf builtGraph(Rng &r, QString &description)
{
    const Scene s = randomScene(r);
    Graf g;
    if (construction::buildGraph(g, construction::readIntensities(s.image), s.image.width(), s.image.height(), s.object,
                                 s.background, s.lambda) != construction::BuildStatus::Ok)
        qFatal("graph construction refused a valid image");
    description = "built " + s.what;
    return g;
}

// Empty when the two sequences agree, otherwise where they first differ.
template <typename A, typename B>
QString firstDifference(const char *name, const A &a, const B &b)
{
    if (int(a.size()) != int(b.size()))
        return QString("%1: size %2 vs %3").arg(name).arg(a.size()).arg(b.size());
    for (int i = 0; i < int(a.size()); ++i)
        if (a[i] != b[i])
            return QString("%1[%2]: %3 vs %4").arg(name).arg(i).arg(QVariant(a[i]).toString(),
                                                                  QVariant(b[i]).toString());
    return {};
}

// Everything a run leaves that can be observed.
struct Outcome {
    long long steps = 0;  // iterations or dequeues
    bool canceled = false;
    QVector<int> objectPixels{2, 2, 7};  // stale contents that every run must replace
    QVector<bool> objectMask = QVector<bool>(10, true);
    Graf graf;
    Ints heights;  // push-relabel only
    std::vector<long long> excess;
    QStringList lines, calls;
};

// Runs `solve(outcome, host)` on a copy of `g`, recording lines and host calls.
template <typename Solve>
Outcome runOn(const Graf &g, int cancelAt, Solve solve)
{
    Outcome o;
    o.graf = g;
    ScriptedHost host(cancelAt);
    DiagCapture capture;
    solve(o, host);
    o.lines = capture.lines;
    o.calls = host.calls;
    return o;
}

// Empty when the two runs agree in every field, otherwise the first difference.
inline QString difference(const Outcome &a, const Outcome &b)
{
    QString d = firstDifference("steps, canceled", QVector<long long>{a.steps, a.canceled},
                                QVector<long long>{b.steps, b.canceled});
    const auto more = [&d](const QString &next) { d = d.isEmpty() ? next : d; };
    more(firstDifference("objectPixels", a.objectPixels, b.objectPixels));
    more(firstDifference("objectMask", a.objectMask, b.objectMask));
    more(firstDifference("heights", a.heights, b.heights));
    more(firstDifference("excess", a.excess, b.excess));
    for (const auto array : grafArrays)
        more(firstDifference("graph array", a.graf.*array, b.graf.*array));
    more(firstDifference("lines", a.lines, b.lines));
    more(firstDifference("calls", a.calls, b.calls));
    return d;
}

} // namespace solvertest
