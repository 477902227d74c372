// The X11 pointer backend against a real (headless) X server. Xvfb's pointer has no libinput
// driver, so the speed goes to the core pointer acceleration; libinput's devices are checked
// through the conversions the backend uses for them.
#include "pointer.h"
#include "testhelpers.h"

#include <QtTest>

// Xlib after Qt: its macros (Bool, Status) break Qt's headers.
#include <X11/Xlib.h>

using pointer::x11::LibinputPointer;
using Devices = std::vector<int>;
Q_DECLARE_METATYPE(Devices)

class TestPointerX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Under a Wayland session the X server would only be XWayland, with nothing to set.
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_SESSION_TYPE");
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            QSKIP("no X server (run under xvfb-run)");
        std::string why;
        m_backend = pointer::createPlatformBackend(why);
        QCOMPARE(QString::fromStdString(why), QString());
        QCOMPARE(m_backend->name(), "x11");
        QVERIFY(m_backend->hasSpeed());
        QVERIFY(!m_backend->hasWheelLines());  // X has no wheel lines
        QVERIFY(!m_backend->setWheelLines(5));
    }
    void cleanupTestCase()
    {
        m_backend.reset();
        if (m_display)
            XCloseDisplay(m_display);
    }
    void speed_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("accel");  // the threshold is the user's and stays

        QTest::newRow("slower") << 7 << "5/3 6";
        QTest::newRow("Windows default is the server's") << 10 << "2/1 6";
        QTest::newRow("faster") << 15 << "5/2 6";
    }
    void speed()
    {
        QFETCH(int, speed);
        setCoreAccel(13, 10, 6);  // speed 4, none of the rows
        QVERIFY2(m_backend->setSpeed(speed), m_backend->error().c_str());
        QCOMPARE(coreAccel(), fetched<QString>("accel"));
        int read = 0;
        QVERIFY(m_backend->speed(read));
        QCOMPARE(read, speed);
    }
    void readAndWrittenBackChangesNothing_data()
    {
        QTest::addColumn<int>("numerator");
        QTest::addColumn<int>("denominator");
        QTest::addColumn<int>("speed");

        QTest::newRow("a fraction of the user's own") << 7 << 3 << 13;
        QTest::newRow("faster than the scale") << 9 << 2 << 20;
    }
    void readAndWrittenBackChangesNothing()
    {
        QFETCH(int, numerator);
        QFETCH(int, denominator);
        setCoreAccel(numerator, denominator, 4);
        const QString before = coreAccel();
        int read = 0;
        QVERIFY(m_backend->speed(read));
        QCOMPARE(read, fetched<int>("speed"));
        QVERIFY(m_backend->setSpeed(read));
        QCOMPARE(coreAccel(), before);
    }
    void libinputMiceOnly_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<Devices>("changed");

        // Device 7 is a touchpad at its own speed; 8 and 9 are mice.
        QTest::newRow("the default") << 10 << Devices{9};
        QTest::newRow("faster") << 15 << Devices{8, 9};
    }
    void libinputMiceOnly()
    {
        const std::vector<LibinputPointer> pointers = {{7, 0.5f, true}, {8, 0.0f, false}, {9, 0.9f, false}};
        int speed = 0;
        QVERIFY(pointer::x11::speedOfMice(pointers, speed));
        QCOMPARE(speed, 10);  // libinput's default 0, not the touchpad's
        QCOMPARE(pointer::x11::devicesToChange(pointers, fetched<int>("speed")), fetched<Devices>("changed"));
        for (int s : {1, 7, 10, 15, 20})
            QCOMPARE(pointer::x11::speedForLibinputAccel(float(pointer::x11::libinputAccelForSpeed(s))), s);
        QCOMPARE(pointer::x11::libinputAccelForSpeed(10), 0.0);
        QVERIFY(!pointer::x11::speedOfMice({{7, 0.5f, true}}, speed));
    }

private:
    void setCoreAccel(int numerator, int denominator, int threshold)
    {
        XChangePointerControl(m_display, True, True, numerator, denominator, threshold);
        XSync(m_display, False);
    }
    // As xset q shows it: acceleration and threshold.
    QString coreAccel() const
    {
        int num = 0, den = 0, threshold = 0;
        XGetPointerControl(m_display, &num, &den, &threshold);
        return QStringLiteral("%1/%2 %3").arg(num).arg(den).arg(threshold);
    }

    Display* m_display = nullptr;
    std::unique_ptr<pointer::Backend> m_backend;
};

QTEST_GUILESS_MAIN(TestPointerX11)
#include "tst_pointer_x11.moc"
