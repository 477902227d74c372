// The OLED drawing board, driven with the mouse and its controls; every saved picture is read back
// the way the engine reads it (OledFrame::loadCanvas + pack), so a test sees the display's frame.
#include "drawboardwidget.h"
#include "drawdialog.h"
#include "ui_drawdialog.h"

#include "apppaths.h"
#include "logcapture.h"
#include "oledframe.h"
#include "wholefile.h"

#include <QCheckBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include "bmpsuite.h"
#include "testhelpers.h"

#include <QtTest>
#include <memory>
#include <vector>

using Points = QVector<QPoint>;
using Strokes = QVector<Points>;

namespace {

// The frame the display shows when exactly the pixels `lit` are lit (or exactly those are dark,
// when `inverted`).
QByteArray frameLighting(const Points& lit, bool inverted = false)
{
    QByteArray frame(OledFrame::FrameSize, inverted ? '\xFF' : '\0');
    for (const QPoint& p : lit) {
        const int byte = p.y() / 8 * OledFrame::Width + p.x();
        const char bit = char(1 << (7 - p.y() % 8));
        frame[byte] = char(inverted ? frame[byte] & ~bit : frame[byte] | bit);
    }
    return frame;
}

Points line(QPoint from, QPoint to)
{
    Points points;
    const int steps = qMax(qAbs(to.x() - from.x()), qAbs(to.y() - from.y()));
    for (int i = 0; i <= steps; ++i)
        points << from + (to - from) * i / qMax(steps, 1);
    return points;
}

// The picture file as the engine packs it for the display; empty when it cannot be read.
QByteArray displayedFrame(const QString& path = AppPaths::pictureFile())
{
    QImage canvas;
    QSize size;
    if (!OledFrame::loadCanvas(path, canvas, &size) || size != QSize(128, 32))
        return {};
    QByteArray frame(OledFrame::FrameSize, '\0');
    if (!OledFrame::pack(canvas, reinterpret_cast<unsigned char*>(frame.data()), frame.size()))
        return {};
    return frame;
}

// What the board shows on screen, packed as the display would light it (white = lit).
QByteArray shownFrame(DrawBoardWidget* board)
{
    const QImage shown = board->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Points lit;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (pixel != qRgb(0, 0, 0) && pixel != qRgb(255, 255, 255))
                return "grey pixel";  // shown in a shade the one-bit file cannot hold
            if (pixel == qRgb(255, 255, 255))
                lit << QPoint(x, y);
        }
    return frameLighting(lit);
}

void mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drawStroke(QWidget* board, const Points& points)
{
    mouse(board, QEvent::MouseButtonPress, points.first(), Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i < points.size() - 1; ++i)
        mouse(board, QEvent::MouseMove, points[i], Qt::NoButton, Qt::LeftButton);
    mouse(board, QEvent::MouseButtonRelease, points.last(), Qt::LeftButton, Qt::NoButton);
}

// A BMP picture of `size` whose left half is white and right half black.
QString writeHalves(const QString& path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            image.setPixel(x, y, qRgb(255, 255, 255));
    if (!image.save(path, "BMP"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

Points rectPoints(QRect rect)
{
    Points points;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            points << QPoint(x, y);
    return points;
}

}  // namespace

class TestDrawing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void savedFrame_data();
    void savedFrame();
    void undo();
    void tools_data();
    void tools();
    void textFollowsPointer_data();
    void textFollowsPointer();
    void textIsSavedAsShown_data();
    void textIsSavedAsShown();
    void importedPicture_data();
    void importedPicture();
    void leavingKeepsTheFile_data();
    void leavingKeepsTheFile();
    void failedSaveStillAsksToSend();
    void bmpSuiteImport_data();
    void bmpSuiteImport();

private:
    QPushButton* button(const char* name) const { return m_dialog->findChild<QPushButton*>(name); }
    QByteArray confirm();

    QTemporaryDir m_root;
    std::unique_ptr<DrawDialog> m_dialog;
    DrawBoardWidget* m_board = nullptr;
};

void TestDrawing::initTestCase()
{
    QVERIFY(m_root.isValid());
    AppPaths::setDataRoot(m_root.path());
}

void TestDrawing::init()
{
    QFile::remove(AppPaths::pictureFile());
    m_dialog = std::make_unique<DrawDialog>();
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    m_board = m_dialog->board();
}

void TestDrawing::cleanup() { m_dialog.reset(); }

// Clicks "确定" and returns the frame the engine makes of the saved file.
QByteArray TestDrawing::confirm()
{
    QSignalSpy sent(m_dialog.get(), &DrawDialog::sig_SetImageOnMouse);
    QTest::mouseClick(button("DrawOkButton"), Qt::LeftButton);
    if (sent.count() != 1 || m_dialog->isVisible())
        return "not sent and closed";
    return displayedFrame();
}

void TestDrawing::form()
{
    // Nothing chosen at first; Enter in the text must not confirm the dialog.
    QVERIFY(button("Recall_Button")->isHidden());
    QVERIFY(!m_board->textField()->isEnabled());
    for (QPushButton* each : m_dialog->findChildren<QPushButton*>())
        QVERIFY2(!each->autoDefault() && !each->isDefault(), qPrintable(each->objectName()));
}

void TestDrawing::savedFrame_data()
{
    QTest::addColumn<bool>("white");
    QTest::addColumn<Strokes>("strokes");
    QTest::addColumn<Points>("drawn");

    QTest::newRow("untouched board: all dark") << false << Strokes{} << Points{};
    QTest::newRow("white background: all lit") << true << Strokes{} << Points{};
    QTest::newRow("horizontal") << false << Strokes{{QPoint(10, 5), QPoint(20, 5)}} << line({10, 5}, {20, 5});
    QTest::newRow("vertical, through every page")
        << false << Strokes{{QPoint(3, 0), QPoint(3, 17), QPoint(3, 31)}} << line({3, 0}, {3, 31});
    QTest::newRow("a click is a dot") << false << Strokes{{QPoint(127, 31), QPoint(127, 31)}} << Points{{127, 31}};
    QTest::newRow("two strokes") << false << Strokes{{QPoint(0, 0), QPoint(5, 0)}, {QPoint(100, 30), QPoint(100, 25)}}
                                 << line({0, 0}, {5, 0}) + line({100, 25}, {100, 30});
    QTest::newRow("white background: stroke dark")
        << true << Strokes{{QPoint(10, 9), QPoint(30, 9)}} << line({10, 9}, {30, 9});
}

void TestDrawing::savedFrame()
{
    QFETCH(bool, white);
    if (white)
        QTest::mouseClick(m_dialog->findChild<QCheckBox*>("ChangeBackground_CheckBox"), Qt::LeftButton);
    QTest::mouseClick(button("Brush_Button"), Qt::LeftButton);
    for (const Points& stroke : fetched<Strokes>("strokes"))
        drawStroke(m_board, stroke);
    const QByteArray expected = frameLighting(fetched<Points>("drawn"), white);
    QCOMPARE(shownFrame(m_board), expected);
    QCOMPARE(confirm(), expected);
    // A one-bit file of the display's size.
    QImageReader reader(AppPaths::pictureFile());
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.size(), QSize(128, 32));
    QCOMPARE(reader.read().depth(), 1);
}

void TestDrawing::undo()
{
    const Points first = line({10, 3}, {10, 12}), second = line({20, 3}, {30, 3});
    QTest::mouseClick(button("Brush_Button"), Qt::LeftButton);
    QTest::mouseClick(button("Recall_Button"), Qt::LeftButton);  // nothing to undo yet
    drawStroke(m_board, {first.first(), first.last()});
    drawStroke(m_board, {second.first(), QPoint(25, 3), second.last()});
    QCOMPARE(shownFrame(m_board), frameLighting(first + second));
    QTest::mouseClick(button("Recall_Button"), Qt::LeftButton);
    QCOMPARE(shownFrame(m_board), frameLighting(first));  // the newest stroke goes first, all of it
    QTest::mouseClick(button("Recall_Button"), Qt::LeftButton);
    QCOMPARE(shownFrame(m_board), frameLighting({}));
    QTest::mouseClick(button("Recall_Button"), Qt::LeftButton);
    QCOMPARE(m_board->strokeCount(), 0);
    drawStroke(m_board, {QPoint(1, 1), QPoint(1, 1)});
    QCOMPARE(confirm(), frameLighting({{1, 1}}));
}

void TestDrawing::tools_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("brush");
    QTest::addColumn<bool>("text");
    QTest::newRow("brush") << QStringList{"Brush_Button"} << true << false;
    QTest::newRow("brush twice: off again") << QStringList{"Brush_Button", "Brush_Button"} << false << false;
    QTest::newRow("text") << QStringList{"TextEditButton"} << false << true;
    QTest::newRow("brush, then text") << QStringList{"Brush_Button", "TextEditButton"} << false << true;
    QTest::newRow("text, then brush") << QStringList{"TextEditButton", "Brush_Button"} << true << false;
}

void TestDrawing::tools()
{
    QFETCH(bool, brush);
    QFETCH(bool, text);
    for (const QString& name : fetched<QStringList>("clicks"))
        QTest::mouseClick(button(qPrintable(name)), Qt::LeftButton);
    QCOMPARE(m_board->brushMode(), brush);
    QCOMPARE(m_board->textMode(), text);
    QCOMPARE(button("Recall_Button")->isVisible(), brush);
    QCOMPARE(m_board->textField()->isEnabled(), text);
    // Only the brush draws.
    drawStroke(m_board, {QPoint(64, 16), QPoint(70, 16)});
    QCOMPARE(m_board->strokeCount(), brush ? 1 : 0);
}

void TestDrawing::textFollowsPointer_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("field");
    QTest::newRow("inside") << QString() << QPoint(70, 20) << QPoint(6, 4);
    QTest::newRow("first inner corner") << QString() << QPoint(1, 1) << QPoint(-63, -15);
    QTest::newRow("left edge") << QString() << QPoint(0, 10) << QPoint(0, 0);
    QTest::newRow("past the bottom") << QString() << QPoint(50, 32) << QPoint(0, 0);
    QTest::newRow("brush chosen") << QString("Brush_Button") << QPoint(70, 20) << QPoint(0, 0);
    QTest::newRow("typing") << QString("TextEditButton") << QPoint(70, 20) << QPoint(0, 0);
}

void TestDrawing::textFollowsPointer()
{
    QFETCH(QString, tool);
    if (!tool.isEmpty())
        QTest::mouseClick(button(qPrintable(tool)), Qt::LeftButton);
    mouse(m_board, QEvent::MouseMove, fetched<QPoint>("pointer"), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_board->textField()->pos(), fetched<QPoint>("field"));
}

void TestDrawing::textIsSavedAsShown_data()
{
    QTest::addColumn<bool>("white");
    QTest::newRow("black background") << false;
    QTest::newRow("white background") << true;
}

void TestDrawing::textIsSavedAsShown()
{
    QFETCH(bool, white);
    if (white)
        QTest::mouseClick(m_dialog->findChild<QCheckBox*>("ChangeBackground_CheckBox"), Qt::LeftButton);
    m_dialog->findChild<QSpinBox*>("spinBox")->setValue(22);
    QVERIFY(m_board->textField()->styleSheet().contains("font-size:22px;"));
    QTest::mouseClick(button("TextEditButton"), Qt::LeftButton);
    QTest::keyClicks(m_board->textField(), "OLED 88");
    // Confirmed while typing: the text is in, the cursor is not.
    const QByteArray saved = confirm();
    QCOMPARE(saved.size(), OledFrame::FrameSize);
    QVERIFY(saved != frameLighting({}, white));
    QCOMPARE(shownFrame(m_board), saved);
}

void TestDrawing::importedPicture_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("smaller") << QSize(16, 4);
    QTest::newRow("display size") << QSize(128, 32);
    QTest::newRow("larger, other aspect") << QSize(300, 301);
}

void TestDrawing::importedPicture()
{
    // A stroke in the dark half must vanish under the picture.
    QTest::mouseClick(button("Brush_Button"), Qt::LeftButton);
    drawStroke(m_board, {QPoint(80, 3), QPoint(120, 28)});
    QVERIFY(m_dialog->importPicture(writeHalves(m_root.filePath("halves.bmp"), fetched<QSize>("size"))));
    const QByteArray expected = frameLighting(rectPoints(QRect(0, 0, 64, 32)));
    QCOMPARE(shownFrame(m_board), expected);
    QCOMPARE(confirm(), expected);
}

void TestDrawing::leavingKeepsTheFile_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("取消") << "DrawCancleButton";
    QTest::newRow("close button") << "closeButton";
}

void TestDrawing::leavingKeepsTheFile()
{
    const QByteArray before = "an earlier drawing";
    QVERIFY(writeWholeFile(AppPaths::pictureFile(), before));
    QSignalSpy sent(m_dialog.get(), &DrawDialog::sig_SetImageOnMouse);
    QTest::mouseClick(button("Brush_Button"), Qt::LeftButton);
    drawStroke(m_board, {QPoint(0, 0), QPoint(127, 31)});
    QTest::mouseClick(button(qPrintable(fetched<QString>("way"))), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(sent.count(), 0);
    QByteArray after;
    QVERIFY(readWholeFile(AppPaths::pictureFile(), after));
    QCOMPARE(after, before);
}

void TestDrawing::failedSaveStillAsksToSend()
{
    // A folder where the file should be: nothing can be written there.
    QVERIFY(QDir().mkpath(AppPaths::pictureFile()));
    LogCapture log;
    QSignalSpy sent(m_dialog.get(), &DrawDialog::sig_SetImageOnMouse);
    QTest::mouseClick(button("DrawOkButton"), Qt::LeftButton);
    QVERIFY(QDir().rmdir(AppPaths::pictureFile()));
    QCOMPARE(sent.count(), 1);
    QVERIFY(log.contains(QStringLiteral("save widget screen failed")));
    QVERIFY(!m_dialog->isVisible());
}

// Pictures from elsewhere, broken ones included: each is refused, board unchanged, or shows in
// black and white, the same every time however the memory under it was used before.
void TestDrawing::bmpSuiteImport_data()
{
    QTest::addColumn<QString>("path");
    if (!addBmpSuiteRows())
        QSKIP("the BMP Suite is not beside the project (../shared/testdata/bmpsuite)");
    // Not BMP pictures, whatever their name says.
    const QString text = m_root.filePath("text.bmp"), png = m_root.filePath("png.bmp");
    QVERIFY(writeWholeFile(text, "BM not a picture"));
    QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(png, "PNG"));
    QTest::newRow("text named .bmp") << text;
    QTest::newRow("PNG named .bmp") << png;
}

void TestDrawing::bmpSuiteImport()
{
    QFETCH(QString, path);
    QByteArray shown[2];
    bool loaded[2] = {};
    for (int run = 0; run < 2; ++run) {
        litterHeap(run);
        init();
        const QByteArray before = shownFrame(m_board);
        loaded[run] = m_dialog->importPicture(path);
        shown[run] = shownFrame(m_board);
        QVERIFY(shown[run].size() == OledFrame::FrameSize);  // black and white only
        if (!loaded[run])
            QCOMPARE(shown[run], before);
    }
    QCOMPARE(loaded[1], loaded[0]);
    QCOMPARE(shown[1], shown[0]);
    if (path.contains("/g/"))
        QVERIFY2(loaded[0], "a good BMP file is refused");
    if (loaded[0])
        QCOMPARE(confirm(), shown[0]);
}

QTEST_MAIN(TestDrawing)
#include "tst_drawing.moc"
