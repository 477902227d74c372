// The OLED picture: the saved drawing packed into the display's frame (OledFrame) and written
// into the mouse, then read back to see that it arrived. The mouse takes the frame twice (1024
// bytes).
#include "apppaths.h"
#include "dcdatahandle.h"
#include "loginfo.h"
#include "oledframe.h"

#include <QDebug>
#include <cstring>

using OledFrame::FrameSize;

bool DCDataHandle::ImageToByteArr(QImage image, unsigned char* imageData, int imageDataLen)
{
    qCDebug(zr540Engine) << image.sizeInBytes() << imageDataLen;
    if (!OledFrame::pack(image, imageData, imageDataLen)) {
        qCDebug(zr540Engine) << "ImageToByteArr";
        return false;
    }
    return true;
}

void DCDataHandle::slot_WriteImageToMouse()
{
    const QString path = AppPaths::pictureFile();
    QImage canvas;
    QSize size;
    // A picture that is not there or not the display's size is not sent: a blank payload would
    // wipe what the display shows.
    if (!OledFrame::loadCanvas(path, canvas, &size) || size != QSize(OledFrame::Width, OledFrame::Height)) {
        loginfo(QStringLiteral("writeImageToMouse: no usable 128 x 32 picture in %1, nothing sent").arg(path));
        ++writeFailures;
        return;
    }
    unsigned char payload[2 * FrameSize] = {};
    if (!ImageToByteArr(canvas, payload, FrameSize)) {
        loginfo(QStringLiteral("writeImageToMouse: the picture could not be packed, nothing sent"));
        ++writeFailures;
        return;
    }
    std::memcpy(payload + FrameSize, payload, FrameSize);
    loginfo(QStringLiteral("writeImageToMouse"));
    if (connected && driver && driver->SetPictureData(payload)) {
        qCDebug(zr540Engine) << "slot_WriteImageToMouse succed";
        unsigned char back[2 * FrameSize] = {};
        if (driver->GetPictureData(back)) {
            const int cmp = std::memcmp(payload, back, sizeof payload);
            qCDebug(zr540Engine) << "slot_WriteImageToMouse memcmp " << (cmp < 0 ? -1 : cmp > 0 ? 1 : 0);
        }
        return;
    }
    qCDebug(zr540Engine) << "slot_WriteImageToMouse  failed";
    if (connected)
        ++writeFailures;
}
