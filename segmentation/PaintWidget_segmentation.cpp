// The canvas's segmentation commands and the drawing of their result: the pipeline runs
// them, through the canvas's own construction and drawing slots, under the progress dialog.
#include "canvas/PaintWidget.h"

#include "canvas/ProgressDialogHost.h"
#include "pipeline/Segmentation.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QMessageBox>

// Construction and drawing go through the slots, so a run shows the same questions and
// boxes as the slots do; between them the solver processes events, and every command that
// arrives meanwhile is refused.
class PaintWidget::RunSteps final : public pipeline::Steps {
public:
    RunSteps(PaintWidget &canvas, ProgressDialogHost &host) : m_canvas(canvas), m_host(host) {}

    pipeline::Status construct() override
    {
        if (m_canvas.preved_obrazok_na_graf() != 0)
            return pipeline::Status::MissingSeeds; // refused, and the user has been told why
        m_canvas.m_segmenting = true;
        return pipeline::Status::Done;
    }
    void draw() override
    {
        m_host.flush();
        m_canvas.m_segmenting = false;
        m_canvas.prepis_data();
    }

private:
    PaintWidget &m_canvas;
    ProgressDialogHost &m_host;
};

pipeline::Workspace PaintWidget::workspace()
{
    return {image, objectSeeds, backgroundSeeds, intensities, graf, objectPixels, objectMask};
}

void PaintWidget::runSegmentation(pipeline::Method method)
{
    if (m_segmenting) {
        QApplication::beep();
        return;
    }
    segmented = true;
    ProgressDialogHost host(this);
    RunSteps steps(*this, host);
    const pipeline::Result result = pipeline::segment(steps, workspace(), method, host);
    m_segmenting = false;
    if (result.status == pipeline::Status::SolverOutOfMemory) {
        QMessageBox box;
        box.setWindowTitle("Varovanie!!!");
        box.setText("Nedostatok pamate na segmentaciu.\nSegmentacia nemoze pokracovat!");
        box.exec();
    }
    // The dialog goes with the host, after the result has been drawn.
}

void PaintWidget::segmentacia_objekt()
{
    runSegmentation(pipeline::Method::AugmentingPaths);
}

void PaintWidget::segmentacia_push()
{
    runSegmentation(pipeline::Method::PushRelabel);
}

void PaintWidget::prepis_data()
{
    if (m_segmenting) {
        QApplication::beep();
        return;
    }
    if (!segmented) {
        QMessageBox box;
        box.setText("Obrazok este nebol segmentvany");
        box.setInformativeText("Prosim pouzite jednu so segmentacnych funkcii v zalozke "
                               "segmentacia");
        box.exec();
        return;
    }
    pipeline::draw(workspace(), [this] { return ui->prepinac->isChecked(); });
    update();
}
