#include "canvas/PaintWidget.h"

#include "diag/diag.h"
#include "graph/GraphLimit.h"
#include "graph/selfcheck.h"
#include "image/imagefile.h"
#include "image/imageio.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

PaintWidget::PaintWidget(Ui::MyPainterClass *ui, QWidget *parent) : QWidget(parent), ui(ui)
{
    setAttribute(Qt::WA_StaticContents);
}

namespace {

// Why the reader gave no picture, as the rest of "Obrazok X sa neda otvorit: ..." says it.
QString whyNotOpened(const ImageRead &read)
{
    switch (read.status) {
    case ReadStatus::NotFound:
        return "neexistuje";
    case ReadStatus::IsDirectory:
        return "je to priecinok";
    case ReadStatus::NotRegularFile:
        return "nie je to obycajny subor";
    case ReadStatus::PermissionDenied:
        return "nemate povolenie ho citat";
    case ReadStatus::OpenFailed:
        return read.reason;  // the system's own words, as a failed save shows them
    case ReadStatus::TooLarge:
        return QString("je prilis velky (%1)").arg(graphlimit::slovak(read.declaredSize));
    case ReadStatus::NotAnImage:
        return "nie je to obrazok vo formate, ktory program pozna";
    case ReadStatus::Damaged:
    case ReadStatus::Undecodable:
        return "je poskodeny alebo neuplny";
    case ReadStatus::Ok:
        break;
    }
    return "nie je dost pamate";  // the decoded picture could not be converted
}

} // namespace

bool PaintWidget::openImage(const QString &fileName)
{
    if (refusedDuringRun())
        return false;
    segmented = false;
    // The size is checked before decoding: a small file may declare gigabytes of pixels.
    ReadLimits limits;
    limits.maxPixels = graphlimit::MaxPixels;
    limits.keepDamaged = true;
    const ImageRead read = readImageFile(fileName, limits);
    for (const QString &warning : read.warnings)
        qWarning("%s", qPrintable(warning));
    const QString name = QDir::toNativeSeparators(fileName);
    const QImage loaded = toEditableFormat(read.image);
    if (loaded.isNull()) {
        showWarning(QString("Obrazok %1 sa neda otvorit: %2.").arg(name, whyNotOpened(read)));
        return false;
    }
    image = loaded;
    // The last result belongs to the old image: a redraw must never paint it into this one.
    objectPixels = QVector<int>();
    objectMask = QVector<bool>();
    resize(image.size());
    setMinimumSize(image.size());
    update();
    // What the decoder made of a damaged file is still worth seeing, but not as if whole.
    if (read.status == ReadStatus::Damaged)
        showWarning(QString("Obrazok %1 je poskodeny alebo neuplny: zobrazene je len to, co sa "
                            "z neho dalo precitat.")
                        .arg(name));
    if (objectSeeds.empty() && backgroundSeeds.empty())
        return true;

    QMessageBox box;
    box.setWindowTitle("Upozornenie");
    box.setText("V pamati zvolenych pixelov patriacich casti pozadia alebo objektu mate zvoleny "
                "jeden alebo viac bodov.");
    box.setInformativeText("Prajete si tuto pamat vycistit?");
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes)
        resetSeeds();
    else
        dropSeedsOutsideImage();
    return true;
}

// Every seed must lie inside the image: kept seeds of a larger image would otherwise
// index past the per-pixel arrays of the next construction.
void PaintWidget::dropSeedsOutsideImage()
{
    const QRect bounds = image.rect();
    const auto outside = [&bounds](const QPoint &p) { return !bounds.contains(p); };
    objectSeeds.erase(std::remove_if(objectSeeds.begin(), objectSeeds.end(), outside),
                      objectSeeds.end());
    backgroundSeeds.erase(
        std::remove_if(backgroundSeeds.begin(), backgroundSeeds.end(), outside),
        backgroundSeeds.end());
    updateSeedCounters();
}

bool PaintWidget::saveImage(const QString &fileName)
{
    QImage picture = image;
    if (picture.size() != size()) {
        QImage padded(size(), QImage::Format_RGB32);
        padded.fill(0xFFFFFFFF);
        QPainter painter(&padded);
        painter.drawImage(0, 0, picture);
        painter.end();
        picture = padded;
    }
    QString reason;
    if (writeImageFile(picture, fileName, "png", -1, &reason))
        return true;
    showWarning(QString("Obrazok sa nepodarilo ulozit do suboru %1: %2.")
                    .arg(QDir::toNativeSeparators(fileName), reason));
    return false;
}

void PaintWidget::clearImage()
{
    // On a palette image the raw value would be an index the palette may not have.
    makeEditable(image);
    image.fill(0xFFFFFFFF);
    update();
}

void PaintWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty, image, dirty);
}

void PaintWidget::showWarning(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle("Varovanie");
    box.setText(text);
    box.exec();
}

void PaintWidget::mousePressEvent(QMouseEvent *event)
{
    if (refusedDuringRun())
        return;
    clickPoint = event->pos();
    const int x = clickPoint.x();
    const int y = clickPoint.y();
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
        showWarning("Zvoleny bod je mimo oblast patriacu obrazovym datam.");
        return;
    }
    if (std::find(objectSeeds.begin(), objectSeeds.end(), clickPoint) != objectSeeds.end()) {
        showWarning("Zvoleny bod je uz zvoleny ako bod patriaci casti objektu, vyberte iny bod "
                    "prosim");
        return;
    }
    if (std::find(backgroundSeeds.begin(), backgroundSeeds.end(), clickPoint)
        != backgroundSeeds.end()) {
        showWarning("Zvoleny bod je uz zvoleny ako bod patriaci casti pozadia, vyberte iny bod "
                    "prosim");
        return;
    }
    if (event->button() == Qt::LeftButton) {
        diag::Line() << x << " a OBJ " << y;
        objectSeeds.push_back(clickPoint);
        ui->objekt_pocet->setNum(int(objectSeeds.size()));
    } else if (event->button() == Qt::RightButton) {
        diag::Line() << x << " a " << y;
        backgroundSeeds.push_back(clickPoint);
        ui->pozadie_pocet->setNum(int(backgroundSeeds.size()));
    }
}

void PaintWidget::updateSeedCounters()
{
    ui->objekt_pocet->setNum(int(objectSeeds.size()));
    ui->pozadie_pocet->setNum(int(backgroundSeeds.size()));
}

void PaintWidget::resetSeeds()
{
    objectSeeds.clear();
    backgroundSeeds.clear();
    updateSeedCounters();
    diag::line("RESET");
}

void PaintWidget::showSeedCoordinates(bool object)
{
    QMessageBox box;
    QString text;
    const std::vector<QPoint> &seeds = object ? objectSeeds : backgroundSeeds;
    if (object) {
        box.setWindowTitle("Object pixels coordinates");
        text += "Object pixels coordinates:\n";
    } else {
        box.setWindowTitle("Background pixels coordinates");
        text += "Background pixels coordinates:\n";
    }
    for (const QPoint &p : seeds)
        text += " x = " + QString::number(p.x()) + " y = " + QString::number(p.y()) + "\n";
    box.setText(text);
    box.exec();
}

void PaintWidget::toGrayscale()
{
    convertToGray(image);
    update();
}

void PaintWidget::graf_test()
{
    if (!refusedDuringRun())
        runGraphSelfCheck(graf);
}

// The window disables its commands during a run; this is for what reaches the canvas
// all the same: a press already on its way, a slot invoked directly.
bool PaintWidget::refusedDuringRun() const
{
    if (!m_segmenting)
        return false;
    QApplication::beep();
    return true;
}

void PaintWidget::setSegmenting(bool running)
{
    m_segmenting = running;
    emit segmentingChanged(running);
}
