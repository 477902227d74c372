// The OLED drawing board, driven with the mouse and its controls; every saved picture is read back
// the way the engine reads it for the display (OledFrame::loadCanvas), so a test sees which
// pixels the display lights.
#include "drawboardwidget.h"
#include "drawdialog.h"

#include "apppaths.h"
#include "bmpsuite.h"
#include "guihelpers.h"
#include "oledframe.h"
#include "wholefile.h"

#include <memory>

using Points = QVector<QPoint>;
using Strokes = QVector<Points>;
using Rects = QVector<QRect>;

namespace {
// The display's picture with exactly the pixels of `lit` white (or exactly those black, `inverted`).
QImage lighting(const Rects& lit, bool inverted = false)
{
    QImage image(OledFrame::Width, OledFrame::Height, QImage::Format_RGB32);
    image.fill(inverted ? Qt::white : Qt::black);
    for (const QRect& r : lit)
        QPainter(&image).fillRect(r, inverted ? Qt::black : Qt::white);
    return image;
}

// The saved picture as the display lights it (white = lit); null when it is not a 128 × 32 picture.
QImage saved()
{
    QImage canvas;
    QSize size;
    if (!OledFrame::loadCanvas(AppPaths::pictureFile(), canvas, &size) || size != QSize(128, 32))
        return {};
    QImage lit(OledFrame::Width, OledFrame::Height, QImage::Format_RGB32);
    for (int y = 0; y < lit.height(); ++y)
        for (int x = 0; x < lit.width(); ++x)
            lit.setPixel(x, y, canvas.pixelIndex(x, y) == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return lit;
}

// What the board shows on screen; null when a pixel is in a shade the one-bit file cannot hold.
QImage shown(DrawBoardWidget* board)
{
    const QImage image = board->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(0, 0, 128, 32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(0, 0, 0) && image.pixel(x, y) != qRgb(255, 255, 255))
                return {};
    return image;
}

void drawStroke(QWidget* board, const Points& points)
{
    sendMouse(board, QEvent::MouseButtonPress, points.first());
    for (int i = 1; i < points.size() - 1; ++i)
        sendMouse(board, QEvent::MouseMove, points[i]);
    sendMouse(board, QEvent::MouseButtonRelease, points.last());
}
}  // namespace

class TestDrawing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppPaths::setDataRoot(m_root.path()); }
    void init()
    {
        QFile::remove(AppPaths::pictureFile());
        m_dialog = std::make_unique<DrawDialog>();
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        m_board = m_dialog->board();
    }
    void cleanup() { m_dialog.reset(); }

    // What the brush draws is shown and saved, as a one-bit BMP file of the display's size. An
    // imported picture (left half white) covers the board, whatever its size and aspect.
    void savedPicture_data()
    {
        QTest::addColumn<bool>("white");
        QTest::addColumn<Strokes>("strokes");
        QTest::addColumn<bool>("imported");
        QTest::addColumn<Rects>("drawn");
        QTest::newRow("untouched board: all dark") << false << Strokes{} << false << Rects{};
        QTest::newRow("a click is a dot, two strokes")
            << false << Strokes{{QPoint(127, 31), QPoint(127, 31)}, {QPoint(0, 0), QPoint(5, 0)}} << false
            << Rects{{127, 31, 1, 1}, {0, 0, 6, 1}};
        QTest::newRow("white background: stroke dark") << true << Strokes{{QPoint(10, 9), QPoint(30, 9)}} << false
                                                       << Rects{{10, 9, 21, 1}};
        // The stroke is in the dark half: it must vanish.
        QTest::newRow("imported over a stroke") << false << Strokes{{QPoint(80, 3), QPoint(120, 28)}} << true
                                                << Rects{{0, 0, 64, 32}};
    }
    void savedPicture()
    {
        QFETCH(bool, white);
        if (white)
            clickChild(m_dialog.get(), "ChangeBackground_CheckBox");
        clickChild(m_dialog.get(), "Brush_Button");
        for (const Points& stroke : fetched<Strokes>("strokes"))
            drawStroke(m_board, stroke);
        if (fetched<bool>("imported")) {
            QImage halves(300, 301, QImage::Format_RGB32);
            halves.fill(Qt::black);
            QPainter(&halves).fillRect(0, 0, 150, 301, Qt::white);
            QVERIFY(halves.save(m_root.filePath("halves.bmp"), "BMP"));
            QVERIFY(m_dialog->importPicture(m_root.filePath("halves.bmp")));
        }
        const QImage expected = lighting(fetched<Rects>("drawn"), white);
        QCOMPARE(shown(m_board), expected);
        QVERIFY(confirm());
        QCOMPARE(saved(), expected);
        QImageReader reader(AppPaths::pictureFile());
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.read().depth(), 1);
    }

    // Grey from 128 up is lit on the display, darker grey is not.
    void greyThreshold()
    {
        QImage greys(2, 1, QImage::Format_RGB32);
        greys.setPixel(0, 0, qRgb(128, 128, 128));
        greys.setPixel(1, 0, qRgb(127, 127, 127));
        auto* patch = new QLabel(m_board);
        patch->setPixmap(QPixmap::fromImage(greys));
        patch->setGeometry(0, 0, 2, 1);
        patch->show();
        QVERIFY(confirm());
        QCOMPARE(saved(), lighting({{0, 0, 1, 1}}));
    }

    // Undo takes the newest stroke, all of it; with none left it does nothing.
    void undo()
    {
        clickChild(m_dialog.get(), "Brush_Button");
        clickChild(m_dialog.get(), "Recall_Button");  // nothing to undo yet
        drawStroke(m_board, {QPoint(10, 3), QPoint(10, 12)});
        drawStroke(m_board, {QPoint(20, 3), QPoint(25, 3), QPoint(30, 3)});
        clickChild(m_dialog.get(), "Recall_Button");
        QCOMPARE(shown(m_board), lighting({{10, 3, 1, 10}}));
        clickChild(m_dialog.get(), "Recall_Button");
        clickChild(m_dialog.get(), "Recall_Button");
        QCOMPARE(m_board->strokeCount(), 0);
        drawStroke(m_board, {QPoint(1, 1), QPoint(1, 1)});
        QVERIFY(confirm());
        QCOMPARE(saved(), lighting({{1, 1, 1, 1}}));
    }

    // Only the brush draws. With no tool chosen, dragging carries the text, centred on the
    // pointer, while on the board.
    void tools_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("brush");
        QTest::addColumn<bool>("text");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("field");
        QTest::newRow("nothing chosen at first") << QStringList{} << false << false << QPoint(70, 20) << QPoint(6, 4);
        QTest::newRow("left edge") << QStringList{} << false << false << QPoint(0, 10) << QPoint(0, 0);
        QTest::newRow("past the bottom") << QStringList{} << false << false << QPoint(50, 32) << QPoint(0, 0);
        QTest::newRow("brush") << QStringList{"Brush_Button"} << true << false << QPoint(70, 20) << QPoint(0, 0);
        QTest::newRow("brush twice: off again")
            << QStringList{"Brush_Button", "Brush_Button"} << false << false << QPoint(70, 20) << QPoint(6, 4);
        QTest::newRow("brush, then text")
            << QStringList{"Brush_Button", "TextEditButton"} << false << true << QPoint(70, 20) << QPoint(0, 0);
    }
    void tools()
    {
        QFETCH(bool, brush);
        QFETCH(bool, text);
        for (const QString& name : fetched<QStringList>("clicks"))
            clickChild(m_dialog.get(), name);
        QCOMPARE(m_board->brushMode(), brush);
        QCOMPARE(m_board->textMode(), text);
        QCOMPARE(childOf<QWidget>(m_dialog.get(), "Recall_Button")->isVisible(), brush);
        QCOMPARE(m_board->textField()->isEnabled(), text);
        sendMouse(m_board, QEvent::MouseMove, fetched<QPoint>("pointer"));
        QCOMPARE(m_board->textField()->pos(), fetched<QPoint>("field"));
        drawStroke(m_board, {QPoint(64, 16), QPoint(70, 16)});
        QCOMPARE(m_board->strokeCount(), brush ? 1 : 0);
    }

    // Confirmed while typing: the text is in the picture, as shown, and the cursor is not. Enter in
    // the text does not confirm.
    void textIsSavedAsShown()
    {
        m_dialog->findChild<QSpinBox*>("spinBox")->setValue(22);
        clickChild(m_dialog.get(), "TextEditButton");
        QTest::keyClicks(m_board->textField(), "OLED 88");
        QTest::keyClick(m_board->textField(), Qt::Key_Return);
        QVERIFY(m_dialog->isVisible());
        QVERIFY(confirm());
        QVERIFY(saved() != lighting({}));
        QCOMPARE(shown(m_board), saved());
    }

    // Leaving keeps the earlier drawing. A save that fails (a folder where the file should be)
    // still closes and asks to send: the engine then finds no new picture.
    void closing_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("left") << false;
        QTest::newRow("failed save") << true;
    }
    void closing()
    {
        QFETCH(bool, ok);
        QVERIFY(ok ? QDir().mkpath(AppPaths::pictureFile()) : writeWholeFile(AppPaths::pictureFile(), "earlier"));
        QSignalSpy sent(m_dialog.get(), &DrawDialog::sig_SetImageOnMouse);
        clickChild(m_dialog.get(), "Brush_Button");
        drawStroke(m_board, {QPoint(0, 0), QPoint(127, 31)});
        clickChild(m_dialog.get(), ok ? "DrawOkButton" : "closeButton");
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(sent.count(), ok ? 1 : 0);
        QVERIFY(ok ? QDir().rmdir(AppPaths::pictureFile()) : fileContent(AppPaths::pictureFile()) == "earlier");
    }

    // Pictures from elsewhere, broken ones included: each is refused, board unchanged, or shows in
    // black and white, the same every time however the memory under it was used before. (The
    // only test of the BMP Suite: keep it.)
    void bmpSuiteImport_data()
    {
        QTest::addColumn<QString>("path");
        if (!addBmpSuiteRows())
            QSKIP("the BMP Suite is not beside the project (../shared/testdata/bmpsuite)");
        const QString text = m_root.filePath("text.bmp"), png = m_root.filePath("png.bmp");
        QVERIFY(writeWholeFile(text, "BM not a picture"));
        QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(png, "PNG"));
        QTest::newRow("text named .bmp") << text;
        QTest::newRow("PNG named .bmp") << png;
    }
    void bmpSuiteImport()
    {
        QFETCH(QString, path);
        QImage shownAfter[2];
        bool loaded[2] = {};
        for (int run = 0; run < 2; ++run) {
            litterHeap(run);
            init();
            const QImage before = shown(m_board);
            loaded[run] = m_dialog->importPicture(path);
            shownAfter[run] = shown(m_board);
            QVERIFY(!shownAfter[run].isNull());  // black and white only
            if (!loaded[run])
                QCOMPARE(shownAfter[run], before);
        }
        QCOMPARE(loaded[1], loaded[0]);
        QCOMPARE(shownAfter[1], shownAfter[0]);
        if (path.contains("/g/"))
            QVERIFY2(loaded[0], "a good BMP file is refused");
        if (loaded[0]) {
            QVERIFY(confirm());
            QCOMPARE(saved(), shownAfter[0]);
        }
    }

private:
    // Clicks "确定": the picture is saved, sending asked for once, the dialog closed.
    bool confirm()
    {
        QSignalSpy sent(m_dialog.get(), &DrawDialog::sig_SetImageOnMouse);
        clickChild(m_dialog.get(), "DrawOkButton");
        return sent.count() == 1 && !m_dialog->isVisible();
    }

    QTemporaryDir m_root;
    std::unique_ptr<DrawDialog> m_dialog;
    DrawBoardWidget* m_board = nullptr;
};

QTEST_MAIN(TestDrawing)
#include "tst_drawing.moc"
