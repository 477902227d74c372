// SingleInstance: keeps the program to one running copy per user.
//
// The first instance takes a lock file and, once it holds the lock, listens on a local socket;
// a later start finds the lock taken, hands its message to the first instance and quits:
//
//     SingleInstance guard(QStringLiteral("ZR540"));
//     if (guard.isRunning()) {
//         guard.sendMessage(QStringLiteral("ZR540"), 5000);
//         return -1;
//     }
//     connect(&guard, &SingleInstance::messageReceived, ...);
//
// The lock and the socket are named after the key and the user, so two users on one machine each
// run their own copy. The lock file holds the owner's PID: a lock left behind by a crashed
// instance is recognised as stale and taken over, and so is a leftover socket file (removed
// before listening, which is safe once the lock is ours). The lock is held until the guard dies.
//
// A message is a UTF-8 string framed with its length; the receiver acknowledges it with one byte
// so the sender knows it arrived before it quits. The socket only accepts the same user.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxMessageBytes = 64 * 1024;

    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True while another live instance holds the key. When none does, this guard takes the key
    // (if it does not hold it already) and starts listening for messages.
    bool isRunning();

    // Hands `message` to the running instance and waits for it to be acknowledged, for at most
    // `timeoutMs` in all (negative: no limit). False when there is no instance to talk to, or
    // when this guard is the running instance itself.
    bool sendMessage(const QString& message, int timeoutMs);

    QString serverName() const { return m_serverName; }
    QString lockFilePath() const { return m_lockFilePath; }

    // The names a guard with `key` uses for the current user.
    static QString serverNameFor(const QString& key);
    static QString lockFilePathFor(const QString& key);

signals:
    void messageReceived(const QString& message);

private:
    bool holdsKey();
    void acceptConnections();
    void readMessages(QLocalSocket* socket);

    const QString m_serverName;
    const QString m_lockFilePath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};
