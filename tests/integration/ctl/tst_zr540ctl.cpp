// zr540ctl run as a program, on the demo mode's simulated mouse, in a home of its own (data
// folder, temporary folder, single-instance lock), so no test touches the user's files.
#include "deviceprofileblock.h"
#include "profilefile.h"
#include "simulatedmouse.h"
#include "singleinstance.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestZr540ctl : public QObject {
    Q_OBJECT
private:
    struct Result {
        int exit = -1;
        QByteArray out, err;
    };
    QTemporaryDir home;
    QString dataRoot() const { return home.filePath(QStringLiteral("data/zr540")); }

    // zr540ctl --simulate with `args`; a string is split at its spaces.
    Result ctl(const QString& args) { return ctl(args.split(QLatin1Char(' '), Qt::SkipEmptyParts)); }
    Result ctl(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral(ZR540CTL), QStringList{QStringLiteral("--simulate")} + args);
        if (!process.waitForFinished(30000))  // a hang guard only
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    QJsonObject info()
    {
        const Result r = ctl(QStringLiteral("--json info"));
        return r.exit == 0 ? QJsonDocument::fromJson(r.out).object() : QJsonObject();
    }
    // The simulated mouse's profile memory, or its picture, as its file keeps them.
    QByteArray mouseMemory(bool picture = false)
    {
        hid::SimulatedMouse mouse(hid::SimulatedMouse::Memory{});
        mouse.setPersistenceFile(QFile::encodeName(dataRoot() + QStringLiteral("/simulated-mouse.bin")).toStdString());
        return picture ? bytesOf(mouse.picture(), 0, int(mouse.picture().size()))
                       : bytesOf(mouse.profileMemory(), 0, DeviceProfileBlock::Size);
    }
    // The local file of the current profile.
    QByteArray profileFile()
    {
        const int number = info().value(QStringLiteral("profile")).toInt();
        return fileContent(QStringLiteral("%1/ConfigFiles/LocalFile/Config%2.txt").arg(dataRoot()).arg(number));
    }
    // Shows a picture of one grey on the display through zr540ctl.
    bool showGrey(int grey, const QStringList& options)
    {
        QImage image(200, 60, QImage::Format_RGB32);
        image.fill(qRgb(grey, grey, grey));
        const QString path = home.filePath(QStringLiteral("grey.png"));
        return image.save(path) && ctl(QStringList{QStringLiteral("oled"), path} + options).exit == 0;
    }

private slots:
    void initTestCase()
    {
        // The children inherit these: the data folder, the lock of the window's guard.
        qputenv("HOME", QFile::encodeName(home.path()));
        for (const char* dir : {"tmp", "config", "cache", "data"}) {
            QVERIFY(QDir(home.path()).mkpath(QLatin1String(dir)));
            qputenv(dir == QByteArray("tmp") ? "TMPDIR" : "XDG_" + QByteArray(dir).toUpper() + "_HOME", QFile::encodeName(home.filePath(dir)));
        }
        QVERIFY(!info().isEmpty());
    }

    void badArguments_data()
    {
        QTest::addColumn<QString>("args");
        QTest::newRow("no command") << "";
        QTest::newRow("unknown command") << "frobnicate";
        QTest::newRow("dpi level") << "dpi 8 800";
        QTest::newRow("dpi value off the steps") << "dpi 1 825";
        QTest::newRow("dpi value too high") << "dpi 1 16050";
        QTest::newRow("rate") << "rate 300";
        QTest::newRow("light which") << "light ring";
        QTest::newRow("light brightness") << "light logo --brightness 10";
        QTest::newRow("light option") << "light logo --blink 1";
        QTest::newRow("button name") << "button thumb disable";
        QTest::newRow("key combination") << "button custom1 key ctrl+banana";
        QTest::newRow("macro list off the left button") << "button right macro a b";
        QTest::newRow("profile") << "profile 6";
        QTest::newRow("--profile") << "--profile x info";
        QTest::newRow("export without file") << "export";
    }
    void badArguments()
    {
        const QByteArray before = mouseMemory();
        const Result r = ctl(fetched<QString>("args"));
        QVERIFY2(r.exit == 2 && r.out.isEmpty() && r.err.count('\n') == 1, r.err.constData());  // one line tells why
        QCOMPARE(mouseMemory(), before);
    }

    void setterRoundTrip_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("where");  // a path into `info --json`; a button by its name
        QTest::addColumn<QString>("expected");
        QTest::newRow("dpi value") << "dpi 2 1250" << "dpi/1/value" << "1250";
        QTest::newRow("dpi off") << "dpi 3 off" << "dpi/2/on" << "false";
        QTest::newRow("rate") << "rate 500" << "rate" << "500";
        QTest::newRow("light mode") << "light logo --mode spectrum" << "lights/logo/mode" << "spectrum";
        QTest::newRow("light colour") << "light wheel --color 12ab34" << "lights/wheel/color" << "12ab34";
        QTest::newRow("light brightness") << "light wheel --brightness 4" << "lights/wheel/brightness" << "4";
        QTest::newRow("light speed") << "light logo --speed 8" << "lights/logo/speed" << "8";
        QTest::newRow("button key") << "button custom3 key ctrl+alt+x" << "buttons/custom3/action" << "key ctrl+alt+x";
        QTest::newRow("button media") << "button forward media volume-up" << "buttons/forward/action" << "media volume-up";
        QTest::newRow("button macro") << "button back macro %DATA%/macros/press-a.json" << "buttons/back/action" << "macro";
        QTest::newRow("button disable") << "button middle disable" << "buttons/middle/action" << "disable";
        QTest::newRow("button default") << "button middle default" << "buttons/middle/default" << "true";
        QTest::newRow("--profile") << "--profile 3 dpi 4 2000" << "profile" << "3";
        QTest::newRow("profile") << "profile 1" << "profile" << "1";
    }
    void setterRoundTrip()
    {
        const Result r = ctl(fetched<QString>("args").replace(QLatin1String("%DATA%"), QLatin1String(ZR540_TEST_DATA_DIR)));
        QVERIFY2(r.exit == 0, r.err.constData());
        QJsonValue value = info();
        for (const QString& step : fetched<QString>("where").split(QLatin1Char('/'))) {
            if (value.isArray() && !step.at(0).isDigit()) {
                for (const QJsonValue& item : value.toArray())
                    value = item.toObject().value(QStringLiteral("name")).toString() == step ? item : value;
            } else {
                value = value.isArray() ? value.toArray().at(step.toInt()) : value.toObject().value(step);
            }
        }
        QCOMPARE(value.toVariant().toString(), fetched<QString>("expected"));
        // The change is in the current local profile file too, so the window, started later, shows it.
        QCOMPARE(profileFile().left(WholeStruct::SettingsSize), mouseMemory().mid(DeviceProfileBlock::SettingsOffset));
    }

    void exportChangeImport_data()
    {
        QTest::addColumn<int>("cutAt");       // bytes kept; -1 keeps all
        QTest::addColumn<int>("flipAt");      // a byte turned over; -1 none
        QTest::addColumn<int>("appended");    // bytes added at the end
        QTest::addColumn<QString>("reason");  // why the import is refused; empty: it is not
        QTest::newRow("whole") << -1 << -1 << 0 << "";
        QTest::newRow("truncated") << 200 << -1 << 0 << "cut short";
        QTest::newRow("altered") << -1 << 100 << 0 << "altered";
        QTest::newRow("other version") << -1 << 9 << 0 << "another version";
        QTest::newRow("not a profile file") << -1 << 0 << 0 << "no ZR540 profile file";
        QTest::newRow("too large") << -1 << -1 << (1 << 20) << "larger than";
    }
    void exportChangeImport()
    {
        const QString file = home.filePath(QStringLiteral("setup.zr540")), pictureFile = dataRoot() + QStringLiteral("/drawImage.BMP");
        QVERIFY(showGrey(200, {QStringLiteral("--dither")}));
        QCOMPARE(ctl(QStringLiteral("dpi 1 450")).exit, 0);
        QCOMPARE(ctl(QStringList{QStringLiteral("export"), file}).exit, 0);
        const QByteArray exported[] = {mouseMemory(), profileFile(), fileContent(pictureFile), mouseMemory(true)};
        QByteArray bytes = fileContent(file);
        if (fetched<int>("cutAt") >= 0)
            bytes.truncate(fetched<int>("cutAt"));
        if (const int at = fetched<int>("flipAt"); at >= 0)
            bytes[at] = char(~bytes.at(at));
        QVERIFY(writeWholeFile(file, bytes + QByteArray(fetched<int>("appended"), 'x')));
        QVERIFY(showGrey(40, {}));
        QCOMPARE(ctl(QStringLiteral("dpi 1 3000")).exit, 0);
        QCOMPARE(ctl(QStringLiteral("button back key f9")).exit, 0);
        const QByteArray changed[] = {mouseMemory(), profileFile(), fileContent(pictureFile), mouseMemory(true)};
        for (int i = 0; i < 4; ++i)
            QVERIFY(changed[i] != exported[i]);
        const Result r = ctl(QStringList{QStringLiteral("import"), file});
        const QString reason = fetched<QString>("reason");
        QVERIFY2(r.exit == (reason.isEmpty() ? 0 : 1) && r.err.contains(reason.toUtf8()), r.err.constData());
        const QByteArray now[] = {mouseMemory(), profileFile(), fileContent(pictureFile), mouseMemory(true)};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(now[i], reason.isEmpty() ? exported[i] : changed[i]);
    }

    void refusesWhileTheWindowRuns()
    {
        SingleInstance window(QStringLiteral("ZR540"));
        QVERIFY(!window.isRunning());  // this guard now holds the key, as the window's does
        const QByteArray memory = mouseMemory();
        QCOMPARE(ctl(QStringLiteral("dpi 1 900")).exit, 1);
        QCOMPARE(mouseMemory(), memory);
    }
};

QTEST_GUILESS_MAIN(TestZr540ctl)
#include "tst_zr540ctl.moc"
