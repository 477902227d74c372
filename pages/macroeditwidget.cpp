#include "macroeditwidget.h"

#include "ui_macroeditwidget.h"

#include "keynametable.h"
#include "loginfo.h"
#include "mousevocabulary.h"
#include "virtualkeys.h"

#include <QAbstractItemDelegate>
#include <QElapsedTimer>
#include <QIcon>
#include <QKeyEvent>
#include <QListWidgetItem>
#include <QVariantMap>

#include <memory>

namespace {

// The names a new macro and a macro whose name was emptied get (in the user's language).
const char* const kNewMacroName = QT_TRANSLATE_NOOP("MacroEditWidget", "新建宏");
const char* const kUnnamedMacro = QT_TRANSLATE_NOOP("MacroEditWidget", "玩家自定义");
const QString kPressIcon = QStringLiteral(":/picture/picture/macro_icon_fall.png");
const QString kReleaseIcon = QStringLiteral(":/picture/picture/macro_icon_top.png");
const QString kDelayIcon = QStringLiteral(":/picture/picture/macro_icon_time.png");
const QString kMovementIcon = QStringLiteral(":/picture/picture/macro_icon_move.png");
const QSize kEventRowSize(198, 28);

constexpr int kLeftButton = 0x01;
constexpr int kRightButton = 0x02;
constexpr int kMiddleButton = 0x04;
constexpr int kBackspace = 0x08;

int clampDelay(qint64 ms) { return int(qBound<qint64>(0, ms, MacroEditWidget::kMaxDelay)); }

QVariantMap recordOf(const QListWidgetItem* item) { return item->data(MacroEditWidget::RowRole).toMap(); }

int kindOf(const QListWidgetItem* item) { return recordOf(item).value(QStringLiteral("0"), -1).toInt(); }

// The digit a key stands for in delay entry (main row or number pad), or -1.
int digitOf(int code)
{
    if (code >= 0x30 && code <= 0x39)
        return code - 0x30;
    if (code >= 0x60 && code <= 0x69)
        return code - 0x60;
    return -1;
}

}  // namespace

MacroEditWidget::MacroEditWidget(QWidget* parent) : QWidget(parent), ui(new Ui::MacroEditWidget)
{
    ui->setupUi(this);

    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] { return timer->elapsed(); };

    // Key presses are the page's: no child keeps the focus (the name list's in-place editor
    // takes it while it is open).
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget* child : findChildren<QWidget*>())
        child->setFocusPolicy(Qt::NoFocus);

    ui->LeftMouseButton->setText(KeyNameTable::lookup(kLeftButton));
    ui->MidMouseButton->setText(KeyNameTable::lookup(kMiddleButton));
    ui->RightMouseButton->setText(KeyNameTable::lookup(kRightButton));
    ui->transparentWidget->raise();

    ui->MacroBandingWidget->hide();
    ui->MacroBandingWidget_2->hide();
    connect(ui->MacroNameListWidget->itemDelegate(), &QAbstractItemDelegate::commitData, this,
            &MacroEditWidget::slot_MacroNameEditFinishedfunc);
    EditArrayEditable(false);
    ui->MacroTitleComboBox->addItems(OperateMacroFile::titleFolders());
}

MacroEditWidget::~MacroEditWidget() { delete ui; }

void MacroEditWidget::setClock(Clock clock)
{
    m_clock = std::move(clock);
    m_stopwatchStart = m_clock();
}

qint64 MacroEditWidget::restartStopwatch()
{
    const qint64 now = m_clock();
    const qint64 elapsed = now - m_stopwatchStart;
    m_stopwatchStart = now;
    return elapsed;
}

// ---- library -------------------------------------------------------------------------------

void MacroEditWidget::reLoadMacroNamelist()
{
    loadNameList(OperateMacroFile::macroRoot() + QLatin1Char('/') + ui->MacroTitleComboBox->currentText());
    deleteListWidgetAllItem(ui->EventListWidget);
}

void MacroEditWidget::on_MacroTitleComboBox_currentTextChanged(const QString& title)
{
    loadNameList(OperateMacroFile::macroRoot() + QLatin1Char('/') + title);
    deleteListWidgetAllItem(ui->EventListWidget);
}

QString MacroEditWidget::getCurrentTitlePath() const
{
    return OperateMacroFile::macroRoot() + QLatin1Char('/') + ui->MacroTitleComboBox->currentText() + QLatin1Char('/');
}

void MacroEditWidget::loadNameList(QString path)
{
    deleteListWidgetAllItem(ui->MacroNameListWidget);
    const QString title = path.section(QLatin1Char('/'), -1);
    if (title.isEmpty())
        return;
    for (const QString& file : OperateMacroFile::macroFiles(title)) {
        auto* item = new QListWidgetItem(m_file.getName(file));
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setData(RowRole, file);
        ui->MacroNameListWidget->addItem(item);
    }
}

QString MacroEditWidget::currentMacroPath() const
{
    const QListWidgetItem* item = ui->MacroNameListWidget->currentItem();
    return item ? item->data(RowRole).toString() : QString();
}

void MacroEditWidget::loadMacro(const QString& path)
{
    const int repeat = m_file.getRepeatTimes(path);
    const int ignore = m_file.getIgnoreDelayTime(path);
    const int type = m_file.getMacroType(path);
    loadEventList(path);
    {
        // Showing the file's settings is no change of them.
        const QSignalBlocker blocker(ui->RepeatTimesSpinBox);
        ui->RepeatTimesSpinBox->setValue(repeat);
    }
    ui->IgnoreEventWaiteTimeCheckBox->setChecked(ignore != 0);
    QRadioButton* modes[] = {ui->LoopCount_RadioButton, ui->PlayUntilPressAgain_RadioButton,
                             ui->PlayWhenItPressed_RadioButton};
    for (QRadioButton* button : modes)
        button->setAutoExclusive(false);
    ui->LoopCount_RadioButton->setChecked(type == PlayMode::LoopCount);
    ui->PlayUntilPressAgain_RadioButton->setChecked(type == PlayMode::Toggle);
    ui->PlayWhenItPressed_RadioButton->setChecked(type == PlayMode::WhileHeld);
    for (QRadioButton* button : modes)
        button->setAutoExclusive(true);
}

void MacroEditWidget::on_MacroNameListWidget_itemPressed(QListWidgetItem* item)
{
    Q_UNUSED(item)
    const QString path = currentMacroPath();
    if (!path.isEmpty())
        loadMacro(path);
}

void MacroEditWidget::on_MacroNameListWidget_activated(const QModelIndex& index)
{
    const QListWidgetItem* item = ui->MacroNameListWidget->item(index.row());
    if (!item)
        return;
    const QString path = item->data(RowRole).toString();
    setMacroNameInFile(item->text(), path);
    loadMacro(path);
}

void MacroEditWidget::slot_MacroNameEditFinishedfunc()
{
    const QListWidgetItem* item = ui->MacroNameListWidget->currentItem();
    if (!item)
        return;
    const QString path = item->data(RowRole).toString();
    const QString text = item->text();
    setMacroNameInFile(text.isEmpty() ? tr(kUnnamedMacro) : text, path);
    loadMacro(path);
}

void MacroEditWidget::on_CreateButton_clicked()
{
    const QString path = getCurrentTitlePath() + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"))
                         + QStringLiteral(".json");
    auto* item = new QListWidgetItem(tr(kNewMacroName));
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(RowRole, path);
    ui->MacroNameListWidget->addItem(item);
    setMacroNameInFile(tr(kNewMacroName), path);
}

void MacroEditWidget::on_DeleteButton_clicked()
{
    QListWidgetItem* item = ui->MacroNameListWidget->currentItem();
    if (!item) {
        loginfo(QStringLiteral("DeleteButton 没有选中文件"));
        return;
    }
    deleteFile(item->data(RowRole).toString());
    delete item;
    deleteListWidgetAllItem(ui->EventListWidget);
}

void MacroEditWidget::deleteListWidgetAllItem(QListWidget* list)
{
    while (list->count() > 0)
        delete list->takeItem(0);
}

void MacroEditWidget::setMacroNameInFile(QString name, QString path) { m_file.setName(path, name); }

void MacroEditWidget::setMacroKeyInFile(QList<MacroNode> nodeList, QString path)
{
    m_file.setMacroNodeList(path, nodeList);
}

void MacroEditWidget::setMacroRepeateTimesInFile(int times)
{
    const QString path = currentMacroPath();
    if (!path.isEmpty())
        m_file.setRepeatTimes(path, times);
}

void MacroEditWidget::setMacroTypeInFile(int type)
{
    const QString path = currentMacroPath();
    if (!path.isEmpty())
        m_file.setMacroType(path, type);
}

void MacroEditWidget::deleteFile(QString path) { m_file.deleteMacroFile(path); }

// ---- event rows ----------------------------------------------------------------------------

void MacroEditWidget::insertEventRow(QListWidgetItem* item, int row)
{
    item->setSizeHint(kEventRowSize);
    if (row < 0 || row > ui->EventListWidget->count())
        ui->EventListWidget->addItem(item);
    else
        ui->EventListWidget->insertItem(row, item);
}

void MacroEditWidget::loadEventList(QString path)
{
    deleteListWidgetAllItem(ui->EventListWidget);
    for (const MacroNode& node : m_file.getMacroNodeList(path)) {
        if (node.ValueType == MacroNode::Key)
            addEventListTextItem(node, -1);
        else if (node.ValueType == MacroNode::Movement)
            addEventListPositionItem(node, -1);
        if (node.TimeLapse != 0)
            addEventListTimeItem(DelayRow, node.TimeLapse, -1);
    }
}

void MacroEditWidget::addEventListTimeItem(int type, int time, int row)
{
    auto* item = new QListWidgetItem(QIcon(kDelayIcon), QString::number(time) + QStringLiteral("ms"));
    item->setData(RowRole, QVariantMap{{QStringLiteral("0"), type}, {QStringLiteral("1"), time}});
    insertEventRow(item, row);
}

void MacroEditWidget::addEventListTextItem(MacroNode node, int row)
{
    auto* item = new QListWidgetItem(QIcon(node.State == 0 ? kPressIcon : kReleaseIcon), node.Text);
    item->setData(RowRole, QVariantMap{{QStringLiteral("0"), int(KeyRow)},
                                       {QStringLiteral("1"), node.KeyValue},
                                       {QStringLiteral("2"), node.State},
                                       {QStringLiteral("3"), node.Text}});
    insertEventRow(item, row);
}

void MacroEditWidget::addEventListPositionItem(MacroNode node, int row)
{
    auto* item = new QListWidgetItem(QIcon(kMovementIcon),
                                     QStringLiteral("(%1,%2)").arg(node.CoordinateX).arg(node.CoordinateY));
    item->setData(RowRole, QVariantMap{{QStringLiteral("0"), int(MovementRow)},
                                       {QStringLiteral("x"), node.CoordinateX},
                                       {QStringLiteral("y"), node.CoordinateY}});
    insertEventRow(item, row);
}

MacroNode MacroEditWidget::createMouseButtonMacroNode(int state, int keyValue, QString text)
{
    MacroNode node;
    node.ValueType = MacroNode::Key;
    node.MouseValue = -1;
    node.KeyValue = keyValue;
    node.TimeLapse = 0;
    node.CoordinateX = -1;
    node.CoordinateY = -1;
    node.State = state;
    node.Text = text;
    return node;
}

void MacroEditWidget::checkIsTwoNormalTime()
{
    QListWidget* list = ui->EventListWidget;
    int row = 1;
    while (row < list->count()) {
        QListWidgetItem* earlier = list->item(row - 1);
        QListWidgetItem* later = list->item(row);
        if (kindOf(earlier) == DelayRow && kindOf(later) == DelayRow) {
            const int sum = clampDelay(qint64(recordOf(earlier).value(QStringLiteral("1")).toInt())
                                       + recordOf(later).value(QStringLiteral("1")).toInt());
            QVariantMap record = recordOf(earlier);
            record.insert(QStringLiteral("1"), sum);
            earlier->setData(RowRole, record);
            earlier->setText(QString::number(sum) + QStringLiteral("ms"));
            delete list->takeItem(row);
        } else {
            ++row;
        }
    }
}

void MacroEditWidget::updateMacroFile()
{
    const QString path = currentMacroPath();
    if (path.isEmpty()) {
        loginfo(QStringLiteral("updateMacroFile 没有选中文件"));
        return;
    }
    // An emptied list is saved as such, so that deleting the last event sticks.
    QList<MacroNode> nodes;
    QListWidget* list = ui->EventListWidget;
    for (int row = 0; row < list->count(); ++row) {
        const QVariantMap record = recordOf(list->item(row));
        const int kind = record.value(QStringLiteral("0")).toInt();
        if (kind == KeyRow) {
            MacroNode node = createMouseButtonMacroNode(record.value(QStringLiteral("2")).toInt(),
                                                        record.value(QStringLiteral("1")).toInt(),
                                                        record.value(QStringLiteral("3")).toString());
            const QListWidgetItem* next = list->item(row + 1);
            if (next && kindOf(next) == DelayRow)
                node.TimeLapse = clampDelay(recordOf(next).value(QStringLiteral("1")).toLongLong());
            nodes.append(node);
        } else if (kind == MovementRow) {
            MacroNode node;
            node.ValueType = MacroNode::Movement;
            node.CoordinateX = record.value(QStringLiteral("x")).toInt();
            node.CoordinateY = record.value(QStringLiteral("y")).toInt();
            node.TimeLapse = 0;
            nodes.append(node);
        }
    }
    int type = -1;  // with no mode checked the file keeps its play mode
    if (ui->PlayUntilPressAgain_RadioButton->isChecked())
        type = 2;
    else if (ui->PlayWhenItPressed_RadioButton->isChecked())
        type = 4;
    else if (ui->LoopCount_RadioButton->isChecked())
        type = 0;
    // One write: a crash between the events and the settings would leave the new events played
    // with the old repeat count or mode.
    m_file.saveMacro(path, nodes, ui->RepeatTimesSpinBox->value(), type);
}

// ---- recording -----------------------------------------------------------------------------

void MacroEditWidget::on_StartRecordButton_clicked()
{
    if (!ui->MacroNameListWidget->currentItem()) {
        loginfo(QStringLiteral("StartRecord 没有选中文件"));
        return;
    }
    if (!m_recording) {
        deleteListWidgetAllItem(ui->EventListWidget);
        emit sig_Recording(true);
        m_firstEvent = true;
        m_recording = true;
        m_pending.clear();
        ui->StartRecordButton->setText(tr("录制结束"));
        ui->AddEventButton->hide();
        ui->ReduceEventButton->hide();
        ui->EditEventButton->hide();
        ui->MacroBandingWidget->show();
        ui->MacroBandingWidget_2->show();
        setRightMouseButtonShowOrHide(true);
    } else {
        emit sig_Recording(false);
        m_recording = false;
        ui->StartRecordButton->setText(tr("开始录制"));
        ui->AddEventButton->show();
        ui->ReduceEventButton->show();
        ui->EditEventButton->show();
        updateMacroFile();
        ui->MacroBandingWidget->hide();
        ui->MacroBandingWidget_2->hide();
        setRightMouseButtonShowOrHide(false);
    }
}

void MacroEditWidget::recordNode(const MacroNode& node)
{
    // The first press starts the clock; a release always has the time since the event before.
    if (node.State == 0 && m_firstEvent) {
        m_firstEvent = false;
        restartStopwatch();
    } else {
        addEventListTimeItem(DelayRow, clampDelay(restartStopwatch()), -1);
    }
    addEventListTextItem(node, -1);
}

void MacroEditWidget::keyPressEvent(QKeyEvent* event)
{
    const int code = VirtualKeys::fromKeyEvent(event);
    if (m_recording) {
        recordNode(createMouseButtonMacroNode(0, code, KeyNameTable::lookup(code)));
        return;
    }
    if (m_addKey) {
        m_pending.clear();
        m_pending.append(createMouseButtonMacroNode(0, code, KeyNameTable::lookup(code)));
    } else if (m_addDelayTime) {
        const int digit = digitOf(code);
        if (digit >= 0)
            ui->lineEdit->setText(ui->lineEdit->text() + QString::number(digit));
        else if (code == kBackspace)
            ui->lineEdit->setText(ui->lineEdit->text().chopped(qMin(1, ui->lineEdit->text().size())));
    }
}

void MacroEditWidget::keyReleaseEvent(QKeyEvent* event)
{
    const int code = VirtualKeys::fromKeyEvent(event);
    if (m_recording) {
        recordNode(createMouseButtonMacroNode(1, code, KeyNameTable::lookup(code)));
        return;
    }
    if (m_addKey) {
        m_pending.append(createMouseButtonMacroNode(1, code, KeyNameTable::lookup(code)));
        ui->lineEdit->setText(KeyNameTable::lookup(code));
    }
}

void MacroEditWidget::mouseButtonEvent(int keyValue, int state)
{
    if (m_recording)
        recordNode(createMouseButtonMacroNode(state, keyValue, KeyNameTable::lookup(keyValue)));
}

void MacroEditWidget::mouseButtonClicked(int keyValue)
{
    if (m_recording)
        return;
    const QString name = KeyNameTable::lookup(keyValue);
    ui->lineEdit->setText(name);
    m_pending = {createMouseButtonMacroNode(0, keyValue, name), createMouseButtonMacroNode(1, keyValue, name)};
}

void MacroEditWidget::on_LeftMouseButton_pressed() { mouseButtonEvent(kLeftButton, 0); }
void MacroEditWidget::on_LeftMouseButton_released() { mouseButtonEvent(kLeftButton, 1); }
void MacroEditWidget::on_LeftMouseButton_clicked() { mouseButtonClicked(kLeftButton); }
void MacroEditWidget::on_MidMouseButton_pressed() { mouseButtonEvent(kMiddleButton, 0); }
void MacroEditWidget::on_MidMouseButton_released() { mouseButtonEvent(kMiddleButton, 1); }
void MacroEditWidget::on_MidMouseButton_clicked() { mouseButtonClicked(kMiddleButton); }
void MacroEditWidget::on_RightMouseButton_pressed() { mouseButtonEvent(kRightButton, 0); }
void MacroEditWidget::on_RightMouseButton_released() { mouseButtonEvent(kRightButton, 1); }
void MacroEditWidget::on_RightMouseButton_clicked() { mouseButtonClicked(kRightButton); }

// ---- edit area -----------------------------------------------------------------------------

void MacroEditWidget::setEditKeyAddDelayTimeState(bool addKey, bool addDelayTime)
{
    m_addKey = addKey;
    m_addDelayTime = addDelayTime;
}

void MacroEditWidget::setRightMouseButtonShowOrHide(bool state)
{
    ui->LeftMouseButton->setVisible(state);
    ui->MidMouseButton->setVisible(state);
    ui->RightMouseButton->setVisible(state);
}

void MacroEditWidget::EditArrayEditable(bool state)
{
    emit sig_HeaderButtonEnable(!state);
    ui->MacroBandingWidget->setVisible(state);
    ui->MacroBandingWidget_2->setVisible(state);
    for (QWidget* button : {ui->StartRecordButton, ui->AddEventButton, ui->ReduceEventButton, ui->EditEventButton})
        button->setEnabled(!state);
    QRadioButton* modes[] = {ui->ChangeOrInsertKeyRadioButton, ui->ChangeOrInsertDelayTimeRadioButton,
                             ui->ChangeOrInsetAMousePositionRadioButton};
    for (QRadioButton* mode : modes)
        mode->setCheckable(state);
    ui->ChangeOrInsertKeyRadioButton->setChecked(true);
    setRightMouseButtonShowOrHide(state);
    if (state) {
        setEditKeyAddDelayTimeState(true, false);
        ui->AddCertainButton->show();
        ui->transparentWidget->hide();
    } else {
        ui->XSpinBox->setValue(0);
        ui->YSpinBox->setValue(0);
        ui->AddCertainButton->hide();
        ui->transparentWidget->show();
    }
    ui->EventListWidget->setEnabled(!state);
    for (QRadioButton* mode : modes)
        mode->setEnabled(state);
}

void MacroEditWidget::on_ChangeOrInsertKeyRadioButton_clicked()
{
    setEditKeyAddDelayTimeState(true, false);
    ui->lineEdit->clear();
    setRightMouseButtonShowOrHide(true);
}

void MacroEditWidget::on_ChangeOrInsertDelayTimeRadioButton_clicked()
{
    setEditKeyAddDelayTimeState(false, true);
    ui->lineEdit->clear();
    setRightMouseButtonShowOrHide(false);
}

void MacroEditWidget::on_ChangeOrInsetAMousePositionRadioButton_clicked()
{
    setEditKeyAddDelayTimeState(false, false);
    ui->lineEdit->clear();
    setRightMouseButtonShowOrHide(false);
}

void MacroEditWidget::on_AddEventButton_clicked()
{
    if (!ui->EventListWidget->currentItem()) {
        loginfo(QStringLiteral("AddEvent 没有选中行"));
        return;
    }
    m_changeRow = false;
    EditArrayEditable(true);
}

void MacroEditWidget::on_EditEventButton_clicked()
{
    const QListWidgetItem* item = ui->EventListWidget->currentItem();
    if (!item) {
        loginfo(QStringLiteral("EditEvent 没有选中行"));
        return;
    }
    EditArrayEditable(true);
    m_changeRow = true;
    QRadioButton* modes[] = {ui->ChangeOrInsertKeyRadioButton, ui->ChangeOrInsertDelayTimeRadioButton,
                             ui->ChangeOrInsetAMousePositionRadioButton};
    QRadioButton* locked = nullptr;
    switch (kindOf(item)) {
    case KeyRow: locked = modes[0]; break;
    case DelayRow: locked = modes[1]; break;
    case MovementRow: locked = modes[2]; break;
    default: return;
    }
    locked->setChecked(true);
    for (QRadioButton* mode : modes)
        mode->setEnabled(mode == locked);
    if (locked == modes[1])
        on_ChangeOrInsertDelayTimeRadioButton_clicked();
    else if (locked == modes[2])
        on_ChangeOrInsetAMousePositionRadioButton_clicked();
}

void MacroEditWidget::on_AddCertainButton_clicked()
{
    QListWidget* list = ui->EventListWidget;
    const int r = list->currentRow();
    if (r < 0 || !list->item(r)) {
        loginfo(QStringLiteral("AddCertain 没有选中行"));
        return;
    }
    if (m_addKey) {
        if (!m_changeRow) {
            int row = r + 1;
            for (const MacroNode& node : qAsConst(m_pending))
                addEventListTextItem(node, row++);
        } else {
            const int state = recordOf(list->item(r)).value(QStringLiteral("2")).toInt();
            for (const MacroNode& node : qAsConst(m_pending)) {
                if (node.State == state) {
                    addEventListTextItem(node, r + 1);
                    delete list->takeItem(r);
                    break;
                }
            }
        }
    } else if (m_addDelayTime) {
        const QString text = ui->lineEdit->text();
        if (!text.isEmpty()) {
            bool ok = false;
            const qint64 typed = text.toLongLong(&ok);
            addEventListTimeItem(DelayRow, ok ? clampDelay(typed) : kMaxDelay, r + 1);
            if (!m_changeRow)
                checkIsTwoNormalTime();
            else
                delete list->takeItem(r);
        }
    } else {
        MacroNode node;
        node.ValueType = MacroNode::Movement;
        node.CoordinateX = ui->XSpinBox->value();
        node.CoordinateY = ui->YSpinBox->value();
        addEventListPositionItem(node, r + 1);
        if (m_changeRow)
            delete list->takeItem(r);
    }
    m_pending.clear();
    updateMacroFile();
    ui->lineEdit->clear();
    EditArrayEditable(false);
    setEditKeyAddDelayTimeState(false, false);
    m_changeRow = false;
}

void MacroEditWidget::on_ReduceEventButton_clicked()
{
    QListWidgetItem* item = ui->EventListWidget->currentItem();
    if (!item) {
        loginfo(QStringLiteral("ReduceEvent 没有选中行"));
        return;
    }
    delete item;
    checkIsTwoNormalTime();
    updateMacroFile();
}

// ---- play settings -------------------------------------------------------------------------

void MacroEditWidget::on_RepeatTimesSpinBox_valueChanged(int n) { setMacroRepeateTimesInFile(n); }

void MacroEditWidget::on_IgnoreEventWaiteTimeCheckBox_clicked()
{
    const QString path = currentMacroPath();
    if (!path.isEmpty())
        m_file.setIgnoreDelayTime(path, ui->IgnoreEventWaiteTimeCheckBox->isChecked() ? OperateMacroFile::IgnoreDelays : 0);
}

void MacroEditWidget::on_LoopCount_RadioButton_clicked() { setMacroTypeInFile(PlayMode::LoopCount); }
void MacroEditWidget::on_PlayUntilPressAgain_RadioButton_clicked() { setMacroTypeInFile(PlayMode::Toggle); }
void MacroEditWidget::on_PlayWhenItPressed_RadioButton_clicked() { setMacroTypeInFile(PlayMode::WhileHeld); }
