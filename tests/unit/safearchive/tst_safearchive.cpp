// The safe extractor: archives of other tools unpack to the very bytes they hold; hostile
// archives (names leading out, links, zip bombs, lies about sizes) are refused with nothing
// written outside the target folder, and the target folder left as it was.
#include "logcapture.h"
#include "safearchive.h"

#include <JlCompress.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

Q_DECLARE_METATYPE(SafeArchive::Result)

namespace {

// Everything below `root`, links not followed: relative path -> what it is and holds.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString relative = QDir(root).relativeFilePath(path);
        if (info.isSymLink()) {
            tree[relative] = "link " + info.symLinkTarget().toUtf8();
        } else if (info.isDir()) {
            tree[relative] = "folder";
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            tree[relative] = "file " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        }
    }
    return tree;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestSafeArchive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void extracts_data();
    void extracts();
    void refusesHostileArchives_data();
    void refusesHostileArchives();
    void corruptEntryLeavesTheFolderAsItWas();
    void linkInTheFolderLeadsNowhere();
    void limits_data();
    void limits();
    void failedMovePutsBackWhatItReplaced();
    void removeLeftovers();

private:
    QString archive(const QString& name) const { return m_work.path() + "/archives/" + name; }
    QString src() const { return archive("src"); }
    QString target() const { return m_sandbox->path() + "/target"; }
    QString outside() const { return m_sandbox->path() + "/outside"; }
    void checkTargetHoldsSource(const QStringList& files);

    QTemporaryDir m_work;
    std::unique_ptr<QTemporaryDir> m_sandbox;
    QString m_sandboxForScript;
};

void TestSafeArchive::initTestCase()
{
    QVERIFY(m_work.isValid());
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        QSKIP("python3 is not installed: it makes the archives of this test");
    // Absolute entry names point into a fixed sandbox folder; every test unpacks in its own
    // sandbox, and this one is where an absolute name would land.
    m_sandboxForScript = m_work.path() + "/sandbox";
    QVERIFY(QDir().mkpath(m_sandboxForScript + "/outside"));
    QVERIFY(QDir().mkpath(archive(QString())));
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(python, {QStringLiteral(ZR540_SOURCE_DIR "/tests/unit/safearchive/make_archives.py"),
                          archive(QString()), m_sandboxForScript});
    QVERIFY(script.waitForFinished(120000));
    QVERIFY2(script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0,
             script.readAll().constData());
}

void TestSafeArchive::init()
{
    // The script's sandbox is reused: absolute entries aim at its "outside" folder.
    QDir(m_sandboxForScript).removeRecursively();
    m_sandbox = std::make_unique<QTemporaryDir>(m_work.path() + "/box-XXXXXX");
    QVERIFY(m_sandbox->isValid());
    QVERIFY(QDir().mkpath(m_sandboxForScript + "/outside"));
    QVERIFY(putFile(m_sandboxForScript + "/outside/keep.txt", "outside\n"));
    QVERIFY(putFile(outside() + "/keep.txt", "outside\n"));
    QVERIFY(putFile(target() + "/keep.txt", "kept\n"));
    QVERIFY(putFile(target() + "/Config1.txt", "old profile\n"));
}

void TestSafeArchive::checkTargetHoldsSource(const QStringList& files)
{
    QMap<QString, QByteArray> expected = snapshot(src());
    expected.insert("keep.txt", snapshot(target()).value("keep.txt"));
    QCOMPARE(snapshot(target()), expected);

    QStringList expectedFiles;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (it.value().startsWith("file ") && it.key() != "keep.txt")
            expectedFiles << QFileInfo(target()).canonicalFilePath() + "/" + it.key();
    }
    QStringList sorted = files;
    sorted.sort();
    expectedFiles.sort();
    QCOMPARE(sorted, expectedFiles);
}

void TestSafeArchive::extracts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("fromMemory");
    QTest::newRow("python zipfile, deflated") << "good_python.zip" << false;
    QTest::newRow("python zipfile, stored") << "good_python_stored.zip" << false;
    QTest::newRow("Info-ZIP") << "good_infozip.zip" << false;
    QTest::newRow("from memory") << "good_python.zip" << true;
    QTest::newRow("own upload format (JlCompress::compressDir)") << "" << false;
}

void TestSafeArchive::extracts()
{
    QFETCH(QString, name);
    QFETCH(bool, fromMemory);
    QString zip = archive(name);
    if (name.isEmpty()) {
        zip = m_sandbox->path() + "/own.zip";
        QVERIFY(JlCompress::compressDir(zip, src(), true));
    } else if (!QFileInfo::exists(zip)) {
        QSKIP("Info-ZIP's zip is not installed");
    }
    QStringList files;
    QByteArray bytes = bytesOf(zip);
    QBuffer buffer(&bytes);
    const SafeArchive::Result result =
        fromMemory ? SafeArchive::extract(&buffer, target(), &files) : SafeArchive::extract(zip, target(), &files);
    QCOMPARE(SafeArchive::resultName(result), SafeArchive::resultName(SafeArchive::Extracted));
    checkTargetHoldsSource(files);
    QCOMPARE(bytesOf(target() + "/Config1.txt"), bytesOf(src() + "/Config1.txt"));
    QCOMPARE(bytesOf(target() + QString::fromUtf8("/宏文件/连点.json")),
             QString::fromUtf8(R"({"name": "连点", "events": [1, 2, 3]})").toUtf8());
}

void TestSafeArchive::refusesHostileArchives_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<SafeArchive::Result>("expected");
    QTest::newRow("../ after a harmless entry") << "dotdot.zip" << SafeArchive::UnsafeName;
    QTest::newRow(".. deep in the name") << "dotdot_deep.zip" << SafeArchive::UnsafeName;
    QTest::newRow(".. alone") << "dotdot_alone.zip" << SafeArchive::UnsafeName;
    QTest::newRow("absolute name") << "absolute.zip" << SafeArchive::UnsafeName;
    QTest::newRow("backslashes") << "backslash.zip" << SafeArchive::UnsafeName;
    QTest::newRow("drive letter") << "drive_letter.zip" << SafeArchive::UnsafeName;
    QTest::newRow("./ component") << "dot_component.zip" << SafeArchive::UnsafeName;
    QTest::newRow(".. with a trailing space") << "trailing_space.zip" << SafeArchive::UnsafeName;
    QTest::newRow("control character") << "control_char.zip" << SafeArchive::UnsafeName;
    QTest::newRow("link, then a file through it") << "symlink_then_file.zip" << SafeArchive::Link;
    QTest::newRow("link to an absolute folder") << "symlink_absolute.zip" << SafeArchive::Link;
    QTest::newRow("link made by zip -y") << "infozip_symlink.zip" << SafeArchive::Link;
    QTest::newRow("encrypted entry") << "infozip_encrypted.zip" << SafeArchive::Encrypted;
    QTest::newRow("file and folder of one name") << "file_and_folder.zip" << SafeArchive::Conflict;
    QTest::newRow("folder, then a file of its name") << "folder_then_file.zip" << SafeArchive::Conflict;
    // first.txt, then a/b.txt while the folder holds a plain file a (here Config1.txt and keep.txt).
    QTest::newRow("a file on a later entry's way") << "file_on_the_way.zip" << SafeArchive::Conflict;
    QTest::newRow("5000 entries") << "many_entries.zip" << SafeArchive::TooManyEntries;
    QTest::newRow("320 MiB of zeros") << "bomb_total.zip" << SafeArchive::TooLarge;
    QTest::newRow("4 MiB declared as 1000 bytes") << "bomb_lying.zip" << SafeArchive::Corrupt;
    QTest::newRow("cut short") << "truncated.zip" << SafeArchive::CannotOpen;
    QTest::newRow("an error page") << "not_a_zip.zip" << SafeArchive::CannotOpen;
    QTest::newRow("no file") << "absent.zip" << SafeArchive::CannotOpen;
}

void TestSafeArchive::refusesHostileArchives()
{
    QFETCH(QString, name);
    QFETCH(SafeArchive::Result, expected);
    if (name.startsWith("infozip_") && !QFileInfo::exists(archive(name)))
        QSKIP("Info-ZIP's zip is not installed");

    const QMap<QString, QByteArray> before = snapshot(m_sandbox->path());
    const QMap<QString, QByteArray> scriptSandboxBefore = snapshot(m_sandboxForScript);
    QStringList files{"stale"};
    const SafeArchive::Result result = SafeArchive::extract(archive(name), target(), &files);
    QCOMPARE(SafeArchive::resultName(result), SafeArchive::resultName(expected));
    QVERIFY(files.isEmpty());
    QCOMPARE(snapshot(m_sandbox->path()), before);
    QCOMPARE(snapshot(m_sandboxForScript), scriptSandboxBefore);
    QVERIFY(!QFileInfo::exists(m_work.path() + "/archives/outside"));
}

void TestSafeArchive::corruptEntryLeavesTheFolderAsItWas()
{
    // Config1.txt comes first and inflates fine; the random blob in the middle of the file is
    // damaged, so its checksum fails. Nothing of the archive may be left behind.
    QByteArray bytes = bytesOf(archive("good_python.zip"));
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x55);
    const QString zip = m_sandbox->path() + "/damaged.zip";
    QVERIFY(putFile(zip, bytes));

    const QMap<QString, QByteArray> before = snapshot(m_sandbox->path());
    QStringList files;
    QCOMPARE(SafeArchive::extract(zip, target(), &files), SafeArchive::Corrupt);
    QVERIFY(files.isEmpty());
    QCOMPARE(snapshot(m_sandbox->path()), before);
    QCOMPARE(bytesOf(target() + "/Config1.txt"), QByteArray("old profile\n"));
}

void TestSafeArchive::linkInTheFolderLeadsNowhere()
{
    // A link already in the folder must not carry an entry out of it.
    if (!QFile::link(outside(), target() + "/宏文件"))
        QSKIP("cannot make a symbolic link here");
    const QMap<QString, QByteArray> before = snapshot(m_sandbox->path());
    QStringList files;
    QCOMPARE(SafeArchive::extract(archive("good_python.zip"), target(), &files), SafeArchive::Conflict);
    QCOMPARE(snapshot(m_sandbox->path()), before);
}

void TestSafeArchive::limits_data()
{
    // good_python.zip: 5 entries (4 files, 1 empty folder) holding 101 063 bytes.
    QTest::addColumn<int>("maxEntries");
    QTest::addColumn<qint64>("maxTotalBytes");
    QTest::addColumn<SafeArchive::Result>("expected");
    QTest::newRow("entries at the limit") << 5 << qint64(1 << 20) << SafeArchive::Extracted;
    QTest::newRow("one entry too many") << 4 << qint64(1 << 20) << SafeArchive::TooManyEntries;
    QTest::newRow("bytes at the limit") << 100 << qint64(101063) << SafeArchive::Extracted;
    QTest::newRow("one byte too many") << 100 << qint64(101062) << SafeArchive::TooLarge;
}

void TestSafeArchive::limits()
{
    QFETCH(int, maxEntries);
    QFETCH(qint64, maxTotalBytes);
    QFETCH(SafeArchive::Result, expected);
    SafeArchive::Limits limits;
    limits.maxEntries = maxEntries;
    limits.maxTotalBytes = maxTotalBytes;
    const QMap<QString, QByteArray> before = snapshot(target());
    QStringList files;
    QCOMPARE(SafeArchive::resultName(SafeArchive::extract(archive("good_python.zip"), target(), &files, limits)),
             SafeArchive::resultName(expected));
    if (expected == SafeArchive::Extracted)
        checkTargetHoldsSource(files);
    else
        QCOMPARE(snapshot(target()), before);
}

void TestSafeArchive::failedMovePutsBackWhatItReplaced()
{
    // Config1.txt is replaced and new/c.txt placed before locked/x.txt cannot be: the folder
    // "locked" may not be written. Root writes anywhere, so the extraction runs as nobody then.
    QTemporaryDir box;
    const QString folder = box.path() + "/target", zip = box.path() + "/move_fails.zip";
    QVERIFY(QFile::copy(archive("move_fails.zip"), zip));
    QVERIFY(putFile(folder + "/Config1.txt", "old profile\n"));
    QVERIFY(putFile(folder + "/locked/x.txt", "old\n"));
    const auto everyone = QFileDevice::Permissions(0x7777);
    for (const QString& path : {box.path(), folder, zip, folder + "/Config1.txt", folder + "/locked/x.txt"})
        QVERIFY(QFile::setPermissions(path, everyone));
    QVERIFY(QFile::setPermissions(folder + "/locked", QFileDevice::Permissions(0x5555)));
    const QMap<QString, QByteArray> before = snapshot(folder);

    const bool root = geteuid() == 0;
    if (root)
        QVERIFY(seteuid(65534) == 0);
    QStringList files{"stale"};
    const SafeArchive::Result result = SafeArchive::extract(zip, folder, &files);
    if (root)
        QVERIFY(seteuid(0) == 0);
    QFile::setPermissions(folder + "/locked", everyone);
    QCOMPARE(SafeArchive::resultName(result), SafeArchive::resultName(SafeArchive::WriteFailed));
    QVERIFY(files.isEmpty());
    QCOMPARE(snapshot(folder), before);
}

void TestSafeArchive::removeLeftovers()
{
    // What an extraction cut short leaves: its private folder, as SafeArchive names it.
    QTemporaryDir leftover(target() + "/.zr540-unpack-XXXXXX");
    leftover.setAutoRemove(false);
    QVERIFY(putFile(leftover.path() + "/deep/Config1.txt", "half\n"));
    // Alike names that are no leftovers stay, and so does what a link leads to.
    QVERIFY(putFile(target() + "/.zr540-unpack-file01", "a file\n"));
    QVERIFY(QDir().mkpath(target() + "/.zr540-unpack-longer1"));
    QVERIFY(QDir().mkpath(target() + "/zr540-unpack-nodot1"));
    QVERIFY(QDir().mkpath(target() + "/sub/.zr540-unpack-deeper"));
    QVERIFY(QFile::link(outside(), target() + "/.zr540-unpack-link01"));
    QMap<QString, QByteArray> expected = snapshot(m_sandbox->path());
    for (const QString& key : expected.keys()) {
        if (key.startsWith("target/" + QFileInfo(leftover.path()).fileName()))
            expected.remove(key);
    }

    LogCapture log;
    SafeArchive::removeLeftovers(target());
    QCOMPARE(snapshot(m_sandbox->path()), expected);
    QCOMPARE(log.lines(), QStringList{"loginfo = removed the unfinished extraction " + leftover.path()});
}

QTEST_GUILESS_MAIN(TestSafeArchive)
#include "tst_safearchive.moc"
