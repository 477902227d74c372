// OledFrame: the saved drawing becomes the frame of the mouse's 128 × 32 display. No device, no
// engine.
//
// The display is 4 pages of 8 pixel rows; byte page × 128 + x holds one column of a page, its
// bit 7 the page's top row. A frame bit is lit where the picture's one-bit pixel is 0.
#pragma once

#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

namespace OledFrame {

constexpr int Width = 128;
constexpr int Height = 32;
constexpr int FrameSize = Width * Height / 8;  // 512

// Loads the picture at `path` and draws its one-bit form onto a 128 × 32 canvas that is filled
// (unlit) first, so no pixel of the result is left to chance: Qt's BMP reader leaves rows of cut
// or RLE files unwritten, and those must not reach the display. `size` gets the picture's own
// size. False when the file cannot be read as a picture.
bool loadCanvas(const QString& path, QImage& canvas, QSize* size = nullptr);

// Decodes the picture file at `path` (a regular file of at most ReadLimit::Picture bytes) like
// readFilled. An empty `format` is told by the file's name and content, as QImageReader does;
// otherwise the file must be of that format.
bool readFile(const QString& path, QImage& image, const QByteArray& format = QByteArray());

// Decodes the picture `reader` is on into an image that was filled before decoding, with a
// palette padded to its full size, so no pixel is left to chance. False for pictures larger than
// 4096 pixels a side, or that cannot be read.
bool readFilled(QImageReader& reader, QImage& image);

// Packs a 128 × 32 Format_MonoLSB picture into `frame` (FrameSize bytes). False, and `frame`
// untouched, for any other picture.
bool pack(const QImage& picture, unsigned char* frame, int frameLength);

}  // namespace OledFrame
