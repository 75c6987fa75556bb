#include "image/imagefile.h"

#include "image/platform.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

#include <limits>

namespace {

// Collects what is said through Qt's message handler while it lives. The decoders speak
// only this way (the JPEG reader warns about a truncated file and still succeeds), so
// this is the one place their words can be seen. Images are decoded on one thread only.
class MessageCollector {
public:
    explicit MessageCollector(QStringList &into) : m_previousList(s_list)
    {
        s_list = &into;
        m_previous = qInstallMessageHandler(&MessageCollector::collect);
    }
    ~MessageCollector()
    {
        qInstallMessageHandler(m_previous);
        s_list = m_previousList;
    }
    MessageCollector(const MessageCollector &) = delete;
    MessageCollector &operator=(const MessageCollector &) = delete;

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (s_list)
            s_list->append(message);
    }
    static QStringList *s_list;
    QtMessageHandler m_previous = nullptr;
    QStringList *m_previousList;
};

QStringList *MessageCollector::s_list = nullptr;

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// The JPEG reader reports an uninitialised format for a file without a usable header, so
// the format is asked only after a size was read, and kept as an int until it is checked.
QImage::Format formatOf(QImageReader &reader)
{
    const int f = int(reader.imageFormat());
    return f > int(QImage::Format_Invalid) && f < int(QImage::NImageFormats)
               ? QImage::Format(f)
               : QImage::Format_Invalid;
}

// The nearest folder above a missing path that exists, refuses to be searched.
bool folderClosed(QString folder)
{
    for (;;) {
        const QFileInfo info(folder);
        if (info.exists())
            return info.isDir() && !info.isExecutable();
        const QString parent = info.absolutePath();
        if (parent == folder)
            return false;
        folder = parent;
    }
}

} // namespace

bool isDamageWarning(const QString &message)
{
    // libjpeg: "Premature end of JPEG file", "Corrupt JPEG data: ..."; libpng and others
    // say "truncated" or "corrupt".
    for (const char *word : {"premature end", "corrupt", "truncat"})
        if (message.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

bool bmpDataShortfall(const QByteArray &header, qint64 fileSize, qint64 *needed)
{
    if (header.size() < 26 || !header.startsWith("BM"))
        return false;
    const quint32 offset = le32(header, 10);
    const quint32 infoSize = le32(header, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageBytes = 0;
    if (infoSize == 12) {
        width = le16(header, 18);
        height = le16(header, 20);
        bits = le16(header, 24);
    } else if (infoSize >= 40 && header.size() >= 38) {
        width = qint32(le32(header, 18));
        height = qAbs(qint64(qint32(le32(header, 22))));  // negative: stored top-down
        bits = le16(header, 28);
        compression = le32(header, 30);
        imageBytes = le32(header, 34);
    } else {
        return false;
    }
    qint64 length = 0;
    if (compression == 0 || compression == 3 || compression == 6) {
        // Uncompressed rows (bit fields included), each padded to 4 bytes.
        if (width <= 0 || bits <= 0 || bits > 32)
            return false;
        const qint64 rowBytes = (width * bits + 31) / 32 * 4;
        // A header may claim more than 64 bits can count; no file holds that much anyway.
        const qint64 most = std::numeric_limits<qint64>::max() / 2;
        length = height > 0 && rowBytes > most / height ? most : rowBytes * height;
    } else if (compression == 1 || compression == 2) {
        // Run-length data: only the header's own count says how long they are.
        length = imageBytes;
    } else {
        return false;
    }
    if (length <= 0 || qint64(offset) + length <= fileSize)
        return false;
    if (needed)
        *needed = qint64(offset) + length;
    return true;
}

namespace {

// Opens the file for reading, or says in r why it cannot be read.
bool openForReading(const QString &path, QFile &file, ImageRead &r)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        // A file behind a folder we may not enter cannot be seen either: say so.
        const bool closed = !path.isEmpty() && folderClosed(info.absolutePath());
        r.status = closed ? ReadStatus::PermissionDenied : ReadStatus::NotFound;
        r.reason = closed ? "permission denied" : "not found";
        return false;
    }
    if (info.isDir()) {
        r.status = ReadStatus::IsDirectory;
        r.reason = "is a directory";
        return false;
    }
    if (!info.isFile()) {
        r.status = ReadStatus::NotRegularFile;
        r.reason = "not a regular file";
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        const bool denied = !info.isReadable() || file.error() == QFileDevice::PermissionsError;
        r.status = denied ? ReadStatus::PermissionDenied : ReadStatus::OpenFailed;
        r.reason = denied ? QString("permission denied") : file.errorString();
        return false;
    }
    return true;
}

} // namespace

ImageRead readImageFile(const QString &path, const ReadLimits &limits)
{
    ImageRead r;
    QFile file(path);
    if (!openForReading(path, file, r))
        return r;

    const qint64 fileSize = file.size();
    const QByteArray header = file.peek(64);
    qint64 needed = 0;
    const bool shortData = bmpDataShortfall(header, fileSize, &needed);
    const QString shortReason = QString("truncated: the picture needs %1 bytes, the file has %2")
                                    .arg(needed)
                                    .arg(fileSize);

    MessageCollector collector(r.warnings);
    // The reader gets the opened file, whose name still lets the suffix guide the format.
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (size.isValid())
        r.declaredSize = size;
    const auto tooLarge = [&](QSize s) {
        return limits.maxPixels >= 0 && qint64(s.width()) * s.height() > limits.maxPixels;
    };
    if (size.isValid() && tooLarge(size)) {
        r.status = ReadStatus::TooLarge;
        r.reason = QString("too large: %1 x %2 pixels").arg(size.width()).arg(size.height());
        return r;
    }
    if (shortData && !limits.keepDamaged) {
        r.status = ReadStatus::Damaged;
        r.reason = shortReason;
        return r;
    }

    // The readers of BMP, PNG and JPEG decode into an image of the right size and format
    // when given one, so a zero-filled one leaves nothing uninitialised where the data end.
    QImage image;
    const QImage::Format format =
        size.isValid() && !size.isEmpty() ? formatOf(reader) : QImage::Format_Invalid;
    if (format != QImage::Format_Invalid) {
        image = QImage(size, format);
        if (!image.isNull())
            image.fill(0);
    }
    const uchar *const prefilled = image.isNull() ? nullptr : image.constBits();
    const bool decoded = reader.read(&image) && !image.isNull();
    const bool ownBuffer = prefilled && image.constBits() == prefilled;

    QString damage;
    for (const QString &w : r.warnings)
        if (isDamageWarning(w)) {
            damage = w;
            break;
        }
    if (!decoded && shortData) {
        r.status = ReadStatus::Damaged;
        r.reason = shortReason;
        return r;
    }
    if (!decoded) {
        r.status = ReadStatus::Undecodable;
        if (reader.error() == QImageReader::UnsupportedFormatError) {
            r.status = ReadStatus::NotAnImage;
            r.reason = "not an image in a format this program reads";
        } else if (!damage.isEmpty()) {
            r.reason = "damaged image data: " + damage;
        } else if (!r.warnings.isEmpty()) {
            r.reason = "damaged image data: " + r.warnings.first();
        } else {
            r.reason = "damaged or incomplete image data";
        }
        return r;
    }
    if (!size.isValid() && tooLarge(image.size())) {
        r.declaredSize = image.size();
        r.status = ReadStatus::TooLarge;
        r.reason = QString("too large: %1 x %2 pixels").arg(image.width()).arg(image.height());
        return r;
    }
    if (shortData || !damage.isEmpty()) {
        r.status = ReadStatus::Damaged;
        r.reason = shortData ? shortReason : "damaged image data: " + damage;
        // A reader that allocated its own image may have left the missing rows unwritten.
        if (limits.keepDamaged && (!shortData || ownBuffer))
            r.image = image;
        return r;
    }
    r.status = ReadStatus::Ok;
    r.image = image;
    return r;
}

namespace {

// QFile takes a write that the disk cut short for a success of fewer bytes and keeps no
// reason, also when it flushes its own buffer ("Unknown error"). Unbuffered, the rest is
// written here, and the call that fails says why.
bool writeWhole(QFileDevice &file, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return file.flush();
}

} // namespace

bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *reason)
{
    QString why;
    bool ok = false;
    const QFileInfo info(path);
    if (info.isDir()) {
        why = "is a directory";
    } else if (info.exists() && !info.isFile()) {
        // A device or a pipe cannot be replaced by a rename (and must not be: as root a
        // temporary file beside /dev/full would take its place).
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            ok = writeWhole(file, bytes);
        if (!ok)
            why = file.errorString();
    } else {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            // Qt 5's commit() ignores an error of its own final flush and renames a short
            // file over the old one: every byte is written and checked here first.
            ok = writeWhole(file, bytes);
            if (!ok) {
                why = file.errorString();
                file.cancelWriting();
            } else {
                ok = file.commit();
            }
        }
        if (!ok && why.isEmpty())
            why = file.errorString();
        if (!ok && info.exists()) {
            // QSaveFile names a file it may not replace without the system's reason
            // ("Read-only file system", "Permission denied"); opening it for writing,
            // without truncating or writing anything, gives that reason.
            QFile probe(path);
            if (!probe.open(QIODevice::ReadWrite))
                why = probe.errorString();
            const QString held = imageplatform::whyNotReplaceable(path);
            if (!held.isEmpty())
                why = held;
        }
    }
    // Windows' messages end in a full stop; the callers add their own.
    if (why.endsWith('.'))
        why.chop(1);
    if (!ok && reason)
        *reason = why.isEmpty() ? QString("unknown error") : why;
    return ok;
}

bool writeImageFile(const QImage &image, const QString &path, const char *format, int quality,
                    QString *reason)
{
    // Encoded whole first: the file is then written in one piece, and an encoder's failure
    // never touches it.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        if (reason)
            *reason = writer.errorString();
        return false;
    }
    return writeFileSafely(path, bytes, reason);
}
