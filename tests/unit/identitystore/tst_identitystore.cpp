// The stored identity: "NULL" for what was never stored, the unopened accessor's answer, values
// read back by other store objects (the file's UTF-8 is pinned by the login's wire test),
// hand-written files, a file replaced or deleted behind a store's back, failed writes, and
// writers in several threads.
#include "apppaths.h"
#include "operateini.h"
#include "operatetoken.h"
#include "wholefile.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

class TestIdentityStore : public QObject {
    Q_OBJECT
private slots:
    void init();

    void freshInstallReadsNullAndCreatesNothing();
    void unopenedAccessor();
    void identityReadBackByAnotherStore_data();
    void identityReadBackByAnotherStore();
    void handWrittenFile_data();
    void handWrittenFile();
    void fileReplacedOrDeletedBehindTheStore();
    void failedWriteIsNotRead();
    void writersInSeveralThreadsKeepEveryKey();

private:
    QString settingsFile() const { return AppPaths::settingsFile(); }
    std::unique_ptr<QTemporaryDir> m_root;
};

void TestIdentityStore::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    AppPaths::setDataRoot(m_root->path());
}

void TestIdentityStore::freshInstallReadsNullAndCreatesNothing()
{
    OperateToken store;
    QCOMPARE(store.GetToken(), QStringLiteral("NULL"));
    QCOMPARE(store.GetEmail(), QStringLiteral("NULL"));
    QCOMPARE(store.GetNickName(), QStringLiteral("NULL"));
    QVERIFY(!QFileInfo::exists(m_root->path() + "/system"));
}

void TestIdentityStore::unopenedAccessor()
{
    QVERIFY(writeWholeFile(settingsFile(), "[INFO]\ntoken=abc\n"));
    OperateIni ini;
    QCOMPARE(ini.value("/INFO/token"), QStringLiteral("key error or unInit obj"));
    QVERIFY(!ini.setValue("/INFO/token", "other"));
    ini.open(settingsFile());
    QCOMPARE(ini.value("/INFO/token"), QStringLiteral("abc"));
}

void TestIdentityStore::identityReadBackByAnotherStore_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("nickName");
    QTest::newRow("server token") << QString(64, 'f') << "player@example.com" << "player";
    QTest::newRow("Chinese nickname") << "0123456789a" << "玩家@例子.中国" << QString::fromUtf8("小明同学");
    QTest::newRow("ini syntax in values") << "a=b;c,d" << "[INFO]" << "#not a comment";
    QTest::newRow("spaces around") << " tok " << " a@b.c" << "nick ";
    QTest::newRow("empty") << "" << "" << "";
}

void TestIdentityStore::identityReadBackByAnotherStore()
{
    QFETCH(QString, token);
    QFETCH(QString, email);
    QFETCH(QString, nickName);
    OperateToken writer;
    writer.SetToken(token);
    writer.SetEmail(email);
    writer.SetNickName(nickName);

    OperateToken reader;
    QCOMPARE(reader.GetToken(), token);
    QCOMPARE(reader.GetEmail(), email);
    QCOMPARE(reader.GetNickName(), nickName);
    QCOMPARE(writer.GetNickName(), nickName);
}

void TestIdentityStore::handWrittenFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Windows line ends") << QByteArray("[INFO]\r\ntoken=abc\r\nemail=a@b.c\r\n")
                                       << "/INFO/email" << "a@b.c";
    QTest::newRow("UTF-8 nickname") << QString::fromUtf8("[INFO]\nnickName=小明\n").toUtf8()
                                    << "/INFO/nickName" << QString::fromUtf8("小明");
    QTest::newRow("key without the leading slash") << QByteArray("[INFO]\ntoken=abc\n")
                                                   << "INFO/token" << "abc";
    QTest::newRow("other section") << QByteArray("[OTHER]\ntoken=abc\n") << "/INFO/token" << "NULL";
    QTest::newRow("empty file") << QByteArray() << "/INFO/token" << "NULL";
    QTest::newRow("not an ini file") << QByteArray("\x00\xff\xfe garbage", 12) << "/INFO/token" << "NULL";
}

void TestIdentityStore::handWrittenFile()
{
    QFETCH(QByteArray, content);
    QVERIFY(writeWholeFile(settingsFile(), content));
    OperateIni ini;
    ini.open(settingsFile());
    QCOMPARE(ini.value(fetched<QString>("key")), fetched<QString>("expected"));
    QByteArray after;
    QVERIFY(readWholeFile(settingsFile(), after));
    QCOMPARE(after, content);  // reading leaves the file alone
}

void TestIdentityStore::fileReplacedOrDeletedBehindTheStore()
{
    // One store logs in, another (a request object in a worker thread) reads; the shell logs
    // out by deleting the file and the next login writes it again, all within one second and
    // with files of the same size.
    OperateToken login;
    OperateToken request;
    login.SetToken(QString(64, 'a'));
    QCOMPARE(request.GetToken(), QString(64, 'a'));

    QVERIFY(QFile::remove(settingsFile()));
    QCOMPARE(request.GetToken(), QStringLiteral("NULL"));

    login.SetToken(QString(64, 'b'));
    QCOMPARE(request.GetToken(), QString(64, 'b'));
    QByteArray bytes;
    QVERIFY(readWholeFile(settingsFile(), bytes));
    bytes.replace(QByteArray(64, 'b'), QByteArray(64, 'c'));
    QVERIFY(writeWholeFile(settingsFile(), bytes));
    QCOMPARE(request.GetToken(), QString(64, 'c'));
    QCOMPARE(login.GetToken(), QString(64, 'c'));
}

void TestIdentityStore::failedWriteIsNotRead()
{
    // "system" is a file here, so the settings file cannot be written at all.
    QVERIFY(writeWholeFile(m_root->path() + "/system", "in the way\n"));
    OperateIni ini;
    ini.open(settingsFile());
    QVERIFY(!ini.setValue("/INFO/token", "never saved"));
    QCOMPARE(ini.value("/INFO/token"), QStringLiteral("NULL"));
    OperateToken store;
    store.SetToken("never saved either");
    QCOMPARE(store.GetToken(), QStringLiteral("NULL"));
}

void TestIdentityStore::writersInSeveralThreadsKeepEveryKey()
{
    constexpr int kKeys = 40;
    auto writeKeys = [this](const QString& section) {
        OperateIni ini;
        ini.open(settingsFile());
        for (int i = 0; i < kKeys; ++i)
            ini.setValue(QStringLiteral("/%1/k%2").arg(section).arg(i), QString::number(i));
    };
    std::unique_ptr<QThread> a(QThread::create(writeKeys, QStringLiteral("A")));
    std::unique_ptr<QThread> b(QThread::create(writeKeys, QStringLiteral("B")));
    a->start();
    b->start();
    QVERIFY(a->wait(60000));
    QVERIFY(b->wait(60000));

    OperateIni ini;
    ini.open(settingsFile());
    for (const char* section : {"A", "B"}) {
        for (int i = 0; i < kKeys; ++i)
            QCOMPARE(ini.value(QStringLiteral("/%1/k%2").arg(section).arg(i)), QString::number(i));
    }
}

QTEST_GUILESS_MAIN(TestIdentityStore)
#include "tst_identitystore.moc"
