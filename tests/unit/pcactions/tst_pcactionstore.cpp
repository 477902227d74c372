// The PC-side function file: group names, what is written and read back, the exact file,
// carrying a function out, and deleting the file.
#include "apppaths.h"
#include "logcapture.h"
#include "pcactionstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

const QString kChinesePath = QString::fromUtf8("D:/音乐/提示音 1.wav");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Call {
    QString action;  // "sound", "program", "url"
    QString argument;
};

}  // namespace

class TestPcActionStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void groupNames_data();
    void groupNames();
    void writeThenLookup_data();
    void writeThenLookup();
    void fileHoldsUtf8AndTheThreeKeys();
    void disableClearsTheEntry();
    void otherButtonsKeepTheirEntries();
    void refusedWrites_data();
    void refusedWrites();
    void absentFileReadsAsNothingAndStaysAbsent();
    void handWrittenFile_data();
    void handWrittenFile();
    void quickRewritesAreReadBack();
    void writeLeavesNoOtherFiles();
    void failedWriteKeepsTheOldFile();
    void blockedFolderFailsTheWrite();
    void runFunction_data();
    void runFunction();
    void deleteHighestFile();
    void deleteWithoutFile();

private:
    QString file() const { return AppPaths::pcFunctionFile(); }
    QString makeFile(const QString& name);
    QString makeFolder(const QString& name);

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<QTemporaryDir> m_targets;  // files and folders for runFunction
    QList<Call> m_calls;
    bool m_systemAnswer = true;
};

void TestPcActionStore::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_targets = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    QVERIFY(m_targets->isValid());
    AppPaths::setDataRoot(m_root->path());
    m_calls.clear();
    m_systemAnswer = true;
    PcActionStore::SystemActions& actions = PcActionStore::systemActions();
    actions.playSound = [this](const QString& f) {
        m_calls << Call{QStringLiteral("sound"), f};
        return m_systemAnswer;
    };
    actions.startProgram = [this](const QString& p) {
        m_calls << Call{QStringLiteral("program"), p};
        return m_systemAnswer;
    };
    actions.openUrl = [this](const QUrl& u) {
        m_calls << Call{QStringLiteral("url"), u.toString(QUrl::FullyEncoded)};
        return m_systemAnswer;
    };
}

void TestPcActionStore::cleanup()
{
    PcActionStore::systemActions() = PcActionStore::defaultSystemActions();
    const QString folder = QFileInfo(file()).absolutePath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_root.reset();
    m_targets.reset();
}

QString TestPcActionStore::makeFile(const QString& name)
{
    const QString path = m_targets->filePath(name);
    putFile(path, "RIFF");
    return path;
}

QString TestPcActionStore::makeFolder(const QString& name)
{
    const QString path = m_targets->filePath(name);
    QDir().mkpath(path);
    return path;
}

void TestPcActionStore::groupNames_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("group");
    const char* const groups[] = {"LeftKey", "MidKey",  "RightKey",  "FowardKey", "BackKey", "WheelFoward",
                                  "WheelBack", "DPIAdd", "DPIReduce", "Custom1",  "Custom2", "Custom3"};
    for (int button = 4; button <= 15; ++button)
        QTest::addRow("%d", button) << button << QString::fromLatin1(groups[button - 4]);
    for (int button : {INT_MIN, -1, 0, 1, 3, 16, 17, 255, INT_MAX})
        QTest::addRow("%d", button) << button << QString();
}

void TestPcActionStore::groupNames()
{
    QFETCH(int, button);
    QFETCH(QString, group);
    QCOMPARE(PcActionStore::groupName(button), group);
}

void TestPcActionStore::writeThenLookup_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("path");
    for (int button = 4; button <= 15; ++button) {
        const int function = 2 + (button % 4);
        QTest::addRow("button %d function %d", button, function)
            << button << function << QStringLiteral("C:/Users/me/file%1.wav").arg(button);
    }
    QTest::newRow("Chinese path") << 5 << 2 << kChinesePath;
    QTest::newRow("comma, semicolon, equals, quotes") << 6 << 4 << QStringLiteral("/tmp/a, b; c=d \"e\".txt");
    QTest::newRow("leading @ and spaces") << 7 << 3 << QStringLiteral("@prog ram ");
    QTest::newRow("backslashes") << 8 << 5 << QStringLiteral("C:\\Program Files\\Game\\");
    QTest::newRow("hash and percent") << 9 << 4 << QStringLiteral("/srv/a#b%20c.txt");
}

void TestPcActionStore::writeThenLookup()
{
    QFETCH(int, button);
    QFETCH(int, function);
    QFETCH(QString, path);

    QVERIFY(!QFileInfo::exists(QFileInfo(file()).absolutePath()));
    QVERIFY(PcActionStore::writeFunction(button, true, function, path));
    QVERIFY(QFileInfo(file()).isFile());

    int readFunction = -1;
    QString readPath;
    QVERIFY(PcActionStore::lookupFunction(button, readFunction, readPath));
    QCOMPARE(readFunction, function);
    QCOMPARE(readPath, path);

    for (int other = 0; other <= 16; ++other) {
        if (other == button)
            continue;
        int f = -1;
        QString p = QStringLiteral("stale");
        QVERIFY2(!PcActionStore::lookupFunction(other, f, p), qPrintable(QString::number(other)));
        QCOMPARE(f, 0);
        QVERIFY(p.isEmpty());
    }
}

void TestPcActionStore::fileHoldsUtf8AndTheThreeKeys()
{
    QVERIFY(PcActionStore::writeFunction(5, true, 2, kChinesePath));
    const QByteArray bytes = fileBytes(file());
    QVERIFY2(bytes.contains(kChinesePath.toUtf8()), bytes.constData());
    QVERIFY(!bytes.contains("\\x"));

    // Any other ini reader with the same codec finds the entry under the agreed keys.
    QSettings settings(file(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QCOMPARE(settings.childGroups(), QStringList{"MidKey"});
    QCOMPARE(settings.value("MidKey/state").toInt(), 1);
    QCOMPARE(settings.value("MidKey/function").toInt(), 2);
    QCOMPARE(settings.value("MidKey/path").toString(), kChinesePath);
}

void TestPcActionStore::disableClearsTheEntry()
{
    QVERIFY(PcActionStore::writeFunction(14, true, 4, QStringLiteral("/home/me/notes.txt")));
    QVERIFY(PcActionStore::writeFunction(14, false, 4, QStringLiteral("/home/me/notes.txt")));

    int function = -1;
    QString path;
    QVERIFY(!PcActionStore::lookupFunction(14, function, path));
    QCOMPARE(function, 0);
    QVERIFY(path.isEmpty());

    QSettings settings(file(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QCOMPARE(settings.value("Custom2/state").toString(), QStringLiteral("0"));
    QCOMPARE(settings.value("Custom2/function").toString(), QStringLiteral("0"));
    QVERIFY(settings.contains("Custom2/path"));
    QCOMPARE(settings.value("Custom2/path").toString(), QString());
}

void TestPcActionStore::otherButtonsKeepTheirEntries()
{
    QVERIFY(PcActionStore::writeFunction(4, true, 3, QStringLiteral("/usr/bin/game")));
    QVERIFY(PcActionStore::writeFunction(10, true, 5, kChinesePath));
    QVERIFY(PcActionStore::writeFunction(4, false, 0, QString()));

    int function = 0;
    QString path;
    QVERIFY(!PcActionStore::lookupFunction(4, function, path));
    QVERIFY(PcActionStore::lookupFunction(10, function, path));
    QCOMPARE(function, 5);
    QCOMPARE(path, kChinesePath);
}

void TestPcActionStore::refusedWrites_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("path");
    const QString path = QStringLiteral("/home/me/a.wav");
    QTest::newRow("button 3") << 3 << 2 << path;
    QTest::newRow("button 16") << 16 << 2 << path;
    QTest::newRow("button -1") << -1 << 2 << path;
    QTest::newRow("function 0") << 5 << 0 << path;
    QTest::newRow("function 1") << 5 << 1 << path;
    QTest::newRow("function 6") << 5 << 6 << path;
    QTest::newRow("function -2") << 5 << -2 << path;
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
    const QByteArray before = fileBytes(file());
    QVERIFY(!PcActionStore::writeFunction(button, true, function, path));
    QCOMPARE(fileBytes(file()), before);
}

void TestPcActionStore::absentFileReadsAsNothingAndStaysAbsent()
{
    for (int button = 0; button <= 16; ++button) {
        int function = -1;
        QString path = QStringLiteral("stale");
        QVERIFY(!PcActionStore::lookupFunction(button, function, path));
        QCOMPARE(function, 0);
        QVERIFY(path.isEmpty());
    }
    QVERIFY(!QFileInfo::exists(file()));
    QVERIFY(!QFileInfo::exists(QFileInfo(file()).absolutePath()));
    QCOMPARE(QDir(m_root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
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
    QTest::newRow("no state") << QByteArray("[MidKey]\nfunction=4\npath=/a/b.txt\n") << false << 0 << QString();
    QTest::newRow("state not a number") << QByteArray("[MidKey]\nstate=yes\nfunction=4\npath=/a\n") << false << 0
                                        << QString();
    QTest::newRow("state 1, nothing else") << QByteArray("[MidKey]\nstate=1\n") << true << 0 << QString();
    QTest::newRow("state 2") << QByteArray("[MidKey]\nstate=2\nfunction=3\npath=/bin/x\n") << true << 3
                             << QStringLiteral("/bin/x");
    QTest::newRow("raw UTF-8, CRLF") << QByteArray("[MidKey]\r\nstate=1\r\nfunction=2\r\npath=") + kChinesePath.toUtf8() +
                                            QByteArray("\r\n")
                                     << true << 2 << kChinesePath;
    QTest::newRow("other group only") << QByteArray("[LeftKey]\nstate=1\nfunction=4\npath=/a\n") << false << 0
                                      << QString();
    QTest::newRow("keys outside any group") << QByteArray("state=1\nfunction=4\npath=/a\n") << false << 0 << QString();
    QTest::newRow("empty file") << QByteArray() << false << 0 << QString();
    QTest::newRow("garbage") << QByteArray("\x00\xff[[[\n=\n", 8) << false << 0 << QString();
}

void TestPcActionStore::handWrittenFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, active);
    QFETCH(int, function);
    QFETCH(QString, path);

    QVERIFY(putFile(file(), content));
    int readFunction = -1;
    QString readPath = QStringLiteral("stale");
    QCOMPARE(PcActionStore::lookupFunction(5, readFunction, readPath), active);
    QCOMPARE(readFunction, function);
    QCOMPARE(readPath, path);
    QCOMPARE(fileBytes(file()), content);  // reading leaves the file as it was
}

void TestPcActionStore::quickRewritesAreReadBack()
{
    // Same size, same clock tick: every write must still be what the next read sees.
    for (int i = 0; i < 40; ++i) {
        const int function = 2 + i % 4;
        const QString path = QStringLiteral("/data/file%1.bin").arg(i % 10);
        QVERIFY(PcActionStore::writeFunction(7, true, function, path));
        int readFunction = 0;
        QString readPath;
        QVERIFY(PcActionStore::lookupFunction(7, readFunction, readPath));
        QCOMPARE(readFunction, function);
        QCOMPARE(readPath, path);
    }
}

void TestPcActionStore::writeLeavesNoOtherFiles()
{
    for (int button = 4; button <= 15; ++button)
        QVERIFY(PcActionStore::writeFunction(button, button % 2 == 0, 3, QStringLiteral("/opt/app")));
    const QDir folder = QFileInfo(file()).absoluteDir();
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"HighestFunction.ini"});
}

void TestPcActionStore::failedWriteKeepsTheOldFile()
{
    QVERIFY(PcActionStore::writeFunction(4, true, 4, QStringLiteral("/home/me/old.txt")));
    const QByteArray before = fileBytes(file());
    const QString folder = QFileInfo(file()).absolutePath();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QSKIP("a read-only folder is still writable for this user (root)");
    }

    QVERIFY(!PcActionStore::writeFunction(4, true, 5, QStringLiteral("/home/me/a much longer new path")));
    QCOMPARE(fileBytes(file()), before);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"HighestFunction.ini"});

    int function = 0;
    QString path;
    QVERIFY(PcActionStore::lookupFunction(4, function, path));
    QCOMPARE(function, 4);
    QCOMPARE(path, QStringLiteral("/home/me/old.txt"));
}

void TestPcActionStore::blockedFolderFailsTheWrite()
{
    // A plain file where the folder belongs: the write fails and reports it.
    const QString folder = QFileInfo(file()).absolutePath();
    QVERIFY(putFile(folder, "not a folder"));
    QVERIFY(!PcActionStore::writeFunction(4, true, 4, QStringLiteral("/home/me/a.txt")));
    QCOMPARE(fileBytes(folder), QByteArray("not a folder"));
    int function = 0;
    QString path;
    QVERIFY(!PcActionStore::lookupFunction(4, function, path));
}

void TestPcActionStore::runFunction_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("target");  // "file:<name>", "folder:<name>", or a literal path
    QTest::addColumn<bool>("systemAnswer");
    QTest::addColumn<QString>("action");  // empty: nothing may be asked of the system
    QTest::addColumn<bool>("result");

    QTest::newRow("2 plays a sound") << 2 << "file:ding.wav" << true << "sound" << true;
    QTest::newRow("3 starts a program") << 3 << "file:game launcher" << true << "program" << true;
    QTest::newRow("4 opens a file") << 4 << "file:notes.txt" << true << "url" << true;
    QTest::newRow("5 opens a folder") << 5 << "folder:screenshots" << true << "url" << true;
    QTest::newRow("4 with a Chinese name") << 4 << QString::fromUtf8("file:文档 #1%.txt") << true << "url" << true;
    QTest::newRow("system refuses the program") << 3 << "file:broken" << false << "program" << false;
    QTest::newRow("system cannot open") << 4 << "file:notes.txt" << false << "url" << false;
    QTest::newRow("code 0") << 0 << "file:notes.txt" << true << "" << false;
    QTest::newRow("code 1") << 1 << "file:notes.txt" << true << "" << false;
    QTest::newRow("code 6") << 6 << "file:notes.txt" << true << "" << false;
    QTest::newRow("code -1") << -1 << "file:notes.txt" << true << "" << false;
    QTest::newRow("empty path") << 4 << "" << true << "" << false;
    QTest::newRow("missing file") << 4 << "/nonexistent/zr540/notes.txt" << true << "" << false;
    QTest::newRow("missing sound") << 2 << "/nonexistent/zr540/ding.wav" << true << "" << false;
    QTest::newRow("missing folder") << 5 << "/nonexistent/zr540/folder" << true << "" << false;
    QTest::newRow("folder given to open a file") << 4 << "folder:screenshots" << true << "" << false;
    QTest::newRow("folder given as a program") << 3 << "folder:screenshots" << true << "" << false;
    QTest::newRow("file given to open a folder") << 5 << "file:notes.txt" << true << "" << false;
    QTest::newRow("relative path") << 4 << "notes.txt" << true << "" << false;
}

void TestPcActionStore::runFunction()
{
    QFETCH(int, function);
    QFETCH(QString, target);
    QFETCH(bool, systemAnswer);
    QFETCH(QString, action);
    QFETCH(bool, result);

    QString path = target;
    if (target.startsWith(QLatin1String("file:")))
        path = makeFile(target.mid(5));
    else if (target.startsWith(QLatin1String("folder:")))
        path = makeFolder(target.mid(7));
    // A relative name would resolve against the current folder: make it resolve to a real file.
    makeFile(QStringLiteral("notes.txt"));
    const QString previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_targets->path()));

    m_systemAnswer = systemAnswer;
    const bool ran = PcActionStore::runFunction(function, path);
    QDir::setCurrent(previousFolder);
    QCOMPARE(ran, result);

    if (action.isEmpty()) {
        QCOMPARE(m_calls.size(), 0);
        return;
    }
    QCOMPARE(m_calls.size(), 1);
    QCOMPARE(m_calls.at(0).action, action);
    if (action == QLatin1String("url")) {
        const QUrl url(m_calls.at(0).argument, QUrl::StrictMode);
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toLocalFile(), path);
    } else {
        QCOMPARE(m_calls.at(0).argument, path);
    }
}

void TestPcActionStore::deleteHighestFile()
{
    QVERIFY(PcActionStore::writeFunction(5, true, 4, QStringLiteral("/home/me/a.txt")));
    QVERIFY(PcActionStore::writeFunction(9, true, 2, kChinesePath));

    LogCapture log;
    QVERIFY(PcActionStore::deleteHighestFile());
    QCOMPARE(log.lines(), (QStringList{"loginfo = deleteHighestFile", "loginfo = deleteHighestFile ok"}));
    QVERIFY(!QFileInfo::exists(file()));

    int function = 0;
    QString path;
    for (int button = 4; button <= 15; ++button)
        QVERIFY(!PcActionStore::lookupFunction(button, function, path));

    // A new entry after the reset starts a new file: nothing of the old one comes back.
    QVERIFY(PcActionStore::writeFunction(6, true, 5, QStringLiteral("/home/me")));
    QSettings settings(file(), QSettings::IniFormat);
    QCOMPARE(settings.childGroups(), QStringList{"RightKey"});
    QVERIFY(!PcActionStore::lookupFunction(5, function, path));
    QVERIFY(!PcActionStore::lookupFunction(9, function, path));
}

void TestPcActionStore::deleteWithoutFile()
{
    LogCapture log;
    QVERIFY(PcActionStore::deleteHighestFile());
    QCOMPARE(log.lines(), QStringList{"loginfo = deleteHighestFile"});
    QVERIFY(!QFileInfo::exists(QFileInfo(file()).absolutePath()));
}

QTEST_GUILESS_MAIN(TestPcActionStore)
#include "tst_pcactionstore.moc"
