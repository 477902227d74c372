// FileDownloader: fetches one absolute address (a cloud archive, a firmware file) with a plain
// GET and keeps the bytes for the page that asked.
//
// Every finished reply is reported with downloaded(), an HTTP error too: the bytes are then
// whatever the server sent (an error page, or nothing). lastDownloadOk() tells the two apart,
// so a caller never has to take an error page for the file it wanted.
//
// A download is bounded: a reply that announces or brings more than maxBytes() is cut off and
// counts as failed, and a server that sends nothing for transferTimeoutMs() ends it the same way.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

class FileDownloader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultMaxBytes = qint64(64) << 20;
    static constexpr int DefaultTransferTimeoutMs = 30000;

    explicit FileDownloader(QObject* parent = nullptr);

    // A copy of the bytes of the last finished download.
    QByteArray downloadedData() const;
    // True when the last finished download arrived whole, without a network or HTTP error.
    bool lastDownloadOk() const { return m_ok; }
    // Writes the bytes of the last download as the whole new content of `path` (temporary file
    // and rename: an interrupted write never leaves half a file). False when that failed.
    bool saveTo(const QString& path) const;

    qint64 maxBytes() const { return m_maxBytes; }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    int transferTimeoutMs() const { return m_timeoutMs; }
    void setTransferTimeoutMs(int ms) { m_timeoutMs = ms; }

public slots:
    void startDownload(QString url);
    void fileDownloaded(QNetworkReply* pReply);

signals:
    void downloaded();
    // Bytes received so far and in all (-1 while the server has not said).
    void progress(qint64 received, qint64 total);

private:
    void onProgress(QNetworkReply* reply, qint64 received, qint64 total);

    QNetworkAccessManager* m_manager = nullptr;
    QByteArray m_data;
    bool m_ok = false;
    bool m_tooLarge = false;
    qint64 m_maxBytes = DefaultMaxBytes;
    int m_timeoutMs = DefaultTransferTimeoutMs;
};
