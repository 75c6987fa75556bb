// The pipeline without a window: the refusals in their order (gray question, seeds, size),
// what each leaves behind, and which steps run after it.
#include "graph/GraphLimit.h"
#include "pipeline/Segmentation.h"
#include "support/DiagCapture.h"
#include "support/GrafState.h"
#include "support/RowCompare.h"

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

// The plain steps, recording the order of the calls the pipeline makes.
const pipeline::Request Plain;
class Recorder final : public pipeline::PlainSteps, public SilentSolverHost {
public:
    Recorder(Data &d, bool refuse) : PlainSteps(d.w, Plain), m_refuse(refuse) {}
    pipeline::Status construct() override
    {
        calls << "construct";
        return m_refuse ? pipeline::Status::MissingSeeds : PlainSteps::construct();
    }
    void draw() override { calls << "draw", PlainSteps::draw(); }
    void begin(int) override { calls << "solve"; }
    QStringList calls;

private:
    bool m_refuse;
};

} // namespace

class TestPipeline : public QObject {
    Q_OBJECT
private slots:
    void refusalsInOrder();
    void stepsRunInOrderAndStopAtARefusal();
};

void TestPipeline::refusalsInOrder()
{
    using S = pipeline::Status;
    using A = pipeline::GrayAnswer;
    const auto Gray = pipeline::Variant::Gray, Colour = pipeline::Variant::Colour;
    // One row of pixels over the limit, gray through its palette (entry i is (i, i, i)).
    QImage huge(graphlimit::MaxPixels / 4096 + 1, 4096, QImage::Format_Indexed8);
    huge.setColorTable({qRgb(0, 0, 0)});
    huge.fill(0);
    QImage gray(3, 2, QImage::Format_Grayscale8), red(3, 2, QImage::Format_RGB32), green(3, 2, QImage::Format_RGB32);
    gray.fill(7), red.fill(QColor(200, 10, 10)), green.fill(QColor(0, 200, 90));
    enum Seeds { Both, NoBackground, BackgroundOutside };
    const struct { const char *name; QImage image; pipeline::Variant variant; A answer; Seeds seeds; S status;
                   bool asked; int intensity; } rows[] = {
        {"declined, before seeds", red, Gray, A::Decline, NoBackground, S::GrayDeclined, true, -1},
        {"dismissed", red, Gray, A::Dismiss, Both, S::GrayDismissed, true, -1},
        {"converted, then no seeds", red, Gray, A::Convert, NoBackground, S::MissingSeeds, true, -1},
        {"converted", red, Gray, A::Convert, Both, S::Done, true, 73},  // (200 + 10 + 10) / 3
        {"colour variant: red, never asks", red, Colour, A::Decline, Both, S::Done, false, 200},
        {"colour variant: red 0", green, Colour, A::Decline, Both, S::Done, false, 0},
        {"gray never asks", gray, Gray, A::Decline, Both, S::Done, false, 7},
        {"seeds outside", gray, Gray, A::Decline, BackgroundOutside, S::MissingSeeds, false, -1},
        {"seeds before size", huge, Gray, A::Decline, NoBackground, S::MissingSeeds, false, -1},
        {"colour variant: seeds before size", huge, Colour, A::Decline, NoBackground, S::MissingSeeds, false, -1},
        {"palette gray, too large", huge, Gray, A::Decline, Both, S::TooLarge, false, -1},
        {"colour variant: too large", huge, Colour, A::Decline, Both, S::TooLarge, false, -1},
    };
    for (const auto &r : rows) {
        Data d;
        d.image = r.image;
        d.graf.init(2, 1, 2), d.graf.sourceCap = {5, 6};  // an earlier graph
        if (r.seeds != Both)
            d.background = r.seeds == NoBackground ? std::vector<QPoint>() : std::vector<QPoint>{{3, 0}};
        const auto before = grafstate::state(d.graf);
        bool asked = false;
        const S got = pipeline::construct(d.w, 1.0, r.variant, [&] { return asked = true, r.answer; });
        ROW_COMPARE(got, r.status, r.name);
        ROW_COMPARE(asked, r.asked, r.name);
        // A refusal keeps the old intensities and graph; a build replaces both.
        const std::vector<int> intensities = r.status == S::Done ? std::vector<int>(6, r.intensity) : std::vector<int>{-1};
        ROW_COMPARE(d.intensities, intensities, r.name);
        ROW_COMPARE(grafstate::state(d.graf) == before, r.status != S::Done, r.name);
        // Converted exactly when the user agreed.
        ROW_COMPARE(d.image.isGrayscale(), r.image.isGrayscale() || (asked && r.answer == A::Convert), r.name);
    }
}

void TestPipeline::stepsRunInOrderAndStopAtARefusal()
{
    Data d;
    d.image = QImage(3, 2, QImage::Format_Grayscale8);
    d.image.fill(7);
    DiagCapture capture;
    Recorder refused(d, true);
    QCOMPARE(pipeline::segment(refused, d.w, pipeline::Method::PushRelabel, refused).status,
             pipeline::Status::MissingSeeds);
    QCOMPARE(refused.calls, QStringList{"construct"});
    QCOMPARE(d.objectPixels, QVector<int>{-7});

    for (const auto method : {pipeline::Method::AugmentingPaths, pipeline::Method::PushRelabel}) {
        Recorder run(d, false);
        QCOMPARE(pipeline::segment(run, d.w, method, run).status, pipeline::Status::Done);
        QCOMPARE(run.calls, (QStringList{"construct", "solve", "draw"}));
        QCOMPARE(d.objectMask.size(), 6);
        QVERIFY(d.objectMask[0] && !d.objectMask[5]);
        QCOMPARE(d.image.pixel(0, 0), qRgb(0, 0, 0));  // drawn: the object's border
    }
}

QTEST_GUILESS_MAIN(TestPipeline)
#include "tst_pipeline.moc"
