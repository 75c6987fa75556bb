// Drawing a result: colours, the border rule across n-links, every image format, and
// members that do not fit the image or the graph.
#include "graph/Graf.h"
#include "segmentation/ResultRenderer.h"
#include "support/DiagCapture.h"

#include <QtTest>

namespace {

Graf connectedGrid(int w, int h)
{
    Graf g;
    g.init(w, h, w * h);
    for (int i = 0; i < w * h; ++i)
        g.setVertCapacity(i, 3), g.setHorizCapacity(i, 3);
    return g;
}

// Draws `object` with the mask that a solver leaves beside it.
void render(QImage &img, const Graf &g, const QVector<int> &object, const std::function<bool()> &edges)
{
    QVector<bool> mask(g.pixelCount, false);
    for (int i : object)
        mask[i] = true;
    renderResult(img, g, object, mask, edges);
}

// W white, B black, . the background gray, ? anything else; rows joined by '/'.
QString picture(const QImage &img)
{
    QString out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x <= img.width(); ++x) {
            const QRgb p = x < img.width() ? img.pixel(x, y) | 0xFF000000u : 0;
            out += !p ? '/' : p == qRgb(255, 255, 255) ? 'W' : p == qRgb(0, 0, 0) ? 'B' : p == qRgb(220, 220, 220) ? '.' : '?';
        }
    return out.left(out.size() - 1);
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
    void borderRule();
    void writesEveryFormat();
    void membersThatDoNotFitAreSkipped();
};

void TestRenderer::borderRule()
{
    enum Mode { Edges, Plain, Alternate };  // Alternate: the edge mode is asked per pixel
    // cutVert, cutHoriz: links set to -4 and to 0.
    const struct { const char *name; int w, h; QVector<int> object; Mode mode; QVector<int> cutVert, cutHoriz;
                   QString expected; } cases[] = {
        {"block", 5, 5, block(5, 1, 1, 3, 3), Edges, {}, {}, "...../.BBB./.BWB./.BBB./....."},
        {"image edges", 4, 3, block(4, 0, 0, 3, 2), Edges, {}, {}, "BBBB/BWWB/BBBB"},
        {"corner", 4, 3, {0}, Edges, {}, {}, "B.../..../...."},
        {"used-up links", 5, 5, block(5, 0, 0, 4, 4), Edges, {17}, {12}, "BBBBB/BWWWB/BWBBB/BWBWB/BBBBB"},
        {"plain", 6, 4, {7, 8, 9, 14, 0}, Plain, {}, {}, "W...../.WWW../..W.../......"},
        {"nothing", 3, 2, {}, Edges, {}, {}, ".../..."},
        {"asked per pixel", 5, 5, block(5, 1, 1, 3, 3), Alternate, {}, {}, "...../.BWB./.WWW./.BWB./....."},
    };
    for (const auto &c : cases) {
        Graf g = connectedGrid(c.w, c.h);
        for (int i : c.cutVert)
            g.vertCap[i] = -4;
        for (int i : c.cutHoriz)
            g.horizCap[i] = 0;
        QImage img(c.w, c.h, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        int asked = 0;
        DiagCapture out;
        render(img, g, c.object, [&] { return c.mode == Edges || (c.mode == Alternate && ++asked % 2 == 1); });
        QVERIFY2(picture(img) == c.expected, qPrintable(QString(c.name) + ": " + picture(img)));
        QCOMPARE(out.lines, QStringList("ZAPIS"));
        QCOMPARE(qAlpha(img.pixel(0, 0)), 255);
        if (c.mode == Alternate)
            QCOMPARE(asked, c.object.size());
    }
}

void TestRenderer::writesEveryFormat()
{
    const Graf g = connectedGrid(3, 3);
    const QVector<int> all = block(3, 0, 0, 2, 2);
    for (const auto format : {QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGB888,
                              QImage::Format_Grayscale8, QImage::Format_ARGB32_Premultiplied}) {
        QImage img(3, 3, format);
        img.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
        render(img, g, all, [] { return true; });
        QCOMPARE(picture(img), QString("BBB/BWB/BBB"));
        render(img, g, all, [] { return false; });
        QCOMPARE(picture(img), QString("WWW/WWW/WWW"));
    }
}

void TestRenderer::membersThatDoNotFitAreSkipped()
{
    // A result of a 10 x 10 graph, drawn after the graph became 4 x 3 and the image 3 x 2:
    // 0 -> (0, 0) and 5 -> (1, 1) are drawn, 11 -> (3, 2) lies outside the image.
    const Graf g = connectedGrid(4, 3);
    const QVector<int> pixels = {-1, 0, 5, 11, 12, 99, 2147483647};
    const QVector<bool> mask(2, true);
    QImage img(3, 2, QImage::Format_RGB32);
    renderResult(img, g, pixels, mask, [] { return true; });
    QCOMPARE(picture(img), QString("B../.B."));
    renderResult(img, Graf(), pixels, mask, [] { return true; });
    QCOMPARE(picture(img), QString(".../..."));
    QImage null;
    renderResult(null, g, pixels, mask, [] { return true; });
    QVERIFY(null.isNull());
}

QTEST_MAIN(TestRenderer)
#include "tst_renderer.moc"
