#include "drawboardwidget.h"

#include "oledframe.h"

#include "wholefile.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
// Grey levels from here up are lit.
constexpr int LitFrom = 128;
}  // namespace

DrawBoardWidget::DrawBoardWidget(QWidget* parent) : QWidget(parent)
{
    resize(BoardWidth, BoardHeight);
    setMinimumSize(BoardWidth, BoardHeight);
    setMaximumSize(BoardWidth, BoardHeight);
    setMouseTracking(false);
    setStyleSheet(QStringLiteral("QWidget\n{\nbackground-color:black;\n}"));

    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setObjectName(QStringLiteral("PictureLabel"));
    m_pictureLabel->setGeometry(0, 0, BoardWidth, BoardHeight);
    m_pictureLabel->setStyleSheet(QStringLiteral("background:transparent;border:none;"));
    m_pictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pictureLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_textField = new QLineEdit(this);
    m_textField->setObjectName(QStringLiteral("TextLineEdit"));
    m_textField->setGeometry(0, 0, 132, 28);
    m_textField->setAlignment(Qt::AlignCenter);
    m_textField->setFrame(false);
    QFont font(QStringLiteral("宋体"), 12);
    font.setStyleStrategy(QFont::NoAntialias);  // grey edges would not survive the one-bit file
    m_textField->setFont(font);
    m_textField->setStyleSheet(QStringLiteral("QLineEdit\n{\nborder:none;\nbackground:transparent;\ncolor:white;\n}"));
    m_textField->setEnabled(false);
    m_textField->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DrawBoardWidget::setBrushMode(bool on) { m_brushMode = on; }

void DrawBoardWidget::setTextMode(bool on)
{
    m_textMode = on;
    m_textField->setEnabled(on);
    m_textField->setAttribute(Qt::WA_TransparentForMouseEvents, !on);
    if (on)
        m_textField->setFocus();
}

void DrawBoardWidget::setBackground(bool black)
{
    m_blackBackground = black;
    m_colorStyle = black ? QStringLiteral("color:white;") : QStringLiteral("color:black;");
    applyTextStyle();
    update();
}

void DrawBoardWidget::setTextFont(const QFont& font)
{
    QFont textFont = font;
    textFont.setStyleStrategy(QFont::NoAntialias);
    m_textField->setFont(textFont);
}

void DrawBoardWidget::setTextSize(int pixels)
{
    m_sizeStyle = QStringLiteral("font-size:%1px;").arg(pixels);
    applyTextStyle();
}

void DrawBoardWidget::applyTextStyle()
{
    m_textField->setStyleSheet(QStringLiteral("%1%2%3%4").arg(m_stylePrefix, m_sizeStyle, m_colorStyle, m_styleSuffix));
}

void DrawBoardWidget::setPicture(const QImage& picture)
{
    if (picture.isNull())
        return;
    const QImage stretched = picture.scaled(BoardWidth, BoardHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Shown as it will be sent: one bit a pixel, greys dithered.
    const QImage shown = stretched.convertToFormat(QImage::Format_MonoLSB, Qt::MonoOnly | Qt::DiffuseDither)
                             .convertToFormat(QImage::Format_RGB32);
    m_pictureLabel->setPixmap(QPixmap::fromImage(shown));
}

void DrawBoardWidget::undoLastStroke()
{
    if (m_strokes.isEmpty())
        return;
    m_strokes.removeLast();
    update();
}

QImage DrawBoardWidget::picture()
{
    // Neither the text cursor nor a selection belongs in the picture.
    m_textField->deselect();
    m_textField->clearFocus();
    QImage rendered(BoardWidth, BoardHeight, QImage::Format_RGB32);
    rendered.fill(Qt::black);
    render(&rendered, QPoint(), QRegion(0, 0, BoardWidth, BoardHeight));

    QImage mono(BoardWidth, BoardHeight, QImage::Format_MonoLSB);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // index 0 is what the display lights
    mono.fill(1);
    for (int y = 0; y < BoardHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rendered.constScanLine(y));
        for (int x = 0; x < BoardWidth; ++x) {
            if (qGray(line[x]) >= LitFrom)
                mono.setPixel(x, y, 0);
        }
    }
    return mono;
}

bool DrawBoardWidget::savePicture(const QString& path)
{
    QByteArray content;
    QBuffer buffer(&content);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(picture()))
        return false;
    return writeWholeFile(path, content);
}

bool DrawBoardWidget::loadPicture(const QString& path, QImage& picture)
{
    QImage image;
    if (!OledFrame::readFile(path, image, "bmp"))
        return false;
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    painter.end();
    picture = canvas;
    return true;
}

void DrawBoardWidget::mousePressEvent(QMouseEvent* event)
{
    if (m_brushMode && event->button() == Qt::LeftButton) {
        m_strokes.append({event->pos()});
        update();
    }
}

void DrawBoardWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    if (m_brushMode) {
        if ((event->buttons() & Qt::LeftButton) && !m_strokes.isEmpty()) {
            m_strokes.last().append(pos);
            update();
        }
        return;
    }
    // With no tool chosen, dragging carries the text along, centred on the pointer.
    if (!m_textMode && pos.x() >= 1 && pos.x() <= BoardWidth - 1 && pos.y() >= 1 && pos.y() <= BoardHeight - 1)
        m_textField->move(pos.x() - BoardWidth / 2, pos.y() - BoardHeight / 2);
}

void DrawBoardWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_brushMode && event->button() == Qt::LeftButton && !m_strokes.isEmpty()) {
        m_strokes.last().append(event->pos());
        update();
    }
}

void DrawBoardWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, BoardWidth, BoardHeight), m_blackBackground ? Qt::black : Qt::white);
    painter.setPen(QPen(m_blackBackground ? Qt::white : Qt::black, 1));
    for (const QVector<QPoint>& stroke : m_strokes) {
        painter.drawPoint(stroke.first());  // a click alone is a dot
        for (int i = 1; i < stroke.size(); ++i)
            painter.drawLine(stroke[i - 1], stroke[i]);
    }
}
