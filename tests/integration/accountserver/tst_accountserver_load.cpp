// A bounded load run on loopback: 32 clients at once, each registering, logging in, and then
// uploading, recording, locating and downloading an archive 20 times, every reply checked and
// every archive compared byte for byte, and all of them downloaded once more at the end. The
// throughput is printed, never asserted.
#include <QElapsedTimer>
#include <QJsonObject>
#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

#include "apiclient.h"
#include "serverprocess.h"

namespace {

constexpr int kClients = 32;
constexpr int kRounds = 20;

struct ClientRun {
  QString token;
  QByteArray lastProfiles, lastMacros;  // what the server should hold at the end
  int requests = 0;
  qint64 bytesUp = 0, bytesDown = 0;
  QStringList failures;
};

// One client's whole session; every unexpected reply is written down, never skipped.
void runClient(quint16 port, int index, ClientRun& run) {
  ApiClient api(port);
  auto fail = [&](const QString& what, const ApiReply& r) {
    run.failures << QString("client %1: %2: %3").arg(index).arg(what, QString::fromUtf8(r.describe()));
  };
  const QString email = QString("load-%1@x.cn").arg(index);
  ApiReply r = api.postJson("/v1/user/register", {{"nickname", QString("负载%1").arg(index)}, {"email", email},
                                                  {"password", "load-secret"}, {"rePassword", "load-secret"}});
  ++run.requests;
  if (r.code != 0) return fail("register", r);
  r = api.postJson("/v1/user/login", {{"email", email}, {"password", "load-secret"}});
  ++run.requests;
  if (r.code != 0 || r.authorization.size() != 64 || r.dataString("nickname") != QString("负载%1").arg(index)) {
    return fail("login", r);
  }
  run.token = r.authorization;

  for (int round = 0; round < kRounds; ++round) {
    const bool macros = round % 2 == 1;
    // sizes vary per client and round, from a few hundred bytes to 96 KiB
    const QByteArray archive = randomArchive(300 + ((index * 7919 + round * 104729) % (96 * 1024)));
    r = api.upload(run.token, archive, macros ? "MacroFiles.zip" : "LocalFile.zip");
    ++run.requests;
    run.bytesUp += archive.size();
    const QString name = r.dataString("filePath");
    if (r.code != 0 || name.size() != 36) { fail("upload", r); continue; }
    r = api.save(run.token, name, macros);
    ++run.requests;
    if (r.code != 0) { fail("save", r); continue; }
    r = api.address(run.token, macros);
    ++run.requests;
    const QString url = r.dataString("filePath");
    if (r.code != 0 || !url.endsWith("/v1/file/download/" + name)) { fail("address", r); continue; }
    r = api.get(url);
    ++run.requests;
    run.bytesDown += r.body.size();
    if (r.status != 200 || r.body != archive) { fail(QString("download of round %1").arg(round), r); continue; }
    (macros ? run.lastMacros : run.lastProfiles) = archive;
  }
}

}  // namespace

class TestAccountServerLoad : public QObject {
  Q_OBJECT

 private slots:
  void concurrentClients();
};

void TestAccountServerLoad::concurrentClients() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  ServerProcess server(dir.filePath("data"));
  // 32 users, all on the loopback address: room for more connections from one address.
  QVERIFY2(server.start({"--threads", "16", "--connections-per-address", "100"}), server.output().constData());

  std::vector<ClientRun> runs(kClients);
  QElapsedTimer timer;
  timer.start();
  std::vector<std::thread> threads;
  for (int i = 0; i < kClients; ++i) {
    threads.emplace_back(runClient, server.port(), i, std::ref(runs[static_cast<std::size_t>(i)]));
  }
  for (std::thread& t : threads) t.join();
  const double seconds = timer.elapsed() / 1000.0;

  int requests = 0, failures = 0;
  qint64 up = 0, down = 0;
  QStringList report;
  for (const ClientRun& run : runs) {
    requests += run.requests;
    failures += run.failures.size();
    up += run.bytesUp;
    down += run.bytesDown;
    report += run.failures.mid(0, 3);
  }
  qInfo("load: %d clients x %d rounds: %d requests in %.2f s = %.0f requests/s, %.1f MiB up, %.1f MiB down, %d failures",
        kClients, kRounds, requests, seconds, requests / seconds, up / 1048576.0, down / 1048576.0, failures);
  QVERIFY2(failures == 0, qPrintable(report.join('\n')));
  QCOMPARE(requests, kClients * (2 + 4 * kRounds));

  // Every client's last archives, once more, after all the traffic: nothing mixed up or lost.
  ApiClient api(server.port());
  for (int i = 0; i < kClients; ++i) {
    const ClientRun& run = runs[static_cast<std::size_t>(i)];
    QCOMPARE(api.download(run.token, false), run.lastProfiles);
    QCOMPARE(api.download(run.token, true), run.lastMacros);
  }
  QCOMPARE(server.stop(), 0);
  const QByteArray log = server.output();
  QVERIFY(!log.contains("database:"));
  QVERIFY(!log.contains("exception"));
  QVERIFY(!log.contains("could not widen"));
  QCOMPARE(log.count("POST /v1/file/upload -> 200 code 0"), kClients * kRounds);
}

QTEST_GUILESS_MAIN(TestAccountServerLoad)
#include "tst_accountserver_load.moc"
