#include "singleinstance.h"

#include "instancenames.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtEndian>
#include <QtGlobal>

namespace {

constexpr char Acknowledge = '\x06';
constexpr int HeaderBytes = 4;  // the message length, big-endian
constexpr int ConnectRetryMs = 50;

int remaining(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return -1;
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

}  // namespace

QString SingleInstance::serverNameFor(const QString& key) { return InstanceNames::serverName(key); }

QString SingleInstance::lockFilePathFor(const QString& key) { return InstanceNames::lockFilePath(key); }

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
    , m_serverName(serverNameFor(key))
    , m_lockFilePath(lockFilePathFor(key))
    , m_lock(m_lockFilePath)
{
    // A lock is stale only when its owner is gone: an instance that has been running for hours
    // keeps its key however old the file is.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    // m_lock unlocks itself.
}

bool SingleInstance::isRunning() { return !holdsKey(); }

bool SingleInstance::holdsKey()
{
    if (m_lock.isLocked())
        return true;
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError)
            return false;  // a live instance has it
        // The lock file cannot be made at all (temp folder not writable…). Fall back on asking
        // the socket: if nobody answers, run rather than refuse to start.
        qWarning("SingleInstance: cannot create the lock file %s", qPrintable(m_lockFilePath));
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        return !probe.waitForConnected(500);
    }

    // The key is ours: whatever socket file is left from an earlier instance is dead.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!m_server->listen(m_serverName))
        qWarning("SingleInstance: cannot listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
    return true;
}

bool SingleInstance::sendMessage(const QString& message, int timeoutMs)
{
    if (m_lock.isLocked())
        return false;  // we are the running instance
    const QByteArray payload = message.toUtf8();
    if (payload.size() > MaxMessageBytes)
        return false;

    const QDeadlineTimer deadline(timeoutMs);  // negative: forever
    QLocalSocket socket;
    // The running instance may have taken the lock a moment ago and not be listening yet; with
    // no lock file at all there is nobody to wait for.
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(remaining(deadline)))
            break;
        if (deadline.hasExpired() || !QFile::exists(m_lockFilePath))
            return false;
        QThread::msleep(quint32(qMin(ConnectRetryMs, remaining(deadline))));
        if (deadline.hasExpired())
            return false;
    }

    QByteArray frame(HeaderBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    frame += payload;
    if (socket.write(frame) != frame.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining(deadline)))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(remaining(deadline)))
            return false;
    }
    char answer = 0;
    const bool acknowledged = socket.getChar(&answer) && answer == Acknowledge;
    socket.disconnectFromServer();
    return acknowledged;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessages(socket); });
        readMessages(socket);
    }
}

void SingleInstance::readMessages(QLocalSocket* socket)
{
    while (socket->bytesAvailable() >= HeaderBytes) {
        const QByteArray header = socket->peek(HeaderBytes);
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        if (length > quint32(MaxMessageBytes)) {
            socket->abort();  // not one of ours
            return;
        }
        if (socket->bytesAvailable() < HeaderBytes + qint64(length))
            return;
        socket->skip(HeaderBytes);
        const QString message = QString::fromUtf8(socket->read(qint64(length)));
        socket->putChar(Acknowledge);
        socket->flush();
        emit messageReceived(message);
    }
}
