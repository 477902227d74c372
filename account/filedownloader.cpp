#include "filedownloader.h"

#include "loginfo.h"
#include "wholefile.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

FileDownloader::FileDownloader(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    connect(m_manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
}

void FileDownloader::startDownload(QString url)
{
    m_manager->get(QNetworkRequest(QUrl(url)));
}

void FileDownloader::fileDownloaded(QNetworkReply* pReply)
{
    m_data.clear();
    m_data = pReply->readAll();
    m_ok = pReply->error() == QNetworkReply::NoError;
    if (!m_ok)
        loginfo(QStringLiteral("download of %1 failed: %2")
                    .arg(pReply->url().toString(), pReply->errorString()));
    pReply->deleteLater();
    emit downloaded();
}

QByteArray FileDownloader::downloadedData() const { return m_data; }

bool FileDownloader::saveTo(const QString& path) const { return writeWholeFile(path, m_data); }
