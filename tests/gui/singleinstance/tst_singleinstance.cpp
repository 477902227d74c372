// The single-instance guard between real processes: a second start hands its message over and
// quits, and neither a crashed first instance nor a leftover socket keeps the program from
// starting. The test program starts copies of itself; the arguments below make one play a part
// instead of running the tests.
#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QtTest>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// <mode> <key>
const QString SecondInstanceMode = QStringLiteral("--second-instance");  // what main() does when running
const QString HoldMode = QStringLiteral("--hold");                       // take the key, echo messages, wait
const QString ListenOnlyMode = QStringLiteral("--listen-only");          // the socket without the lock, wait

#ifdef Q_OS_WIN
constexpr int HandedOverExitCode = -1;
#else
constexpr int HandedOverExitCode = 255;  // main()'s -1 as the system reports it
#endif
constexpr int BecameFirstExitCode = 2;
constexpr int SendFailedExitCode = 3;

void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

int playPart(const QString& mode, const QString& key)
{
    if (mode == SecondInstanceMode) {
        SingleInstance guard(key);
        if (!guard.isRunning())
            return BecameFirstExitCode;
        if (!guard.sendMessage(QStringLiteral("ZR540"), 5000))
            return SendFailedExitCode;
        return -1;
    }
    if (mode == HoldMode) {
        SingleInstance guard(key);
        if (guard.isRunning())
            return BecameFirstExitCode + 10;
        QObject::connect(&guard, &SingleInstance::messageReceived,
                         [](const QString& message) { say("received: " + message.toUtf8()); });
        say("holding");
        return QCoreApplication::exec();
    }
    QLocalServer server;
    if (!server.listen(SingleInstance::serverNameFor(key)))
        return BecameFirstExitCode + 20;
    say("listening");
    return QCoreApplication::exec();
}

bool isPart(const QString& mode) { return mode == SecondInstanceMode || mode == HoldMode || mode == ListenOnlyMode; }

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Within one process.
    void namesBelongToKeyAndUser();
    void holdsTheKeyForItsLifetime();

    // Between processes.
    void secondProcessHandsOverAndQuits();
    void crashedInstanceDoesNotBlock();
    void leftoverSocketDoesNotBlock();

private:
    void start(QProcess& process, const QString& mode);
    bool waitForLine(QProcess& process, const QByteArray& line, int timeoutMs = 5000);
    bool finishServing(QProcess& process, int timeoutMs = 8000);
    void expectHandOver(SingleInstance& first);
    QString socketFile() const;

    QString m_key;
    int m_run = 0;
    QByteArray m_output;
};

void TestSingleInstance::initTestCase() { qRegisterMetaType<QProcess::ExitStatus>(); }

void TestSingleInstance::init()
{
    m_key = QStringLiteral("zr540-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_run);
    m_output.clear();
}

void TestSingleInstance::cleanup()
{
    QLocalServer::removeServer(SingleInstance::serverNameFor(m_key));
    QFile::remove(SingleInstance::lockFilePathFor(m_key));
}

void TestSingleInstance::start(QProcess& process, const QString& mode)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QCoreApplication::applicationFilePath(), {mode, m_key});
    QVERIFY2(process.waitForStarted(3000), qPrintable(process.errorString()));
}

bool TestSingleInstance::waitForLine(QProcess& process, const QByteArray& line, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_output += process.readAllStandardOutput();
        if (m_output.split('\n').contains(line))
            return true;
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
}

// Waits for the child to end while this process keeps serving its guard's socket.
bool TestSingleInstance::finishServing(QProcess& process, int timeoutMs)
{
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    return process.state() == QProcess::NotRunning || finished.wait(timeoutMs);
}

// A second start of the program finds `first` running, hands "ZR540" over and quits with -1.
void TestSingleInstance::expectHandOver(SingleInstance& first)
{
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    QProcess second;
    start(second, SecondInstanceMode);
    QVERIFY(finishServing(second));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), HandedOverExitCode);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ZR540"));
}

QString TestSingleInstance::socketFile() const
{
    return QDir(QDir::tempPath()).filePath(SingleInstance::serverNameFor(m_key));
}

void TestSingleInstance::namesBelongToKeyAndUser()
{
    const QString name = SingleInstance::serverNameFor(QStringLiteral("ZR540"));
    QVERIFY(name.startsWith(QStringLiteral("ZR540-")));
#ifdef Q_OS_UNIX
    QCOMPARE(name, QStringLiteral("ZR540-%1").arg(::getuid()));
#endif
    QVERIFY(name != SingleInstance::serverNameFor(QStringLiteral("ZR541")));

    // A key is never a path of its own.
    QVERIFY(!SingleInstance::serverNameFor(QStringLiteral("../a/b\\c")).contains(QLatin1Char('/')));
    QVERIFY(!SingleInstance::serverNameFor(QStringLiteral("../a/b\\c")).contains(QLatin1Char('\\')));

    const QFileInfo lock(SingleInstance::lockFilePathFor(QStringLiteral("ZR540")));
    QCOMPARE(lock.fileName(), name + QStringLiteral(".lock"));
    QCOMPARE(lock.dir(), QDir(QDir::tempPath()));

    SingleInstance guard(m_key);
    QCOMPARE(guard.serverName(), SingleInstance::serverNameFor(m_key));
    QCOMPARE(guard.lockFilePath(), SingleInstance::lockFilePathFor(m_key));
}

void TestSingleInstance::holdsTheKeyForItsLifetime()
{
    const QString lockFile = SingleInstance::lockFilePathFor(m_key);
    {
        SingleInstance first(m_key);
        QVERIFY(!first.isRunning());
        QVERIFY(!first.isRunning());  // asking again keeps the key
        QVERIFY(QFile::exists(lockFile));

        SingleInstance second(m_key);
        QVERIFY(second.isRunning());

        // An instance that has been running for an hour keeps its key.
        QFile file(lockFile);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        file.close();
        SingleInstance third(m_key);
        QVERIFY(third.isRunning());
        QVERIFY(second.isRunning());

        QVERIFY(!first.sendMessage(QStringLiteral("to myself"), 200));
    }
    QVERIFY(!QFile::exists(lockFile));

    SingleInstance next(m_key);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!next.sendMessage(QStringLiteral("nobody there"), 5000));
    QVERIFY2(clock.elapsed() < 1000, "with no lock file there is nobody to wait for");
    QVERIFY(!next.isRunning());
}

void TestSingleInstance::secondProcessHandsOverAndQuits()
{
    SingleInstance first(m_key);
    QVERIFY(!first.isRunning());
    expectHandOver(first);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!first.isRunning());  // still ours

    expectHandOver(first);  // and again
}

void TestSingleInstance::crashedInstanceDoesNotBlock()
{
    QProcess crashed;
    start(crashed, HoldMode);
    QVERIFY(waitForLine(crashed, "holding"));
    {
        // While it lives it is the running instance and takes messages.
        SingleInstance probe(m_key);
        QVERIFY(probe.isRunning());
        QVERIFY(probe.sendMessage(QStringLiteral("hello"), 3000));
        QVERIFY(waitForLine(crashed, "received: hello"));
    }
    crashed.kill();
    QVERIFY(crashed.waitForFinished(3000));
    QCOMPARE(crashed.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFile::exists(SingleInstance::lockFilePathFor(m_key)));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::exists(socketFile()));
#endif

    SingleInstance guard(m_key);
    QVERIFY(!guard.isRunning());
    expectHandOver(guard);
}

void TestSingleInstance::leftoverSocketDoesNotBlock()
{
    QProcess listener;
    start(listener, ListenOnlyMode);
    QVERIFY(waitForLine(listener, "listening"));
    listener.kill();
    QVERIFY(listener.waitForFinished(3000));
    QVERIFY(!QFile::exists(SingleInstance::lockFilePathFor(m_key)));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::exists(socketFile()));
#endif

    SingleInstance guard(m_key);
    QVERIFY(!guard.isRunning());
    expectHandOver(guard);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && isPart(arguments.at(1)))
        return playPart(arguments.at(1), arguments.at(2));

    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
