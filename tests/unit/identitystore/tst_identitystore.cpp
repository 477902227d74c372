// The stored identity: "NULL" for what was never stored, the unopened accessor's refusal, values
// read back by other store objects, hand-written files, a file replaced or deleted behind a
// store's back, failed writes, and writers in several threads.
#include "apppaths.h"
#include "operateini.h"
#include "operatetoken.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

class TestIdentityStore : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        AppPaths::setDataRoot(m_root->path());
    }

    void readBackByAnotherStore_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("server token") << QString(64, 'f');
        QTest::newRow("Chinese") << QString::fromUtf8("小明同学@例子.中国");
        QTest::newRow("ini syntax") << "[INFO] a=b;c,d #not a comment";
        QTest::newRow("spaces around") << " tok ";
        QTest::newRow("empty") << "";
    }

    void readBackByAnotherStore()
    {
        QFETCH(QString, value);
        OperateToken writer;
        QCOMPARE(writer.GetNickName(), QStringLiteral("NULL"));  // never stored, and nothing created
        QVERIFY(!QFileInfo::exists(m_root->path() + "/system"));
        writer.SetToken(value + "t");
        writer.SetEmail(value + "e");
        writer.SetNickName(value);
        OperateToken reader;
        QCOMPARE(reader.GetToken(), value + "t");
        QCOMPARE(reader.GetEmail(), value + "e");
        QCOMPARE(reader.GetNickName(), value);
        QCOMPARE(writer.GetNickName(), value);
    }

    void handWrittenFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Windows line ends") << QByteArray("[INFO]\r\ntoken=abc\r\nemail=a@b.c\r\n") << "/INFO/email" << "a@b.c";
        QTest::newRow("UTF-8 nickname") << QString::fromUtf8("[INFO]\nnickName=小明\n").toUtf8() << "/INFO/nickName"
                                        << QString::fromUtf8("小明");
        QTest::newRow("other section") << QByteArray("[OTHER]\ntoken=abc\n") << "/INFO/token" << "NULL";
        QTest::newRow("not an ini file") << QByteArray("\x00\xff\xfe garbage", 12) << "/INFO/token" << "NULL";
    }

    void handWrittenFile()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeWholeFile(AppPaths::settingsFile(), content));
        OperateIni ini;
        QVERIFY(!ini.setValue("/INFO/token", "other"));  // not opened yet
        ini.open(AppPaths::settingsFile());
        QCOMPARE(ini.value(fetched<QString>("key")), fetched<QString>("expected"));
        QCOMPARE(fileContent(AppPaths::settingsFile()), content);  // reading leaves the file alone
    }

    // One store logs in, another (a request object in a worker thread) reads; the shell logs out by
    // deleting the file and the next login writes it again, all within one second and with files of
    // the same size. A file that cannot be written is not read back either.
    void fileReplacedOrDeletedBehindTheStore()
    {
        OperateToken login, request;
        login.SetToken(QString(64, 'a'));
        QCOMPARE(request.GetToken(), QString(64, 'a'));
        QVERIFY(QFile::remove(AppPaths::settingsFile()));
        QCOMPARE(request.GetToken(), QStringLiteral("NULL"));
        login.SetToken(QString(64, 'b'));
        QCOMPARE(request.GetToken(), QString(64, 'b'));
        QVERIFY(
            writeWholeFile(AppPaths::settingsFile(),
                           fileContent(AppPaths::settingsFile()).replace(QByteArray(64, 'b'), QByteArray(64, 'c'))));
        QCOMPARE(request.GetToken(), QString(64, 'c'));
        QCOMPARE(login.GetToken(), QString(64, 'c'));

        QVERIFY(QDir(m_root->path() + "/system").removeRecursively());
        QVERIFY(writeWholeFile(m_root->path() + "/system", "in the way\n"));
        login.SetToken("never saved");
        QCOMPARE(request.GetToken(), QStringLiteral("NULL"));
        QCOMPARE(login.GetToken(), QStringLiteral("NULL"));
    }

    void writersInSeveralThreadsKeepEveryKey()
    {
        auto writeKeys = [](const QString& section) {
            OperateIni ini;
            ini.open(AppPaths::settingsFile());
            for (int i = 0; i < 40; ++i)
                ini.setValue(QStringLiteral("/%1/k%2").arg(section).arg(i), QString::number(i));
        };
        std::thread a(writeKeys, QStringLiteral("A")), b(writeKeys, QStringLiteral("B"));
        a.join();
        b.join();
        OperateIni ini;
        ini.open(AppPaths::settingsFile());
        for (const char* section : {"A", "B"}) {
            for (int i = 0; i < 40; ++i)
                QCOMPARE(ini.value(QStringLiteral("/%1/k%2").arg(section).arg(i)), QString::number(i));
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_root;
};

QTEST_GUILESS_MAIN(TestIdentityStore)
#include "tst_identitystore.moc"
