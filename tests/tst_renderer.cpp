// Drawing a result: colours, the border rule across n-links, and members that do not fit.
#include "graph/Graf.h"
#include "segmentation/ResultRenderer.h"
#include "support/DiagCapture.h"

#include <QSet>
#include <QtTest>

namespace {

const QRgb Gray = qRgb(220, 220, 220);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

Graf connectedGrid(int w, int h, int capacity = 3)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < w * h; ++i) {
        g.setVertCapacity(i, capacity);
        g.setHorizCapacity(i, capacity);
    }
    return g;
}

struct Result {
    QVector<int> pixels;
    QVector<bool> mask;
    Result(int count, const QVector<int> &object) : pixels(object), mask(count, false)
    {
        for (int i : object)
            mask[i] = true;
    }
};

QString picture(const QImage &img)
{
    QString s;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y) | 0xFF000000u;
            s += p == White ? 'W' : p == Black ? 'B' : p == Gray ? '.' : '?';
        }
        s += '\n';
    }
    return s;
}

QVector<int> block(int w, int x0, int y0, int x1, int y1)
{
    QVector<int> out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            out << y * w + x;
    return out;
}

} // namespace

class TestRenderer : public QObject {
    Q_OBJECT

private slots:
    void borderRingAroundABlock();
    void cornersAndImageEdgesAreBorder();
    void usedUpEdgesAreBorder();
    void plainModeHasTwoColours();
    void edgeModeIsAskedPerPixel();
    void writesEveryFormat();
    void membersThatDoNotFitAreSkipped();
};

void TestRenderer::borderRingAroundABlock()
{
    const Graf g = connectedGrid(5, 5);
    const Result r(25, block(5, 1, 1, 3, 3));
    QImage img(5, 5, QImage::Format_RGB32);
    img.fill(Qt::red);
    DiagCapture out;
    renderResult(img, g, r.pixels, r.mask, [] { return true; });
    QCOMPARE(out.lines, QStringList({"ZAPIS"}));
    QCOMPARE(picture(img), QString(".....\n.BBB.\n.BWB.\n.BBB.\n.....\n"));
}

void TestRenderer::cornersAndImageEdgesAreBorder()
{
    const Graf g = connectedGrid(4, 3);
    const Result all(12, block(4, 0, 0, 3, 2));
    QImage img(4, 3, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    renderResult(img, g, all.pixels, all.mask, [] { return true; });
    QCOMPARE(picture(img), QString("BBBB\nBWWB\nBBBB\n"));
    QCOMPARE(qAlpha(img.pixel(0, 0)), 255);
    const Result corner(12, {0});
    renderResult(img, g, corner.pixels, corner.mask, [] { return true; });
    QCOMPARE(picture(img), QString("B...\n....\n....\n"));
}

void TestRenderer::usedUpEdgesAreBorder()
{
    Graf g = connectedGrid(5, 5);
    // The edge between the centre (12) and its right neighbour (13) has no capacity left.
    g.horizCap[12] = 0;
    const Result r(25, block(5, 0, 0, 4, 4));
    QImage img(5, 5, QImage::Format_RGB32);
    renderResult(img, g, r.pixels, r.mask, [] { return true; });
    QCOMPARE(picture(img), QString("BBBBB\nBWWWB\nBWBBB\nBWWWB\nBBBBB\n"));
    g.vertCap[17] = -4;  // negative reads as no edge: 12 and 17
    renderResult(img, g, r.pixels, r.mask, [] { return true; });
    QCOMPARE(picture(img), QString("BBBBB\nBWWWB\nBWBBB\nBWBWB\nBBBBB\n"));
}

void TestRenderer::plainModeHasTwoColours()
{
    const Graf g = connectedGrid(6, 4);
    const Result r(24, {7, 8, 9, 14, 0});
    QImage img(6, 4, QImage::Format_RGB32);
    renderResult(img, g, r.pixels, r.mask, [] { return false; });
    QCOMPARE(picture(img), QString("W.....\n.WWW..\n..W...\n......\n"));
    const Result none(24, {});
    renderResult(img, g, none.pixels, none.mask, [] { return true; });
    QCOMPARE(picture(img), QString("......\n......\n......\n......\n"));
}

void TestRenderer::edgeModeIsAskedPerPixel()
{
    const Graf g = connectedGrid(5, 5);
    const Result r(25, block(5, 1, 1, 3, 3));
    QImage img(5, 5, QImage::Format_RGB32);
    int asked = 0;
    renderResult(img, g, r.pixels, r.mask, [&asked] { return ++asked % 2 == 1; });
    QCOMPARE(asked, 9);
    // Pixels in list order alternate between the edge rule and plain white.
    QCOMPARE(picture(img), QString(".....\n.BWB.\n.WWW.\n.BWB.\n.....\n"));
}

void TestRenderer::writesEveryFormat()
{
    const Graf g = connectedGrid(3, 3);
    const Result r(9, block(3, 0, 0, 2, 2));
    QImage indexed(3, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3)});
    indexed.fill(0);
    QImage mono(3, 3, QImage::Format_Mono);
    mono.fill(0);
    for (QImage img : {indexed, mono, QImage(3, 3, QImage::Format_RGB888),
                       QImage(3, 3, QImage::Format_Grayscale8),
                       QImage(3, 3, QImage::Format_ARGB32_Premultiplied)}) {
        renderResult(img, g, r.pixels, r.mask, [] { return true; });
        QCOMPARE(picture(img), QString("BBB\nBWB\nBBB\n"));
        renderResult(img, g, r.pixels, r.mask, [] { return false; });
        QCOMPARE(picture(img), QString("WWW\nWWW\nWWW\n"));
    }
}

void TestRenderer::membersThatDoNotFitAreSkipped()
{
    // A result of a 10 x 10 graph, drawn after the graph became 4 x 3 and the image 3 x 2.
    const Graf g = connectedGrid(4, 3);
    QVector<int> pixels = {-1, 0, 5, 11, 12, 99, 2147483647};
    QVector<bool> mask(2, true);
    QImage img(3, 2, QImage::Format_RGB32);
    renderResult(img, g, pixels, mask, [] { return true; });
    // 0 -> (0,0) and 5 -> (1,1) are drawn; 11 -> (3,2) lies outside the image.
    QCOMPARE(picture(img), QString("B..\n.B.\n"));

    Graf empty;
    renderResult(img, empty, pixels, mask, [] { return true; });
    QCOMPARE(picture(img), QString("...\n...\n"));
    QImage null;
    renderResult(null, g, pixels, mask, [] { return true; });
    QVERIFY(null.isNull());
}

QTEST_MAIN(TestRenderer)
#include "tst_renderer.moc"
