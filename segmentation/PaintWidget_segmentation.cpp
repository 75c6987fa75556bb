// The canvas's segmentation commands and the drawing of their result. The solvers are
// plain code; here they get the progress dialog and the event processing.
#include "canvas/PaintWidget.h"

#include "canvas/ProgressDialogHost.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"
#include "segmentation/ResultRenderer.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QMessageBox>

template <typename Solver>
void PaintWidget::runSegmentation(Solver solve)
{
    if (m_segmenting) {
        QApplication::beep();
        return;
    }
    segmented = true;
    if (preved_obrazok_na_graf() != 0)
        return;
    ProgressDialogHost host(this);
    m_segmenting = true;
    solve(host);
    m_segmenting = false;
    prepis_data();
    // The dialog goes with the host, after the result has been drawn.
}

void PaintWidget::segmentacia_objekt()
{
    runSegmentation([this](SolverHost &host) {
        segmentFordFulkerson(graf, objectPixels, objectMask, host);
    });
}

void PaintWidget::segmentacia_push()
{
    runSegmentation([this](SolverHost &host) {
        segmentPushRelabel(graf, objectPixels, objectMask, host);
    });
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
    renderResult(image, graf, objectPixels, objectMask,
                 [this] { return ui->prepinac->isChecked(); });
    update();
}
