// 32 clients at once, each registering, logging in, then uploading, recording, locating and
// downloading an archive 20 times, every reply checked;
// then the server killed (SIGKILL) at chosen points and started again on its data folder: every
// reply of code 0 is a promise each later run holds it to, and the archive folder holds nothing else.
#include <QtTest>

#include <atomic>
#include <functional>
#include <numeric>
#include <thread>
#include <utility>
#include <vector>

#include "apiclient.h"
#include "testhelpers.h"

namespace {

constexpr int kClients = 32;

QByteArray digestOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

struct RunState {
  std::atomic<bool> killed{false};
  std::atomic<int> acknowledged{0}, requests{0};  // uploads and saves answered with code 0; all
};

// What the server promised one client with replies of code 0, kept from one server run to the next.
struct Ledger {
  bool registered = false, registerSent = false;
  QHash<QString, QByteArray> kept;  // stored name -> digest: acknowledged uploads the server holds
  // Per kind (0 profiles, 1 macros): the name the acknowledged save record holds, and an
  // acknowledged upload whose save went out without a reply (the record holds either).
  QString recorded[2], pending[2];
  QSet<QByteArray> sent;  // digests of every archive sent, answered or not
  int cutOff = 0;        // requests without a reply, in this run
  QStringList failures;
};

// One client during one server run: logs in (registering first until that was acknowledged),
// checks everything acknowledged so far, then uploads, saves, locates and downloads `rounds`
// times (-1: until the kill). A request without a reply ends the run; before the kill it is a fault.
void runClient(quint16 port, int index, int rounds, RunState& run, Ledger& led) {
  ApiClient api(port);
  const QString email = QString("load-%1@x.cn").arg(index);
  ApiReply r;
  auto request = [&](const char* what, const std::function<ApiReply()>& send) {
    r = send();
    ++run.requests;
    if (!r.transportOk && !run.killed) led.failures << QString("client %1: %2 before the kill").arg(index).arg(what);
    return r.transportOk || (++led.cutOff, false);
  };
  auto fail = [&](const QString& what) { led.failures << QString("client %1: %2: ").arg(index).arg(what) + r.describe(); };
  if (!led.registered) {
    const bool again = std::exchange(led.registerSent, true);
    if (!request("register", [&] { return api.postJson("/v1/user/register", {{"nickname", QString("负载%1").arg(index)},
        {"email", email}, {"password", "load-secret"}, {"rePassword", "load-secret"}}); })) return;
    if (r.code != 0 && !(again && r.code == 10005)) return fail("register");  // a reply the kill took may have been stored
    led.registered = true;
  }
  if (!request("login", [&] { return api.postJson("/v1/user/login", {{"email", email}, {"password", "load-secret"}}); })) return;
  if (r.code != 0 || r.authorization.size() != 64 || r.dataString("nickname") != QString("负载%1").arg(index)) return fail("login");
  const QString token = r.authorization;

  for (int k = 0; k < 2; ++k) {
    if (!request("address", [&] { return api.address(token, k == 1); })) return;
    if (r.code == 30006 && led.recorded[k].isEmpty()) {  // nothing saved, or only a save without a reply
      led.pending[k].clear();
      continue;
    }
    const QString name = r.dataString("filePath").section('/', -1);
    if (r.code != 0 || (name != led.recorded[k] && name != led.pending[k])) return fail("address of the saved archive");
    if (!request("download", [&] { return api.get(r.dataString("filePath")); })) return;
    if (r.status != 200 || digestOf(r.body) != led.kept.value(name)) return fail("download of the saved archive");
    if (name == led.pending[k]) led.kept.remove(std::exchange(led.recorded[k], name));  // that save was stored
    led.pending[k].clear();
  }
  // Unrecorded uploads stay too: a client has fewer of them (one per kill) than the server keeps.
  for (auto it = led.kept.cbegin(); it != led.kept.cend(); ++it) {
    if (!request("download", [&] { return api.get("/v1/file/download/" + it.key()); })) return;
    if (r.status != 200 || digestOf(r.body) != it.value()) return fail("download of an acknowledged upload");
  }

  for (int round = 0; round != rounds; ++round) {
    const int k = round % 2;
    const QByteArray archive = randomArchive(300 + (index * 7919 + round * 104729) % (96 * 1024));  // to 96 KiB
    led.sent.insert(digestOf(archive));
    if (!request("upload", [&] { return api.upload(token, archive, k ? "MacroFiles.zip" : "LocalFile.zip"); })) return;
    const QString name = r.dataString("filePath");
    if (r.code != 0 || name.size() != 36) return fail("upload");
    ++run.acknowledged;
    led.kept.insert(name, digestOf(archive));
    led.pending[k] = name;
    if (!request("save", [&] { return api.save(token, name, k == 1); })) return;
    if (r.code != 0) return fail("save");
    ++run.acknowledged;
    led.kept.remove(std::exchange(led.recorded[k], name));
    led.pending[k].clear();
    if (!request("address", [&] { return api.address(token, k == 1); })) return;
    if (r.code != 0 || !r.dataString("filePath").endsWith("/v1/file/download/" + name)) return fail("address");
    if (!request("download", [&] { return api.get(r.dataString("filePath")); })) return;
    if (r.status != 200 || r.body != archive) return fail(QString("download of round %1").arg(round));
  }
}

// Runs every client at once; with `killAfter` >= 0 the server is killed once that many uploads
// and saves were acknowledged. The failures of all clients.
QStringList runAll(ServerProcess& server, std::vector<Ledger>& ledgers, int rounds, int killAfter, RunState& state) {
  std::vector<std::thread> threads;
  for (int i = 0; i < kClients; ++i) {
    ledgers[i].cutOff = 0;
    threads.emplace_back(runClient, server.port(), i, rounds, std::ref(state), std::ref(ledgers[i]));
  }
  if (killAfter >= 0) {
    // a guard only: the uploads come within a second or two
    const bool reached = QTest::qWaitFor([&] { return state.acknowledged >= killAfter; }, 60000);
    state.killed = true;
    if (!server.kill() || !reached) ledgers[0].failures << "the kill point was not reached, or the kill failed";
  }
  for (std::thread& t : threads) t.join();
  QStringList failures;
  for (const Ledger& l : ledgers) failures += l.failures.mid(0, 3);
  return failures;
}

// What is wrong in the archive folder of a server that has just started: a file that is not a
// stored archive (a temporary one), one that holds no archive a client sent (half written), or
// one the server does not serve (an upload it never recorded).
QStringList archiveFolderFaults(const QString& folder, const std::vector<Ledger>& ledgers, ApiClient& api) {
  QSet<QByteArray> sent;
  for (const Ledger& l : ledgers) sent.unite(l.sent);
  QStringList faults;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (!QRegularExpression("^[0-9a-f]{32}\\.zip$").match(name).hasMatch()) faults << "left over: " + name;
    else if (!sent.contains(digestOf(fileContent(folder + "/" + name)))) faults << "holds no archive sent: " + name;
    else if (api.get("/v1/file/download/" + name).status != 200) faults << "not served: " + name;
  }
  return faults;
}

}  // namespace

class TestAccountServerLoad : public QObject {
  Q_OBJECT

 private slots:
  void loadAndKills() {
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    std::vector<Ledger> ledgers(kClients);
    // The load, then kills during the logins, in the first uploads and well into them, then a run
    // that only checks. 32 users, all on the loopback address: room for more connections from one.
    const int killPoints[] = {-2, 0, 9, 60, 150, -1};
    for (int killAfter : killPoints) {
      QVERIFY2(server.start({"--connections-per-address", "100"}), server.output().constData());
      ApiClient api(server.port());
      const QStringList leftovers = archiveFolderFaults(dir.filePath("data/archives"), ledgers, api);
      QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join('\n')));
      RunState state;
      const QStringList failures = runAll(server, ledgers, killAfter == -2 ? 20 : killAfter == -1 ? 0 : -1, killAfter, state);
      QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
      const int cutOff = std::accumulate(ledgers.begin(), ledgers.end(), 0, [](int n, const Ledger& l) { return n + l.cutOff; });
      QVERIFY(killAfter < 0 || cutOff > 0);
      if (killAfter != -2) continue;
      QCOMPARE(state.requests.load(), kClients * (4 + 4 * 20));
      QCOMPARE(server.stop(), 0);
      QCOMPARE(server.output().count("POST /v1/file/upload -> 200 code 0"), kClients * 20);
    }
    QCOMPARE(server.stop(), 0);
    const QByteArray log = server.output();
    QVERIFY(!log.contains("database:") && !log.contains("exception") && !log.contains("could not widen"));
  }
};

QTEST_GUILESS_MAIN(TestAccountServerLoad)
#include "tst_accountserver_load.moc"
