#include "form.h"
#include "ui_form.h"

Form::Form(QWidget* parent) : QWidget(parent), ui(new Ui::Form)
{
    ui->setupUi(this);
    // Every click reports the row, then whether it is now ticked.
    connect(ui->checkBox, &QCheckBox::clicked, this, &Form::slot_rowSelected);
    connect(ui->checkBox, &QCheckBox::clicked, this, &Form::slot_chekIsChecked);
}

Form::~Form() { delete ui; }

void Form::setCheckText(const QString& text) { ui->checkBox->setText(text); }

void Form::setRow(int row) { m_row = row; }

void Form::setFilePath(const QString& path) { m_filePath = path; }

QString Form::filePath() const { return m_filePath; }

bool Form::isChecked() const { return ui->checkBox->checkState() == Qt::Checked; }

void Form::toggleChecked() { ui->checkBox->setChecked(!isChecked()); }

void Form::slot_rowSelected() { emit sig_rowSelected(m_row); }

void Form::slot_chekIsChecked()
{
    if (isChecked())
        emit sig_countChecked();
}
