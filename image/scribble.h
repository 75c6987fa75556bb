#pragma once

#include <QPoint>

#include <vector>

class QImage;

// Seeds drawn as a picture: pure red (255, 0, 0) pixels are object seeds and pure blue
// (0, 0, 255) background seeds, each only while its alpha is above 0; every other pixel
// is ignored, so anti-aliased stroke edges do no harm.
namespace scribble {

// A seed as the command line and the scribbles give it: a point and its kind.
struct Seed {
    bool object = true;
    QPoint point;
};

enum class Status {
    Ok,
    SizeMismatch,   // the scribble is not the size of the image it is for
    NoObject,       // not one pure red pixel
    NoBackground,   // not one pure blue pixel
};

// Appends the seeds in pixel-index order (row by row, object and background mixed as
// they lie). On any status but Ok `seeds` is left as it was; NoObject wins when both
// kinds are missing.
Status readSeeds(const QImage &scribble, int width, int height, std::vector<Seed> &seeds);

} // namespace scribble
