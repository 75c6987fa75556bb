// The canvas's graph construction: the slots ask the gray question and show the refusals;
// the pipeline does the work.
#include "canvas/PaintWidget.h"

#include "graph/GraphLimit.h"
#include "pipeline/Segmentation.h"
#include "ui_MyPainter.h"

#include <QMessageBox>

namespace {

using pipeline::Status;
using pipeline::Variant;

enum class Serves { Both, Gray, Colour };

// What each of the pipeline's statuses is in the window: the construction slots' result
// code, and the box that tells the user (none where the gray question already was the
// word). The solver's status has no code: no slot returns it.
struct Outcome {
    Status status;
    Serves serves;
    int code;
    const char *title;
    const char *text; // TooLarge's %1: the size against the limit
};

const Outcome Outcomes[] = {
    {Status::Done, Serves::Both, 0, nullptr, nullptr},
    {Status::GrayDismissed, Serves::Both, 10, nullptr, nullptr},
    {Status::GrayDeclined, Serves::Both, 11, nullptr, nullptr},
    {Status::MissingSeeds, Serves::Gray, 20, "Varovanie!!!",
     "Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci casti pozadiu! "
     "\nSegmentacia nemoze pokracovat!\nPre zvolenie tychto nastaveni pouzite prave tlacidlo "
     "mysi pre volbu bodov pre cast pozadia a lave tlacidlo mysi pre cast objektu."},
    {Status::MissingSeeds, Serves::Colour, 20, "Warning!!!",
     "You must choose at least one background and one object pixel! \n Segmentation algorithm "
     "can not continue!"},
    {Status::TooLarge, Serves::Both, 30, "Varovanie!!!",
     "Obrazok je prilis velky na segmentaciu (%1).\nSegmentacia nemoze pokracovat!"},
    {Status::OutOfMemory, Serves::Both, 31, "Varovanie!!!",
     "Nedostatok pamate na vytvorenie grafu.\nSegmentacia nemoze pokracovat!"},
    {Status::SolverOutOfMemory, Serves::Both, -1, "Varovanie!!!",
     "Nedostatok pamate na segmentaciu.\nSegmentacia nemoze pokracovat!"},
};

// A construction slot invoked while a run is in progress.
constexpr int Busy = 40;

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

int PaintWidget::preved_obrazok_na_graf()
{
    return constructGraph(Variant::Gray);
}

int PaintWidget::preved_obrazok_na_graf_farebny()
{
    return constructGraph(Variant::Colour);
}

int PaintWidget::constructGraph(Variant variant)
{
    if (refusedDuringRun())
        return Busy;
    bool converted = false;
    const Status status =
        pipeline::construct(workspace(), ui->doubleSpinBox->value(), variant, [&converted] {
            const pipeline::GrayAnswer answer = askConvertToGray();
            converted = answer == pipeline::GrayAnswer::Convert;
            return answer;
        });
    if (converted)
        update();
    return report(status, variant);
}

// Shows the box for a status, if it has one, and gives the slots' code for it.
int PaintWidget::report(Status status, Variant variant)
{
    const Serves construction = variant == Variant::Gray ? Serves::Gray : Serves::Colour;
    for (const Outcome &o : Outcomes) {
        if (o.status != status || (o.serves != Serves::Both && o.serves != construction))
            continue;
        if (o.title) {
            QString text = o.text;
            if (status == Status::TooLarge)
                text = text.arg(graphlimit::slovak(image.size()));
            QMessageBox box;
            box.setWindowTitle(o.title);
            box.setText(text);
            box.exec();
        }
        return o.code;
    }
    return -1;
}
