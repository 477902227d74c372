#include "pcactionrunner.h"

#include "pcactionstore.h"

#include "loginfo.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>

namespace {
using PlaySound = bool (*)(const QString& file);

// The sound player lives in a module of its own (app/sound), loaded at the first sound: linked
// into the program, Qt Multimedia and the libraries under it would load at every start. It stands
// beside the program in the build tree and in ../lib/zr540/modules when installed.
PlaySound soundPlayer()
{
    static const PlaySound play = [] {
        const QString here = QCoreApplication::applicationDirPath();
        for (const QString& path :
             {here + QStringLiteral("/zr540sound"), here + QStringLiteral("/../lib/zr540/modules/zr540sound")}) {
            QLibrary module(path);  // never unloaded: the player stays for the program's life
            if (auto found = reinterpret_cast<PlaySound>(module.resolve("zr540PlaySound")))
                return found;
        }
        loginfo(QStringLiteral("cannot load the sound player zr540sound beside %1").arg(here));
        return PlaySound(nullptr);
    }();
    return play;
}
}  // namespace

PcActionRunner::SystemActions PcActionRunner::desktopActions()
{
    SystemActions actions;
    actions.playSound = [](const QString& file) {
        const PlaySound play = soundPlayer();
        return play && play(file);
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
