#pragma once

#include "graph/Graf.h"

#include <QImage>
#include <QPoint>
#include <QVector>
#include <QWidget>

#include <vector>

namespace Ui {
class MyPainterClass;
}

namespace pipeline {
enum class Method;
enum class Status;
enum class Variant;
struct Workspace;
} // namespace pipeline

// The canvas: shows the image unscaled at its origin and holds all working data:
// the seeds, the intensity buffer, the pixel graph and the last segmentation result.
class PaintWidget : public QWidget {
    Q_OBJECT

public:
    explicit PaintWidget(Ui::MyPainterClass *ui, QWidget *parent = nullptr);

    bool openImage(const QString &fileName);
    bool saveImage(const QString &fileName);

    void resetSeeds();
    void showSeedCoordinates(bool object);
    void toGrayscale();

    // True while a solver runs. It processes events, so the window disables its commands
    // meanwhile (segmentingChanged); the canvas itself refuses only what would take the
    // image or the graph from under the solver, and mouse presses that still arrive.
    bool isSegmenting() const { return m_segmenting; }

    Ui::MyPainterClass *ui;
    std::vector<int> intensities;
    std::vector<QPoint> objectSeeds;
    std::vector<QPoint> backgroundSeeds;
    QImage image;
    QPoint clickPoint;
    Graf graf;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    bool segmented = false;

signals:
    void segmentingChanged(bool running);

public slots:
    void clearImage();
    void segmentacia_objekt();
    void segmentacia_push();
    void prepis_data();
    int preved_obrazok_na_graf();
    int preved_obrazok_na_graf_farebny();
    void graf_test();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // The second press of a double click must neither add a seed nor warn.
    void mouseDoubleClickEvent(QMouseEvent *) override {}

private:
    void showWarning(const QString &text);
    void updateSeedCounters();
    void dropSeedsOutsideImage();
    bool refusedDuringRun() const;
    void setSegmenting(bool running);
    pipeline::Workspace workspace();
    int constructGraph(pipeline::Variant variant);
    int report(pipeline::Status status, pipeline::Variant variant);
    void runSegmentation(pipeline::Method method);

    bool m_segmenting = false;
};
