// PcActionTable: the PC-side function file held in memory for the hooks.
//
// The hooks decide on every press, in the GUI thread, while the pointer may be frozen (X11) or
// the desktop waits for the hook (Windows): no disk on a press. The table reads the twelve
// entries once through PcActionStore and again whenever the file changes. Writers replace the
// file by renaming a new one over it, and it may appear or vanish later (the first function set,
// a factory reset), so both the file and its folder are watched, and the data root while the
// folder itself is missing.
#pragma once

#include "pcactionrunner.h"
#include "pcactionstore.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <vector>

class PcActionTable : public QObject {
    Q_OBJECT
public:
    explicit PcActionTable(QObject* parent = nullptr);

    // Reads the file anew; emits changed() when an entry differs from before.
    void reload();

    // True when the button has an active entry; then `function` and `path` hold it.
    bool lookup(int button, int& function, QString& path) const;
    // The ids up to Button::LastWithMessage with an active entry: the buttons whose presses may
    // need swallowing.
    std::vector<int> activeButtons() const;

    // The press of `button`: with an active entry, its function is carried out and the press is
    // swallowed (true), whatever came of the function: an empty path or an unknown code is
    // swallowed too and does nothing. Without one, the press passes (false).
    bool handleButton(int button, const PcActionRunner& runner) const;

signals:
    void changed();

private:
    void watch();

    QFileSystemWatcher m_watcher;
    PcActionStore::Entries m_entries;
};
