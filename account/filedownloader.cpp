#include "filedownloader.h"

#include "loginfo.h"
#include "webaddress.h"
#include "wholefile.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

FileDownloader::FileDownloader(QObject* parent)
    : QObject(parent)
{
}

void FileDownloader::startDownload(QString url)
{
    m_tooLarge = false;
    if (!isWebAddress(url)) {
        loginfo(QStringLiteral("download of \"%1\" refused: not an http or https address").arg(url));
        m_ok = false;
        m_data.clear();
        // Reported as any failed download is: after the caller has returned.
        QMetaObject::invokeMethod(this, &FileDownloader::downloaded, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(m_timeoutMs);
    if (!m_manager) {  // made at the first download: a network manager is slow to make
        m_manager = new QNetworkAccessManager(this);
        connect(m_manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
    }
    QNetworkReply* reply = m_manager->get(request);
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64 total) { onProgress(reply, received, total); });
}

void FileDownloader::onProgress(QNetworkReply* reply, qint64 received, qint64 total)
{
    if (received > m_maxBytes || total > m_maxBytes) {
        m_tooLarge = true;
        reply->abort();
        return;
    }
    emit progress(received, total);
}

void FileDownloader::fileDownloaded(QNetworkReply* pReply)
{
    m_ok = pReply->error() == QNetworkReply::NoError && !m_tooLarge;
    m_data = m_tooLarge ? QByteArray() : pReply->readAll();
    if (m_tooLarge)
        loginfo(QStringLiteral("download of %1 refused: more than %2 bytes")
                    .arg(pReply->url().toString())
                    .arg(m_maxBytes));
    else if (!m_ok)
        loginfo(QStringLiteral("download of %1 failed: %2").arg(pReply->url().toString(), pReply->errorString()));
    pReply->deleteLater();
    emit downloaded();
}

QByteArray FileDownloader::downloadedData() const { return m_data; }

bool FileDownloader::saveTo(const QString& path) const { return writeWholeFile(path, m_data); }
