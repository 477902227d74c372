// The X11 pointer backend against a real (headless) X server. Xvfb's pointer has no libinput
// driver, so the speed goes to the core pointer acceleration; the wheel lines go to the store.
#include "pointer.h"

#include <QtTest>

// Xlib after Qt: its macros (Bool, Status) break Qt's headers.
#include <X11/Xlib.h>

class TestPointerX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void speed_data();
    void speed();
    void serverDefaultReadsAsWindowsDefault();
    void wheelLinesGoToTheStore();

private:
    Display* m_display = nullptr;
    std::unique_ptr<pointer::Backend> m_backend;
};

void TestPointerX11::initTestCase()
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        QSKIP("no X server (run under xvfb-run)");
    std::string why;
    m_backend = pointer::createPlatformBackend({}, why);
    QCOMPARE(QString::fromStdString(why), QString());
    QCOMPARE(m_backend->name(), "x11");
}

void TestPointerX11::cleanupTestCase()
{
    m_backend.reset();
    if (m_display)
        XCloseDisplay(m_display);
}

void TestPointerX11::speed_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("numerator");  // over 19: 1.0 at speed 1 up to 3.0 at speed 20

    QTest::newRow("slowest") << 1 << 19;
    QTest::newRow("Windows default") << 10 << 37;
    QTest::newRow("odd speed") << 7 << 31;
    QTest::newRow("fastest") << 20 << 57;
}

void TestPointerX11::speed()
{
    QFETCH(int, speed);
    QFETCH(int, numerator);

    QVERIFY2(m_backend->setSpeed(speed), m_backend->error().c_str());
    int num = 0, den = 0, threshold = 0;
    XGetPointerControl(m_display, &num, &den, &threshold);
    QCOMPARE(double(num) / den, double(numerator) / 19);
    int read = 0;
    QVERIFY(m_backend->speed(read));
    QCOMPARE(read, speed);
}

void TestPointerX11::serverDefaultReadsAsWindowsDefault()
{
    XChangePointerControl(m_display, True, False, 2, 1, 0);
    XSync(m_display, False);
    int read = 0;
    QVERIFY(m_backend->speed(read));
    QCOMPARE(read, pointer::kDefaultSpeed);
}

void TestPointerX11::wheelLinesGoToTheStore()
{
    std::vector<int> saved;
    bool haveStored = false;
    pointer::WheelLineStore store;
    store.load = [&](int& lines) {
        if (haveStored)
            lines = saved.back();
        return haveStored;
    };
    store.save = [&](int lines) {
        saved.push_back(lines);
        haveStored = true;
        return true;
    };
    std::string why;
    auto backend = pointer::createPlatformBackend(store, why);
    int lines = 0;
    QVERIFY(backend->wheelLines(lines));
    QCOMPARE(lines, pointer::kDefaultWheelLines);  // nothing kept yet
    QVERIFY(backend->setWheelLines(pointer::kWheelPageScroll));
    QVERIFY(backend->setWheelLines(12));
    QVERIFY(backend->wheelLines(lines));
    QCOMPARE(lines, 12);
    QCOMPARE(saved, (std::vector<int>{pointer::kWheelPageScroll, 12}));
}

QTEST_GUILESS_MAIN(TestPointerX11)
#include "tst_pointer_x11.moc"
