// Form: one row of a file list, a check box with the file's name. The row number and the file's
// path travel with it, so the list learns which row was clicked and whether it is now ticked.
#pragma once

#include <QString>
#include <QWidget>

namespace Ui {
class Form;
}

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    void setCheckText(const QString& text);
    void setRow(int row);
    void setFilePath(const QString& path);
    QString filePath() const;
    bool isChecked() const;  // fully ticked only
    // Flips the box the way the list does it when the row is picked elsewhere: no signals.
    void toggleChecked();

signals:
    void sig_rowSelected(int row);
    void sig_countChecked();

public slots:
    void slot_rowSelected();
    void slot_chekIsChecked();

private:
    Ui::Form* ui;
    int m_row = 0;
    QString m_filePath;
};
