// The colour wheel under a real (headless) X server: which clicks count, and that the colour it
// reports is the one on the screen under the cursor (it reads the screen, not its own picture).
#include "colorwheel.h"
#include "guihelpers.h"

#include <algorithm>

Q_DECLARE_METATYPE(Qt::MouseButton)

class TestColorWheel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("no X server (run under xvfb-run)");
    }

    void clicks_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("reported");
        // Centre (69, 69), radius 69: the rim counts, 69² = 4761.
        QTest::newRow("just outside the rim") << QPoint(20, 20) << Qt::LeftButton << false;  // 2 × 49² = 4802
        QTest::newRow("just inside the rim") << QPoint(21, 21) << Qt::LeftButton << true;
        QTest::newRow("right button") << QPoint(69, 69) << Qt::RightButton << false;
        QTest::newRow("red on the right") << QPoint(130, 69) << Qt::LeftButton << true;
    }
    void clicks()
    {
        QFETCH(QPoint, at);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, reported);
        QWidget window;  // grey, so the rim's soft edge differs from the disc and from black
        window.setStyleSheet("background:#606060;");
        window.setGeometry(100, 100, 200, 200);
        auto* wheel = new ColorWheel(&window);
        wheel->move(31, 31);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor painted = window.grab().toImage().pixelColor(wheel->mapTo(&window, at));
        // The cursor goes there once the screen shows what the window paints.
        const QPoint global = wheel->mapToGlobal(at);
        QCursor::setPos(global);
        QTRY_COMPARE_WITH_TIMEOUT(
            QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage().pixelColor(0, 0),
            painted, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), global, 30000);
        QSignalSpy spy(wheel, &ColorWheel::sigColor);
        // QTest's clicks take (0, 0) for "the middle of the widget": the events are sent directly.
        QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
        QApplication::sendEvent(wheel, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(wheel, &release);
        QCOMPARE(spy.size(), reported ? 1 : 0);
        if (reported) {
            const QColor read(spy.first().at(0).toInt(), spy.first().at(1).toInt(), spy.first().at(2).toInt());
            QCOMPARE(read, painted);
            if (at.x() > 69)  // hue runs counter-clockwise from red on the right
                QVERIFY2(read.hsvSaturation() > 100 && std::min(read.hsvHue(), 360 - read.hsvHue()) <= 8,
                         qPrintable(read.name()));
        }
    }
};

QTEST_MAIN(TestColorWheel)
#include "tst_colorwheel.moc"
