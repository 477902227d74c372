// The colour wheel under a real (headless) X server: which clicks count, and that the colour it
// reports is the one on the screen under the cursor.
#include "colorwheel.h"
#include "guihelpers.h"

#include <cmath>

// Xlib after Qt: its macros (Bool, Status) break Qt's headers.
#include <X11/Xlib.h>

Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {
// What the window shows at a point of the wheel.
QColor painted(QWidget* window, const ColorWheel* wheel, const QPoint& at)
{
    return window->grab().toImage().pixelColor(wheel->mapTo(window, at));
}

// Puts the cursor on `at` of the wheel once the screen shows there what the window paints (the
// wheel reads its colour off the screen), and clicks there with `button`.
bool clickOnScreen(QWidget* window, ColorWheel* wheel, const QPoint& at, Qt::MouseButton button)
{
    const QPoint global = wheel->mapToGlobal(at);
    const auto shown = [&] {
        const QPixmap pixel = QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1);
        return pixel.toImage().pixelColor(0, 0).rgb() == painted(window, wheel, at).rgb();
    };
    QCursor::setPos(global);
    if (!QTest::qWaitFor(shown, 30000) || !QTest::qWaitFor([&] { return QCursor::pos() == global; }, 30000))
        return false;
    sendMouse(wheel, QEvent::MouseButtonPress, at, button);
    sendMouse(wheel, QEvent::MouseButtonRelease, at, button);
    return true;
}
}  // namespace

class TestColorWheel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            QSKIP("no X server (run under xvfb-run)");
        XCloseDisplay(display);
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    }

    void clicks_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<int>("hue");  // of the colour read, ±8 degrees; -1: not checked
        // Centre (69, 69), radius 69: the rim counts, 69² = 4761.
        QTest::newRow("just outside the rim") << QPoint(20, 20) << Qt::LeftButton << false << -1;  // 2 × 49² = 4802
        QTest::newRow("just inside the rim") << QPoint(21, 21) << Qt::LeftButton << true << -1;
        QTest::newRow("right button") << QPoint(69, 69) << Qt::RightButton << false << -1;
        // Hue runs counter-clockwise from red on the right.
        QTest::newRow("right is red") << QPoint(130, 69) << Qt::LeftButton << true << 0;
    }
    void clicks()
    {
        QFETCH(QPoint, at);
        QFETCH(int, hue);
        // A grey window, so the rim's soft edge differs from the disc and from black.
        QWidget window;
        window.setStyleSheet("background:#606060;");
        window.setGeometry(100, 100, 200, 200);
        auto* wheel = new ColorWheel(&window);
        wheel->move(31, 31);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy spy(wheel, &ColorWheel::sigColor);
        QVERIFY(clickOnScreen(&window, wheel, at, fetched<Qt::MouseButton>("button")));
        QCOMPARE(spy.size(), fetched<bool>("reported") ? 1 : 0);
        if (spy.isEmpty())
            return;
        const QColor read(spy.first().at(0).toInt(), spy.first().at(1).toInt(), spy.first().at(2).toInt());
        QCOMPARE(read.rgb(), painted(&window, wheel, at).rgb());
        if (hue >= 0) {
            QVERIFY2(read.hsvSaturation() > 100, qPrintable(read.name()));
            const int off = std::abs(read.hsvHue() - hue);
            QVERIFY2(std::min(off, 360 - off) <= 8, qPrintable(read.name()));
        }
    }
};

QTEST_MAIN(TestColorWheel)
#include "tst_colorwheel.moc"
