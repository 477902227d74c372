// The safe extractor: archives of other tools unpack to the very bytes they hold; hostile
// archives (names leading out, links, zip bombs, lies about sizes) are refused with nothing
// written outside the target folder, and the target folder left as it was.
#include "foldersnapshot.h"
#include "safearchive.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <JlCompress.h>

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

Q_DECLARE_METATYPE(SafeArchive::Result)

class TestSafeArchive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        const QString python = QStandardPaths::findExecutable("python3");
        if (python.isEmpty())
            QSKIP("python3 is not installed: it makes the archives of this test");
        // Absolute entry names point into a fixed sandbox folder, where an absolute name would land.
        m_sandboxForScript = m_work.path() + "/sandbox";
        QVERIFY(QDir().mkpath(m_sandboxForScript + "/outside") && QDir().mkpath(archive(QString())));
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(python, {QStringLiteral(ZR540_SOURCE_DIR "/tests/unit/safearchive/make_archives.py"),
                              archive(QString()), m_sandboxForScript});
        QVERIFY(script.waitForFinished(120000));
        QVERIFY2(script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0, script.readAll().constData());
    }

    void init()
    {
        QDir(m_sandboxForScript).removeRecursively();
        m_sandbox = std::make_unique<QTemporaryDir>(m_work.path() + "/box-XXXXXX");
        QVERIFY(m_sandbox->isValid());
        QVERIFY(writeWholeFile(m_sandboxForScript + "/outside/keep.txt", "outside\n"));
        QVERIFY(writeWholeFile(outside() + "/keep.txt", "outside\n"));
        QVERIFY(writeWholeFile(target() + "/keep.txt", "kept\n"));
        QVERIFY(writeWholeFile(target() + "/Config1.txt", "old profile\n"));
    }

    void extracts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fromMemory");
        QTest::newRow("python zipfile, deflated") << "good_python.zip" << false;
        QTest::newRow("python zipfile, stored") << "good_python_stored.zip" << false;
        QTest::newRow("Info-ZIP") << "good_infozip.zip" << false;
        QTest::newRow("from memory") << "good_python.zip" << true;
        QTest::newRow("own upload format (JlCompress::compressDir)") << "" << false;
    }

    void extracts()
    {
        QFETCH(QString, name);
        QString zip = archive(name);
        if (name.isEmpty()) {
            zip = m_sandbox->path() + "/own.zip";
            QVERIFY(JlCompress::compressDir(zip, archive("src"), true));
        } else if (!QFileInfo::exists(zip)) {
            QSKIP("Info-ZIP's zip is not installed");
        }
        QStringList files;
        QByteArray bytes = fileContent(zip);
        QBuffer buffer(&bytes);
        const SafeArchive::Result result = fetched<bool>("fromMemory") ? SafeArchive::extract(&buffer, target(), &files)
                                                                       : SafeArchive::extract(zip, target(), &files);
        QCOMPARE(SafeArchive::resultName(result), SafeArchive::resultName(SafeArchive::Extracted));
        checkTargetHoldsSource(files);
    }

    void refusesHostileArchives_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<SafeArchive::Result>("expected");
        QTest::newRow("../ after a harmless entry") << "dotdot.zip" << SafeArchive::UnsafeName;
        QTest::newRow("absolute name") << "absolute.zip" << SafeArchive::UnsafeName;
        QTest::newRow("backslashes") << "backslash.zip" << SafeArchive::UnsafeName;
        QTest::newRow("./ component") << "dot_component.zip" << SafeArchive::UnsafeName;
        QTest::newRow(".. with a trailing space") << "trailing_space.zip" << SafeArchive::UnsafeName;
        QTest::newRow("link, then a file through it") << "symlink_then_file.zip" << SafeArchive::Link;
        QTest::newRow("encrypted entry") << "infozip_encrypted.zip" << SafeArchive::Encrypted;
        // first.txt, then a/b.txt while the folder holds a plain file a (here Config1.txt and keep.txt).
        QTest::newRow("a file on a later entry's way") << "file_on_the_way.zip" << SafeArchive::Conflict;
        QTest::newRow("5000 entries") << "many_entries.zip" << SafeArchive::TooManyEntries;
        QTest::newRow("4 MiB declared as 1000 bytes") << "bomb_lying.zip" << SafeArchive::Corrupt;
        QTest::newRow("damaged in the middle, after a good entry") << "damaged" << SafeArchive::Corrupt;
        QTest::newRow("a link in the folder leading out") << "linked folder" << SafeArchive::Conflict;
        QTest::newRow("no file") << "absent.zip" << SafeArchive::CannotOpen;
    }

    void refusesHostileArchives()
    {
        QFETCH(QString, name);
        QString zip = archive(name);
        if (name.startsWith("infozip_") && !QFileInfo::exists(zip))
            QSKIP("Info-ZIP's zip is not installed");
        if (name == "damaged") {  // the checksum of the random blob in the middle fails
            QByteArray bytes = fileContent(archive("good_python.zip"));
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x55);
            QVERIFY(writeWholeFile(zip = m_sandbox->path() + "/damaged.zip", bytes));
        } else if (name == "linked folder") {
            QVERIFY(QFile::link(outside(), target() + "/宏文件"));
            zip = archive("good_python.zip");
        }
        checkRefused(zip, fetched<SafeArchive::Result>("expected"));
    }

    void limits_data()
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

    void limits()
    {
        QFETCH(SafeArchive::Result, expected);
        SafeArchive::Limits limits;
        limits.maxEntries = fetched<int>("maxEntries");
        limits.maxTotalBytes = fetched<qint64>("maxTotalBytes");
        if (expected != SafeArchive::Extracted)
            return checkRefused(archive("good_python.zip"), expected, limits);
        QStringList files;
        QCOMPARE(SafeArchive::extract(archive("good_python.zip"), target(), &files, limits), SafeArchive::Extracted);
        checkTargetHoldsSource(files);
    }

    void failedMovePutsBackWhatItReplaced()
    {
        // Config1.txt is replaced and new/c.txt placed before locked/x.txt cannot be: the folder
        // "locked" may not be written. Root writes anywhere, so the extraction runs as nobody then.
        QTemporaryDir box;
        const QString folder = box.path() + "/target", zip = box.path() + "/move_fails.zip";
        QVERIFY(QFile::copy(archive("move_fails.zip"), zip));
        QVERIFY(writeWholeFile(folder + "/Config1.txt", "old profile\n") && writeWholeFile(folder + "/locked/x.txt", "old\n"));
        const auto everyone = QFileDevice::Permissions(0x7777);
        for (const QString& path : {box.path(), folder, zip, folder + "/Config1.txt", folder + "/locked/x.txt"})
            QVERIFY(QFile::setPermissions(path, everyone));
        QVERIFY(QFile::setPermissions(folder + "/locked", QFileDevice::Permissions(0x5555)));
        const FolderSnapshot before = folderSnapshot(folder);
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
        QCOMPARE(folderSnapshot(folder), before);
    }

    void removeLeftovers()
    {
        // What an extraction cut short leaves: its private folder, as SafeArchive names it. Alike
        // names that are no leftovers stay, and so does what a link leads to.
        QTemporaryDir leftover(target() + "/.zr540-unpack-XXXXXX");
        leftover.setAutoRemove(false);
        QVERIFY(writeWholeFile(leftover.path() + "/deep/Config1.txt", "half\n"));
        QVERIFY(writeWholeFile(target() + "/.zr540-unpack-file01", "a file\n"));
        QVERIFY(QDir().mkpath(target() + "/.zr540-unpack-longer1") && QDir().mkpath(target() + "/sub/.zr540-unpack-deeper"));
        QVERIFY(QFile::link(outside(), target() + "/.zr540-unpack-link01"));
        FolderSnapshot after = folderSnapshot(m_sandbox->path());
        for (const QString& key : after.keys()) {
            if (key.startsWith("target/" + QFileInfo(leftover.path()).fileName()))
                after.remove(key);
        }
        SafeArchive::removeLeftovers(target());
        QCOMPARE(folderSnapshot(m_sandbox->path()), after);
    }

private:
    QString archive(const QString& name) const { return m_work.path() + "/archives/" + name; }
    QString target() const { return m_sandbox->path() + "/target"; }
    QString outside() const { return m_sandbox->path() + "/outside"; }
    // The target holds the source folder, the file that was there before, and `files` lists what
    // was unpacked.
    void checkTargetHoldsSource(const QStringList& files)
    {
        FolderSnapshot expected = folderSnapshot(archive("src"));
        expected.insert("keep.txt", "kept\n");
        QCOMPARE(folderSnapshot(target()), expected);
        QStringList expectedFiles, sorted = files;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            if (!it.key().endsWith('/') && it.key() != "keep.txt")
                expectedFiles << QFileInfo(target()).canonicalFilePath() + "/" + it.key();
        }
        sorted.sort();
        QCOMPARE(sorted, expectedFiles);
    }
    // Refused: nothing listed, and nothing changed in the sandbox or in the script's sandbox.
    void checkRefused(const QString& zip, SafeArchive::Result expected, SafeArchive::Limits limits = {})
    {
        const FolderSnapshot before = folderSnapshot(m_sandbox->path());
        const FolderSnapshot scriptBefore = folderSnapshot(m_sandboxForScript);
        QStringList files{"stale"};
        QCOMPARE(SafeArchive::resultName(SafeArchive::extract(zip, target(), &files, limits)),
                 SafeArchive::resultName(expected));
        QVERIFY(files.isEmpty());
        QCOMPARE(folderSnapshot(m_sandbox->path()), before);
        QCOMPARE(folderSnapshot(m_sandboxForScript), scriptBefore);
    }

    QTemporaryDir m_work;
    std::unique_ptr<QTemporaryDir> m_sandbox;
    QString m_sandboxForScript;
};

QTEST_GUILESS_MAIN(TestSafeArchive)
#include "tst_safearchive.moc"
