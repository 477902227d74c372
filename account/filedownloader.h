// FileDownloader: fetches one absolute address (a cloud archive, a firmware file) with a plain
// GET and keeps the bytes for the page that asked.
//
// Every finished reply is reported with downloaded(), an HTTP error too: the bytes are then
// whatever the server sent (an error page, or nothing). lastDownloadOk() tells the two apart,
// so a caller never has to take an error page for the file it wanted.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

class FileDownloader : public QObject {
    Q_OBJECT
public:
    explicit FileDownloader(QObject* parent = nullptr);

    // A copy of the bytes of the last finished download.
    QByteArray downloadedData() const;
    // True when the last finished download arrived without a network or HTTP error.
    bool lastDownloadOk() const { return m_ok; }
    // Writes the bytes of the last download as the whole new content of `path` (temporary file
    // and rename: an interrupted write never leaves half a file). False when that failed.
    bool saveTo(const QString& path) const;

public slots:
    void startDownload(QString url);
    void fileDownloaded(QNetworkReply* pReply);

signals:
    void downloaded();

private:
    QNetworkAccessManager* m_manager;
    QByteArray m_data;
    bool m_ok = false;
};
