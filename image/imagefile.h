#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// Reading and writing image files with reasons a user can act on. Nothing here shows a
// message; the window and the command line decide what to say.

enum class ReadStatus {
    Ok,
    Damaged,          // the data end early or the decoder reported them corrupt
    NotFound,
    IsDirectory,
    NotRegularFile,   // a device, a pipe or a socket: never opened, it could block
    PermissionDenied,
    OpenFailed,       // any other reason the file could not be opened
    TooLarge,         // the declared size is over the limit; nothing was decoded
    NotAnImage,       // no image in a format the toolkit knows
    Undecodable,      // the decoder gave up on the data
};

struct ImageRead {
    ReadStatus status = ReadStatus::Undecodable;
    // The decoder's picture: always for Ok; for Damaged only when the caller keeps damaged
    // pictures and every pixel of it was written by the decoder or by our own fill.
    QImage image;
    QSize declaredSize;    // from the header before decoding; invalid when it could not be read
    QString reason;        // empty for Ok: "not found", "too large: 65000 x 65000 pixels", ...
    QStringList warnings;  // what the decoder said through Qt's message handler, in order
};

struct ReadLimits {
    qint64 maxPixels = -1;      // refuse a declared size above this (width x height); -1: none
    bool keepDamaged = false;   // hand over the picture of a truncated or corrupt file
};

// Opens `path` itself first, so the reason names what went wrong, reads the declared size
// and refuses one over the limit before a pixel is allocated, then decodes once. Pixels the
// decoder leaves unwritten (a bitmap cut short) hold 0, never uninitialised memory.
ImageRead readImageFile(const QString &path, const ReadLimits &limits = {});

// True when a message of a decoder means that image data are missing or corrupt, not just
// an oddity of an intact file (an unusual colour profile, say).
bool isDamageWarning(const QString &message);

// For a BMP whose pixel data end before the picture its header declares: how many bytes
// the header asks for and how many the file holds. False when the data are not a BMP or
// the header leaves the length unknown.
bool bmpDataShortfall(const QByteArray &header, qint64 fileSize, qint64 *needed);

// Writes `bytes` to `path` so that the old file survives any failure: an ordinary file is
// written beside the target and renamed over it only when it is complete and flushed
// without error. An existing device or pipe (/dev/stdout, say) is written directly, with
// every error checked. On failure returns false and puts the system's reason into `reason`.
bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *reason);

// `image` encoded in `format` (quality as QImageWriter takes it), written the same way.
bool writeImageFile(const QImage &image, const QString &path, const char *format, int quality,
                    QString *reason);
