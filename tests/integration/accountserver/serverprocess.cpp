#include "serverprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QRegularExpression>

ServerProcess::ServerProcess(const QString& dataDir) : dataDir_(dataDir), logPath_(dataDir + ".log") {
  proc_.setProcessChannelMode(QProcess::MergedChannels);
  proc_.setStandardOutputFile(logPath_, QIODevice::Append);
}

ServerProcess::~ServerProcess() {
  if (proc_.state() != QProcess::NotRunning) {
    proc_.kill();
    proc_.waitForFinished(5000);
  }
}

QString ServerProcess::program() { return QStringLiteral(ZR540_ACCOUNT_SERVER_EXE); }

QByteArray ServerProcess::output() {
  QFile f(logPath_);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServerProcess::start(const QStringList& extraArgs) {
  port_ = 0;
  const int from = output().size();  // a restart appends to the same file
  QStringList args{"--port", "0", "--data", dataDir_, "--pwhash-ops", "1", "--pwhash-mem", "8192"};
  args += extraArgs;
  proc_.start(program(), args);
  if (!proc_.waitForStarted(10000)) return false;
  const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"),
                                     QRegularExpression::MultilineOption);
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 60000) {
    proc_.waitForFinished(50);
    const auto m = listening.match(QString::fromUtf8(output().mid(from)));
    if (m.hasMatch()) {
      port_ = static_cast<quint16>(m.captured(1).toUInt());
      return port_ != 0;
    }
    if (proc_.state() == QProcess::NotRunning) return false;
  }
  return false;
}

int ServerProcess::stop() {
  if (proc_.state() == QProcess::NotRunning) return -1;
  proc_.terminate();
  if (!proc_.waitForFinished(20000)) {
    proc_.kill();
    proc_.waitForFinished(5000);
    return -1;
  }
  return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
}

bool ServerProcess::kill() {
  if (proc_.state() == QProcess::NotRunning) return false;
  proc_.kill();
  return proc_.waitForFinished(5000);
}

QString ServerProcess::waitForCode(const QString& email, int from, int timeoutMs) {
  const QRegularExpression line(QStringLiteral("verification code for <%1>: (\\d{6}) ")
                                    .arg(QRegularExpression::escape(email)));
  QElapsedTimer timer;
  timer.start();
  do {
    QString found;
    auto it = line.globalMatch(QString::fromUtf8(output().mid(from)));
    while (it.hasNext()) found = it.next().captured(1);
    if (!found.isEmpty()) return found;
    QThread::msleep(20);
  } while (timer.elapsed() < timeoutMs);
  return QString();
}

int ServerProcess::runToEnd(const QStringList& args, QByteArray* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program(), args);
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished(5000);
    return -1;
  }
  if (output) *output = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
