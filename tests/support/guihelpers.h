// What the window tests share: Qt's widgets and test library, a dialog that comes up modal, a click
// on a child by name or on a list's row, mouse and key events as the platform delivers them, and what a signal spy
// caught, as plain lists.
#pragma once

#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>

using Calls = QList<QVariantList>;

// Runs `act` on the next modal dialog as soon as it is up (the window's dialogs are modal). The
// caller deletes the returned poll when no dialog is expected after all.
inline QTimer* onNextModal(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(10);
    return poll;
}

// A click on the button `name` below `parent`, near its left edge: a radio button or check box
// reacts on its indicator and text only.
inline void clickChild(const QObject* parent, const QString& name)
{
    QAbstractButton* button = childOf<QAbstractButton>(parent, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(qMin(8, button->width() / 2), button->height() / 2));
}

// A click on row `row` of a list, as the user makes it.
inline void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// A click on a slider's track, left of its middle.
inline void clickTrack(QSlider* track)
{
    QTest::mouseClick(track, Qt::LeftButton, Qt::NoModifier, QPoint(track->width() * 3 / 10, track->height() / 2));
}

// One mouse event at `at`: a press or a move holds `button`, a release lets it go. (QTest's own
// take (0, 0) for "the middle of the widget", and send no moves with a button held.)
inline void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, target->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A key event as xcb delivers it: no Qt key, the X keysym as the native virtual key.
inline void sendKeysym(QWidget* target, QEvent::Type type, quint32 keysym, bool autoRepeat = false)
{
    QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, 0, keysym, 0, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

// Every call a spy caught, with all its arguments.
inline Calls calls(const QSignalSpy& spy)
{
    Calls out;
    for (const QList<QVariant>& call : spy)
        out << call;
    return out;
}

// The first argument of every call a spy caught.
inline QList<int> firstInts(const QSignalSpy& spy)
{
    QList<int> out;
    for (const QList<QVariant>& call : spy)
        out << call.at(0).toInt();
    return out;
}
