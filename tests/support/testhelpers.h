// Small helpers many tests share.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTest>

// The value of `column` in the current data row, where a QFETCH would name it for one use.
template <typename T> T fetched(const char* column) { return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>())); }

// The whole content of `path`; empty when it cannot be read.
inline QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `size` bytes from `offset` of a byte container (the simulated mouse's memory, its picture), to compare.
template <typename Bytes> QByteArray bytesOf(const Bytes& bytes, int offset, int size)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()) + offset, size);
}

// The child of `parent` named `name`; the test program stops when there is none.
template <typename T> T* childOf(const QObject* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("no %s", qPrintable(name));
    return child;
}
