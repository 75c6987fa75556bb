// The canvas's segmentation commands and the drawing of their result: construction through
// its slot, the solver under the progress dialog, the drawing through its slot, in order.
#include "canvas/PaintWidget.h"

#include "canvas/ProgressDialogHost.h"
#include "pipeline/Segmentation.h"
#include "ui_MyPainter.h"

#include <QMessageBox>

pipeline::Workspace PaintWidget::workspace()
{
    return {image, objectSeeds, backgroundSeeds, intensities, graf, objectPixels, objectMask};
}

// The solver processes events; the window keeps its commands off meanwhile.
void PaintWidget::runSegmentation(pipeline::Method method)
{
    segmented = true;
    if (preved_obrazok_na_graf() != 0)
        return; // refused, and the user has been told why
    ProgressDialogHost host(this);
    pipeline::Figures figures;
    setSegmenting(true);
    const pipeline::Status status = pipeline::solve(workspace(), method, host, figures);
    if (status == pipeline::Status::Done) {
        host.finish();
        setSegmenting(false);
        prepis_data();
    } else {
        setSegmenting(false);
        report(status, pipeline::Variant::Gray);
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
