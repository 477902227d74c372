// Everything below a folder, for tests that check what a save or an unpacking left behind:
// relative path -> content. Folders end in "/" and hold nothing; links are not followed and hold
// "link <target>".
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

using FolderSnapshot = QMap<QString, QByteArray>;

inline FolderSnapshot folderSnapshot(const QString& root)
{
    FolderSnapshot tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString name = QDir(root).relativeFilePath(entry.filePath());
        QFile file(entry.filePath());
        if (entry.isSymLink())
            tree.insert(name, "link " + entry.symLinkTarget().toUtf8());
        else if (entry.isDir())
            tree.insert(name + QLatin1Char('/'), QByteArray());
        else
            tree.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("(unreadable)"));
    }
    return tree;
}
