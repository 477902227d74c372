#include "logcapture.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

namespace {
QMutex g_mutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker lock(&g_mutex);
    g_lines << message;
}
}  // namespace

LogCapture::LogCapture()
{
    // The program's categories are quiet unless asked for.
    QLoggingCategory::setFilterRules(QStringLiteral("zr540.*.debug=true"));
    clear();
    g_previous = qInstallMessageHandler(collect);
}

LogCapture::~LogCapture() { qInstallMessageHandler(g_previous); }

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&g_mutex);
    return g_lines;
}

bool LogCapture::contains(const QString& line) const { return count(line) > 0; }

int LogCapture::count(const QString& line) const
{
    QMutexLocker lock(&g_mutex);
    return static_cast<int>(g_lines.count(line));
}

void LogCapture::clear()
{
    QMutexLocker lock(&g_mutex);
    g_lines.clear();
}
