#include "drawdialog.h"
#include "ui_drawdialog.h"

#include "apppaths.h"
#include "loginfo.h"
#include "drawboardwidget.h"

#include <QDebug>
#include <QFileDialog>
#include <QIcon>
#include <QPainter>
#include <QStyleOption>

namespace {
QIcon picture(const char* name) { return QIcon(QStringLiteral(":/picture/picture/%1.png").arg(QLatin1String(name))); }
}  // namespace

DrawDialog::DrawDialog(QWidget* parent) : QDialog(parent), ui(new Ui::DrawDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The overlay is drawn see-through, so the window behind shows darkened.
    setAttribute(Qt::WA_TranslucentBackground);

    ui->closeButton->setIcon(picture("btn_close"));
    ui->Brush_Button->setIcon(picture("pop_show_pan"));
    ui->TextEditButton->setIcon(picture("pop_show_frot"));
    ui->Recall_Button->setIcon(picture("pop_show_back"));
    ui->AddPictureButton->setIcon(picture("pop_show_pic"));
    ui->Recall_Button->hide();
    // The text starts at the size the box shows.
    ui->DrawWidget->setTextSize(ui->spinBox->value());
}

DrawDialog::~DrawDialog() { delete ui; }

DrawBoardWidget* DrawDialog::board() const { return ui->DrawWidget; }

void DrawDialog::on_closeButton_clicked() { close(); }

void DrawDialog::on_DrawCancleButton_clicked() { close(); }

void DrawDialog::on_DrawOkButton_clicked()
{
    const QString path = AppPaths::pictureFile();
    qCDebug(zr540Log) << "filePathName" << path;
    if (!ui->DrawWidget->savePicture(path))
        qCDebug(zr540Log) << "save widget screen failed";
    // Sent even after a failed save: the engine refuses a file it cannot use.
    emit sig_SetImageOnMouse();
    close();
}

void DrawDialog::on_Brush_Button_clicked() { brushButtonSelected(!ui->DrawWidget->brushMode()); }

void DrawDialog::brushButtonSelected(bool selected)
{
    ui->DrawWidget->setBrushMode(selected);
    ui->Brush_Button->setIcon(picture(selected ? "pop_show_pan_s" : "pop_show_pan"));
    ui->Recall_Button->setVisible(selected);
    if (selected) {
        ui->DrawWidget->setTextMode(false);
        ui->TextEditButton->setIcon(picture("pop_show_frot"));
    }
}

void DrawDialog::on_Recall_Button_clicked() { ui->DrawWidget->undoLastStroke(); }

void DrawDialog::on_TextEditButton_clicked() { textEditButtonSelected(!ui->DrawWidget->textMode()); }

void DrawDialog::textEditButtonSelected(bool selected)
{
    if (selected)
        brushButtonSelected(false);
    ui->DrawWidget->setTextMode(selected);
    ui->TextEditButton->setIcon(picture(selected ? "pop_show_frot_s" : "pop_show_frot"));
}

void DrawDialog::on_ChangeBackground_CheckBox_stateChanged(int state)
{
    ui->DrawWidget->setBackground(state != Qt::Checked);
}

void DrawDialog::on_fontComboBox_currentFontChanged(const QFont& font) { ui->DrawWidget->setTextFont(font); }

void DrawDialog::on_spinBox_valueChanged(int size) { ui->DrawWidget->setTextSize(size); }

void DrawDialog::on_AddPictureButton_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("Images (*.bmp)"));
    if (!path.isEmpty())
        importPicture(path);
}

bool DrawDialog::importPicture(const QString& path)
{
    QImage image;
    if (!DrawBoardWidget::loadPicture(path, image))
        return false;
    ui->DrawWidget->setPicture(image);
    return true;
}

void DrawDialog::paintEvent(QPaintEvent*)
{
    // A translucent window gets no background of its own; the style sheet's is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
