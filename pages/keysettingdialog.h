// KeySettingDialog: what one button of the mouse does. A dark overlay of the window's size with
// four pages: a keyboard key with modifiers, one or more recorded macros, an entry of the fixed
// catalogue of mouse, system and media functions, and a PC-side function the program carries out
// itself (that tab is hidden). "禁用按键" disables the button, "恢复默认" gives it back its
// factory function.
//
// The dialog reaches the engine only through its three signals, which the window queues to it.
// Only the PC-side function file is written here directly.
#pragma once

#include "operatemacrofile.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Ui {
class KeySettingDialog;
}

class KeySettingDialog : public QDialog {
    Q_OBJECT
public:
    // Pages of the stacked widget.
    enum Page { KeyCombinationPage = 0, MacroPage = 1, BasicFunctionPage = 2, HighestFunctionPage = 3 };
    // Modifier bits of countModifyValue.
    enum Modifier { CtrlBit = 1, ShiftBit = 2, AltBit = 4, WinBit = 8 };

    struct BasicFunction {
        const char* text;     // the row's text
        uint key;
        uint modifier;
        int changeType;
        const char* logText;  // logged when OK sends it
    };
    // The catalogue of BasicFuctionListWidget, row by row.
    static const BasicFunction basicFunctions[];
    static const int basicFunctionCount;

    explicit KeySettingDialog(QWidget* parent = nullptr);
    ~KeySettingDialog() override;

    // Which button the dialog edits, a Button::Id (called after show, before exec): the title, how many macros
    // may be checked, and whether the PC-side tab may show.
    void setChangedKey(int changedKey);

signals:
    void sig_ButtonChangeToKey(int button, uint pysicalButton, uint changedModifyKey, int changeType);
    void sig_WriteSingleMacro(int button, QString path);
    void sig_WriteListMacro(QList<QString> macroList);

public slots:
    void on_CloseBattaryButton_clicked();
    void on_ConbinationKeyButton_clicked();
    void setPage(int type);
    void on_MarcoEditButton_clicked();
    void on_BasicFunctionButton_clicked();
    void on_HighestFunctionButton_clicked();
    void loadMacroTitleListWidget();
    void addMacroTitleWidgetItem(QString text, QListWidget* listWidget, QString filePaths);
    void addMacroListWigetItem(QString text, QListWidget* listWidget, QString filePath);
    void deleteListWidgetAllItem(QListWidget* listWidget);
    void on_MacroTitleListWidget_itemClicked(QListWidgetItem* item);
    void on_OKButton_clicked();
    void on_BackToDefalutButton_clicked();
    void setCheckBoxCheckState(QCheckBox* checkBox);
    void on_CtrlCheckBox_stateChanged(int state);
    void on_AltCheckBox_stateChanged(int state);
    void on_ShiftCheckBox_stateChanged(int state);
    void on_WinCheckBox_stateChanged(int state);
    void setKeyToBasicFunction();
    void setKeyToHighestFunction();
    void on_PlayMusicButton_clicked();
    void on_PlayMusicCheckBox_clicked();
    void setHighFunctionWidgetUnable();
    void on_StartProgramCheckBox_clicked();
    void on_OpenFileCheckBox_clicked();
    void on_OpenDirectoryCheckBox_clicked();
    void on_StartProgramButton_clicked();
    void on_OpenFileButton_clicked();
    void on_OpenDirectoryButton_clicked();
    void slot_SetMacroListWidgetItemSelected(int row);
    void slot_CheckIsOutOfMacroCheckRange();
    int countMacroCheckedNumber();
    QString getMacroSinglePath();
    QList<QString> getMacroListPath();
    int countModifyValue();
    void on_MacroNameListWidget_itemClicked(QListWidgetItem* item);

protected:
    // Captures the key on the key page; never hands a key on (Esc must not close the dialog).
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void selectTab(QPushButton* tab, int page);
    void clearPcFunction();
    void chooseFile(QLineEdit* lineEdit, const QString& title, const QString& folder, const QString& filter);

    Ui::KeySettingDialog* ui;
    int m_button = 0;
    uint m_vkCode = 0;
    int m_modifiers = 0;
    int m_maxMacros = 1;
    OperateMacroFile* m_macroFile = nullptr;
};
