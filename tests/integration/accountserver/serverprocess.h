// Starts the real zr540-account-server program for a test: a free loopback port, a data folder
// of the test's choosing, a cheap password hash so the tests run fast, and its output (the
// "listening on" line and the log) written to the file <data folder>.log. A file and not a pipe:
// a test busy with requests does not read a pipe, and a server whose log pipe is full stops.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class ServerProcess {
 public:
  explicit ServerProcess(const QString& dataDir);
  ~ServerProcess();

  // Starts with --port 0 and waits for the "listening on 127.0.0.1:<port>" line.
  bool start(const QStringList& extraArgs = {});
  // SIGTERM and wait; the exit code, or -1 when it crashed or did not stop.
  int stop();
  // SIGKILL and wait, as a crash: true when it was running and is gone.
  bool kill();

  quint16 port() const { return port_; }
  QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
  // Everything the server printed so far.
  QByteArray output() const;
  // The newest verification code logged for `email` after output position `from`.
  QString waitForCode(const QString& email, int from) const;

  // Runs the program with `args` to its end (for command-line refusals); its exit code.
  static int runToEnd(const QStringList& args, QByteArray* output = nullptr);
  static QString program() { return QStringLiteral(ZR540_ACCOUNT_SERVER_EXE); }

 private:
  QString dataDir_;
  QString logPath_;
  QProcess proc_;
  quint16 port_ = 0;
};
