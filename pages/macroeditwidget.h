// MacroEditWidget: the macro page of the main window. It lists the macro library (one title
// folder, one file per macro), creates, renames and deletes macros, records a macro from the
// keyboard and three on-screen mouse buttons, edits the event list row by row and sets how the
// mouse plays the macro.
//
// The page never talks to the mouse; every change of a macro is written to its file at once. The
// main window dims its header buttons with sig_HeaderButtonEnable and switches the keyboard
// hook's repeat suppression with sig_Recording.
#pragma once

#include "macronode.h"
#include "operatemacrofile.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QModelIndex;

namespace Ui {
class MacroEditWidget;
}

class MacroEditWidget : public QWidget {
    Q_OBJECT

public:
    // The item-data role under which event rows carry their record and name rows their path.
    static constexpr int RowRole = Qt::UserRole + 1;
    // Row kinds ("0" of an event row's record).
    enum RowKind { KeyRow = 3, DelayRow = 4, MovementRow = 6 };
    // The longest delay the mouse can play, in milliseconds; longer typed delays are cut to it.
    static constexpr int kMaxDelay = 65534 * 100 + 99;

    // Milliseconds on a monotonic clock; the recording stopwatch reads it.
    using Clock = std::function<qint64()>;

    explicit MacroEditWidget(QWidget* parent = nullptr);
    ~MacroEditWidget() override;

    void setClock(Clock clock);

signals:
    void sig_HeaderButtonEnable(bool state);
    // true when a recording starts, false when it ends: repeated key messages are to be swallowed
    // in between.
    void sig_Recording(bool recording);

public slots:
    void reLoadMacroNamelist();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private slots:
    void slot_MacroNameEditFinishedfunc();

    void on_MacroTitleComboBox_currentTextChanged(const QString& title);
    void on_MacroNameListWidget_itemPressed(QListWidgetItem* item);
    void on_MacroNameListWidget_activated(const QModelIndex& index);
    void on_CreateButton_clicked();
    void on_DeleteButton_clicked();
    void on_AddEventButton_clicked();
    void on_ReduceEventButton_clicked();
    void on_EditEventButton_clicked();
    void on_StartRecordButton_clicked();
    void on_AddCertainButton_clicked();

    void on_ChangeOrInsertKeyRadioButton_clicked();
    void on_ChangeOrInsertDelayTimeRadioButton_clicked();
    void on_ChangeOrInsetAMousePositionRadioButton_clicked();

    void on_LeftMouseButton_pressed();
    void on_LeftMouseButton_released();
    void on_LeftMouseButton_clicked();
    void on_MidMouseButton_pressed();
    void on_MidMouseButton_released();
    void on_MidMouseButton_clicked();
    void on_RightMouseButton_pressed();
    void on_RightMouseButton_released();
    void on_RightMouseButton_clicked();

    void on_RepeatTimesSpinBox_valueChanged(int n);
    void on_IgnoreEventWaiteTimeCheckBox_clicked();
    void on_LoopCount_RadioButton_clicked();
    void on_PlayUntilPressAgain_RadioButton_clicked();
    void on_PlayWhenItPressed_RadioButton_clicked();

    void checkIsTwoNormalTime();
    void updateMacroFile();
    void deleteListWidgetAllItem(QListWidget* list);
    QString getCurrentTitlePath() const;
    void setEditKeyAddDelayTimeState(bool addKey, bool addDelayTime);
    void setMacroNameInFile(QString name, QString path);
    void setMacroRepeateTimesInFile(int times);
    void setMacroKeyInFile(QList<MacroNode> nodeList, QString path);
    void setMacroTypeInFile(int type);
    void deleteFile(QString path);
    void EditArrayEditable(bool state);
    void setRightMouseButtonShowOrHide(bool state);
    void loadNameList(QString path);
    void loadEventList(QString path);
    void addEventListTimeItem(int type, int time, int row);
    void addEventListTextItem(MacroNode node, int row);
    void addEventListPositionItem(MacroNode node, int row);
    MacroNode createMouseButtonMacroNode(int state, int keyValue, QString text);

private:
    QString currentMacroPath() const;
    void loadMacro(const QString& path);
    void insertEventRow(QListWidgetItem* item, int row);
    void recordNode(const MacroNode& node);
    void mouseButtonEvent(int keyValue, int state);
    void mouseButtonClicked(int keyValue);
    qint64 restartStopwatch();

    Ui::MacroEditWidget* ui;
    OperateMacroFile m_file;
    Clock m_clock;
    qint64 m_stopwatchStart = 0;
    bool m_recording = false;
    bool m_addKey = false;
    bool m_addDelayTime = false;
    bool m_changeRow = false;
    bool m_firstEvent = false;
    QList<MacroNode> m_pending;
};
