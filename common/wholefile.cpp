#include "wholefile.h"

#include "loginfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool writeWholeFile(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        loginfo(QStringLiteral("cannot create the folder of %1").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    return true;
}

bool readWholeFile(const QString& path, QByteArray& content)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    content = file.readAll();
    return file.error() == QFileDevice::NoError;
}
