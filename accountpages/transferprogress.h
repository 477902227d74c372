// How far a transfer has come, on a progress bar: a share of 100, or an endless bar while the
// total is unknown.
#pragma once

#include <QProgressBar>
#include <QtGlobal>

inline void showTransferProgress(QProgressBar* bar, qint64 done, qint64 total)
{
    if (total <= 0) {
        bar->setRange(0, 0);
        return;
    }
    bar->setRange(0, 100);
    bar->setValue(int(qBound<qint64>(0, done * 100 / total, 100)));
}
