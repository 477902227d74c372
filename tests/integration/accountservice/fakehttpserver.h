// A small HTTP/1.1 server on a loopback port for the account client's tests: it records every
// request as it arrived on the wire (method, target, header lines in their order and letter
// case, body) and answers each with the reply the test set, then closes the connection.
// It serves replies the real server never sends: bodies that are not JSON, header names in
// another letter case, error statuses, oversized bodies.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;
class QTcpSocket;

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

struct RecordedRequest {
    QByteArray method;
    QByteArray target;
    HeaderList headers;
    QByteArray body;

    // The values of every header of that name, compared without regard to letter case.
    QList<QByteArray> headerValues(const QByteArray& name) const;
    QByteArray header(const QByteArray& name) const;
};

struct CannedReply {
    int status = 200;
    HeaderList headers;
    QByteArray body;
};

class FakeHttpServer : public QObject {
    Q_OBJECT
public:
    explicit FakeHttpServer(QObject* parent = nullptr);

    bool listen();
    quint16 port() const;
    QString baseUrl() const;

    void setReply(const CannedReply& reply) { m_reply = reply; }
    // {"code": code, "msg": msg, "data": data} with status 200 and the given headers.
    void setJsonReply(const QByteArray& json, const HeaderList& headers = {});

    const QList<RecordedRequest>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Processes events until `count` requests arrived or the time is up.
    bool waitForRequests(int count, int timeoutMs = 5000);

    // A loopback port nobody listens on.
    static quint16 closedPort();

private:
    void onConnection();
    void onData(QTcpSocket* socket);

    QTcpServer* m_server;
    CannedReply m_reply;
    QList<RecordedRequest> m_requests;
};

// The parts of a multipart/form-data body: each part's header lines and content.
struct MultipartPart {
    HeaderList headers;
    QByteArray content;
};
bool parseMultipart(const QByteArray& contentType, const QByteArray& body, QList<MultipartPart>& parts);
