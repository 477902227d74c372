#include "apppaths.h"

#include "loginfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {
QMutex g_mutex;
QString g_root;
}  // namespace

QString AppPaths::dataRoot()
{
    {
        QMutexLocker lock(&g_mutex);
        if (!g_root.isEmpty())
            return g_root;
    }
    const QString root = resolveDataRoot();
    QMutexLocker lock(&g_mutex);
    if (g_root.isEmpty())
        g_root = root;
    return g_root;
}

void AppPaths::setDataRoot(const QString& root)
{
    QMutexLocker lock(&g_mutex);
    g_root = QDir::cleanPath(root);
}

QString AppPaths::installedDataDir()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {appDir, appDir + QStringLiteral("/../share/zr540")}) {
        if (QFileInfo(candidate + QStringLiteral("/ConfigFiles")).isDir())
            return QDir::cleanPath(candidate);
    }
    return QString();
}

QString AppPaths::resolveDataRoot()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QFileInfo appDirInfo(appDir);
    if (appDirInfo.isWritable() && QFileInfo(appDir + QStringLiteral("/ConfigFiles")).isDir())
        return QDir::cleanPath(appDir);  // portable install

    QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (userDir.isEmpty())
        userDir = QDir::homePath() + QStringLiteral("/.zr540");
    QDir().mkpath(userDir);
    const QString installed = installedDataDir();
    if (!installed.isEmpty() && !seed(installed, userDir))
        loginfo(QStringLiteral("seeding %1 from %2 was incomplete").arg(userDir, installed));
    return QDir::cleanPath(userDir);
}

bool AppPaths::seed(const QString& from, const QString& to)
{
    bool ok = true;
    const QDir source(from);
    // Only the data the program owns: not the program file nor its libraries.
    for (const QString& top : {QStringLiteral("ConfigFiles"), QStringLiteral("font"), QStringLiteral("keysetting"),
                               QStringLiteral("system")}) {
        if (!QFileInfo(source.filePath(top)).isDir())
            continue;
        // Folders too: the macro library's title folders come empty.
        QDirIterator it(source.filePath(top), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = to + QLatin1Char('/') + source.relativeFilePath(file);
            if (it.fileInfo().isDir()) {
                if (!QDir().mkpath(target))
                    ok = false;
                continue;
            }
            if (QFileInfo::exists(target))
                continue;
            QDir().mkpath(QFileInfo(target).absolutePath());
            if (!QFile::copy(file, target))
                ok = false;
            else
                QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
        QDir().mkpath(to + QLatin1Char('/') + top);
    }
    return ok;
}

QString AppPaths::configFilesDir() { return dataRoot() + QStringLiteral("/ConfigFiles"); }

QString AppPaths::localFileDir() { return configFilesDir() + QStringLiteral("/LocalFile"); }

QString AppPaths::profileFile(int number)
{
    return QStringLiteral("%1/%2/%3%4%5")
        .arg(configFilesDir(), QStringLiteral("LocalFile"), QStringLiteral("Config"), QString::number(number),
             QStringLiteral(".txt"));
}

QString AppPaths::macroFilesDir() { return configFilesDir() + QStringLiteral("/MacroFiles"); }

QString AppPaths::settingsFile() { return dataRoot() + QStringLiteral("/system/system.ini"); }

QString AppPaths::pcFunctionFile() { return dataRoot() + QStringLiteral("/keysetting/HighestFunction.ini"); }

QString AppPaths::pictureFile() { return dataRoot() + QStringLiteral("/drawImage.BMP"); }

QString AppPaths::updateDir() { return dataRoot() + QStringLiteral("/Update"); }

QString AppPaths::fontFile() { return dataRoot() + QStringLiteral("/font/FZSHANGKJW.ttf"); }
