#include "oledframe.h"

#include "wholefile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cstring>

namespace {
constexpr int PageRows = 8;
// Pictures larger than this are no drawing of ours; they are refused before any pixel is read.
constexpr int MaxSide = 4096;
}  // namespace

bool OledFrame::readFilled(QImageReader& reader, QImage& image)
{
    // A top-down BMP reports its height as negative.
    const QSize own(reader.size().width(), qAbs(reader.size().height()));
    if (own.isEmpty() || own.width() > MaxSide || own.height() > MaxSide)
        return false;
    // The reader decodes into an image of its size and format when it is given one; a picture
    // filled first keeps whatever rows the reader never reaches at a known value.
    QImage filled(own, reader.imageFormat() == QImage::Format_Invalid ? QImage::Format_ARGB32 : reader.imageFormat());
    if (filled.isNull())
        return false;
    filled.fill(0);
    if (!reader.read(&filled) || filled.isNull())
        return false;
    // A palette picture may use indices past its colour table; such pixels read as black rather
    // than as whatever lies behind the table.
    if (filled.depth() <= 8 && filled.colorCount() < (1 << filled.depth())) {
        QVector<QRgb> table = filled.colorTable();
        table.resize(1 << filled.depth());
        std::fill(table.begin() + filled.colorCount(), table.end(), qRgb(0, 0, 0));
        filled.setColorTable(table);
    }
    image = filled;
    return true;
}

bool OledFrame::readFile(const QString& path, QImage& image, const QByteArray& format)
{
    QByteArray bytes;
    if (!readWholeFile(path, bytes, ReadLimit::Picture))
        return false;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format.isEmpty() ? QFileInfo(path).suffix().toLatin1() : format);
    if (!format.isEmpty()) {
        reader.setAutoDetectImageFormat(false);
        if (!reader.canRead())
            return false;
    }
    return readFilled(reader, image);
}

bool OledFrame::loadCanvas(const QString& path, QImage& canvas, QSize* size)
{
    QImage image;
    if (!readFile(path, image))
        return false;
    const QSize own = image.size();
    const QImage mono = image.convertToFormat(QImage::Format_MonoLSB);

    QImage result(Width, Height, QImage::Format_MonoLSB);
    result.setColorTable(mono.colorTable().size() == 2 ? mono.colorTable() : QVector<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)});
    result.fill(1);  // unlit
    for (int y = 0; y < qMin(Height, mono.height()); ++y) {
        for (int x = 0; x < qMin(Width, mono.width()); ++x)
            result.setPixel(x, y, mono.pixelIndex(x, y));
    }
    canvas = result;
    if (size)
        *size = own;
    return true;
}

bool OledFrame::pack(const QImage& picture, unsigned char* frame, int frameLength)
{
    if (picture.format() != QImage::Format_MonoLSB || picture.width() != Width || picture.height() != Height
        || picture.sizeInBytes() != FrameSize || frameLength != FrameSize || !frame)
        return false;
    unsigned char packed[FrameSize] = {};
    for (int page = 0; page < Height / PageRows; ++page) {
        for (int row = 0; row < PageRows; ++row) {
            const uchar* line = picture.constScanLine(page * PageRows + row);
            for (int x = 0; x < Width; ++x) {
                if ((line[x / 8] & (1 << (x % 8))) == 0)
                    packed[page * Width + x] |= static_cast<unsigned char>(1 << (PageRows - 1 - row));
            }
        }
    }
    std::memcpy(frame, packed, FrameSize);
    return true;
}
