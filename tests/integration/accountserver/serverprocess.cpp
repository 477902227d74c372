#include "serverprocess.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

ServerProcess::ServerProcess(const QString& dataDir) : dataDir_(dataDir), logPath_(dataDir + ".log") {
  proc_.setProcessChannelMode(QProcess::MergedChannels);
  proc_.setStandardOutputFile(logPath_, QIODevice::Append);
}

ServerProcess::~ServerProcess() { kill(); }

QByteArray ServerProcess::output() const {
  QFile f(logPath_);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServerProcess::start(const QStringList& extraArgs) {
  const int from = output().size();  // a restart appends to the same file
  // Tests register many accounts from one address; those of the limit give their own.
  proc_.start(program(), QStringList{"--port", "0", "--data", dataDir_, "--pwhash-ops", "1", "--pwhash-mem", "8192",
                                     "--registrations", "1000/60"} + extraArgs);
  const QRegularExpression listening("^listening on 127\\.0\\.0\\.1:(\\d+)$", QRegularExpression::MultilineOption);
  port_ = 0;
  static_cast<void>(QTest::qWaitFor([&] {
    port_ = static_cast<quint16>(listening.match(QString::fromUtf8(output().mid(from))).captured(1).toUInt());
    return port_ != 0 || proc_.waitForFinished(20) || proc_.state() == QProcess::NotRunning;
  }, 60000));
  return port_ != 0;
}

int ServerProcess::stop() {
  if (proc_.state() == QProcess::NotRunning) return -1;
  proc_.terminate();
  if (!proc_.waitForFinished(20000)) return kill(), -1;
  return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
}

bool ServerProcess::kill() {
  if (proc_.state() == QProcess::NotRunning) return false;
  proc_.kill();
  return proc_.waitForFinished(5000);
}

QString ServerProcess::waitForCode(const QString& email, int from) const {
  const QRegularExpression line("verification code for <" + QRegularExpression::escape(email) + ">: (\\d{6}) ");
  QString found;
  static_cast<void>(QTest::qWaitFor([&] {
    for (auto it = line.globalMatch(QString::fromUtf8(output().mid(from))); it.hasNext();) found = it.next().captured(1);
    return !found.isEmpty();
  }, 30000));
  return found;
}

int ServerProcess::runToEnd(const QStringList& args, QByteArray* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program(), args);
  if (!p.waitForFinished(20000)) return p.kill(), p.waitForFinished(5000), -1;
  if (output) *output = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
