// Plain graph construction: reading intensities from every image format, seed means,
// the capacities of hand-worked graphs, refusals that keep the old graph, and a
// comparison with a literal step-by-step construction on random images.
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"

#include <QImage>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

// Fault injection for the allocation test: while armed, the failAt-th allocation of at
// least `threshold` bytes throws. Everything else behaves as the ordinary operator new.
namespace allocfault {
std::atomic<bool> armed{false};
std::atomic<std::size_t> threshold{0};
std::atomic<int> seen{0};
std::atomic<int> failAt{0}; // 0: count only
} // namespace allocfault

void *operator new(std::size_t size)
{
    if (allocfault::armed.load() && size >= allocfault::threshold.load()) {
        const int k = ++allocfault::seen;
        if (k == allocfault::failAt.load())
            throw std::bad_alloc();
    }
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using construction::BuildStatus;

namespace {

constexpr int Max = 2147483647;

using Ints = std::vector<int>;
using Points = std::vector<QPoint>;

const char *statusName(BuildStatus s)
{
    switch (s) {
    case BuildStatus::Ok: return "Ok";
    case BuildStatus::NoSeeds: return "NoSeeds";
    case BuildStatus::TooLarge: return "TooLarge";
    case BuildStatus::OutOfMemory: return "OutOfMemory";
    case BuildStatus::SizeMismatch: return "SizeMismatch";
    }
    return "?";
}

QString ints(const Ints &v)
{
    QStringList parts;
    for (std::size_t i = 0; i < v.size() && i < 40; ++i)
        parts << QString::number(v[i]);
    if (v.size() > 40)
        parts << QString("... (%1 in all)").arg(v.size());
    return "[" + parts.join(", ") + "]";
}

// Empty when equal, otherwise the first differing field.
QString graphDifference(const Graf &a, const Graf &b)
{
    if (a.width != b.width || a.height != b.height || a.pixelCount != b.pixelCount)
        return QString("size %1x%2/%3 vs %4x%5/%6")
            .arg(a.width).arg(a.height).arg(a.pixelCount)
            .arg(b.width).arg(b.height).arg(b.pixelCount);
    if (a.sourceNode != b.sourceNode || a.sinkNode != b.sinkNode)
        return QString("nodes %1,%2 vs %3,%4")
            .arg(a.sourceNode).arg(a.sinkNode).arg(b.sourceNode).arg(b.sinkNode);
    const struct {
        const char *name;
        const Ints Graf::*field;
    } arrays[] = {
        {"sourceCap", &Graf::sourceCap}, {"sinkCap", &Graf::sinkCap},
        {"sourceFlow", &Graf::sourceFlow}, {"sinkFlow", &Graf::sinkFlow},
        {"vertCap", &Graf::vertCap}, {"horizCap", &Graf::horizCap},
        {"vertFlow", &Graf::vertFlow}, {"horizFlow", &Graf::horizFlow},
    };
    for (const auto &arr : arrays)
        if (a.*arr.field != b.*arr.field)
            return QString("%1 %2 vs %3").arg(arr.name, ints(a.*arr.field), ints(b.*arr.field));
    return QString();
}

#define COMPARE_GRAPHS(actual, expected)                                                       \
    do {                                                                                       \
        const QString diff_ = graphDifference(actual, expected);                               \
        QVERIFY2(diff_.isEmpty(), qPrintable(diff_));                                          \
    } while (0)

// A graph left by an earlier run: another size, capacities and flows written, odd node ids.
Graf usedGraph()
{
    Graf g;
    g.init(5, 2, 10);
    for (int i = 0; i < 10; ++i) {
        g.sourceCap[i] = 100 + i;
        g.sinkCap[i] = 200 - i;
        g.sourceFlow[i] = i;
        g.sinkFlow[i] = -i;
        g.vertCap[i] = 3 * i;
        g.horizCap[i] = 7 - i;
        g.vertFlow[i] = i % 3;
        g.horizFlow[i] = -(i % 4);
    }
    g.sourceNode = 77;
    g.sinkNode = 55;
    return g;
}

BuildStatus build(Graf &g, const Ints &in, int w, int h, const Points &obj, const Points &bg,
                  double lambda)
{
    return construction::buildGraph(g, in, w, h, obj, bg, lambda);
}

// The construction written straight from its steps, through the graph's setters, with
// seeds outside the image dropped first. Returns false when a list has none left.
bool referenceBuild(Graf &g, const Ints &intensities, int width, int height, Points obj,
                    Points bg, double lambda)
{
    auto outside = [&](const QPoint &p) {
        return p.x() < 0 || p.y() < 0 || p.x() >= width || p.y() >= height;
    };
    obj.erase(std::remove_if(obj.begin(), obj.end(), outside), obj.end());
    bg.erase(std::remove_if(bg.begin(), bg.end(), outside), bg.end());
    if (obj.empty() || bg.empty())
        return false;

    const int n = int(intensities.size());
    g.reset();
    g.init(width, height, n);

    int maxIntensity = intensities[0];
    int minIntensity = intensities[0];
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            const int v = intensities[g.pointToIndex(x, y)];
            if (v > maxIntensity)
                maxIntensity = v;
            if (v < minIntensity)
                minIntensity = v;
        }
    const int intensityRange = maxIntensity - minIntensity;

    auto mean = [&](const Points &seeds) {
        int sum = 0;
        for (const QPoint &p : seeds)
            sum += intensities[g.pointToIndex(p.x(), p.y())];
        return sum / int(seeds.size());
    };
    const int objectMean = mean(obj);
    const int backgroundMean = mean(bg);

    for (int i = 0; i < n; ++i)
        g.setSourceCapacity(i, int((maxIntensity - std::abs(objectMean - intensities[i])) * lambda));
    for (const QPoint &p : obj)
        g.setSourceCapacity(g.pointToIndex(p.x(), p.y()), 2147483647);
    for (const QPoint &p : bg)
        g.setSourceCapacity(g.pointToIndex(p.x(), p.y()), 0);
    for (int i = 0; i < n; ++i)
        g.setSinkCapacity(i, int((maxIntensity - std::abs(backgroundMean - intensities[i])) * lambda));
    for (const QPoint &p : obj)
        g.setSinkCapacity(g.pointToIndex(p.x(), p.y()), 0);
    for (const QPoint &p : bg)
        g.setSinkCapacity(g.pointToIndex(p.x(), p.y()), 2147483647);
    for (int i = 0; i < n; ++i) {
        int j = g.neighbourIndex(i, 0);
        if (j != -1)
            g.setVertCapacity(i, intensityRange - std::abs(intensities[i] - intensities[j]));
        j = g.neighbourIndex(i, 1);
        if (j != -1)
            g.setHorizCapacity(i, intensityRange - std::abs(intensities[i] - intensities[j]));
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

// First index where the two differ, or -1.
int firstDifference(const Ints &a, const Ints &b)
{
    if (a.size() != b.size())
        return int(std::min(a.size(), b.size()));
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return int(i);
    return -1;
}

} // namespace

class TestGraphBuilder : public QObject {
    Q_OBJECT

private slots:
    // --- readIntensities ---
    void intensitiesAreRedRowByRow();
    void intensitiesMatchPixelColorInEveryFormat();
    void intensitiesOfPremultipliedPixelsAreUnpremultiplied();
    void intensitiesOfEmptyImage();

    // --- seedMean ---
    void seedMeanTruncatesAndCountsRepeats();
    void seedMeanSkipsSeedsOutsideTheImage();
    void seedMeanDoesNotOverflow();

    // --- buildGraph: hand-worked graphs ---
    void workedExample();
    void lambdaZeroLeavesOnlySeedLinks();
    void tLinkWeightsAreTruncatedProducts_data();
    void tLinkWeightsAreTruncatedProducts();
    void uniformImageHasNoNLinks();
    void oneRowAndOneColumn();
    void replacesTheWholeOldGraph();
    void rebuildOfTheSameSizeStartsFromZero();
    void pointInBothListsEndsWithTheBackground();
    void seedsOutsideTheImageAreSkipped();

    // --- buildGraph: refusals keep the old graph ---
    void refusesWithoutSeedsInside();
    void refusesTooLargeImages();
    void refusesMismatchedIntensities();
    void failedAllocationKeepsTheOldGraph();
    void rebuildOfTheSameSizeNeedsNoNewMemory();

    // --- buildGraph against the literal construction ---
    void matchesLiteralConstructionOnRandomImages();
};

void TestGraphBuilder::intensitiesAreRedRowByRow()
{
    QImage img(3, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(1, 200, 200));
    img.setPixel(1, 0, qRgb(2, 0, 0));
    img.setPixel(2, 0, qRgb(3, 9, 9));
    img.setPixel(0, 1, qRgb(40, 1, 1));
    img.setPixel(1, 1, qRgb(50, 255, 0));
    img.setPixel(2, 1, qRgb(255, 0, 255));
    QCOMPARE(construction::readIntensities(img), Ints({1, 2, 3, 40, 50, 255}));

    QImage gray(2, 3, QImage::Format_Grayscale8);
    const uchar levels[3][2] = {{7, 8}, {9, 10}, {11, 250}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            gray.scanLine(y)[x] = levels[y][x];
    QCOMPARE(construction::readIntensities(gray), Ints({7, 8, 9, 10, 11, 250}));
}

void TestGraphBuilder::intensitiesMatchPixelColorInEveryFormat()
{
    std::mt19937 rng(12345);
    QImage source(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, rng());

    int formatsChecked = 0;
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        const auto format = QImage::Format(f);
        // Converted from a colour picture, as an opened file would be.
        QImage img = source.convertToFormat(format);
        if (img.isNull() || img.format() != format)
            continue;
        QCOMPARE(construction::readIntensities(img), redsByPixelColor(img));

        // Arbitrary bytes: every palette index and every bit pattern, including
        // premultiplied pixels whose colour exceeds their alpha.
        if (format == QImage::Format_Indexed8) {
            QVector<QRgb> table;
            for (int i = 0; i < 256; ++i)
                table << QRgb(rng());
            img.setColorTable(table);
        }
        for (int y = 0; y < img.height(); ++y) {
            uchar *line = img.scanLine(y);
            for (int b = 0; b < img.bytesPerLine(); ++b)
                line[b] = uchar(rng());
        }
        const Ints fast = construction::readIntensities(img);
        const Ints slow = redsByPixelColor(img);
        QVERIFY2(fast == slow, qPrintable(QString("format %1, first difference at %2")
                                              .arg(f).arg(firstDifference(fast, slow))));
        ++formatsChecked;
    }
    QVERIFY(formatsChecked >= 20);
}

void TestGraphBuilder::intensitiesOfPremultipliedPixelsAreUnpremultiplied()
{
    // Every red and alpha pair, valid or not, with green and blue varying.
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(a));
        for (int r = 0; r < 256; ++r)
            line[r] = qRgba(r, (r * 7 + a) & 255, (a * 3) & 255, a);
    }
    const Ints fast = construction::readIntensities(img);
    QCOMPARE(firstDifference(fast, redsByPixelColor(img)), -1);
    // Half alpha: red 64 stands for about 128 once un-premultiplied, not 64.
    QVERIFY(std::abs(fast[128 * 256 + 64] - 128) <= 1);
    QCOMPARE(fast[255 * 256 + 64], 64);

    // Also through a converted picture with partial alpha.
    QImage straight(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            straight.setPixel(x, y, qRgba(x * 16 + y, 90, 30, y * 16 + 7));
    const QImage pre = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(construction::readIntensities(pre), redsByPixelColor(pre));
}

void TestGraphBuilder::intensitiesOfEmptyImage()
{
    QVERIFY(construction::readIntensities(QImage()).empty());
    QVERIFY(construction::readIntensities(QImage(0, 5, QImage::Format_RGB32)).empty());
}

void TestGraphBuilder::seedMeanTruncatesAndCountsRepeats()
{
    const Ints in = {10, 20, 200, 3};
    QCOMPARE(construction::seedMean(in, 2, 2, {QPoint(0, 0), QPoint(1, 0)}), 15);
    QCOMPARE(construction::seedMean(in, 2, 2, {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1)}), 76);
    // (20 + 20 + 10) / 3 = 16.67; without the repeat it would be 15.
    QCOMPARE(construction::seedMean(in, 2, 2, {QPoint(1, 0), QPoint(1, 0), QPoint(0, 0)}), 16);
    QCOMPARE(construction::seedMean(in, 2, 2, {QPoint(1, 1)}), 3);
    QCOMPARE(construction::seedMean(in, 2, 2, {}), 0);
}

void TestGraphBuilder::seedMeanSkipsSeedsOutsideTheImage()
{
    // 3 x 3; the one seed inside is (1, 1) of 40. The others would alias pixels 3, 2, 8
    // and 9 (past the end) if turned into indices unchecked.
    const Ints in = {0, 0, 250, 250, 40, 0, 0, 0, 250};
    const Points seeds = {QPoint(3, 0), QPoint(-1, 1), QPoint(1, 1), QPoint(5, 1),
                          QPoint(0, 3), QPoint(0, -1), QPoint(-3, 3)};
    QCOMPARE(construction::seedMean(in, 3, 3, seeds), 40);
    QCOMPARE(construction::seedMean(in, 3, 3, {QPoint(3, 0), QPoint(0, 3)}), 0);
    // Fewer intensities than pixels: a seed past their end is skipped too.
    QCOMPARE(construction::seedMean(Ints({5, 9}), 2, 2, {QPoint(1, 0), QPoint(1, 1)}), 9);
}

void TestGraphBuilder::seedMeanDoesNotOverflow()
{
    // 10 million seeds: the sum, 2.545e9, is beyond a 32-bit integer.
    const Ints in = {255, 254, 0, 0};
    Points seeds;
    seeds.reserve(10000000);
    for (int i = 0; i < 5000000; ++i) {
        seeds.push_back(QPoint(0, 0));
        seeds.push_back(QPoint(1, 0));
    }
    QCOMPARE(construction::seedMean(in, 2, 2, seeds), 254); // 254.5 truncated
    for (QPoint &p : seeds)
        p = QPoint(0, 0);
    QCOMPARE(construction::seedMean(in, 2, 2, seeds), 255);
}

void TestGraphBuilder::workedExample()
{
    // max 200, range 190, object mean 200, background mean 10, lambda 10:
    // source (200 - |200 - v|) * 10 = 0, 500, seed; sink (200 - |10 - v|) * 10 = seed, 1600, 10
    // then 0 for the object seed; n-links 190 - 40 and 190 - 150.
    Graf g;
    QCOMPARE(build(g, {10, 50, 200}, 3, 1, {QPoint(2, 0)}, {QPoint(0, 0)}, 10.0), BuildStatus::Ok);
    QCOMPARE(g.sourceCap, Ints({0, 500, Max}));
    QCOMPARE(g.sinkCap, Ints({Max, 1600, 0}));
    QCOMPARE(g.horizCap, Ints({150, 40, 0}));
    QCOMPARE(g.vertCap, Ints({0, 0, 0}));
    QCOMPARE(g.width, 3);
    QCOMPARE(g.height, 1);
    QCOMPARE(g.pixelCount, 3);
    QCOMPARE(g.sourceNode, 4);
    QCOMPARE(g.sinkNode, -10);
}

void TestGraphBuilder::lambdaZeroLeavesOnlySeedLinks()
{
    // 3 x 2: 0 10 20 / 30 40 50, range 50; object seed (2, 1), background seed (0, 0).
    Graf g;
    QCOMPARE(build(g, {0, 10, 20, 30, 40, 50}, 3, 2, {QPoint(2, 1)}, {QPoint(0, 0)}, 0.0),
             BuildStatus::Ok);
    QCOMPARE(g.sourceCap, Ints({0, 0, 0, 0, 0, Max}));
    QCOMPARE(g.sinkCap, Ints({Max, 0, 0, 0, 0, 0}));
    // n-links are not scaled by lambda: 50 - 10 across, 50 - 30 down.
    QCOMPARE(g.horizCap, Ints({40, 40, 0, 40, 40, 0}));
    QCOMPARE(g.vertCap, Ints({0, 0, 0, 20, 20, 20}));
}

void TestGraphBuilder::tLinkWeightsAreTruncatedProducts_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("lambda");
    QTest::addColumn<int>("expected");
    QTest::newRow("3 x 0.5 = 1.5") << 3 << 0.5 << 1;
    QTest::newRow("7 x 2.55 = 17.85") << 7 << 2.55 << 17;
    // 0.29 as a double is a little below 0.29: the product is 28.999...
    QTest::newRow("100 x 0.29 = 28.99") << 100 << 0.29 << 28;
    QTest::newRow("255 x 999.99 = 254997.45") << 255 << 999.99 << 254997;
    QTest::newRow("9 x 1 = 9") << 9 << 1.0 << 9;
}

void TestGraphBuilder::tLinkWeightsAreTruncatedProducts()
{
    QFETCH(int, level);
    QFETCH(double, lambda);
    QFETCH(int, expected);
    // level, level, 0: object seed on pixel 0 (mean = max = level), background seed on
    // pixel 2 (mean 0). Pixel 1: source weight level - 0, sink weight level - level = 0.
    // Pixel 2 mirrored: source weight level - level; and a fourth pixel of 0 has sink
    // weight level - 0.
    Graf g;
    QCOMPARE(build(g, {level, level, 0, 0}, 4, 1, {QPoint(0, 0)}, {QPoint(2, 0)}, lambda),
             BuildStatus::Ok);
    QCOMPARE(g.sourceCap, Ints({Max, expected, 0, 0}));
    QCOMPARE(g.sinkCap, Ints({0, 0, Max, expected}));
    QCOMPARE(g.horizCap, Ints({level, 0, level, 0}));
}

void TestGraphBuilder::uniformImageHasNoNLinks()
{
    Graf g;
    const Ints in(12, 90);
    QCOMPARE(build(g, in, 4, 3, {QPoint(0, 0)}, {QPoint(3, 2)}, 1.5), BuildStatus::Ok);
    Ints source(12, 135), sink(12, 135);
    source[0] = Max;
    sink[0] = 0;
    source[11] = 0;
    sink[11] = Max;
    QCOMPARE(g.sourceCap, source);
    QCOMPARE(g.sinkCap, sink);
    QCOMPARE(g.vertCap, Ints(12, 0));
    QCOMPARE(g.horizCap, Ints(12, 0));
}

void TestGraphBuilder::oneRowAndOneColumn()
{
    {
        // 0 100 40 40 255: range 255; object mean 255, background mean 0, lambda 1:
        // source 255 - (255 - v) = v, sink 255 - v.
        Graf g;
        QCOMPARE(build(g, {0, 100, 40, 40, 255}, 5, 1, {QPoint(4, 0)}, {QPoint(0, 0)}, 1.0),
                 BuildStatus::Ok);
        QCOMPARE(g.sourceCap, Ints({0, 100, 40, 40, Max}));
        QCOMPARE(g.sinkCap, Ints({Max, 155, 215, 215, 0}));
        QCOMPARE(g.horizCap, Ints({155, 195, 255, 40, 0}));
        QCOMPARE(g.vertCap, Ints(5, 0));
    }
    {
        // 20 / 30 / 30 / 120: max 120, range 100; object mean 120, background mean 20,
        // lambda 2: source (120 - (120 - v)) * 2, sink (120 - (v - 20)) * 2.
        Graf g;
        QCOMPARE(build(g, {20, 30, 30, 120}, 1, 4, {QPoint(0, 3)}, {QPoint(0, 0)}, 2.0),
                 BuildStatus::Ok);
        QCOMPARE(g.sourceCap, Ints({0, 60, 60, Max}));
        QCOMPARE(g.sinkCap, Ints({Max, 220, 220, 0}));
        QCOMPARE(g.vertCap, Ints({0, 90, 100, 10}));
        QCOMPARE(g.horizCap, Ints(4, 0));
    }
}

void TestGraphBuilder::replacesTheWholeOldGraph()
{
    // 2 x 2: 10 20 / 30 40, max 40, range 30; object seeds 40 and 30 (mean 35),
    // background seed 10, lambda 1.
    Graf g = usedGraph();
    QCOMPARE(build(g, {10, 20, 30, 40}, 2, 2, {QPoint(1, 1), QPoint(0, 1)}, {QPoint(0, 0)}, 1.0),
             BuildStatus::Ok);
    QCOMPARE(g.width, 2);
    QCOMPARE(g.height, 2);
    QCOMPARE(g.pixelCount, 4);
    QCOMPARE(g.sourceNode, 5);
    QCOMPARE(g.sinkNode, -10);
    QCOMPARE(g.sourceCap, Ints({0, 40 - 15, Max, Max}));
    QCOMPARE(g.sinkCap, Ints({Max, 40 - 10, 0, 0}));
    QCOMPARE(g.horizCap, Ints({20, 0, 20, 0}));
    QCOMPARE(g.vertCap, Ints({0, 0, 10, 10}));
    QCOMPARE(g.sourceFlow, Ints(4, 0));
    QCOMPARE(g.sinkFlow, Ints(4, 0));
    QCOMPARE(g.vertFlow, Ints(4, 0));
    QCOMPARE(g.horizFlow, Ints(4, 0));
}

void TestGraphBuilder::rebuildOfTheSameSizeStartsFromZero()
{
    // The used graph has 10 pixels, 5 x 2. Rebuilt as 5 x 2 and as 2 x 5: 0 .. 90 by
    // tens, max 90, range 90; object seed on 90, background seed on 0, lambda 1:
    // source v, sink 90 - v.
    const Ints in = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    {
        Graf g = usedGraph();
        QCOMPARE(build(g, in, 5, 2, {QPoint(4, 1)}, {QPoint(0, 0)}, 1.0), BuildStatus::Ok);
        QCOMPARE(g.width, 5);
        QCOMPARE(g.height, 2);
        QCOMPARE(g.pixelCount, 10);
        QCOMPARE(g.sourceNode, 11);
        QCOMPARE(g.sinkNode, -10);
        QCOMPARE(g.sourceCap, Ints({0, 10, 20, 30, 40, 50, 60, 70, 80, Max}));
        QCOMPARE(g.sinkCap, Ints({Max, 80, 70, 60, 50, 40, 30, 20, 10, 0}));
        QCOMPARE(g.horizCap, Ints({80, 80, 80, 80, 0, 80, 80, 80, 80, 0}));
        QCOMPARE(g.vertCap, Ints({0, 0, 0, 0, 0, 40, 40, 40, 40, 40}));
        for (const Ints *flows : {&g.sourceFlow, &g.sinkFlow, &g.vertFlow, &g.horizFlow})
            QCOMPARE(*flows, Ints(10, 0));
    }
    {
        Graf g = usedGraph();
        QCOMPARE(build(g, in, 2, 5, {QPoint(1, 4)}, {QPoint(0, 0)}, 1.0), BuildStatus::Ok);
        QCOMPARE(g.width, 2);
        QCOMPARE(g.height, 5);
        QCOMPARE(g.sourceNode, 11);
        QCOMPARE(g.sinkNode, -10);
        QCOMPARE(g.horizCap, Ints({80, 0, 80, 0, 80, 0, 80, 0, 80, 0}));
        QCOMPARE(g.vertCap, Ints({0, 0, 70, 70, 70, 70, 70, 70, 70, 70}));
        for (const Ints *flows : {&g.sourceFlow, &g.sinkFlow, &g.vertFlow, &g.horizFlow})
            QCOMPARE(*flows, Ints(10, 0));
    }
}

void TestGraphBuilder::pointInBothListsEndsWithTheBackground()
{
    // 3 x 1: 0 100 200. (1, 0) is in both lists, whichever comes first in either list.
    // Means: object (100 + 200) / 2 = 150, background (100 + 0) / 2 = 50; lambda 1.
    const Ints in = {0, 100, 200};
    const Points objectOrders[] = {{QPoint(1, 0), QPoint(2, 0)}, {QPoint(2, 0), QPoint(1, 0)}};
    const Points backgroundOrders[] = {{QPoint(1, 0), QPoint(0, 0)}, {QPoint(0, 0), QPoint(1, 0)}};
    for (const Points &obj : objectOrders)
        for (const Points &bg : backgroundOrders) {
            Graf g;
            QCOMPARE(build(g, in, 3, 1, obj, bg, 1.0), BuildStatus::Ok);
            QCOMPARE(g.sourceCap, Ints({0, 0, Max}));
            QCOMPARE(g.sinkCap, Ints({Max, Max, 0}));
        }
    // The means count the shared point in both lists: with it only in the background
    // list the object mean would be 200 and pixel 0 of lambda 1 would still be a seed, so
    // check a non-seed pixel instead.
    Graf g;
    QCOMPARE(build(g, {0, 100, 200, 60}, 4, 1, {QPoint(1, 0), QPoint(2, 0)},
                   {QPoint(1, 0), QPoint(0, 0)}, 1.0),
             BuildStatus::Ok);
    // Pixel 3 (60): source 200 - |150 - 60| = 110, sink 200 - |50 - 60| = 190.
    QCOMPARE(g.sourceCap[3], 110);
    QCOMPARE(g.sinkCap[3], 190);
}

void TestGraphBuilder::seedsOutsideTheImageAreSkipped()
{
    // 3 x 3, seeds outside that would alias pixels 3 ((3, 0)), 2 ((-1, 1)) and run past
    // the end ((0, 3)) if turned into indices unchecked. Inside: object (1, 1) of 200,
    // background (0, 0) of 0. Lambda 1, max 200: source v, sink 200 - v.
    const Ints in = {0, 50, 100, 150, 200, 50, 100, 150, 100};
    const Points obj = {QPoint(3, 0), QPoint(1, 1), QPoint(0, 3), QPoint(-5, -5)};
    const Points bg = {QPoint(-1, 1), QPoint(0, 0), QPoint(3, 2), QPoint(100000, 100000)};
    Graf g;
    QCOMPARE(build(g, in, 3, 3, obj, bg, 1.0), BuildStatus::Ok);
    QCOMPARE(g.sourceCap, Ints({0, 50, 100, 150, Max, 50, 100, 150, 100}));
    QCOMPARE(g.sinkCap, Ints({Max, 150, 100, 50, 0, 150, 100, 50, 100}));
}

void TestGraphBuilder::refusesWithoutSeedsInside()
{
    const Ints in = {1, 2, 3, 4};
    const Graf before = usedGraph();
    const Points inside = {QPoint(1, 1)};
    const Points outside = {QPoint(2, 0), QPoint(0, 2), QPoint(-1, 0), QPoint(0, -1)};
    const struct {
        Points obj, bg;
    } cases[] = {
        {outside, outside}, {inside, outside}, {outside, inside}, {{}, inside}, {inside, {}},
        {{}, {}},
    };
    for (const auto &c : cases) {
        Graf g = before;
        QCOMPARE(build(g, in, 2, 2, c.obj, c.bg, 10.0), BuildStatus::NoSeeds);
        COMPARE_GRAPHS(g, before);
    }
    // An image without pixels has no seed inside it.
    for (const QSize size : {QSize(0, 0), QSize(0, 3), QSize(3, 0), QSize(-2, -2)}) {
        Graf g = before;
        QCOMPARE(build(g, {}, size.width(), size.height(), {QPoint(0, 0)}, {QPoint(0, 0)}, 1.0),
                 BuildStatus::NoSeeds);
        COMPARE_GRAPHS(g, before);
    }
}

void TestGraphBuilder::refusesTooLargeImages()
{
    // Refused on width and height alone, before the (here empty) intensities are looked at.
    const Graf before = usedGraph();
    const QSize sizes[] = {
        QSize(8192, 8193),           // just above 64 Mi pixels
        QSize(65536, 65536),         // 2^32: 0 in 32-bit arithmetic
        QSize(65536, 65537),         // 2^32 + 65536: 65536 in 32-bit arithmetic
        QSize(100000, 100000),
        QSize(2147483647, 2),
        QSize(1, construction::MaxGraphPixels + 1),
    };
    for (const QSize &s : sizes) {
        Graf g = before;
        QCOMPARE(build(g, {}, s.width(), s.height(), {QPoint(0, 0)}, {QPoint(1, 0)}, 1.0),
                 BuildStatus::TooLarge);
        COMPARE_GRAPHS(g, before);
    }
}

void TestGraphBuilder::refusesMismatchedIntensities()
{
    const Graf before = usedGraph();
    for (const Ints &in : {Ints({1, 2}), Ints({1, 2, 3, 4}), Ints()}) {
        Graf g = before;
        QCOMPARE(build(g, in, 3, 1, {QPoint(0, 0)}, {QPoint(1, 0)}, 1.0),
                 BuildStatus::SizeMismatch);
        COMPARE_GRAPHS(g, before);
    }
}

void TestGraphBuilder::failedAllocationKeepsTheOldGraph()
{
    // 100 x 100: each per-pixel array takes 40000 bytes. Count those allocations in one
    // build, then make each of them fail in turn.
    const int w = 100, h = 100;
    Ints in(w * h);
    for (int i = 0; i < w * h; ++i)
        in[i] = (i * 37) % 256;
    const Points obj = {QPoint(5, 5)}, bg = {QPoint(90, 90)};
    const Graf before = usedGraph();

    allocfault::threshold = std::size_t(w) * h * sizeof(int);
    allocfault::seen = 0;
    allocfault::failAt = 0;
    Graf counted = before;
    allocfault::armed = true;
    const BuildStatus countedStatus = build(counted, in, w, h, obj, bg, 2.0);
    allocfault::armed = false;
    QCOMPARE(countedStatus, BuildStatus::Ok);
    const int allocations = allocfault::seen;
    QVERIFY2(allocations >= 8, qPrintable(QString::number(allocations)));

    for (int k = 1; k <= allocations; ++k) {
        Graf g = before;
        allocfault::seen = 0;
        allocfault::failAt = k;
        allocfault::armed = true;
        const BuildStatus status = build(g, in, w, h, obj, bg, 2.0);
        allocfault::armed = false;
        QVERIFY2(status == BuildStatus::OutOfMemory,
                 qPrintable(QString("allocation %1: %2").arg(k).arg(statusName(status))));
        COMPARE_GRAPHS(g, before);
    }
    allocfault::failAt = 0;

    Graf expected;
    QVERIFY(referenceBuild(expected, in, w, h, obj, bg, 2.0));
    COMPARE_GRAPHS(counted, expected);
}

void TestGraphBuilder::rebuildOfTheSameSizeNeedsNoNewMemory()
{
    // Every segmentation rebuilds the graph of the image on screen: that must not fail
    // for lack of memory when the graph it replaces had the same size.
    const int w = 50, h = 40;
    Ints in(w * h);
    for (int i = 0; i < w * h; ++i)
        in[i] = (i * 53) % 200;
    const Points obj = {QPoint(1, 2)}, bg = {QPoint(40, 30)};
    Graf g;
    QCOMPARE(build(g, in, w, h, obj, bg, 3.0), BuildStatus::Ok);
    for (int i = 0; i < w * h; ++i)
        g.sourceFlow[i] = g.vertFlow[i] = 1;

    allocfault::threshold = std::size_t(w) * h * sizeof(int);
    allocfault::seen = 0;
    allocfault::failAt = 1;
    allocfault::armed = true;
    const BuildStatus status = build(g, in, w, h, obj, bg, 3.0);
    allocfault::armed = false;
    allocfault::failAt = 0;
    QCOMPARE(status, BuildStatus::Ok);
    Graf expected;
    QVERIFY(referenceBuild(expected, in, w, h, obj, bg, 3.0));
    COMPARE_GRAPHS(g, expected);
}

void TestGraphBuilder::matchesLiteralConstructionOnRandomImages()
{
    std::mt19937 rng(20240611);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const double fixedLambdas[] = {0.0, 0.5, 1.0, 2.55, 10.0, 999.99, 0.29, 0.01};
    auto randomIntensities = [&](int n) {
        Ints in(n);
        const int mode = uniform(0, 3);
        const int lo = uniform(0, 255);
        const int hi = uniform(lo, 255);
        for (int &v : in) {
            switch (mode) {
            case 0: v = uniform(0, 255); break;
            case 1: v = uniform(lo, hi); break;
            case 2: v = lo; break;
            default: v = uniform(0, 1) ? lo : hi; break;
            }
        }
        return in;
    };
    // Mostly one seed inside, some outside on every side, repeats and shared points.
    auto randomSeeds = [&](int w, int h) {
        Points s;
        const int count = uniform(0, 6);
        for (int k = 0; k < count; ++k)
            s.push_back(QPoint(uniform(-2, w + 1), uniform(-2, h + 1)));
        if (uniform(0, 3) != 0)
            s.push_back(QPoint(uniform(0, w - 1), uniform(0, h - 1)));
        return s;
    };
    auto randomLambda = [&]() {
        return uniform(0, 2) == 0 ? fixedLambdas[uniform(0, 7)] : uniform(0, 99999) / 100.0;
    };

    int built = 0, refused = 0;
    // Builds into `graph` and into a copy by the literal steps; compares.
    auto check = [&](Graf &graph, int w, int h, const QString &where) {
        const Ints in = randomIntensities(w * h);
        const Points obj = randomSeeds(w, h);
        const Points bg = randomSeeds(w, h);
        const double lambda = randomLambda();
        Graf expected = graph;
        const bool expectBuilt = referenceBuild(expected, in, w, h, obj, bg, lambda);
        const BuildStatus status = build(graph, in, w, h, obj, bg, lambda);
        const QString at = QString("%1 (%2 x %3, lambda %4)").arg(where).arg(w).arg(h).arg(lambda);
        if (status != (expectBuilt ? BuildStatus::Ok : BuildStatus::NoSeeds))
            return at + ": " + statusName(status);
        const QString diff = graphDifference(graph, expected);
        if (!diff.isEmpty())
            return at + ": " + diff;
        ++(expectBuilt ? built : refused);
        return QString();
    };

    for (int round = 0; round < 300; ++round) {
        // Starting empty or from a used graph of 10 pixels, which some sizes reuse.
        Graf graph;
        if (uniform(0, 1))
            graph = usedGraph();
        const int w = uniform(1, 9);
        const int h = uniform(1, 9);
        QString failure = check(graph, w, h, QString("round %1").arg(round));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        // Rebuilt after a solver's changes, then for another picture of the same size.
        for (int i = 0; i < graph.pixelCount; ++i) {
            graph.sourceFlow[i] = uniform(-5, 5);
            graph.horizFlow[i] = uniform(-5, 5);
            graph.sinkCap[i] -= uniform(0, 3);
        }
        failure = check(graph, w, h, QString("round %1, rebuilt").arg(round));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        if (uniform(0, 1)) {
            failure = check(graph, uniform(1, 9), uniform(1, 9),
                            QString("round %1, other size").arg(round));
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
    }
    QVERIFY(built > 500);
    QVERIFY(refused > 20);
}

QTEST_GUILESS_MAIN(TestGraphBuilder)
#include "tst_graphbuilder.moc"
