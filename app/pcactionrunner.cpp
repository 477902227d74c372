#include "pcactionrunner.h"

#include "pcactionstore.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSound>

PcActionRunner::SystemActions PcActionRunner::desktopActions()
{
    SystemActions actions;
    actions.playSound = [](const QString& file) {
        QSound::play(file);  // asynchronous; QSound reports nothing back
        return true;
    };
    actions.startProgram = [](const QString& program) {
        // The program alone, no command line to split: paths with spaces stay whole.
        return QProcess::startDetached(program, QStringList(), QFileInfo(program).absolutePath());
    };
    actions.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return actions;
}

PcActionRunner::PcActionRunner(SystemActions actions) : m_actions(std::move(actions)) {}

bool PcActionRunner::run(int function, const QString& path) const
{
    if (function < PcActionStore::PlaySound || function > PcActionStore::OpenFolder || path.isEmpty()
        || !QDir::isAbsolutePath(path))
        return false;
    const QFileInfo target(path);
    const bool present = function == PcActionStore::OpenFolder ? target.isDir() : target.isFile();
    if (!present)
        return false;

    switch (function) {
    case PcActionStore::PlaySound:
        return m_actions.playSound && m_actions.playSound(path);
    case PcActionStore::StartProgram:
        return m_actions.startProgram && m_actions.startProgram(path);
    default:
        // A file opens with its application, a folder in the file manager. fromLocalFile, not
        // "file:///" + path: a '#' or '%' in a name would otherwise be read as URL syntax.
        return m_actions.openUrl && m_actions.openUrl(QUrl::fromLocalFile(path));
    }
}
