// The canvas's graph construction: the slots ask the gray question and show the refusals;
// the pipeline does the work.
#include "canvas/PaintWidget.h"

#include "construction/GraphBuilder.h"
#include "graph/GraphLimit.h"
#include "pipeline/Segmentation.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// The slots' result codes.
constexpr int Built = 0;
constexpr int GrayDismissed = 10;
constexpr int GrayDeclined = 11;
constexpr int MissingSeeds = 20;
constexpr int ImageTooLarge = 30;
constexpr int OutOfMemory = 31;
constexpr int Busy = 40;

void showMissingSeeds(pipeline::Variant variant)
{
    QMessageBox box;
    if (variant == pipeline::Variant::Gray) {
        box.setWindowTitle("Varovanie!!!");
        box.setText("Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci "
                    "casti pozadiu! \nSegmentacia nemoze pokracovat!\nPre zvolenie tychto "
                    "nastaveni pouzite prave tlacidlo mysi pre volbu bodov pre cast pozadia a "
                    "lave tlacidlo mysi pre cast objektu.");
    } else {
        box.setWindowTitle("Warning!!!");
        box.setText("You must choose at least one background and one object pixel! \n "
                    "Segmentation algorithm can not continue!");
    }
    box.exec();
}

void showRefusal(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle("Varovanie!!!");
    box.setText(text + "\nSegmentacia nemoze pokracovat!");
    box.exec();
}

pipeline::GrayAnswer askConvertToGray()
{
    QMessageBox box;
    box.setText("Obrazok nie je grayscale");
    box.setInformativeText("Chcete ho previest na greyscale a pokracovat v segmentacii?");
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return pipeline::GrayAnswer::Convert;
    return answer == QMessageBox::No ? pipeline::GrayAnswer::Decline
                                     : pipeline::GrayAnswer::Dismiss;
}

} // namespace

int PaintWidget::seedMean(std::vector<QPoint> seeds)
{
    return construction::seedMean(intensities, graf.width, graf.height, seeds);
}

int PaintWidget::preved_obrazok_na_graf()
{
    return constructGraph(pipeline::Variant::Gray);
}

int PaintWidget::preved_obrazok_na_graf_farebny()
{
    return constructGraph(pipeline::Variant::Colour);
}

int PaintWidget::constructGraph(pipeline::Variant variant)
{
    if (m_segmenting) {
        QApplication::beep();
        return Busy;
    }
    bool converted = false;
    const pipeline::Status status =
        pipeline::construct(workspace(), ui->doubleSpinBox->value(), variant, [&converted] {
            const pipeline::GrayAnswer answer = askConvertToGray();
            converted = answer == pipeline::GrayAnswer::Convert;
            return answer;
        });
    if (converted)
        update();
    switch (status) {
    case pipeline::Status::Done:
        return Built;
    case pipeline::Status::GrayDismissed:
        return GrayDismissed;
    case pipeline::Status::GrayDeclined:
        return GrayDeclined;
    case pipeline::Status::MissingSeeds:
        showMissingSeeds(variant);
        return MissingSeeds;
    case pipeline::Status::TooLarge:
        showRefusal(QString("Obrazok je prilis velky na segmentaciu (%1).")
                        .arg(graphlimit::slovak(image.size())));
        return ImageTooLarge;
    case pipeline::Status::OutOfMemory:
    case pipeline::Status::SolverOutOfMemory:
        break;
    }
    showRefusal("Nedostatok pamate na vytvorenie grafu.");
    return OutOfMemory;
}
