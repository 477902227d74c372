// The BMP Suite (../shared/testdata/bmpsuite: good, questionable and bad pictures) as test rows,
// and a way to leave the heap full of a known pattern before a picture is decoded, so a pixel the
// decoder never writes shows up as a difference between two runs.
#pragma once

#include <QDir>
#include <QImage>
#include <QtTest>
#include <vector>

// Adds one row per BMP Suite file to a test with a QString column "path"; false when the suite
// is not beside the project (the caller skips).
inline bool addBmpSuiteRows()
{
    const QDir suite(QStringLiteral(ZR540_SHARED_TESTDATA_DIR "/bmpsuite"));
    if (!suite.exists())
        return false;
    for (const char* folder : {"g", "q", "b"}) {
        for (const QString& name : QDir(suite.filePath(folder)).entryList({"*.bmp"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(folder, name))) << suite.filePath(folder) + "/" + name;
    }
    return true;
}

// Allocates and frees 8 MiB of images filled with all zeros (run 0) or all ones (run 1).
inline void litterHeap(int run)
{
    std::vector<QImage> litter;
    for (int i = 0; i < 8; ++i)
        litter.emplace_back(512, 512, QImage::Format_ARGB32).fill(run == 0 ? 0x00000000u : 0xFFFFFFFFu);
}
