// The OLED picture: the saved drawing (128 × 32, one bit per pixel) packed into the display's
// pages and written into the mouse, then read back to see that it arrived.
//
// The display is 4 pages of 8 pixel rows; byte page × 128 + x holds one column of a page, its
// bit 7 the page's top row. A frame bit is lit where the picture's pixel bit is 0. The mouse
// takes the frame twice (1024 bytes).
#include "apppaths.h"
#include "dcdatahandle.h"
#include "loginfo.h"

#include <QDebug>
#include <QFileInfo>
#include <cstring>

namespace {
constexpr int Width = 128;
constexpr int Height = 32;
constexpr int FrameSize = Width * Height / 8;  // 512
constexpr int PageRows = 8;
}  // namespace

bool DCDataHandle::ImageToByteArr(QImage image, unsigned char* imageData, int imageDataLen)
{
    qDebug() << image.sizeInBytes() << imageDataLen;
    if (image.format() != QImage::Format_MonoLSB || image.width() != Width || image.height() != Height
        || image.sizeInBytes() != FrameSize || imageDataLen != FrameSize || !imageData) {
        qDebug() << "ImageToByteArr";
        return false;
    }
    unsigned char frame[FrameSize] = {};
    for (int page = 0; page < Height / PageRows; ++page) {
        for (int row = 0; row < PageRows; ++row) {
            const uchar* line = image.constScanLine(page * PageRows + row);
            for (int x = 0; x < Width; ++x) {
                if ((line[x / 8] & (1 << (x % 8))) == 0)
                    frame[page * Width + x] |= static_cast<unsigned char>(1 << (PageRows - 1 - row));
            }
        }
    }
    std::memcpy(imageData, frame, FrameSize);
    return true;
}

void DCDataHandle::slot_WriteImageToMouse()
{
    const QString path = AppPaths::pictureFile();
    QImage picture;
    // A picture that is not there or not the display's size is not sent: a blank payload would
    // wipe what the display shows.
    if (!QFileInfo(path).isFile() || !picture.load(path) || picture.width() != Width || picture.height() != Height) {
        loginfo(QStringLiteral("writeImageToMouse: no usable 128 x 32 picture in %1, nothing sent").arg(path));
        return;
    }
    picture = picture.convertToFormat(QImage::Format_MonoLSB);
    unsigned char payload[2 * FrameSize] = {};
    if (!ImageToByteArr(picture, payload, FrameSize)) {
        loginfo(QStringLiteral("writeImageToMouse: the picture could not be packed, nothing sent"));
        return;
    }
    std::memcpy(payload + FrameSize, payload, FrameSize);
    loginfo(QStringLiteral("writeImageToMouse"));
    if (connected && driver && driver->SetPictureData(payload)) {
        qDebug() << "slot_WriteImageToMouse succed";
        if (connected) {
            unsigned char back[2 * FrameSize] = {};
            if (driver->GetPictureData(back)) {
                const int cmp = std::memcmp(payload, back, sizeof payload);
                qDebug() << "slot_WriteImageToMouse memcmp " << (cmp < 0 ? -1 : cmp > 0 ? 1 : 0);
            }
        }
        return;
    }
    qDebug() << "slot_WriteImageToMouse  failed";
}
