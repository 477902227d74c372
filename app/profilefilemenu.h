// ProfileFileMenu: the context menu of the five profile buttons, which exports a local profile
// (with its macros and the OLED picture) to one profile file and imports one into it. The file
// is checked whole before anything is written (ProfilePackage); an imported profile is then
// selected, so the engine loads it into the mouse.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QPushButton;
class QWidget;

class ProfileFileMenu : public QObject {
    Q_OBJECT
public:
    // `buttons` are profile 1 … 5; their dialogs and messages open over `window`.
    ProfileFileMenu(const QList<QPushButton*>& buttons, QWidget* window);

    // What the menu's entries do once a file is chosen; false (and a message shown) on failure.
    bool exportProfile(int number, const QString& path);
    bool importProfile(int number, const QString& path);

signals:
    // Profile `number` was replaced: select it, which loads it into the mouse.
    void profileImported(int number);
    // The imported file carried a picture, now saved: send it to the mouse.
    void pictureImported();

private:
    void showMenu(int number, QPushButton* button);

    QWidget* const m_window;
};
