// The presence monitor: when it tells that the mouse came or went, what it opens while looking,
// and that its timer keeps ticking in the thread the window gives it.
#include "checkdevice.h"
#include "logcapture.h"
#include "simulatedmousesession.h"
#include "usbdriver540.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <map>
#include <set>

using Sim = hid::SimulatedMouse;
using Collections = std::vector<Sim::Collection>;
Q_DECLARE_METATYPE(Collections)

// What the test does between the monitor's ticks.
enum class Step { Check, Unplug, Plug, FailEnumeration, RestoreEnumeration, OnlyOthers, Reorder };
using Steps = QVector<Step>;
Q_DECLARE_METATYPE(Steps)

namespace {

const QString InvalidHandleLine = QStringLiteral("INVALID_HANDLE_VALUE");

Sim::Collection unopenable(Sim::Collection c)
{
    c.openable = false;
    return c;
}

// Passes every call on to the simulated mouse and keeps account of what the monitor opened,
// closed and transferred. It can also make attributes() fail for one path.
class RecordingBackend final : public hid::Backend {
public:
    explicit RecordingBackend(std::shared_ptr<hid::Backend> inner) : m_inner(std::move(inner)) {}

    std::vector<hid::Access> accesses;  // of every open(), successful or not
    std::set<hid::Handle> openHandles;
    int closes = 0;
    int strayCloses = 0;  // handles closed that the monitor did not open (or closed twice)
    int transfers = 0;
    std::string failAttributesOf;

    bool enumerate(std::vector<std::string>& paths) override { return m_inner->enumerate(paths); }
    hid::Handle open(const std::string& path, hid::Access access) override
    {
        accesses.push_back(access);
        const hid::Handle handle = m_inner->open(path, access);
        if (handle != hid::InvalidHandle) {
            openHandles.insert(handle);
            m_paths[handle] = path;
        }
        return handle;
    }
    void close(hid::Handle handle) override
    {
        ++closes;
        if (openHandles.erase(handle) == 0)
            ++strayCloses;
        m_inner->close(handle);
    }
    bool attributes(hid::Handle handle, hid::Attributes& out) override
    {
        if (!failAttributesOf.empty() && m_paths[handle] == failAttributesOf)
            return false;
        return m_inner->attributes(handle, out);
    }
    bool productString(hid::Handle handle, std::string& out) override { return m_inner->productString(handle, out); }
    hid::CapsStatus caps(hid::Handle handle, hid::Caps& out) override { return m_inner->caps(handle, out); }
    bool featureValueCaps(hid::Handle handle, std::vector<hid::ValueCaps>& out) override
    {
        return m_inner->featureValueCaps(handle, out);
    }
    std::uint32_t lastError() const override { return m_inner->lastError(); }
    // The monitor has no business with reports: each of these counts as a fault.
    bool setFeature(hid::Handle, const std::uint8_t*, std::size_t) override
    {
        ++transfers;
        return false;
    }
    long getFeature(hid::Handle, std::uint8_t*, std::size_t) override
    {
        ++transfers;
        return -1;
    }
    bool writeReport(hid::Handle, const std::uint8_t*, std::size_t) override
    {
        ++transfers;
        return false;
    }
    long readReport(hid::Handle, std::uint8_t*, std::size_t) override
    {
        ++transfers;
        return -1;
    }

private:
    std::shared_ptr<hid::Backend> m_inner;
    std::map<hid::Handle, std::string> m_paths;
};

QList<bool> toldBy(const QSignalSpy& spy)
{
    QList<bool> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toBool();
    return out;
}

// Lives in the test's thread, so a signal of a monitor in another thread reaches it queued.
class Relay : public QObject {
    Q_OBJECT
signals:
    void found(bool found);
};

}  // namespace

class TestCheckDevice : public QObject {
    Q_OBJECT
private slots:
    void startsItsTimer();

    // What sigFound tells, tick by tick.
    void tells_data();
    void tells();

    // What a scan counts as the mouse.
    void scanFinds_data();
    void scanFinds();
    void unopenableInterfaceIsSkipped();
    void failedAttributesAreSkipped();

    // What a scan opens.
    void opensForQueryOnlyAndClosesEverything_data();
    void opensForQueryOnlyAndClosesEverything();
    void leavesTheDriverAlone();

    void ticksInItsOwnThread();
};

void TestCheckDevice::startsItsTimer()
{
    SimulatedMouseSession session;
    CheckDevice monitor(0x2F73, 0x5C48, nullptr, session.shared());
    QCOMPARE(CheckDevice::IntervalMs, 3000);
    QCOMPARE(monitor.vendorId(), 0x2F73);
    QCOMPARE(monitor.productId(), 0x5C48);
    QVERIFY(monitor.timerId() > 0);
    QCOMPARE(monitor.found(), false);
    QCOMPARE(monitor.lastFound(), false);
}

void TestCheckDevice::tells_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QList<bool>>("told");
    using S = Step;

    QTest::newRow("absent, then plugged in")
        << Steps{S::Unplug, S::Check, S::Check, S::Plug, S::Check, S::Check} << QList<bool>{true};
    QTest::newRow("present at the first check") << Steps{S::Check} << QList<bool>{true};
    QTest::newRow("nothing before the first check") << Steps{S::Unplug, S::Plug} << QList<bool>{};
    QTest::newRow("pulled out and back in")
        << Steps{S::Check, S::Unplug, S::Check, S::Check, S::Plug, S::Check, S::Check}
        << QList<bool>{true, false, true};
    QTest::newRow("only other devices, tick after tick")
        << Steps{S::OnlyOthers, S::Check, S::Check, S::Check} << QList<bool>{};
    QTest::newRow("collections listed in another order") << Steps{S::Check, S::Reorder, S::Check} << QList<bool>{true};
    QTest::newRow("the system cannot list the devices")
        << Steps{S::Check, S::FailEnumeration, S::Check, S::Check, S::RestoreEnumeration, S::Check}
        << QList<bool>{true, false, true};
}

void TestCheckDevice::tells()
{
    QFETCH(Steps, steps);
    QFETCH(QList<bool>, told);

    SimulatedMouseSession session;
    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, session.shared());
    QSignalSpy spy(&monitor, &CheckDevice::sigFound);
    for (Step step : steps) {
        switch (step) {
        case Step::Check: monitor.check(); break;
        case Step::Unplug: session.mouse().setPlugged(false); break;
        case Step::Plug: session.mouse().setPlugged(true); break;
        case Step::FailEnumeration: session.mouse().setEnumerationFails(true); break;
        case Step::RestoreEnumeration: session.mouse().setEnumerationFails(false); break;
        case Step::OnlyOthers: session.mouse().setCollections({Sim::otherDevice(0x046D, 0xC31C, "Keyboard")}); break;
        case Step::Reorder: session.mouse().setCollections({Sim::dataCollection(), Sim::commandCollection()}); break;
        }
    }
    QCOMPARE(toldBy(spy), told);
    const bool last = !told.isEmpty() && told.last();
    QCOMPARE(monitor.lastFound(), last);
    QCOMPARE(monitor.found(), last);
}

void TestCheckDevice::scanFinds_data()
{
    QTest::addColumn<Collections>("collections");
    QTest::addColumn<bool>("found");

    const Sim::Collection keyboard = Sim::otherDevice(0x046D, 0xC31C, "Keyboard");
    const Sim::Collection sameMaker = Sim::otherDevice(Sim::VendorId, 0x1234, "Other mouse of the same maker");
    const Sim::Collection sameProductId = Sim::otherDevice(0x1234, Sim::ProductId, "Same product id, other maker");
    const Sim::Collection swapped = Sim::otherDevice(Sim::ProductId, Sim::VendorId, "Ids the other way round");

    QTest::newRow("all three collections")
        << Collections{Sim::pointerCollection(), Sim::commandCollection(), Sim::dataCollection()} << true;
    QTest::newRow("pointer collection alone") << Collections{Sim::pointerCollection()} << true;
    QTest::newRow("command collection alone") << Collections{Sim::commandCollection()} << true;
    QTest::newRow("data collection last behind others")
        << Collections{keyboard, sameMaker, Sim::dataCollection()} << true;
    QTest::newRow("nothing at all") << Collections{} << false;
    QTest::newRow("only other devices") << Collections{keyboard, sameMaker, sameProductId, swapped} << false;
}

void TestCheckDevice::scanFinds()
{
    QFETCH(Collections, collections);
    QFETCH(bool, found);

    SimulatedMouseSession session;
    session.mouse().setCollections(collections);
    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, session.shared());
    QSignalSpy spy(&monitor, &CheckDevice::sigFound);
    monitor.check();
    QCOMPARE(monitor.found(), found);
    QCOMPARE(spy.count(), found ? 1 : 0);
}

void TestCheckDevice::unopenableInterfaceIsSkipped()
{
    SimulatedMouseSession session;
    session.mouse().setCollections({unopenable(Sim::pointerCollection()), Sim::commandCollection()});
    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, session.shared());
    LogCapture log;
    monitor.check();
    QCOMPARE(monitor.found(), true);
    QCOMPARE(log.count(InvalidHandleLine), 1);

    // Each interface that cannot be opened is told once per scan, the mouse's or not.
    session.mouse().setCollections(
        {unopenable(Sim::otherDevice(0x046D, 0xC31C, "Keyboard")), unopenable(Sim::commandCollection())});
    log.clear();
    monitor.check();
    QCOMPARE(monitor.found(), false);
    QCOMPARE(log.lines(), (QStringList{InvalidHandleLine, InvalidHandleLine}));
}

void TestCheckDevice::failedAttributesAreSkipped()
{
    SimulatedMouseSession session;
    auto recording = std::make_shared<RecordingBackend>(session.shared());
    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, recording);

    recording->failAttributesOf = Sim::pointerCollection().path;
    monitor.check();
    QCOMPARE(monitor.found(), true);  // found on the command collection
    QVERIFY(recording->openHandles.empty());
    QCOMPARE(recording->strayCloses, 0);
    QCOMPARE(recording->closes, 2);

    session.mouse().setCollections({Sim::pointerCollection()});
    monitor.check();
    QCOMPARE(monitor.found(), false);
    QVERIFY(recording->openHandles.empty());
    QCOMPARE(recording->closes, 3);
}

void TestCheckDevice::opensForQueryOnlyAndClosesEverything_data()
{
    QTest::addColumn<Collections>("collections");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("opened");

    const Sim::Collection keyboard = Sim::otherDevice(0x046D, 0xC31C, "Keyboard");
    const Sim::Collection sameMaker = Sim::otherDevice(Sim::VendorId, 0x1234, "Other mouse of the same maker");

    QTest::newRow("only other devices") << Collections{keyboard, sameMaker, unopenable(keyboard)} << false << 3;
    QTest::newRow("mouse behind others") << Collections{keyboard, sameMaker, Sim::commandCollection(),
                                                        Sim::dataCollection()}
                                         << true << 3;
    QTest::newRow("mouse first") << Collections{Sim::pointerCollection(), keyboard} << true << 1;
}

void TestCheckDevice::opensForQueryOnlyAndClosesEverything()
{
    QFETCH(Collections, collections);
    QFETCH(bool, found);
    QFETCH(int, opened);

    SimulatedMouseSession session;
    session.mouse().setCollections(collections);
    auto recording = std::make_shared<RecordingBackend>(session.shared());
    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, recording);
    monitor.check();

    QCOMPARE(monitor.found(), found);
    QCOMPARE(int(recording->accesses.size()), opened);  // stops at the first interface of the mouse
    for (hid::Access access : recording->accesses)
        QCOMPARE(access, hid::Access::Query);
    QVERIFY(recording->openHandles.empty());
    QCOMPARE(recording->strayCloses, 0);
    QCOMPARE(recording->transfers, 0);
    QVERIFY(session.mouse().log().empty());
}

void TestCheckDevice::leavesTheDriverAlone()
{
    SimulatedMouseSession session;
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(Sim::ProductId, Sim::VendorId);
    QCOMPARE(driver.OpenDevice(), 1);
    session.mouse().clearLog();

    CheckDevice monitor(Sim::VendorId, Sim::ProductId, nullptr, session.shared());
    for (int i = 0; i < 3; ++i)
        monitor.check();
    QCOMPARE(monitor.found(), true);
    QVERIFY(session.mouse().log().empty());  // not a single report crossed the mouse

    // The driver's handles survived the scans.
    DeviceProfileBlock block;
    QCOMPARE(driver.GetProfileData(&block), 1);
}

void TestCheckDevice::ticksInItsOwnThread()
{
    SimulatedMouseSession session;
    QThread thread;
    auto* monitor = new CheckDevice(Sim::VendorId, Sim::ProductId, nullptr, session.shared());
    std::atomic<QThread*> tickThread{nullptr};
    connect(monitor, &CheckDevice::sigFound, monitor, [&tickThread] { tickThread = QThread::currentThread(); });
    Relay relay;
    connect(monitor, &CheckDevice::sigFound, &relay, &Relay::found);
    QSignalSpy spy(&relay, &Relay::found);

    monitor->moveToThread(&thread);
    QElapsedTimer clock;
    clock.start();
    thread.start();

    // Had the timer stayed behind in this thread, it would tick here during the wait.
    const bool told = spy.wait(CheckDevice::IntervalMs + 2000);
    const qint64 elapsed = clock.elapsed();
    thread.quit();
    QVERIFY(thread.wait(5000));

    // The window deletes the monitor from its own thread once the monitor's thread has ended.
    const int timerLeft = monitor->timerId();
    LogCapture log;
    delete monitor;
    const QStringList lines = log.lines();

    QVERIFY(told);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(tickThread.load(), &thread);
    QVERIFY2(elapsed >= CheckDevice::IntervalMs * 9 / 10, qPrintable(QString::number(elapsed)));
    QCOMPARE(timerLeft, 0);  // stopped as its thread ended
    QCOMPARE(lines, QStringList{});
}

QTEST_GUILESS_MAIN(TestCheckDevice)
#include "tst_checkdevice.moc"
