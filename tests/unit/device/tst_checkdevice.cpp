// The presence monitor: when it tells that the mouse came or went, and what it opens while looking.
#include "checkdevice.h"
#include "simulatedmousesession.h"
#include "testhelpers.h"

#include <QtTest>
#include <set>

using Sim = hid::SimulatedMouse;
using Collections = std::vector<Sim::Collection>;
Q_DECLARE_METATYPE(Collections)

const std::string UnreadablePath = "sim:unreadable";  // attributes() fails on it

// Hands a scan's calls to the simulated mouse and notes what a scan must not do: leave a
// handle open, close one it does not hold, or open for more than a query.
class Watch final : public hid::Backend {
public:
    explicit Watch(std::shared_ptr<Sim> mouse) : sim(std::move(mouse)) {}
    std::set<hid::Handle> held;
    bool misused = false;

    bool enumerate(std::vector<std::string>& paths) override { return sim->enumerate(paths); }
    hid::Handle open(const std::string& path, hid::Access access) override
    {
        misused |= access != hid::Access::Query;
        const hid::Handle handle = sim->open(path, access);
        if (handle != hid::InvalidHandle)
            held.insert(handle);
        if (path == UnreadablePath)
            unreadable = handle;
        return handle;
    }
    void close(hid::Handle handle) override
    {
        misused |= held.erase(handle) == 0;
        sim->close(handle);
    }
    bool attributes(hid::Handle h, hid::Attributes& a) override { return h != unreadable && sim->attributes(h, a); }
    bool productString(hid::Handle h, std::string& s) override { return sim->productString(h, s); }
    hid::CapsStatus caps(hid::Handle h, hid::Caps& c) override { return sim->caps(h, c); }
    bool featureValueCaps(hid::Handle h, std::vector<hid::ValueCaps>& v) override { return sim->featureValueCaps(h, v); }
    std::uint32_t lastError() const override { return sim->lastError(); }
    // The mouse refuses reports on a query handle: a scan cannot disturb the driver's channels.
    bool setFeature(hid::Handle h, const std::uint8_t* b, size_t n) override { return sim->setFeature(h, b, n); }
    long getFeature(hid::Handle h, std::uint8_t* b, size_t n) override { return sim->getFeature(h, b, n); }
    bool writeReport(hid::Handle h, const std::uint8_t* b, size_t n) override { return sim->writeReport(h, b, n); }
    long readReport(hid::Handle h, std::uint8_t* b, size_t n) override { return sim->readReport(h, b, n); }

private:
    std::shared_ptr<Sim> sim;
    hid::Handle unreadable = hid::InvalidHandle;
};

class TestCheckDevice : public QObject {
    Q_OBJECT
private slots:
    void tells_data()
    {
        QTest::addColumn<Collections>("collections");  // what the system lists while the mouse is in
        QTest::addColumn<QByteArray>("steps");         // c: one check, -: pull the mouse out, +: plug it in
        QTest::addColumn<QList<bool>>("told");

        const Collections mouse{Sim::pointerCollection(), Sim::commandCollection(), Sim::dataCollection()};
        Sim::Collection unopenable = Sim::pointerCollection(), unreadable = Sim::commandCollection();
        unopenable.openable = false;
        unreadable.path = UnreadablePath;
        const Collections others{Sim::otherDevice(Sim::VendorId, 0x1234, "Same maker"),
                                 Sim::otherDevice(0x1234, Sim::ProductId, "Same product id")};

        QTest::newRow("absent, then plugged in") << mouse << QByteArray("-cc+cc") << QList<bool>{true};
        QTest::newRow("present, pulled out, back in")
            << mouse << QByteArray("c-cc+cc") << QList<bool>{true, false, true};
        QTest::newRow("only other devices") << others << QByteArray("cc") << QList<bool>{};
        QTest::newRow("unopenable and unreadable interfaces skipped")
            << Collections{unopenable, unreadable, Sim::dataCollection()} << QByteArray("c") << QList<bool>{true};
        QTest::newRow("pointer collection alone")
            << Collections{Sim::pointerCollection()} << QByteArray("c") << QList<bool>{true};
    }

    void tells()
    {
        SimulatedMouseSession session;
        session.mouse().setCollections(fetched<Collections>("collections"));
        auto watch = std::make_shared<Watch>(session.shared());
        CheckDevice monitor(Sim::VendorId, Sim::ProductId, watch);
        QList<bool> seen;
        connect(&monitor, &CheckDevice::sigFound, [&seen](bool found) { seen << found; });
        for (char step : fetched<QByteArray>("steps"))
            step == 'c' ? monitor.check() : session.mouse().setPlugged(step == '+');
        QCOMPARE(seen, fetched<QList<bool>>("told"));
        QVERIFY(watch->held.empty());
        QVERIFY(!watch->misused);
    }
};

QTEST_GUILESS_MAIN(TestCheckDevice)
#include "tst_checkdevice.moc"
