// Macro files: the keys, their defaults, broken files, and the library's folders.
#include "apppaths.h"
#include "operatemacrofile.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {
QString golden(const QString& name) { return QStringLiteral(ZR540_TEST_DATA_DIR "/macros/") + name; }

// A writable copy of a golden file in `dir`.
QString copyOf(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    QFile::copy(golden(name), path);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    return path;
}
}  // namespace

class TestMacroFile : public QObject {
    Q_OBJECT
private slots:
    void readKeys_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("values");  // events, repeat, ignore, type
        QTest::newRow("ctrl click") << golden("ctrl-click.json") << QString("Ctrl click") << QList<int>{5, 300, 2, 4};
        QTest::newRow("name only") << golden("name-only.json") << QString("新宏") << QList<int>{0, 1, 0, 0};
        QTest::newRow("Macro is a string") << golden("macro-not-array.json") << QString("broken events") << QList<int>{0, 0, 0, 0};
        // Any file that is no JSON object, or none at all, reads as the defaults.
        QTest::newRow("truncated") << golden("truncated.json") << QString("ErrorName") << QList<int>{0, 1, 0, 0};
        QTest::newRow("missing") << golden("missing.json") << QString("ErrorName") << QList<int>{0, 1, 0, 0};
    }

    void readKeys()
    {
        QFETCH(QString, file);
        OperateMacroFile macro;
        QCOMPARE(macro.getName(file), fetched<QString>("name"));
        const QList<int> read = {macro.getMacroNodeList(file).size(), macro.getRepeatTimes(file),
                                 macro.getIgnoreDelayTime(file), macro.getMacroType(file)};
        QCOMPARE(read, fetched<QList<int>>("values"));
        QVERIFY(!QFile::exists(golden("missing.json")));  // reading never creates a file
    }

    void goldenFilesRoundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("press A") << "press-a.json";
        QTest::newRow("ctrl click") << "ctrl-click.json";
    }

    void goldenFilesRoundTrip()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        OperateMacroFile macro;
        const QString path = dir.filePath(file), source = golden(file);
        QVERIFY(macro.setName(path, macro.getName(source)));
        QVERIFY(macro.setMacroNodeList(path, macro.getMacroNodeList(source)));
        QVERIFY(macro.setRepeatTimes(path, macro.getRepeatTimes(source)));
        QVERIFY(macro.setIgnoreDelayTime(path, macro.getIgnoreDelayTime(source)));
        QVERIFY(macro.setMacroType(path, macro.getMacroType(source)));
        QCOMPARE(fileContent(path), fileContent(source));

        // New events keep the other keys.
        const MacroNode node{MacroNode::Key, -1, 0x42, 55, -1, -1, 0, QStringLiteral("B")};
        QVERIFY(macro.setMacroNodeList(path, {node}));
        QCOMPARE(macro.getMacroNodeList(path), QList<MacroNode>{node});
        QCOMPARE(macro.getName(path), macro.getName(source));
        QCOMPARE(macro.getRepeatTimes(path), macro.getRepeatTimes(source));
    }

    void writingAKey_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("after");  // empty: the file is left as it was
        QTest::newRow("a new file holds only the key") << "fresh.json" << QByteArray(R"({"Name":"宏1"})");
        QTest::newRow("a broken file starts over") << "truncated.json" << QByteArray(R"({"Name":"宏1"})");
        QTest::newRow("valid object: key replaced") << "name-only.json" << QByteArray(R"({"Name":"宏1"})");
        QTest::newRow("another JSON root is left alone") << "not-an-object.json" << QByteArray();
    }

    void writingAKey()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = QFile::exists(golden(file)) ? copyOf(dir, file) : dir.filePath(file);
        const QByteArray before = fileContent(path);
        OperateMacroFile macro;
        QCOMPARE(macro.setName(path, QString("宏1")), !after.isEmpty());
        QCOMPARE(fileContent(path), after.isEmpty() ? before : after);
        QCOMPARE(macro.setMacroNodeList(path, {MacroNode{}}), !after.isEmpty());  // events only into an object
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no scratch file left
    }

    // A file that is there but cannot be read may hold a whole macro: no setter replaces it. Root
    // reads everything, so the setter runs as another user for the check.
    void unreadableFileIsLeftAlone()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));  // anyone may write here
        const QString path = copyOf(dir, "ctrl-click.json");
        const QByteArray before = fileContent(path);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        const bool root = geteuid() == 0;
        if (root)
            QVERIFY(seteuid(65534) == 0);  // nobody: neither owner nor reader of the file
        OperateMacroFile macro;
        const bool written = macro.setName(path, QStringLiteral("x")) || macro.setRepeatTimes(path, 2);
        if (root)
            QVERIFY(seteuid(0) == 0);
        QVERIFY(!written);
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(fileContent(path), before);
    }

    void strictNumbers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("keyValue");
        QTest::newRow("integers") << QByteArray(R"({"RepeatTimes":7,"Macro":[{"KeyValue":65}]})") << 7 << 65;
        QTest::newRow("a fraction is no integer") << QByteArray(R"({"RepeatTimes":2.5,"Macro":[{"KeyValue":6.5}]})") << 0 << 0;
        QTest::newRow("far too big") << QByteArray(R"({"RepeatTimes":1e300,"Macro":[{"KeyValue":-1e300}]})") << 0 << 0;
        QTest::newRow("strings and nulls")
            << QByteArray(R"({"RepeatTimes":"3","Macro":[{"KeyValue":null}]})") << 0 << 0;
        QTest::newRow("events that are no objects are skipped") << QByteArray(R"({"Macro":[1,"x",[],{"KeyValue":66}]})") << 1 << 66;
    }

    void strictNumbers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("m.json");
        QVERIFY(writeWholeFile(path, fetched<QByteArray>("content")));
        OperateMacroFile macro;
        QCOMPARE(macro.getRepeatTimes(path), fetched<int>("repeat"));
        const QList<MacroNode> nodes = macro.getMacroNodeList(path);
        QCOMPARE(nodes.size(), 1);
        QCOMPARE(nodes.first().KeyValue, fetched<int>("keyValue"));
        QCOMPARE(nodes.first().ValueType, -1);  // absent keys keep a fresh node's values
    }

    void library()
    {
        QTemporaryDir root;
        AppPaths::setDataRoot(root.path());
        const QString macros = OperateMacroFile::macroRoot();
        for (const char* title : {"b-title", "A-title", "c"})
            QDir().mkpath(macros + "/" + title);
        QVERIFY(writeWholeFile(macros + "/stray.json", "{}"));  // not a title
        QCOMPARE(OperateMacroFile::titleFolders(), (QStringList{"A-title", "b-title", "c"}));

        const QDateTime first(QDate(2026, 12, 6), QTime(9, 5, 7, 42));
        const QString a = OperateMacroFile::newMacroFilePath("c", first);
        QCOMPARE(a, macros + "/c/20261206090507042.json");
        const QString b = OperateMacroFile::newMacroFilePath("c", first.addMSecs(1));
        OperateMacroFile macro;
        QVERIFY(macro.setName(b, "second") && macro.setName(a, "first"));
        QVERIFY(writeWholeFile(macros + "/c/.hidden", "{}"));
        QDir().mkpath(macros + "/c/sub");
        QFile::link(a, macros + "/c/zlink.json");
        QCOMPARE(OperateMacroFile::macroFiles("c"),
                 (QStringList{macros + "/c/.hidden", a, b}));  // by name: creation order
        QVERIFY(macro.deleteMacroFile(a));
        QVERIFY(!QFile::exists(a));
        QVERIFY(macro.deleteMacroFile(a));  // already gone
    }
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "tst_macro_file.moc"
