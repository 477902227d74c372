// WarningDialog: the dark overlay over the whole window with one message box in its middle (a
// question with OK and Cancel, or a plain notice with OK alone), or the busy box shown while the
// firmware is being updated.
#pragma once

#include "warningtypes.h"

#include <QDialog>
#include <QString>

namespace Ui {
class WarningDialog;
}

class WarningDialog : public QDialog {
    Q_OBJECT
public:
    // The messages the window asks for by number.
    using WarningType = Warning::Type;

    explicit WarningDialog(QWidget* parent = nullptr);
    ~WarningDialog() override;

    // Shows the message box with the texts and buttons of type t; OK then acts by that type.
    // A number outside the list shows an empty box with OK alone.
    void setWarningType(int t);
    // Shows the busy box instead of the message box. It has no buttons and stays until the
    // window closes the dialog.
    void showUpdateProgress();
    // The page OK opens for a newer software version; empty means the download page.
    void setUrl(const QString& url);

    static QString downloadPage();

signals:
    void sigQuitUser();
    void sigResetMouseToOriginal();
    void sigStarToUploadFile();
    void sigStarToDownloadFile();

public slots:
    // In the progress box: how far a download has come (an endless bar while total is unknown).
    void setProgress(qint64 received, qint64 total);
    // Closes the dialog; nothing is done.
    void on_Cancle_Button_clicked();
    // Does what the shown message asks (a signal, or opening the download page), then closes.
    void on_OkButton_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openUpdatePage();

    Ui::WarningDialog* ui;
    int m_type = -1;
    QString m_url;
};
