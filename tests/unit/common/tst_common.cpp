// Where data lives, seeding a per-user folder from the installed copy, and whole-file writes.
#include "apppaths.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void pathsBelowTheRoot();
    void seedCopiesWhatIsMissingAndKeepsTheRest();
    void wholeFileWrites();
};

void TestCommon::pathsBelowTheRoot()
{
    AppPaths::setDataRoot(QStringLiteral("/data/root/"));
    QCOMPARE(AppPaths::dataRoot(), QString("/data/root"));
    QCOMPARE(AppPaths::profileFile(3), QString("/data/root/ConfigFiles/LocalFile/Config3.txt"));
    QCOMPARE(AppPaths::macroFilesDir(), QString("/data/root/ConfigFiles/MacroFiles"));
    QCOMPARE(AppPaths::settingsFile(), QString("/data/root/system/system.ini"));
    QCOMPARE(AppPaths::pcFunctionFile(), QString("/data/root/keysetting/HighestFunction.ini"));
    QCOMPARE(AppPaths::pictureFile(), QString("/data/root/drawImage.BMP"));
    QCOMPARE(AppPaths::updateDir(), QString("/data/root/Update"));
    QCOMPARE(AppPaths::fontFile(), QString("/data/root/font/FZSHANGKJW.ttf"));
}

void TestCommon::seedCopiesWhatIsMissingAndKeepsTheRest()
{
    QTemporaryDir installed, user;
    QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/LocalFile/Config0.txt"), "factory"));
    QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "{}"));
    QVERIFY(writeWholeFile(installed.filePath("zr540"), "the program itself"));
    QVERIFY(QDir().mkpath(installed.filePath("ConfigFiles/MacroFiles/办公")));  // an empty title folder
    QVERIFY(writeWholeFile(user.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "{\"Name\":\"mine\"}"));

    QVERIFY(AppPaths::seed(installed.path(), user.path()));
    QByteArray content;
    QVERIFY(readWholeFile(user.filePath("ConfigFiles/LocalFile/Config0.txt"), content));
    QCOMPARE(content, QByteArray("factory"));
    QVERIFY(readWholeFile(user.filePath("ConfigFiles/MacroFiles/游戏/1.json"), content));
    QCOMPARE(content, QByteArray("{\"Name\":\"mine\"}"));  // the user's own file stays
    QVERIFY(!QFile::exists(user.filePath("zr540")));
    QVERIFY(QFileInfo(user.filePath("ConfigFiles/LocalFile/Config0.txt")).isWritable());
    QVERIFY(QFileInfo(user.filePath("ConfigFiles/MacroFiles/办公")).isDir());
}

void TestCommon::wholeFileWrites()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("deep/er/file.bin");
    QByteArray content;
    QVERIFY(!readWholeFile(path, content));
    QVERIFY(!QFile::exists(path));  // reading creates nothing
    QVERIFY(writeWholeFile(path, QByteArray("\x00\x01\x02", 3)));
    QVERIFY(readWholeFile(path, content));
    QCOMPARE(content, QByteArray("\x00\x01\x02", 3));
    QVERIFY(writeWholeFile(path, QByteArray()));
    QVERIFY(readWholeFile(path, content));
    QVERIFY(content.isEmpty());
    QCOMPARE(QDir(dir.filePath("deep/er")).entryList(QDir::Files | QDir::Hidden), QStringList{"file.bin"});
    // A path whose folder cannot exist (a file is in the way) fails and says so.
    QVERIFY(!writeWholeFile(dir.filePath("deep/er/file.bin/child"), "x"));
}

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
