// Collects the program's log lines (qDebug and friends) while it lives, from any thread.
#pragma once

#include <QStringList>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const;  // a whole line, exactly
    int count(const QString& line) const;
    void clear();
};
