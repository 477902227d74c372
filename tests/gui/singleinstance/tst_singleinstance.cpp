// The single-instance guard between real processes: a second start hands its message over and
// quits, and neither a killed first instance nor a leftover socket keeps the program from
// starting. The test program starts copies of itself to play the other processes.
#include "singleinstance.h"

#include <QLocalServer>
#include <QtTest>
#include <cstdio>

namespace {
// The parts, each started as "<part> <key>".
const QString SecondInstanceMode = QStringLiteral("--second-instance");  // what main() does when running
const QString HoldMode = QStringLiteral("--hold");                       // take the key and wait
const QString ListenOnlyMode = QStringLiteral("--listen-only");          // the socket without the lock, wait

#ifdef Q_OS_WIN
constexpr int HandedOverExitCode = -1;
#else
constexpr int HandedOverExitCode = 255;  // main()'s -1 as the system reports it
#endif

// Plays `mode`. A second instance fails with 2 when it found no first one, 3 when its message
// was not taken; the waiting parts say "ready" once they hold what they should.
int playPart(const QString& mode, const QString& key)
{
    SingleInstance guard(key);
    if (mode == SecondInstanceMode) {
        if (!guard.isRunning())
            return 2;
        return guard.sendMessage(QStringLiteral("ZR540"), 5000) ? -1 : 3;
    }
    QLocalServer server;
    if (mode == HoldMode ? guard.isRunning() : !server.listen(SingleInstance::serverNameFor(key)))
        return 4;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void init() { m_key = QStringLiteral("zr540-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_run); }
    void cleanup()
    {
        QLocalServer::removeServer(SingleInstance::serverNameFor(m_key));
        QFile::remove(SingleInstance::lockFilePathFor(m_key));
    }
    void secondStartHandsOver_data()
    {
        QTest::addColumn<QString>("killed");  // the part a process played before it was SIGKILLed
        QTest::newRow("first start") << QString();
        QTest::newRow("after a killed instance") << HoldMode;
        QTest::newRow("beside a leftover socket") << ListenOnlyMode;
    }
    void secondStartHandsOver()
    {
        QFETCH(QString, killed);
        if (!killed.isEmpty()) {
            QProcess gone;
            gone.start(QCoreApplication::applicationFilePath(), {killed, m_key});
            QVERIFY(gone.waitForReadyRead(30000));
            QCOMPARE(gone.readAllStandardOutput(), QByteArray("ready\n"));
            gone.kill();
            QVERIFY(gone.waitForFinished(30000));
            QCOMPARE(QFile::exists(SingleInstance::lockFilePathFor(m_key)), killed == HoldMode);  // what it left behind
        }
        SingleInstance first(m_key);
        QVERIFY(!first.isRunning());
        QSignalSpy received(&first, &SingleInstance::messageReceived);
        for (int run = 1; run <= 2; ++run) {
            QProcess second;
            second.start(QCoreApplication::applicationFilePath(), {SecondInstanceMode, m_key});
            // This process serves its guard's socket meanwhile.
            QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
            QCOMPARE(second.exitCode(), HandedOverExitCode);
            QCOMPARE(received.count(), run);
            QCOMPARE(received.last().at(0), QVariant("ZR540"));
        }
        QVERIFY(!first.isRunning());  // asking again keeps the key
    }

private:
    QString m_key;
    int m_run = 0;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && QStringList{SecondInstanceMode, HoldMode, ListenOnlyMode}.contains(arguments.at(1)))
        return playPart(arguments.at(1), arguments.at(2));

    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
