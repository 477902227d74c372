#include "fakehttpserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

HeaderList parseHeaderLines(const QByteArray& block)
{
    HeaderList headers;
    for (const QByteArray& line : block.split('\n')) {
        const QByteArray trimmed = line.endsWith('\r') ? line.left(line.size() - 1) : line;
        const int colon = trimmed.indexOf(':');
        if (colon > 0)
            headers.append(qMakePair(trimmed.left(colon), trimmed.mid(colon + 1).trimmed()));
    }
    return headers;
}

}  // namespace

QList<QByteArray> RecordedRequest::headerValues(const QByteArray& name) const
{
    QList<QByteArray> values;
    for (const auto& header : headers) {
        if (header.first.toLower() == name.toLower())
            values.append(header.second);
    }
    return values;
}

QByteArray RecordedRequest::header(const QByteArray& name) const
{
    const QList<QByteArray> values = headerValues(name);
    return values.isEmpty() ? QByteArray() : values.first();
}

FakeHttpServer::FakeHttpServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onConnection);
}

bool FakeHttpServer::listen() { return m_server->listen(QHostAddress::LocalHost, 0); }

quint16 FakeHttpServer::port() const { return m_server->serverPort(); }

QString FakeHttpServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

void FakeHttpServer::setJsonReply(const QByteArray& json, const HeaderList& headers)
{
    CannedReply reply;
    reply.headers = headers;
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json; charset=utf-8")));
    reply.body = json;
    m_reply = reply;
}

bool FakeHttpServer::waitForRequests(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_requests.size() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return m_requests.size() >= count;
}

quint16 FakeHttpServer::closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void FakeHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeHttpServer::onData(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = buffer.left(end);
    const int firstLineEnd = head.indexOf("\r\n");
    const QList<QByteArray> requestLine = head.left(firstLineEnd < 0 ? head.size() : firstLineEnd).split(' ');
    RecordedRequest request;
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.headers = parseHeaderLines(firstLineEnd < 0 ? QByteArray() : head.mid(firstLineEnd + 2));
    const int length = request.header("Content-Length").toInt();
    if (buffer.size() - (end + 4) < length)
        return;  // the body is still coming
    request.body = buffer.mid(end + 4, length);
    socket->setProperty("buffer", QByteArray());
    m_requests.append(request);

    // The reason phrase means nothing to the client.
    QByteArray response = "HTTP/1.1 " + QByteArray::number(m_reply.status) + " Canned\r\n";
    for (const auto& header : m_reply.headers)
        response += header.first + ": " + header.second + "\r\n";
    response += "Content-Length: " + QByteArray::number(m_reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    response += m_reply.body;
    socket->write(response);
    socket->disconnectFromHost();
}

bool parseMultipart(const QByteArray& contentType, const QByteArray& body, QList<MultipartPart>& parts)
{
    parts.clear();
    const int at = contentType.indexOf("boundary=");
    if (!contentType.startsWith("multipart/form-data") || at < 0)
        return false;
    QByteArray boundary = contentType.mid(at + 9);
    if (boundary.startsWith('"') && boundary.endsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    const QByteArray delimiter = "--" + boundary;

    if (!body.startsWith(delimiter + "\r\n"))
        return false;
    int pos = delimiter.size() + 2;
    for (;;) {
        const int next = body.indexOf("\r\n" + delimiter, pos);
        if (next < 0)
            return false;
        const QByteArray part = body.mid(pos, next - pos);
        const int split = part.indexOf("\r\n\r\n");
        if (split < 0)
            return false;
        parts.append({parseHeaderLines(part.left(split)), part.mid(split + 4)});
        pos = next + 2 + delimiter.size();
        if (body.mid(pos, 2) == "--")
            return body.mid(pos + 2).trimmed().isEmpty();  // the closing delimiter
        if (body.mid(pos, 2) != "\r\n")
            return false;
        pos += 2;
    }
}
