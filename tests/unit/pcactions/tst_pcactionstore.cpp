// The PC-side function file: the exact file the program writes, what is read back, hand-written
// files, failed writes, and deleting the file.
#include "apppaths.h"
#include "logcapture.h"
#include "pcactionstore.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kChinesePath = QString::fromUtf8("D:/音乐/提示音 1.wav");

}  // namespace

class TestPcActionStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyButtonMatchesTheGoldenFile();
    void writeThenLookup_data();
    void writeThenLookup();
    void disableKeepsTheOtherButtons();
    void refusedWrites_data();
    void refusedWrites();
    void absentFileReadsAsNothingAndStaysAbsent();
    void handWrittenFile_data();
    void handWrittenFile();
    void quickRewritesAreReadBack();
    void failedWriteKeepsTheOldFile();
    void blockedFolderFailsTheWrite();
    void deleteHighestFile();

private:
    QString file() const { return AppPaths::pcFunctionFile(); }
    bool lookup(int button, int& function, QString& path) const
    {
        function = -1;
        path = QStringLiteral("stale");
        return PcActionStore::lookupFunction(button, function, path);
    }

    std::unique_ptr<QTemporaryDir> m_root;
};

void TestPcActionStore::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    AppPaths::setDataRoot(m_root->path());
}

void TestPcActionStore::cleanup()
{
    QFile::setPermissions(QFileInfo(file()).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_root.reset();
}

// The file pins the group name of every button id and the three keys; buttons 4 … 15 get
// functions 2 … 5 in turn, and a Chinese path goes in as plain UTF-8.
void TestPcActionStore::everyButtonMatchesTheGoldenFile()
{
    for (int button = 4; button <= 15; ++button) {
        const QString path = button == 5 ? kChinesePath : QStringLiteral("/home/me/file%1").arg(button);
        QVERIFY(PcActionStore::writeFunction(button, true, 2 + button % 4, path));
    }
    QCOMPARE(fileContent(file()), fileContent(QStringLiteral(ZR540_TEST_DATA_DIR "/pcactions/HighestFunction.ini")));
    QCOMPARE(QFileInfo(file()).absoluteDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"HighestFunction.ini"});  // no scratch file left beside it
    QCOMPARE(PcActionStore::groupName(3), QString());
    QCOMPARE(PcActionStore::groupName(16), QString());
}

void TestPcActionStore::writeThenLookup_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("path");
    QTest::newRow("first button") << 4 << 3 << QStringLiteral("/usr/bin/game");
    QTest::newRow("last button, Chinese path") << 15 << 2 << kChinesePath;
    QTest::newRow("what ini files escape") << 8 << 5 << QStringLiteral("@C:\\Game Files\\a, b; c=d \"e\"#f%20g ");
}

void TestPcActionStore::writeThenLookup()
{
    QFETCH(int, button);
    QFETCH(int, function);
    QFETCH(QString, path);

    QVERIFY(PcActionStore::writeFunction(button, true, function, path));
    int readFunction;
    QString readPath;
    QVERIFY(lookup(button, readFunction, readPath));
    QCOMPARE(readFunction, function);
    QCOMPARE(readPath, path);
    for (int other : {button - 1, button + 1, 0, 16}) {
        QVERIFY(!lookup(other, readFunction, readPath));
        QCOMPARE(readFunction, 0);
        QVERIFY(readPath.isEmpty());
    }
}

void TestPcActionStore::disableKeepsTheOtherButtons()
{
    QVERIFY(PcActionStore::writeFunction(14, true, 4, QStringLiteral("/home/me/notes.txt")));
    QVERIFY(PcActionStore::writeFunction(10, true, 5, kChinesePath));
    QVERIFY(PcActionStore::writeFunction(14, false, 4, QStringLiteral("/home/me/notes.txt")));

    int function;
    QString path;
    QVERIFY(!lookup(14, function, path));
    QVERIFY(lookup(10, function, path));
    QCOMPARE(function, 5);
    QCOMPARE(path, kChinesePath);

    QSettings settings(file(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QCOMPARE(settings.value("Custom2/state").toString(), QStringLiteral("0"));
    QCOMPARE(settings.value("Custom2/function").toString(), QStringLiteral("0"));
    QVERIFY(settings.contains("Custom2/path"));
    QCOMPARE(settings.value("Custom2/path").toString(), QString());
}

void TestPcActionStore::refusedWrites_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("path");
    const QString path = QStringLiteral("/home/me/a.wav");
    QTest::newRow("button 3") << 3 << 2 << path;
    QTest::newRow("button 16") << 16 << 2 << path;
    QTest::newRow("function 1") << 5 << 1 << path;
    QTest::newRow("function 6") << 5 << 6 << path;
    QTest::newRow("empty path") << 5 << 2 << QString();
}

void TestPcActionStore::refusedWrites()
{
    QFETCH(int, button);
    QFETCH(int, function);
    QFETCH(QString, path);

    QVERIFY(!PcActionStore::writeFunction(button, true, function, path));
    QVERIFY(!QFileInfo::exists(file()));

    QVERIFY(PcActionStore::writeFunction(6, true, 4, QStringLiteral("/home/me/b.txt")));
    const QByteArray before = fileContent(file());
    QVERIFY(!PcActionStore::writeFunction(button, true, function, path));
    QCOMPARE(fileContent(file()), before);
}

void TestPcActionStore::absentFileReadsAsNothingAndStaysAbsent()
{
    int function;
    QString path;
    QVERIFY(!lookup(4, function, path));
    QCOMPARE(function, 0);
    QVERIFY(path.isEmpty());
    QCOMPARE(QDir(m_root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestPcActionStore::handWrittenFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("path");
    QTest::newRow("state 1") << QByteArray("[MidKey]\nstate=1\nfunction=4\npath=/a/b.txt\n") << true << 4
                             << QStringLiteral("/a/b.txt");
    QTest::newRow("state 0 with a function") << QByteArray("[MidKey]\nstate=0\nfunction=4\npath=/a/b.txt\n")
                                             << false << 0 << QString();
    QTest::newRow("state not a number") << QByteArray("[MidKey]\nstate=yes\nfunction=4\npath=/a\n") << false << 0
                                        << QString();
    QTest::newRow("state 2") << QByteArray("[MidKey]\nstate=2\nfunction=3\npath=/bin/x\n") << true << 3
                             << QStringLiteral("/bin/x");
    QTest::newRow("raw UTF-8, CRLF") << QByteArray("[MidKey]\r\nstate=1\r\nfunction=2\r\npath=") + kChinesePath.toUtf8()
                                            + QByteArray("\r\n")
                                     << true << 2 << kChinesePath;
    QTest::newRow("keys outside any group") << QByteArray("state=1\nfunction=4\npath=/a\n") << false << 0 << QString();
    QTest::newRow("garbage") << QByteArray("\x00\xff[[[\n=\n", 8) << false << 0 << QString();
}

void TestPcActionStore::handWrittenFile()
{
    QFETCH(QByteArray, content);

    QVERIFY(writeWholeFile(file(), content));
    int readFunction;
    QString readPath;
    QCOMPARE(lookup(5, readFunction, readPath), fetched<bool>("active"));
    QCOMPARE(readFunction, fetched<int>("function"));
    QCOMPARE(readPath, fetched<QString>("path"));
    QCOMPARE(fileContent(file()), content);  // reading leaves the file as it was
}

void TestPcActionStore::quickRewritesAreReadBack()
{
    // Same size, same clock tick: every write must still be what the next read sees.
    for (int i = 0; i < 40; ++i) {
        const int function = 2 + i % 4;
        const QString path = QStringLiteral("/data/file%1.bin").arg(i % 10);
        QVERIFY(PcActionStore::writeFunction(7, true, function, path));
        int readFunction;
        QString readPath;
        QVERIFY(lookup(7, readFunction, readPath));
        QCOMPARE(readFunction, function);
        QCOMPARE(readPath, path);
    }
}

void TestPcActionStore::failedWriteKeepsTheOldFile()
{
    QVERIFY(PcActionStore::writeFunction(4, true, 4, QStringLiteral("/home/me/old.txt")));
    const QByteArray before = fileContent(file());
    const QString folder = QFileInfo(file()).absolutePath();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QSKIP("a read-only folder is still writable for this user (root)");
    }

    QVERIFY(!PcActionStore::writeFunction(4, true, 5, QStringLiteral("/home/me/a much longer new path")));
    QCOMPARE(fileContent(file()), before);
    int function;
    QString path;
    QVERIFY(lookup(4, function, path));
    QCOMPARE(path, QStringLiteral("/home/me/old.txt"));
}

void TestPcActionStore::blockedFolderFailsTheWrite()
{
    // A plain file where the folder belongs: the write fails and reports it.
    const QString folder = QFileInfo(file()).absolutePath();
    QVERIFY(writeWholeFile(folder, "not a folder"));
    QVERIFY(!PcActionStore::writeFunction(4, true, 4, QStringLiteral("/home/me/a.txt")));
    QCOMPARE(fileContent(folder), QByteArray("not a folder"));
}

void TestPcActionStore::deleteHighestFile()
{
    {
        LogCapture log;
        QVERIFY(PcActionStore::deleteHighestFile());  // nothing to delete is no failure
        QCOMPARE(log.lines(), QStringList{"loginfo = deleteHighestFile"});
    }
    QVERIFY(PcActionStore::writeFunction(5, true, 4, QStringLiteral("/home/me/a.txt")));
    QVERIFY(PcActionStore::writeFunction(9, true, 2, kChinesePath));

    LogCapture log;
    QVERIFY(PcActionStore::deleteHighestFile());
    QCOMPARE(log.lines(), (QStringList{"loginfo = deleteHighestFile", "loginfo = deleteHighestFile ok"}));
    QVERIFY(!QFileInfo::exists(file()));

    // A new entry after the reset starts a new file: nothing of the old one comes back.
    QVERIFY(PcActionStore::writeFunction(6, true, 5, QStringLiteral("/home/me")));
    int function;
    QString path;
    QVERIFY(!lookup(5, function, path));
    QVERIFY(!lookup(9, function, path));
}

QTEST_GUILESS_MAIN(TestPcActionStore)
#include "tst_pcactionstore.moc"
