#include "pcactiontable.h"

#include "apppaths.h"

#include <QDir>
#include <QFileInfo>

PcActionTable::PcActionTable(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &PcActionTable::reload);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &PcActionTable::reload);
    reload();
}

void PcActionTable::watch()
{
    // A file replaced by rename drops out of the watch list; what exists now is watched again.
    const QString file = AppPaths::pcFunctionFile();
    const QString folder = QFileInfo(file).absolutePath();
    QStringList wanted;
    if (QFileInfo::exists(file))
        wanted << file;
    if (QFileInfo(folder).isDir())
        wanted << folder;
    else
        wanted << QFileInfo(folder).absolutePath();  // to see the folder being created

    const QStringList current = m_watcher.files() + m_watcher.directories();
    QStringList stale;
    for (const QString& p : current) {
        if (!wanted.contains(p))
            stale << p;
    }
    if (!stale.isEmpty())
        m_watcher.removePaths(stale);
    QStringList missing;
    for (const QString& p : wanted) {
        if (!current.contains(p))
            missing << p;
    }
    if (!missing.isEmpty())
        m_watcher.addPaths(missing);
}

void PcActionTable::reload()
{
    watch();
    const PcActionStore::Entries fresh = PcActionStore::readEntries();
    if (fresh == m_entries)
        return;
    m_entries = fresh;
    emit changed();
}

bool PcActionTable::lookup(int button, int& function, QString& path) const
{
    function = 0;
    path.clear();
    if (!Button::isButton(button))
        return false;
    const PcActionStore::Entry& e = m_entries[std::size_t(Button::indexOf(button))];
    if (!e.active)
        return false;
    function = e.function;
    path = e.path;
    return true;
}

std::vector<int> PcActionTable::activeButtons() const
{
    std::vector<int> buttons;
    for (int button = Button::First; button <= Button::LastWithMessage; ++button) {
        if (m_entries[std::size_t(Button::indexOf(button))].active)
            buttons.push_back(button);
    }
    return buttons;
}

bool PcActionTable::handleButton(int button, const PcActionRunner& runner) const
{
    int function = 0;
    QString path;
    if (!lookup(button, function, path))
        return false;
    runner.run(function, path);  // its outcome does not change what happens to the press
    return true;
}
