// The pipeline's order and refusals, without a window: what each status leaves behind and
// which steps run after it.
#include "construction/GraphBuilder.h"
#include "pipeline/Segmentation.h"
#include "support/DiagCapture.h"

#include <QtTest>

namespace {

struct Data {
    QImage image;
    std::vector<QPoint> object{QPoint(0, 0)}, background{QPoint(2, 1)};
    std::vector<int> intensities{-1};
    Graf graf;
    QVector<int> objectPixels{-7};
    QVector<bool> objectMask;
    pipeline::Workspace w{image, object, background, intensities, graf, objectPixels, objectMask};
};

// Records the order of the calls the pipeline makes.
class Recorder final : public pipeline::Steps, public SilentSolverHost {
public:
    Recorder(Data &d, pipeline::Status status) : m_d(d), m_status(status) {}
    pipeline::Status construct() override
    {
        calls << "construct";
        if (m_status != pipeline::Status::Done)
            return m_status;
        return pipeline::construct(m_d.w, 1.0, pipeline::Variant::Gray,
                                   [] { return pipeline::GrayAnswer::Convert; });
    }
    void draw() override { calls << "draw"; }
    void begin(int) override { calls << "solve"; }
    QStringList calls;

private:
    Data &m_d;
    pipeline::Status m_status;
};

} // namespace

class TestPipeline : public QObject {
    Q_OBJECT
private slots:
    void refusals_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("seeds");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("asked");
        using S = pipeline::Status;
        using V = pipeline::Variant;
        using A = pipeline::GrayAnswer;
        const int colour = QImage::Format_RGB32, gray = QImage::Format_Grayscale8;
        const auto row = [](const char *name, int format, V variant, A answer, bool seeds,
                            S status, bool asked) {
            QTest::newRow(name) << format << int(variant) << int(answer) << seeds << int(status)
                                << asked;
        };
        row("colour, declined", colour, V::Gray, A::Decline, true, S::GrayDeclined, true);
        row("colour, dismissed", colour, V::Gray, A::Dismiss, true, S::GrayDismissed, true);
        row("colour, converted, no seeds", colour, V::Gray, A::Convert, false, S::MissingSeeds,
            true);
        row("colour variant never asks", colour, V::Colour, A::Decline, true, S::Done, false);
        row("gray image never asks", gray, V::Gray, A::Decline, true, S::Done, false);
    }
    void refusals()
    {
        QFETCH(int, format);
        QFETCH(int, variant);
        QFETCH(int, answer);
        QFETCH(bool, seeds);
        QFETCH(int, status);
        QFETCH(bool, asked);
        Data d;
        d.image = QImage(3, 2, QImage::Format(format));
        d.image.fill(QColor(200, 10, 10));
        if (!seeds)
            d.background.clear();
        bool wasAsked = false;
        const pipeline::Status got = pipeline::construct(d.w, 1.0, pipeline::Variant(variant), [&] {
            wasAsked = true;
            return pipeline::GrayAnswer(answer);
        });
        QCOMPARE(int(got), status);
        QCOMPARE(wasAsked, asked);
        // A refusal keeps the old intensities and graph; a build replaces both.
        const bool built = got == pipeline::Status::Done;
        QCOMPARE(d.intensities.size(), built ? std::size_t(6) : std::size_t(1));
        QCOMPARE(d.graf.getPixelCount(), built ? 6 : 0);
        // Converted (and so gray) exactly when the user agreed.
        QCOMPARE(d.image.isGrayscale(),
                 format != QImage::Format_RGB32 || answer == int(pipeline::GrayAnswer::Convert));
    }

    // One pixel over the limit is refused before the intensities are read.
    void tooLargeIsRefusedBeforeReading()
    {
        Data d;
        d.image = QImage(construction::MaxGraphPixels / 4096 + 1, 4096, QImage::Format_Indexed8);
        d.image.setColorTable({qRgb(0, 0, 0)}); // gray: entry i is (i, i, i)
        d.image.fill(0);
        // A decline would show if the palette picture were not taken as gray.
        const pipeline::Status got = pipeline::construct(d.w, 1.0, pipeline::Variant::Gray, [] {
            return pipeline::GrayAnswer::Decline;
        });
        QCOMPARE(got, pipeline::Status::TooLarge);
        QCOMPARE(d.intensities.size(), std::size_t(1));
    }

    void stepsRunInOrderAndStopAtARefusal()
    {
        Data d;
        d.image = QImage(3, 2, QImage::Format_Grayscale8);
        d.image.fill(7);
        DiagCapture capture;
        Recorder refused(d, pipeline::Status::MissingSeeds);
        QCOMPARE(pipeline::segment(refused, d.w, pipeline::Method::PushRelabel, refused).status,
                 pipeline::Status::MissingSeeds);
        QCOMPARE(refused.calls, QStringList{"construct"});
        QCOMPARE(d.objectPixels, QVector<int>{-7});

        for (const auto method : {pipeline::Method::AugmentingPaths, pipeline::Method::PushRelabel}) {
            Recorder run(d, pipeline::Status::Done);
            const pipeline::Result result = pipeline::segment(run, d.w, method, run);
            QCOMPARE(result.status, pipeline::Status::Done);
            QCOMPARE(run.calls, (QStringList{"construct", "solve", "draw"}));
            QCOMPARE(d.objectMask.size(), 6);
            QVERIFY(d.objectMask[0] && !d.objectMask[5]);
        }
    }
};

QTEST_GUILESS_MAIN(TestPipeline)
#include "tst_pipeline.moc"
