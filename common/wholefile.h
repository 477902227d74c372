// Files the program writes are written whole to a temporary file and renamed into place, so a
// crash mid-write never leaves a truncated or empty file behind. Reading never creates a file.
#pragma once

#include <QByteArray>
#include <QString>

// Writes `content` as the whole new content of `path`, creating its folder when missing.
// False (and the old file untouched) when anything failed.
bool writeWholeFile(const QString& path, const QByteArray& content);

// The whole content of `path`; false when it does not exist or cannot be read.
bool readWholeFile(const QString& path, QByteArray& content);
