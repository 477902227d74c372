#include "serverprocess.h"

#include <QElapsedTimer>
#include <QRegularExpression>

ServerProcess::ServerProcess(const QString& dataDir) : dataDir_(dataDir) {
  proc_.setProcessChannelMode(QProcess::MergedChannels);
}

ServerProcess::~ServerProcess() {
  if (proc_.state() != QProcess::NotRunning) {
    proc_.kill();
    proc_.waitForFinished(5000);
  }
}

QString ServerProcess::program() { return QStringLiteral(ZR540_ACCOUNT_SERVER_EXE); }

void ServerProcess::drain() { output_ += proc_.readAll(); }

QByteArray ServerProcess::output() {
  drain();
  return output_;
}

bool ServerProcess::start(const QStringList& extraArgs) {
  output_.clear();
  port_ = 0;
  QStringList args{"--port", "0", "--data", dataDir_, "--pwhash-ops", "1", "--pwhash-mem", "8192"};
  args += extraArgs;
  proc_.start(program(), args);
  if (!proc_.waitForStarted(10000)) return false;
  const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"),
                                     QRegularExpression::MultilineOption);
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 20000) {
    proc_.waitForReadyRead(100);
    drain();
    const auto m = listening.match(QString::fromUtf8(output_));
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
    drain();
    return -1;
  }
  drain();
  return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
}

QString ServerProcess::waitForCode(const QString& email, int from, int timeoutMs) {
  const QRegularExpression line(QStringLiteral("verification code for <%1>: (\\d{6}) ")
                                    .arg(QRegularExpression::escape(email)));
  QElapsedTimer timer;
  timer.start();
  do {
    drain();
    QString found;
    auto it = line.globalMatch(QString::fromUtf8(output_.mid(from)));
    while (it.hasNext()) found = it.next().captured(1);
    if (!found.isEmpty()) return found;
    proc_.waitForReadyRead(50);
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
