// The PC-side function file: the exact file the program writes, what is read back, hand-written
// files, refused and failed writes, and deleting the file.
#include "apppaths.h"
#include "pcactionstore.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {
const QString kChinesePath = QString::fromUtf8("D:/音乐/提示音 1.wav");

// The function and path of `button`; false (0 and no path) when it has none.
bool lookup(int button, int& function, QString& path)
{
    function = -1;
    path = QStringLiteral("stale");
    return PcActionStore::lookupFunction(button, function, path);
}
}  // namespace

class TestPcActionStore : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        AppPaths::setDataRoot(m_root->path());
    }

    // The file pins the group name of every button id and the three keys; buttons 4 … 15 get
    // functions 2 … 5 in turn, and a Chinese path goes in as plain UTF-8.
    void everyButtonMatchesTheGoldenFile()
    {
        for (int button = 4; button <= 15; ++button)
            QVERIFY(PcActionStore::writeFunction(button, true, 2 + button % 4,
                                                 button == 5 ? kChinesePath : QStringLiteral("/home/me/file%1").arg(button)));
        QCOMPARE(fileContent(file()), fileContent(ZR540_TEST_DATA_DIR "/pcactions/HighestFunction.ini"));
        QCOMPARE(QDir(QFileInfo(file()).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"HighestFunction.ini"});  // under its own name, and no scratch file beside it
    }

    void writeThenLookup_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("path");
        QTest::newRow("first button") << 4 << 3 << QStringLiteral("/usr/bin/game");
        QTest::newRow("last button, Chinese path") << 15 << 2 << kChinesePath;
        QTest::newRow("what ini files escape") << 8 << 5 << QStringLiteral("@C:\\Game Files\\a, b; c=d \"e\"#f%20g ");
    }

    void writeThenLookup()
    {
        QFETCH(int, button);
        QFETCH(QString, path);
        int function;
        QString readPath;
        QVERIFY(!lookup(button, function, readPath));  // no file: nothing, and no file made
        QVERIFY(!QFileInfo::exists(file()));
        // Quick rewrites of the same size within one clock tick are each read back.
        for (int i = 0; i < 20; ++i) {
            QVERIFY(PcActionStore::writeFunction(button, true, 2 + i % 4, path + QString::number(i % 10)));
            QCOMPARE(lookup(button, function, readPath) ? function : 0, 2 + i % 4);
        }
        QVERIFY(PcActionStore::writeFunction(button, true, fetched<int>("function"), path));
        QVERIFY(lookup(button, function, readPath));
        QCOMPARE(function, fetched<int>("function"));
        QCOMPARE(readPath, path);
        for (int other : {button - 1, button + 1, 0, 16}) {
            QVERIFY(!lookup(other, function, readPath));
            QCOMPARE(function, 0);
            QVERIFY(readPath.isEmpty());
        }
    }

    void refusedAndFailedWrites_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fault");  // "folder read-only", "file in the folder's place", or none
        const QString path = QStringLiteral("/home/me/a.wav");
        QTest::newRow("button 3") << 3 << 2 << path << "";
        QTest::newRow("button 16") << 16 << 2 << path << "";
        QTest::newRow("function 1") << 5 << 1 << path << "";
        QTest::newRow("function 6") << 5 << 6 << path << "";
        QTest::newRow("empty path") << 5 << 2 << QString() << "";
        QTest::newRow("folder read-only") << 6 << 5 << QStringLiteral("/home/me/a much longer new path") << "read-only";
        QTest::newRow("a file in the folder's place") << 6 << 5 << path << "blocked";
    }

    void refusedAndFailedWrites()
    {
        QFETCH(QString, fault);
        const QString folder = QFileInfo(file()).absolutePath();
        if (fault != "blocked")
            QVERIFY(PcActionStore::writeFunction(6, true, 4, QStringLiteral("/home/me/b.txt")));
        else
            QVERIFY(writeWholeFile(folder, "not a folder"));
        const QByteArray before = fileContent(fault == "blocked" ? folder : file());
        if (fault == "read-only") {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            if (QFileInfo(folder).isWritable() && ::geteuid() == 0)
                QSKIP("a read-only folder is still writable for root");
        }
        const bool written = PcActionStore::writeFunction(fetched<int>("button"), true, fetched<int>("function"),
                                                          fetched<QString>("path"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        QCOMPARE(fileContent(fault == "blocked" ? folder : file()), before);
    }

    void handWrittenFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("function");  // 0: button 5 has none
        QTest::addColumn<QString>("path");
        QTest::newRow("state 1") << QByteArray("[MidKey]\nstate=1\nfunction=4\npath=/a/b.txt\n") << 4 << "/a/b.txt";
        QTest::newRow("state 0 with a function")
            << QByteArray("[MidKey]\nstate=0\nfunction=4\npath=/a/b.txt\n") << 0 << "";
        QTest::newRow("state not a number") << QByteArray("[MidKey]\nstate=yes\nfunction=4\npath=/a\n") << 0 << "";
        QTest::newRow("state 2") << QByteArray("[MidKey]\nstate=2\nfunction=3\npath=/bin/x\n") << 3 << "/bin/x";
        QTest::newRow("raw UTF-8, CRLF") << "[MidKey]\r\nstate=1\r\nfunction=2\r\npath=" + kChinesePath.toUtf8() + "\r\n" << 2
                                         << kChinesePath;
        QTest::newRow("garbage") << QByteArray("\x00\xff[[[\n=\n", 8) << 0 << "";
    }

    void handWrittenFile()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeWholeFile(file(), content));
        int function;
        QString path;
        QCOMPARE(lookup(5, function, path), fetched<int>("function") != 0);
        QCOMPARE(function, fetched<int>("function"));
        QCOMPARE(path, fetched<QString>("path"));
        QCOMPARE(fileContent(file()), content);  // reading leaves the file as it was
    }

    // Switching one button off keeps the others; deleting the file (nothing to delete is no failure)
    // forgets them all, and a new entry starts a new file.
    void disableAndDelete()
    {
        QVERIFY(PcActionStore::deleteHighestFile());
        QVERIFY(PcActionStore::writeFunction(14, true, 4, QStringLiteral("/home/me/notes.txt")));
        QVERIFY(PcActionStore::writeFunction(10, true, 5, kChinesePath));
        QVERIFY(PcActionStore::writeFunction(14, false, 4, QStringLiteral("/home/me/notes.txt")));
        int function;
        QString path;
        QVERIFY(!lookup(14, function, path));
        QCOMPARE(lookup(10, function, path) ? path : QString(), kChinesePath);
        QVERIFY(PcActionStore::deleteHighestFile());
        QVERIFY(!QFileInfo::exists(file()));
        QVERIFY(PcActionStore::writeFunction(6, true, 5, QStringLiteral("/home/me")));
        QVERIFY(!lookup(10, function, path));
    }

private:
    QString file() const { return AppPaths::pcFunctionFile(); }
    std::unique_ptr<QTemporaryDir> m_root;
};

QTEST_GUILESS_MAIN(TestPcActionStore)
#include "tst_pcactionstore.moc"
