// A bounded load run on loopback: 32 clients at once, each registering, logging in, and then
// uploading, recording, locating and downloading an archive 20 times, every reply checked and
// every archive compared byte for byte, and all of them downloaded once more at the end. The
// throughput is printed, never asserted.
//
// The same load with the server killed (SIGKILL) at a random moment, four times, and started again
// on the same data folder each time: every reply of code 0 is a promise the next run holds it to.
// The seed of the kill times is printed; ZR540_FAULT_SEED=<seed> runs with it again.
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
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

constexpr int kKills = 4;
// A kill comes once a random number of uploads and saves below this was acknowledged in the run
// (0: during the logins), or after kMaxRunMs.
constexpr int kMaxAcknowledgedBeforeKill = 120;
constexpr int kMaxRunMs = 2500;

QByteArray digestOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

// What the server promised one client with replies of code 0, kept from one server run to the next.
struct Ledger {
  bool registerSent = false;
  bool registered = false;
  QHash<QString, QByteArray> kept;  // stored name -> digest: acknowledged uploads the server still holds
  // Per kind (0 profiles, 1 macros): the name the acknowledged save record holds, and an
  // acknowledged upload whose save went out without a reply (the record holds either).
  QString recorded[2], pending[2];
  QSet<QByteArray> sent;  // digests of every archive sent, answered or not
  int cutOff = 0;  // of this run
  QStringList failures;
};

struct RunState {
  std::atomic<bool> killed{false};
  std::atomic<int> acknowledged{0};
};

// One client during one server run: logs in (registering first until that was acknowledged),
// checks everything acknowledged so far, and with `load` uploads and saves until the kill.
void faultClient(quint16 port, int index, quint32 seed, bool load, RunState& run, Ledger& led) {
  ApiClient api(port);
  const QString email = QString("fault-%1@x.cn").arg(index);
  auto fail = [&](const QString& what, const ApiReply& r) {
    led.failures << QString("client %1: %2: %3").arg(index).arg(what, QString::fromUtf8(r.describe()));
  };
  // A request without a reply ends the run; before the kill it is a fault.
  auto answered = [&](const ApiReply& r, const char* what) {
    if (r.transportOk) return true;
    ++led.cutOff;
    if (!run.killed) fail(QString("%1 before the kill").arg(what), r);
    return false;
  };
  ApiReply r;
  if (!led.registered) {
    const bool again = led.registerSent;
    led.registerSent = true;
    r = api.postJson("/v1/user/register", {{"nickname", "故障"}, {"email", email}, {"password", "fault-secret"},
                                           {"rePassword", "fault-secret"}});
    if (!answered(r, "register")) return;
    // a registration whose reply the kill took may have been stored
    if (r.code != 0 && !(again && r.code == 10005)) return fail("register", r);
    led.registered = true;
  }
  r = api.postJson("/v1/user/login", {{"email", email}, {"password", "fault-secret"}});
  if (!answered(r, "login")) return;
  if (r.code != 0) return fail("login of an acknowledged account", r);
  const QString token = r.authorization;

  for (int k = 0; k < 2; ++k) {
    QString& recorded = led.recorded[k];
    QString& pending = led.pending[k];
    r = api.address(token, k == 1);
    if (!answered(r, "download address")) return;
    if (r.code == 30006 && recorded.isEmpty()) {  // nothing saved, or only a save without a reply
      pending.clear();
      continue;
    }
    const QString url = r.dataString("filePath");
    const QString name = url.section('/', -1);
    if (r.code != 0 || (name != recorded && name != pending)) return fail("download address of the saved archive", r);
    r = api.get(url);
    if (!answered(r, "download")) return;
    if (r.status != 200 || digestOf(r.body) != led.kept.value(name)) return fail("download of the saved archive", r);
    if (name == pending) {  // the save without a reply was stored, and dropped the archive it replaced
      led.kept.remove(recorded);
      recorded = name;
    }
    pending.clear();
  }
  // Unrecorded uploads stay too: a client has fewer of them (one per kill) than the server keeps.
  for (auto it = led.kept.cbegin(); it != led.kept.cend(); ++it) {
    r = api.get("/v1/file/download/" + it.key());
    if (!answered(r, "download")) return;
    if (r.status != 200 || digestOf(r.body) != it.value()) return fail("download of an acknowledged upload", r);
  }

  QRandomGenerator rng(seed + static_cast<quint32>(index));
  for (int round = 0; load; ++round) {
    const int k = round % 2;
    const QByteArray archive = randomArchive(300 + static_cast<int>(rng.bounded(256 * 1024)));
    const QByteArray digest = digestOf(archive);
    led.sent.insert(digest);
    r = api.upload(token, archive, k ? "MacroFiles.zip" : "LocalFile.zip");
    if (!answered(r, "upload")) return;
    const QString name = r.dataString("filePath");
    if (r.code != 0 || name.size() != 36) return fail("upload", r);
    ++run.acknowledged;
    led.kept.insert(name, digest);
    led.pending[k] = name;
    r = api.save(token, name, k == 1);
    if (!answered(r, "save")) return;
    if (r.code != 0) return fail("save", r);
    ++run.acknowledged;
    led.kept.remove(led.recorded[k]);
    led.recorded[k] = name;
    led.pending[k].clear();
    r = api.get("/v1/file/download/" + name);
    if (!answered(r, "download")) return;
    if (r.status != 200 || digestOf(r.body) != digest) return fail("download of the archive just saved", r);
  }
}

// What is wrong in the archive folder of a server that has just started: a file that is not a
// stored archive (a temporary one), one that holds no archive a client sent (half written), or
// one the server does not serve (an upload it never recorded).
QStringList archiveFolderFaults(const QString& folder, const std::vector<Ledger>& ledgers, ApiClient& api) {
  static const QRegularExpression storedName(QStringLiteral("^[0-9a-f]{32}\\.zip$"));
  QSet<QByteArray> sent;
  for (const Ledger& l : ledgers) sent.unite(l.sent);
  QStringList faults;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    QFile f(QDir(folder).filePath(name));
    if (!storedName.match(name).hasMatch()) {
      faults << "left over: " + name;
    } else if (!f.open(QIODevice::ReadOnly) || !sent.contains(digestOf(f.readAll()))) {
      faults << "holds no archive that was sent: " + name;
    } else if (api.get("/v1/file/download/" + name).status != 200) {
      faults << "not served: " + name;
    }
  }
  return faults;
}

}  // namespace

class TestAccountServerLoad : public QObject {
  Q_OBJECT

 private slots:
  void concurrentClients();
  void killedMidLoad();
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

void TestAccountServerLoad::killedMidLoad() {
  const quint32 seed = qEnvironmentVariableIsSet("ZR540_FAULT_SEED")
                           ? static_cast<quint32>(qEnvironmentVariable("ZR540_FAULT_SEED").toULong())
                           : QRandomGenerator::system()->generate();
  qInfo("faults: ZR540_FAULT_SEED=%u", seed);
  QRandomGenerator rng(seed);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  ServerProcess server(dir.filePath("data"));
  const QString archives = dir.filePath("data/archives");
  std::vector<Ledger> ledgers(kClients);
  int acknowledgedInAll = 0;
  QElapsedTimer total;
  total.start();

  // kKills runs under load, each ended by SIGKILL, then one that only checks.
  for (int run = 0; run <= kKills; ++run) {
    QVERIFY2(server.start({"--threads", "16", "--connections-per-address", "100"}), server.output().constData());
    ApiClient api(server.port());
    const QStringList leftovers = archiveFolderFaults(archives, ledgers, api);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join('\n')));

    const bool load = run < kKills;
    const int killAt = static_cast<int>(rng.bounded(kMaxAcknowledgedBeforeKill));
    RunState state;
    std::vector<std::thread> threads;
    for (int i = 0; i < kClients; ++i) {
      Ledger& led = ledgers[static_cast<std::size_t>(i)];
      led.cutOff = 0;
      threads.emplace_back(faultClient, server.port(), i, seed + static_cast<quint32>(run * kClients), load,
                           std::ref(state), std::ref(led));
    }
    QElapsedTimer timer;
    timer.start();
    bool gone = true;
    if (load) {
      while (state.acknowledged < killAt && timer.elapsed() < kMaxRunMs) QThread::msleep(2);
      state.killed = true;
      gone = server.kill();
    }
    for (std::thread& t : threads) t.join();
    QVERIFY(gone);

    int cutOff = 0;
    QStringList failures;
    for (const Ledger& l : ledgers) {
      cutOff += l.cutOff;
      failures += l.failures.mid(0, 3);
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    if (!load) break;
    qInfo("faults: kill %d after %d ms: %d uploads and saves acknowledged, %d requests cut off, %d temporary files left",
          run + 1, static_cast<int>(timer.elapsed()), state.acknowledged.load(), cutOff,
          QDir(archives).entryList({".*"}, QDir::Files | QDir::Hidden).size());
    QVERIFY2(cutOff > 0, "the kill came after the clients had finished");
    acknowledgedInAll += state.acknowledged;
  }
  QVERIFY(acknowledgedInAll > 0);
  QCOMPARE(server.stop(), 0);
  qInfo("faults: %d kills in %.2f s", kKills, total.elapsed() / 1000.0);
  const QByteArray log = server.output();
  QVERIFY(!log.contains("database:"));
  QVERIFY(!log.contains("exception"));
}

QTEST_GUILESS_MAIN(TestAccountServerLoad)
#include "tst_accountserver_load.moc"
