// Graph construction: intensities from every image format, seed means, hand-worked graphs,
// refusals and failed allocations that keep the old graph, and agreement with the
// construction's literal steps on random images (SEG_SOAK=<factor> runs more of them).
#include "construction/GraphBuilder.h"
#include "support/GrafState.h"
#include "support/RowCompare.h"

#include <QImage>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

// While armed, the failAt-th allocation of at least `threshold` bytes throws.
namespace allocfault {
std::atomic<bool> armed{false};
std::atomic<std::size_t> threshold{0};
std::atomic<int> seen{0};
std::atomic<int> failAt{0};  // 0: count only
} // namespace allocfault

void *operator new(std::size_t size)
{
    void *p = allocfault::armed && size >= allocfault::threshold && ++allocfault::seen == allocfault::failAt
                  ? nullptr : std::malloc(size ? size : 1);
    return p ? p : throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using construction::BuildStatus;
constexpr auto build = construction::buildGraph;
using grafstate::Ints;
using grafstate::state;
using Points = std::vector<QPoint>;

namespace {

constexpr int Max = 2147483647;

// A graph left by an earlier run: another size, everything written, odd node ids.
Graf usedGraph()
{
    Graf g;
    g.init(5, 2, 10);
    for (int i = 0; i < 10; ++i)
        g.sourceCap[i] = 100 + i, g.sinkCap[i] = 200 - i, g.sourceFlow[i] = i, g.sinkFlow[i] = -i,
        g.vertCap[i] = 3 * i, g.horizCap[i] = 7 - i, g.vertFlow[i] = i % 3, g.horizFlow[i] = -(i % 4);
    g.sourceNode = 77, g.sinkNode = 55;
    return g;
}

// The construction's steps written out literally through the graph's setters, with seeds
// outside the image dropped first. False when a list has none left.
bool referenceBuild(Graf &g, const Ints &in, int width, int height, Points obj, Points bg,
                    double lambda)
{
    auto outside = [&](const QPoint &p) { return p.x() < 0 || p.y() < 0 || p.x() >= width || p.y() >= height; };
    obj.erase(std::remove_if(obj.begin(), obj.end(), outside), obj.end());
    bg.erase(std::remove_if(bg.begin(), bg.end(), outside), bg.end());
    if (obj.empty() || bg.empty())
        return false;
    const int n = int(in.size());
    g.reset(), g.init(width, height, n);
    int maxI = in[0], minI = in[0];
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            maxI = std::max(maxI, in[g.pointToIndex(x, y)]), minI = std::min(minI, in[g.pointToIndex(x, y)]);
    auto mean = [&](const Points &seeds) {
        int sum = 0;
        for (const QPoint &p : seeds)
            sum += in[g.pointToIndex(p.x(), p.y())];
        return sum / int(seeds.size());
    };
    const int objectMean = mean(obj), backgroundMean = mean(bg);
    for (int i = 0; i < n; ++i)
        g.setSourceCapacity(i, int((maxI - std::abs(objectMean - in[i])) * lambda));
    for (const QPoint &p : obj) g.setSourceCapacity(g.pointToIndex(p.x(), p.y()), Max);
    for (const QPoint &p : bg) g.setSourceCapacity(g.pointToIndex(p.x(), p.y()), 0);
    for (int i = 0; i < n; ++i)
        g.setSinkCapacity(i, int((maxI - std::abs(backgroundMean - in[i])) * lambda));
    for (const QPoint &p : obj) g.setSinkCapacity(g.pointToIndex(p.x(), p.y()), 0);
    for (const QPoint &p : bg) g.setSinkCapacity(g.pointToIndex(p.x(), p.y()), Max);
    for (int i = 0; i < n; ++i) {
        if (int j = g.neighbourIndex(i, 0); j != -1)
            g.setVertCapacity(i, maxI - minI - std::abs(in[i] - in[j]));
        if (int j = g.neighbourIndex(i, 1); j != -1)
            g.setHorizCapacity(i, maxI - minI - std::abs(in[i] - in[j]));
    }
    return true;
}

Ints redsByPixelColor(const QImage &img)
{
    Ints out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.push_back(img.pixelColor(x, y).red());
    return out;
}

} // namespace

class TestGraphBuilder : public QObject {
    Q_OBJECT

private slots:
    void intensities();
    void seedMean();
    void handWorkedGraphs();
    void refusalsKeepTheOldGraph();
    void failedAllocationKeepsTheOldGraph();
    void matchesLiteralConstructionOnRandomImages();
};

void TestGraphBuilder::intensities()
{
    using construction::readIntensities;
    QVERIFY(readIntensities(QImage()).empty());
    // Premultiplied, every red and alpha pair: at half alpha red 64 stands for about 128.
    QImage pre(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a)
        for (int r = 0; r < 256; ++r)
            reinterpret_cast<QRgb *>(pre.scanLine(a))[r] = qRgba(r, (r * 7 + a) & 255, (a * 3) & 255, a);
    const Ints fast = readIntensities(pre);
    QVERIFY(fast == redsByPixelColor(pre));
    QCOMPARE(fast[128 * 256 + 64] / 2, 64);

    // Every format, converted from a colour picture as an opened file would be, then with
    // arbitrary bytes and palette: every index and bit pattern, premultiplied pixels whose
    // colour exceeds their alpha included.
    std::mt19937 rng(12345);
    QImage source(37, 23, QImage::Format_ARGB32);
    for (int i = 0; i < 37 * 23; ++i)
        source.setPixel(i % 37, i / 37, rng());
    int formats = 0;
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        QImage img = source.convertToFormat(QImage::Format(f));
        if (img.isNull() || img.format() != f)
            continue;
        QVERIFY2(readIntensities(img) == redsByPixelColor(img), qPrintable(QString::number(f)));
        QVector<QRgb> table;
        for (int i = 0; i < 256 && f == QImage::Format_Indexed8; ++i)
            table << QRgb(rng());
        if (!table.isEmpty())
            img.setColorTable(table);
        for (int y = 0; y < img.height(); ++y)
            for (int b = 0; b < img.bytesPerLine(); ++b)
                img.scanLine(y)[b] = uchar(rng());
        QVERIFY2(readIntensities(img) == redsByPixelColor(img), qPrintable(QString::number(f)));
        ++formats;
    }
    QVERIFY(formats >= 20);
}

void TestGraphBuilder::seedMean()
{
    using construction::seedMean;
    const Ints in = {10, 20, 200, 3};
    const Points twice = {{1, 0}, {1, 0}, {0, 0}}, three = {{0, 0}, {1, 0}, {0, 1}};
    QCOMPARE(Ints({seedMean(in, 2, 2, three), seedMean(in, 2, 2, twice), seedMean(in, 2, 2, {})}),
             Ints({76, 16, 0}));  // 76.67 rounded down; repeats count
    // On 3 x 3 only (1, 1) lies inside; the others would alias pixels 3, 2, 8 and 9.
    const Ints nine = {0, 0, 250, 250, 40, 0, 0, 0, 250};
    QCOMPARE(seedMean(nine, 3, 3, {{3, 0}, {-1, 1}, {1, 1}, {5, 1}, {0, 3}, {0, -1}, {-3, 3}}), 40);
    QCOMPARE(seedMean(nine, 3, 3, {QPoint(3, 0), QPoint(0, 3)}), 0);
    QCOMPARE(seedMean(Ints({5, 9}), 2, 2, {QPoint(1, 0), QPoint(1, 1)}), 9);  // past the end
    // 10 million seeds: a sum of 2.545e9 is beyond 32 bits.
    Points seeds(10000000, QPoint(0, 0));
    for (std::size_t i = 0; i < seeds.size(); i += 2)
        seeds[i] = QPoint(1, 0);
    QCOMPARE(seedMean({255, 254, 0, 0}, 2, 2, seeds), 254);  // 254.5
}

void TestGraphBuilder::handWorkedGraphs()
{
    struct Case { QString name; int w; Ints in; Points obj, bg; double lambda; Ints source, sink, vert, horiz; };
    std::vector<Case> cases = {
        // Lambda 0: seeds only on the t-links; n-links are not scaled (range 50).
        {"lambda 0", 3, {0, 10, 20, 30, 40, 50}, {{2, 1}}, {{0, 0}}, 0.0, {0, 0, 0, 0, 0, Max}, {Max, 0, 0, 0, 0, 0},
         {0, 0, 0, 20, 20, 20}, {40, 40, 0, 40, 40, 0}},
        // One intensity: range 0, no n-links, every other pixel 90 * 1.5 on both sides.
        {"uniform", 3, Ints(6, 90), {{0, 0}}, {{2, 1}}, 1.5, {Max, 135, 135, 135, 135, 0}, {0, 135, 135, 135, 135, Max},
         Ints(6, 0), Ints(6, 0)},
        // Range 255, means 255 and 0: source v, sink 255 - v.
        {"one row", 5, {0, 100, 40, 40, 255}, {{4, 0}}, {{0, 0}}, 1.0, {0, 100, 40, 40, Max}, {Max, 155, 215, 215, 0},
         Ints(5, 0), {155, 195, 255, 40, 0}},
        // Max 120, range 100, means 120 and 20, lambda 2.
        {"one column", 1, {20, 30, 30, 120}, {{0, 3}}, {{0, 0}}, 2.0, {0, 60, 60, Max}, {Max, 220, 220, 0},
         {0, 90, 100, 10}, Ints(4, 0)},
        // Seeds outside would alias pixels 3 and 2, or run past the end; inside 200 and 0.
        {"seeds outside", 3, {0, 50, 100, 150, 200, 50, 100, 150, 100}, {{3, 0}, {1, 1}, {0, 3}, {-5, -5}},
         {{-1, 1}, {0, 0}, {3, 2}, {100000, 100000}}, 1.0, {0, 50, 100, 150, Max, 50, 100, 150, 100},
         {Max, 150, 100, 50, 0, 150, 100, 50, 100}, {0, 0, 0, 50, 50, 150, 150, 150, 150},
         {150, 150, 0, 150, 50, 0, 150, 150, 0}},
        // (1, 0) in both lists: it ends with the background, and counts in
        // both means (150 and 50), so pixel 3 gets 200 - 90 and 200 - 10.
        {"shared point", 4, {0, 100, 200, 60}, {{1, 0}, {2, 0}}, {{0, 0}, {1, 0}}, 1.0, {0, 0, Max, 110},
         {Max, Max, 0, 190}, Ints(4, 0), {100, 100, 60, 0}},
    };
    // level level 0 0, means level and 0: the middle t-links are trunc(level * lambda).
    const struct { int level; double lambda; int weight; } products[] = {{3, 0.5, 1}, {7, 2.55, 17}, {255, 999.99, 254997}};
    for (const auto &p : products)
        cases.push_back({QString("%1 x %2").arg(p.level).arg(p.lambda), 4, {p.level, p.level, 0, 0}, {{0, 0}}, {{2, 0}},
                         p.lambda, {Max, p.weight, 0, 0}, {0, 0, Max, p.weight}, {0, 0, 0, 0}, {p.level, 0, p.level, 0}});

    for (const Case &c : cases) {
        const int h = int(c.in.size()) / c.w;
        for (Graf g : {Graf(), usedGraph()}) {  // the whole old graph is replaced, in place or not
            ROW_COMPARE(build(g, c.in, c.w, h, c.obj, c.bg, c.lambda), BuildStatus::Ok, c.name);
            ROW_COMPARE(state(g), grafstate::built(c.w, h, c.source, c.sink, c.vert, c.horiz), c.name);
        }
    }
}

void TestGraphBuilder::refusalsKeepTheOldGraph()
{
    const Ints four = {1, 2, 3, 4};
    const Points in = {{1, 1}}, out = {{2, 0}, {0, 2}, {-1, 0}, {0, -1}};
    struct Case { QSize size; Ints in; Points obj, bg; BuildStatus status; };
    std::vector<Case> cases = {
        {{2, 2}, four, out, out, BuildStatus::NoSeeds},  {{2, 2}, four, in, out, BuildStatus::NoSeeds},
        {{2, 2}, four, out, in, BuildStatus::NoSeeds},   {{2, 2}, four, {}, in, BuildStatus::NoSeeds},
        {{2, 2}, four, in, {}, BuildStatus::NoSeeds},    {{2, 2}, four, {}, {}, BuildStatus::NoSeeds},
        {{3, 1}, {1, 2}, {{0, 0}}, {{1, 0}}, BuildStatus::SizeMismatch},
        {{3, 1}, four, {{0, 0}}, {{1, 0}}, BuildStatus::SizeMismatch},
        {{3, 1}, {}, {{0, 0}}, {{1, 0}}, BuildStatus::SizeMismatch},
    };
    for (const QSize s : {QSize(0, 0), QSize(0, 3), QSize(3, 0), QSize(-2, -2)})  // no pixel, no seed inside
        cases.push_back({s, {}, {{0, 0}}, {{0, 0}}, BuildStatus::NoSeeds});
    // Refused on the size alone, before the (empty) intensities; 2^32 and 2^32 + 65536
    // pixels wrap to 0 and 65536 in 32 bits.
    for (const QSize s : {QSize(8192, 8193), QSize(65536, 65536), QSize(65536, 65537), QSize(100000, 100000),
                          QSize(2147483647, 2), QSize(1, 64 * 1024 * 1024 + 1)})
        cases.push_back({s, {}, {{0, 0}}, {{1, 0}}, BuildStatus::TooLarge});
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const Case &c = cases[k];
        Graf g = usedGraph();
        const QString row = QString("%1: %2x%3").arg(k).arg(c.size.width()).arg(c.size.height());
        ROW_COMPARE(build(g, c.in, c.size.width(), c.size.height(), c.obj, c.bg, 10.0), c.status, row);
        ROW_COMPARE(state(g), state(usedGraph()), row);
    }
}

void TestGraphBuilder::failedAllocationKeepsTheOldGraph()
{
    // 100 x 100: count the allocations of a whole per-pixel array in one build, then make
    // each of them fail in turn.
    const int w = 100, h = 100;
    Ints in(w * h);
    for (int i = 0; i < w * h; ++i)
        in[i] = (i * 37) % 256;
    const Points obj = {{5, 5}}, bg = {{90, 90}};
    auto armedBuild = [&](Graf &g, int failAt) {
        allocfault::threshold = std::size_t(w) * h * sizeof(int), allocfault::seen = 0, allocfault::failAt = failAt;
        allocfault::armed = true;
        const BuildStatus s = build(g, in, w, h, obj, bg, 2.0);
        allocfault::armed = false;
        return s;
    };
    Graf counted = usedGraph();
    QCOMPARE(armedBuild(counted, 0), BuildStatus::Ok);
    const int allocations = allocfault::seen;
    QVERIFY(allocations >= 8);
    Graf expected;
    QVERIFY(referenceBuild(expected, in, w, h, obj, bg, 2.0));
    QCOMPARE(state(counted), state(expected));
    for (int k = 1; k <= allocations; ++k) {
        Graf g = usedGraph();
        QCOMPARE(armedBuild(g, k), BuildStatus::OutOfMemory);
        QCOMPARE(state(g), state(usedGraph()));
    }
    // A rebuild over a graph of the same size, with a solver's flows in it, needs no new
    // memory: every segmentation rebuilds the graph of the image on screen.
    for (int i = 0; i < w * h; ++i)
        counted.sourceFlow[i] = counted.vertFlow[i] = 1;
    QCOMPARE(armedBuild(counted, 1), BuildStatus::Ok);
    QCOMPARE(state(counted), state(expected));
}

void TestGraphBuilder::matchesLiteralConstructionOnRandomImages()
{
    std::mt19937 rng(20240611);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const double lambdas[] = {0.0, 0.5, 1.0, 2.55, 10.0, 999.99, 0.29, 0.01};
    // Mostly one seed inside, some outside on every side, repeats and shared points.
    auto seeds = [&](int w, int h) {
        Points s;
        for (int k = uniform(0, 6); k > 0; --k)
            s.push_back(QPoint(uniform(-2, w + 1), uniform(-2, h + 1)));
        if (uniform(0, 3) != 0)
            s.push_back(QPoint(uniform(0, w - 1), uniform(0, h - 1)));
        return s;
    };
    int built = 0, refused = 0;
    auto check = [&](Graf &graph, int w, int h) {
        Ints in(w * h);
        const int mode = uniform(0, 3), lo = uniform(0, 255), hi = uniform(lo, 255);
        for (int &v : in)
            v = mode == 0 ? uniform(0, 255) : mode == 1 ? uniform(lo, hi) : mode == 2 ? lo : uniform(0, 1) ? lo : hi;
        const Points obj = seeds(w, h), bg = seeds(w, h);
        const double lambda = uniform(0, 2) == 0 ? lambdas[uniform(0, 7)] : uniform(0, 99999) / 100.0;
        Graf expected = graph;
        const bool ok = referenceBuild(expected, in, w, h, obj, bg, lambda);
        ++(ok ? built : refused);
        return build(graph, in, w, h, obj, bg, lambda) == (ok ? BuildStatus::Ok : BuildStatus::NoSeeds)
            && state(graph) == state(expected);
    };
    const int rounds = 300 * std::max(1, qEnvironmentVariableIntValue("SEG_SOAK"));
    for (int round = 0; round < rounds; ++round) {
        // From empty or from a used graph of 10 pixels, which some sizes reuse; then
        // rebuilt after a solver's changes, and for another picture.
        Graf graph = uniform(0, 1) ? usedGraph() : Graf();
        const int w = uniform(1, 9), h = uniform(1, 9);
        QVERIFY2(check(graph, w, h), qPrintable(QString("round %1").arg(round)));
        for (int i = 0; i < graph.pixelCount; ++i)
            graph.sourceFlow[i] = uniform(-5, 5), graph.horizFlow[i] = uniform(-5, 5), graph.sinkCap[i] -= uniform(0, 3);
        QVERIFY2(check(graph, w, h), qPrintable(QString("round %1, rebuilt").arg(round)));
        if (uniform(0, 1))
            QVERIFY2(check(graph, uniform(1, 9), uniform(1, 9)), qPrintable(QString("round %1, resized").arg(round)));
    }
    QVERIFY(built > rounds * 5 / 3 && refused > rounds / 15);
}

QTEST_GUILESS_MAIN(TestGraphBuilder)
#include "tst_graphbuilder.moc"
