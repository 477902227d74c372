// DrawDialog: the OLED drawing board. A dark overlay of the window's size with a panel holding
// the 128 × 32 board and its tools: brush (with undo), one line of text in a chosen font and
// size, an imported BMP picture, and a black or white background. "确定" saves the board as
// drawImage.BMP and asks the engine to send it; "取消" and the close button leave the file alone.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

class DrawBoardWidget;

namespace Ui {
class DrawDialog;
}

class DrawDialog : public QDialog {
    Q_OBJECT
public:
    explicit DrawDialog(QWidget* parent = nullptr);
    ~DrawDialog() override;

    DrawBoardWidget* board() const;
    // Puts the BMP picture at `path` on the board. False, and the board unchanged, when the file
    // is not a usable BMP picture.
    bool importPicture(const QString& path);

signals:
    // drawImage.BMP has been written (or the attempt failed): the engine may send it.
    void sig_SetImageOnMouse();

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void on_closeButton_clicked();
    void on_DrawCancleButton_clicked();
    void on_DrawOkButton_clicked();
    void on_Brush_Button_clicked();
    void on_Recall_Button_clicked();
    void on_TextEditButton_clicked();
    void on_ChangeBackground_CheckBox_stateChanged(int state);
    void on_fontComboBox_currentFontChanged(const QFont& font);
    void on_spinBox_valueChanged(int size);
    void on_AddPictureButton_clicked();
    void brushButtonSelected(bool selected);
    void textEditButtonSelected(bool selected);

private:
    Ui::DrawDialog* ui;
};
