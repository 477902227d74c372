// DrawBoardWidget: the 128 × 32 canvas of the OLED drawing board, one widget pixel per display
// pixel. Bottom to top: the board's own painting (background and brush strokes), the imported
// picture, the line of text. All three go into the saved picture.
//
// Everything on the board is pure black or white (strokes unsmoothed, text without antialiasing,
// the picture reduced to one bit on import), so the one-bit file shows on the display exactly
// what the board shows: a white pixel is a lit one.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>
#include <QWidget>

class QLabel;
class QLineEdit;

class DrawBoardWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int BoardWidth = 128;
    static constexpr int BoardHeight = 32;

    explicit DrawBoardWidget(QWidget* parent = nullptr);

    void setBrushMode(bool on);
    bool brushMode() const { return m_brushMode; }
    // Text mode lets the text field take the pointer and the keyboard.
    void setTextMode(bool on);
    bool textMode() const { return m_textMode; }
    void setBackground(bool black);
    bool blackBackground() const { return m_blackBackground; }
    void setTextFont(const QFont& font);
    void setTextSize(int pixels);
    // Shows `picture` over the strokes, stretched to the board and reduced to black and white.
    void setPicture(const QImage& picture);
    void undoLastStroke();
    int strokeCount() const { return int(m_strokes.size()); }

    // The board as the display will show it: 128 × 32, one bit a pixel, white (lit) at index 0.
    QImage picture();
    // Writes picture() as a BMP file to `path` (whole file or nothing). False on failure.
    bool savePicture(const QString& path);

    // Reads a BMP picture for import: refused (false) unless the file is a BMP of sane size.
    // The picture is decoded onto a filled image, so rows a broken file does not hold come out
    // black instead of undefined; transparent parts are black too.
    static bool loadPicture(const QString& path, QImage& picture);

    QLineEdit* textField() const { return m_textField; }

signals:
    void sig_DrawImage(QImage image);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTextStyle();

    bool m_brushMode = false;
    bool m_textMode = false;
    bool m_blackBackground = true;
    QVector<QVector<QPoint>> m_strokes;
    QLabel* m_pictureLabel = nullptr;
    QLineEdit* m_textField = nullptr;

    // The text field's style sheet is put together from these.
    const QString m_stylePrefix = QStringLiteral("QLineEdit{border:none;background:transparent;");
    QString m_sizeStyle;
    QString m_colorStyle = QStringLiteral("color:white;");
    const QString m_styleSuffix = QStringLiteral("}");
};
