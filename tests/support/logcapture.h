// Collects the program's log lines (qDebug and friends) while it lives, from any thread.
#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>

class LogCapture {
public:
    LogCapture()
    {
        // The program's categories are quiet unless asked for.
        QLoggingCategory::setFilterRules(QStringLiteral("zr540.*.debug=true"));
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
        s_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            QMutexLocker lock(&s_mutex);
            s_lines << message;
        });
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&s_mutex);
        return s_lines;
    }

private:
    static inline QMutex s_mutex;
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};
