#include "keysettingdialog.h"
#include "ui_keysettingdialog.h"

#include "form.h"
#include "keynametable.h"
#include "loginfo.h"
#include "mouseprotocol.h"
#include "mousevocabulary.h"
#include "pcactionstore.h"
#include "stylestate.h"
#include "virtualkeys.h"

#include <QDebug>
#include <QFileDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>

namespace {


// The name in the title, by button id.
const char* buttonName(int button)
{
    switch (button) {
    case Button::Left: return QT_TRANSLATE_NOOP("KeySettingDialog", "左键");
    case Button::Middle: return QT_TRANSLATE_NOOP("KeySettingDialog", "中键");
    case Button::Right: return QT_TRANSLATE_NOOP("KeySettingDialog", "右键");
    case Button::Forward: return QT_TRANSLATE_NOOP("KeySettingDialog", "前进");
    case Button::Back: return QT_TRANSLATE_NOOP("KeySettingDialog", "后退");
    case Button::WheelForward: return QT_TRANSLATE_NOOP("KeySettingDialog", "滚轮前滚");
    case Button::WheelBack: return QT_TRANSLATE_NOOP("KeySettingDialog", "滚轮后滚");
    case Button::DpiUp: return QT_TRANSLATE_NOOP("KeySettingDialog", "DPI+");
    case Button::DpiDown: return QT_TRANSLATE_NOOP("KeySettingDialog", "DPI-");
    case Button::Custom2: return QT_TRANSLATE_NOOP("KeySettingDialog", "自定义键2");
    case Button::Custom1: return QT_TRANSLATE_NOOP("KeySettingDialog", "自定义键1");
    case Button::Custom3: return QT_TRANSLATE_NOOP("KeySettingDialog", "自定义键3");
    default: return nullptr;
    }
}

Form* formOf(QListWidget* list, int row)
{
    return qobject_cast<Form*>(list->itemWidget(list->item(row)));
}

}  // namespace

// Consumer-control entries carry the usage's low byte as key, its high byte as modifier.
const KeySettingDialog::BasicFunction KeySettingDialog::basicFunctions[] = {
    {QT_TRANSLATE_NOOP("KeySettingDialog", "关闭窗口"), 0x57, CtrlBit, ChangeType::KeyboardKey, "关闭窗口"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "锁定电脑"), 0x4C, WinBit, ChangeType::KeyboardKey, "锁定窗口"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "运行"), 0x52, WinBit, ChangeType::KeyboardKey, "运行程序"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "显示桌面"), 0x44, WinBit, ChangeType::KeyboardKey, "显示桌面"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "进入经典桌面"), 0x44, WinBit, ChangeType::KeyboardKey, "进入经典桌面"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "切换程序"), 0x09, AltBit, ChangeType::KeyboardKey, "切换程序"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "放大屏幕"), 0xBB, CtrlBit, ChangeType::KeyboardKey, "放大屏幕"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "缩小屏幕"), 0xBD, CtrlBit, ChangeType::KeyboardKey, "缩小屏幕"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "查找"), 0x46, CtrlBit, ChangeType::KeyboardKey, "查找"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "鼠标左键"), 0xF0, 0, ChangeType::LeftButton, "鼠标左键"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "鼠标右键"), 0xF1, 0, ChangeType::RightButton, "鼠标右键"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "鼠标中键"), 0xF2, 0, ChangeType::MiddleButton, "鼠标中键"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "前进 "), 0xF7, 0, ChangeType::ForwardButton, "鼠标前进"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "后退 "), 0xF8, 0, ChangeType::BackButton, "鼠标后退"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "播放器"), 0x83, 0x01, ChangeType::ConsumerControl, "播放器"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "音量减小"), 0xEA, 0, ChangeType::ConsumerControl, "音量减小"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "音量加大"), 0xE9, 0, ChangeType::ConsumerControl, "音量加大"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "静音"), 0xE2, 0, ChangeType::ConsumerControl, "静音"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "狙击键"), 0, 0, ChangeType::DpiInstant, "阻击键"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "火力"), 0, 0, ChangeType::FireKey, "火力键"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "DPI+"), 0, 0, ChangeType::DpiAdd, "DPI+"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "DPI-"), 0, 0, ChangeType::DpiReduce, "DPI+"},
    {QT_TRANSLATE_NOOP("KeySettingDialog", "自定义键3"), 0, 0, ChangeType::ProfileLoop, "模式切换"},
};
const int KeySettingDialog::basicFunctionCount = int(sizeof basicFunctions / sizeof basicFunctions[0]);

KeySettingDialog::KeySettingDialog(QWidget* parent) : QDialog(parent), ui(new Ui::KeySettingDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The overlay is drawn see-through, so the window behind shows darkened.
    setAttribute(Qt::WA_TranslucentBackground);
    setFocus();
    m_macroFile = new OperateMacroFile;
    ui->CloseBattaryButton->setIcon(QIcon(QStringLiteral(":/picture/picture/btn_close.png")));
    ui->CloseBattaryButton->setIconSize(ui->CloseBattaryButton->size());
    for (QPushButton* tab : {ui->ConbinationKeyButton, ui->MarcoEditButton, ui->BasicFunctionButton, ui->HighestFunctionButton})
        tab->setProperty("look", QStringLiteral("key-tab"));

    // The catalogue fills the page in four columns, each row as wide as its grid cell.
    for (int row = 0; row < basicFunctionCount; ++row) {
        auto* item = new QListWidgetItem(tr(basicFunctions[row].text), ui->BasicFuctionListWidget);
        item->setSizeHint(QSize(134, 32));
    }
    selectTab(ui->ConbinationKeyButton, KeyCombinationPage);

    loadMacroTitleListWidget();
    setHighFunctionWidgetUnable();
    ui->HighestFunctionButton->hide();
}

KeySettingDialog::~KeySettingDialog()
{
    delete m_macroFile;
    delete ui;
}

void KeySettingDialog::setChangedKey(int changedKey)
{
    m_button = changedKey;
    const char* name = buttonName(changedKey);
    ui->ShowTitleButton->setText(name ? tr("设置%1").arg(tr(name))
                                      : QString());
    if (changedKey == Button::Left)
        m_maxMacros = MouseProtocol::MacroListLength;
    if (changedKey > Button::LastWithMessage && changedKey <= Button::Last)
        ui->HighestFunctionButton->hide();
}

// Tabs ---------------------------------------------------------------------------------------

void KeySettingDialog::selectTab(QPushButton* tab, int page)
{
    for (QPushButton* each : {ui->ConbinationKeyButton, ui->MarcoEditButton, ui->BasicFunctionButton,
                              ui->HighestFunctionButton})
        setStyleState(each, "selected", each == tab);  // the "key-tab" look of the style sheet
    ui->stackedWidget->setCurrentIndex(page);
    setFocus();  // keys come here, whatever was clicked
}

void KeySettingDialog::on_CloseBattaryButton_clicked() { close(); }

void KeySettingDialog::on_ConbinationKeyButton_clicked() { setPage(KeyCombinationPage); }

void KeySettingDialog::setPage(int type)
{
    switch (type) {
    case KeyCombinationPage: selectTab(ui->ConbinationKeyButton, type); break;
    case MacroPage: selectTab(ui->MarcoEditButton, type); break;
    case BasicFunctionPage: selectTab(ui->BasicFunctionButton, type); break;
    case HighestFunctionPage: selectTab(ui->HighestFunctionButton, type); break;
    default: break;
    }
}

void KeySettingDialog::on_MarcoEditButton_clicked() { setPage(MacroPage); }

void KeySettingDialog::on_BasicFunctionButton_clicked() { setPage(BasicFunctionPage); }

void KeySettingDialog::on_HighestFunctionButton_clicked() { setPage(HighestFunctionPage); }

// Macro page ---------------------------------------------------------------------------------

void KeySettingDialog::loadMacroTitleListWidget()
{
    loginfo(QStringLiteral("loadMacroTitleListWidget"));
    deleteListWidgetAllItem(ui->MacroTitleListWidget);
    for (const QString& title : OperateMacroFile::titleFolders())
        addMacroTitleWidgetItem(title, ui->MacroTitleListWidget, OperateMacroFile::macroRoot() + '/' + title);
}

void KeySettingDialog::addMacroTitleWidgetItem(QString text, QListWidget* listWidget, QString filePaths)
{
    auto* item = new QListWidgetItem(text, listWidget);
    item->setData(Qt::UserRole, filePaths);
    item->setSizeHint(QSize(185, 28));
}

void KeySettingDialog::addMacroListWigetItem(QString text, QListWidget* listWidget, QString filePath)
{
    auto* item = new QListWidgetItem(listWidget);
    item->setSizeHint(QSize(185, 28));
    auto* form = new Form;
    form->setCheckText(text);
    form->setRow(listWidget->row(item));
    form->setFilePath(filePath);
    listWidget->setItemWidget(item, form);
    connect(form, &Form::sig_rowSelected, this, &KeySettingDialog::slot_SetMacroListWidgetItemSelected);
    connect(form, &Form::sig_countChecked, this, &KeySettingDialog::slot_CheckIsOutOfMacroCheckRange);
}

void KeySettingDialog::deleteListWidgetAllItem(QListWidget* listWidget) { listWidget->clear(); }

void KeySettingDialog::on_MacroTitleListWidget_itemClicked(QListWidgetItem* item)
{
    deleteListWidgetAllItem(ui->MacroNameListWidget);
    if (!item)
        return;
    for (const QString& path : OperateMacroFile::macroFiles(item->text()))
        addMacroListWigetItem(m_macroFile->getName(path), ui->MacroNameListWidget, path);
}

void KeySettingDialog::on_MacroNameListWidget_itemClicked(QListWidgetItem* item)
{
    Form* form = item ? qobject_cast<Form*>(ui->MacroNameListWidget->itemWidget(item)) : nullptr;
    if (!form)
        return;
    if (!form->isChecked() && countMacroCheckedNumber() >= m_maxMacros)
        return;
    form->toggleChecked();
}

void KeySettingDialog::slot_SetMacroListWidgetItemSelected(int row)
{
    qCDebug(zr540Log) << "MacroListWidgetSelected";
    ui->MacroNameListWidget->setCurrentRow(row);
}

void KeySettingDialog::slot_CheckIsOutOfMacroCheckRange()
{
    auto* form = qobject_cast<Form*>(sender());
    if (form && form->isChecked() && countMacroCheckedNumber() > m_maxMacros)
        form->toggleChecked();
}

int KeySettingDialog::countMacroCheckedNumber()
{
    int checked = 0;
    for (int row = 0; row < ui->MacroNameListWidget->count(); ++row) {
        const Form* form = formOf(ui->MacroNameListWidget, row);
        if (form && form->isChecked())
            ++checked;
    }
    return checked;
}

QString KeySettingDialog::getMacroSinglePath()
{
    loginfo(QStringLiteral("getMacroSinglePath"));
    const QList<QString> paths = getMacroListPath();
    return paths.isEmpty() ? QString() : paths.first();
}

QList<QString> KeySettingDialog::getMacroListPath()
{
    loginfo(QStringLiteral("getMacroListPath"));
    QList<QString> paths;
    for (int row = 0; row < ui->MacroNameListWidget->count(); ++row) {
        const Form* form = formOf(ui->MacroNameListWidget, row);
        if (form && form->isChecked())
            paths << form->filePath();
    }
    return paths;
}

// Key page -----------------------------------------------------------------------------------

void KeySettingDialog::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    // A held key repeats; one press toggles a modifier once.
    if (event->isAutoRepeat() || ui->stackedWidget->currentIndex() != KeyCombinationPage)
        return;
    const int code = VirtualKeys::keyMessageCode(VirtualKeys::fromKeyEvent(event));
    qCDebug(zr540Log) << "+++" << code;
    setFocus();
    m_vkCode = uint(code);
    ui->KeyCombinationLineEdit->setText(KeyNameTable::lookup(code));
    loginfo(QString::number(code));
    switch (code) {
    case VirtualKeys::Shift: setCheckBoxCheckState(ui->ShiftCheckBox); break;
    case VirtualKeys::Control: setCheckBoxCheckState(ui->CtrlCheckBox); break;
    case VirtualKeys::Menu: setCheckBoxCheckState(ui->AltCheckBox); break;
    case VirtualKeys::LeftWin: setCheckBoxCheckState(ui->WinCheckBox); break;
    default: break;
    }
}

void KeySettingDialog::setCheckBoxCheckState(QCheckBox* checkBox) { checkBox->setChecked(!checkBox->isChecked()); }

void KeySettingDialog::on_CtrlCheckBox_stateChanged(int) {}

void KeySettingDialog::on_AltCheckBox_stateChanged(int) {}

void KeySettingDialog::on_ShiftCheckBox_stateChanged(int) {}

void KeySettingDialog::on_WinCheckBox_stateChanged(int) {}

int KeySettingDialog::countModifyValue()
{
    int value = 0;
    if (ui->CtrlCheckBox->isChecked())
        value += CtrlBit;
    if (ui->ShiftCheckBox->isChecked())
        value += ShiftBit;
    if (ui->AltCheckBox->isChecked())
        value += AltBit;
    if (ui->WinCheckBox->isChecked())
        value += WinBit;
    return value;
}

// Basic functions and PC-side functions ------------------------------------------------------

void KeySettingDialog::setKeyToBasicFunction()
{
    const int row = ui->BasicFuctionListWidget->currentRow();
    if (row < 0 || row >= basicFunctionCount)
        return;
    const BasicFunction& function = basicFunctions[row];
    loginfo(QString::fromUtf8(function.logText));
    emit sig_ButtonChangeToKey(m_button, function.key, function.modifier, function.changeType);
}

void KeySettingDialog::setKeyToHighestFunction()
{
    struct Choice {
        QCheckBox* box;
        QLineEdit* path;
        int function;
    };
    const Choice choices[] = {
        {ui->PlayMusicCheckBox, ui->PlayMusicLineEdit, PcActionStore::PlaySound},
        {ui->OpenDirectoryCheckBox, ui->OpenDirectoryLineEdit, PcActionStore::OpenFolder},
        {ui->StartProgramCheckBox, ui->StartProgramLineEdit, PcActionStore::StartProgram},
        {ui->OpenFileCheckBox, ui->OpenFileLineEdit, PcActionStore::OpenFile},
    };
    for (const Choice& choice : choices) {
        if (choice.box->isChecked() && !choice.path->text().isEmpty()) {
            PcActionStore::writeFunction(m_button, true, choice.function, choice.path->text());
            return;
        }
    }
}

void KeySettingDialog::setHighFunctionWidgetUnable()
{
    for (QLineEdit* edit : {ui->PlayMusicLineEdit, ui->StartProgramLineEdit, ui->OpenFileLineEdit,
                            ui->OpenDirectoryLineEdit})
        edit->clear();
    for (QPushButton* browse : {ui->PlayMusicButton, ui->StartProgramButton, ui->OpenFileButton,
                                ui->OpenDirectoryButton})
        browse->setEnabled(false);
}

void KeySettingDialog::on_PlayMusicCheckBox_clicked()
{
    setHighFunctionWidgetUnable();
    ui->PlayMusicButton->setEnabled(true);
}

void KeySettingDialog::on_StartProgramCheckBox_clicked()
{
    setHighFunctionWidgetUnable();
    ui->StartProgramButton->setEnabled(true);
}

void KeySettingDialog::on_OpenFileCheckBox_clicked()
{
    setHighFunctionWidgetUnable();
    ui->OpenFileButton->setEnabled(true);
}

void KeySettingDialog::on_OpenDirectoryCheckBox_clicked()
{
    setHighFunctionWidgetUnable();
    ui->OpenDirectoryButton->setEnabled(true);
}

void KeySettingDialog::chooseFile(QLineEdit* lineEdit, const QString& title, const QString& folder,
                                  const QString& filter)
{
    // Cancelled: an empty name, and the line edit is emptied with it.
    lineEdit->setText(QFileDialog::getOpenFileName(this, title, folder, filter));
}

void KeySettingDialog::on_PlayMusicButton_clicked()
{
    chooseFile(ui->PlayMusicLineEdit, QStringLiteral("Sound"), QStringLiteral("C:/Windows/Media"),
               QStringLiteral("Image Files (*.wav)"));
}

void KeySettingDialog::on_StartProgramButton_clicked()
{
    chooseFile(ui->StartProgramLineEdit, QStringLiteral("Open Program"), QStringLiteral("C:/Program Files"),
               QStringLiteral("Program (*.exe)"));
}

void KeySettingDialog::on_OpenFileButton_clicked()
{
    chooseFile(ui->OpenFileLineEdit, QStringLiteral("Open Program"), QStringLiteral("D:/"),
               QStringLiteral("Files (*.*)"));
}

void KeySettingDialog::on_OpenDirectoryButton_clicked()
{
    ui->OpenDirectoryLineEdit->setText(QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open Directory"), QStringLiteral("/home"),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks));
}

void KeySettingDialog::clearPcFunction() { PcActionStore::writeFunction(m_button, false, 0, QString()); }

// OK, restore, close -------------------------------------------------------------------------

void KeySettingDialog::on_OKButton_clicked()
{
    if (ui->ForbidenPressKeyCheckBox->isChecked()) {
        emit sig_ButtonChangeToKey(m_button, 0, 0, ChangeType::KeyboardKey);
        close();
    }
    clearPcFunction();
    switch (ui->stackedWidget->currentIndex()) {
    case KeyCombinationPage:
        if (m_vkCode != 0 || m_modifiers != 0) {
            m_modifiers = countModifyValue();
            loginfo(QStringLiteral("改单键"));
            emit sig_ButtonChangeToKey(m_button, m_vkCode, uint(m_modifiers), ChangeType::KeyboardKey);
        }
        break;
    case MacroPage:
        loginfo(QStringLiteral("设置宏"));
        if (m_button == Button::Left) {
            if (countMacroCheckedNumber() > 0)
                emit sig_WriteListMacro(getMacroListPath());
        } else {
            const QString path = getMacroSinglePath();
            if (!path.isEmpty())
                emit sig_WriteSingleMacro(m_button, path);
        }
        break;
    case BasicFunctionPage:
        loginfo(QStringLiteral("设置基本按键功能"));
        setKeyToBasicFunction();
        break;
    case HighestFunctionPage:
        loginfo(QStringLiteral("设置高级功能"));
        setKeyToHighestFunction();
        // The mouse sends the button's own message again, which the hooks turn into the function.
        emit sig_ButtonChangeToKey(m_button, m_vkCode, uint(m_modifiers), ChangeType::FactoryFunction);
        break;
    default:
        break;
    }
    close();
}

void KeySettingDialog::on_BackToDefalutButton_clicked()
{
    clearPcFunction();
    emit sig_ButtonChangeToKey(m_button, m_vkCode, uint(m_modifiers), ChangeType::FactoryFunction);
    close();
}

void KeySettingDialog::paintEvent(QPaintEvent*)
{
    // A translucent window gets no background of its own; the style sheet's is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
