// The canvas's graph construction: the slots gather the image, the seeds and lambda,
// ask and warn, and hand the arithmetic to construction::buildGraph.
#include "canvas/PaintWidget.h"

#include "construction/GraphBuilder.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QMessageBox>

#include <new>

namespace {

// Result codes beyond the questions' 10, 11 and 20.
constexpr int ImageTooLarge = 30;
constexpr int OutOfMemory = 31;
constexpr int Busy = 40;

void showMissingSeedsSlovak()
{
    QMessageBox box;
    box.setWindowTitle("Varovanie!!!");
    box.setText("Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci "
                "casti pozadiu! \nSegmentacia nemoze pokracovat!\nPre zvolenie tychto nastaveni "
                "pouzite prave tlacidlo mysi pre volbu bodov pre cast pozadia a lave tlacidlo "
                "mysi pre cast objektu.");
    box.exec();
}

void showMissingSeedsEnglish()
{
    QMessageBox box;
    box.setWindowTitle("Warning!!!");
    box.setText("You must choose at least one background and one object pixel! \n Segmentation "
                "algorithm can not continue!");
    box.exec();
}

void showRefusal(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle("Varovanie!!!");
    box.setText(text + "\nSegmentacia nemoze pokracovat!");
    box.exec();
}

} // namespace

int PaintWidget::seedMean(std::vector<QPoint> seeds)
{
    return construction::seedMean(intensities, graf.width, graf.height, seeds);
}

// Steps shared by both variants once the seeds are known to exist. A refusal keeps the
// intensities and the graph as they were.
int PaintWidget::buildGraphFromImage(void (*showMissingSeeds)())
{
    const double lambda = ui->doubleSpinBox->value();
    const int width = image.width();
    const int height = image.height();
    if (qint64(width) * height > construction::MaxGraphPixels) {
        showRefusal(QString("Obrazok je prilis velky na segmentaciu (%1 x %2 pixelov, najviac %3 "
                            "pixelov).")
                        .arg(width)
                        .arg(height)
                        .arg(construction::MaxGraphPixels));
        return ImageTooLarge;
    }

    std::vector<int> fresh;
    construction::BuildStatus status;
    try {
        fresh = construction::readIntensities(image);
        status = construction::buildGraph(graf, fresh, width, height, objectSeeds,
                                          backgroundSeeds, lambda);
    } catch (const std::bad_alloc &) {
        status = construction::BuildStatus::OutOfMemory;
    }
    switch (status) {
    case construction::BuildStatus::Ok:
        intensities.swap(fresh);
        return 0;
    case construction::BuildStatus::NoSeeds:
        showMissingSeeds();
        return 20;
    case construction::BuildStatus::TooLarge:
        showRefusal("Obrazok je prilis velky na segmentaciu.");
        return ImageTooLarge;
    case construction::BuildStatus::OutOfMemory:
    case construction::BuildStatus::SizeMismatch:  // cannot happen: the intensities come from this image
        break;
    }
    showRefusal("Nedostatok pamate na vytvorenie grafu.");
    return OutOfMemory;
}

int PaintWidget::preved_obrazok_na_graf()
{
    if (m_segmenting) {
        QApplication::beep();
        return Busy;
    }
    if (!image.isGrayscale()) {
        QMessageBox box;
        box.setText("Obrazok nie je grayscale");
        box.setInformativeText("Chcete ho previest na greyscale a pokracovat v segmentacii?");
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        if (answer == QMessageBox::Yes)
            toGrayscale();
        else if (answer == QMessageBox::No)
            return 11;
        else
            return 10;
    }
    if (objectSeeds.empty() || backgroundSeeds.empty()) {
        showMissingSeedsSlovak();
        return 20;
    }
    return buildGraphFromImage(showMissingSeedsSlovak);
}

int PaintWidget::preved_obrazok_na_graf_farebny()
{
    if (m_segmenting) {
        QApplication::beep();
        return Busy;
    }
    if (objectSeeds.empty() || backgroundSeeds.empty()) {
        showMissingSeedsEnglish();
        return 20;
    }
    return buildGraphFromImage(showMissingSeedsEnglish);
}
