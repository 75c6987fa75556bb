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
    int seedMean(std::vector<QPoint> seeds);

    // True while a segmentation runs; commands that could change the image, the seeds,
    // the graph or the result are refused meanwhile, because the solver processes events.
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
    pipeline::Workspace workspace();
    int constructGraph(pipeline::Variant variant);
    void runSegmentation(pipeline::Method method);
    class RunSteps;

    bool m_segmenting = false;
};
