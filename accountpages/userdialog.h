// UserDialog: the dialog in which the user logs in, registers an account, or sets a new password
// with a verification code the account server sends by e-mail.
//
// It covers the whole main window (a dark overlay with one panel in the middle): a header with the
// two tabs "登录" / "注册" or, in the password recovery, a back button; and a body of six pages:
// login, register, the recovery e-mail, the code, a notice for a code that did not come, and the
// new password. The five request objects are children of the dialog and live in the GUI thread;
// they die with it. A successful login emits loginSucced() (token, e-mail and nickname are stored
// by then) and closes the dialog; a successful registration only closes it. exec() returns Accepted
// after a login, a registration or a new password, Rejected after the close button or Escape.
// Enter in a field presses the button of its page.
//
// While a request is on its way its button is disabled, so a second click sends nothing twice;
// the answer enables it again. Answers that arrive after the dialog was closed are not shown.
#pragma once

#include <QDialog>
#include <QString>

class FindPasswd;
class LoginAccount;
class NewPassword;
class QPushButton;
class RegisterAccount;
class ValidatePassword;

namespace Ui {
class UserDialog;
}

class UserDialog : public QDialog {
    Q_OBJECT
public:
    // The pages of the body (stackedWidget); the header (HeadWidget) shows the tabs on page 0 and
    // the back button on page 1.
    enum Page { LoginPage = 0, RegisterPage, EmailPage, CodePage, NoticePage, NewPasswordPage };
    // The server answers a recovery request with this code when no verification code is needed:
    // the dialog goes straight to the new password.
    static constexpr int NoCodeNeeded = 20004;

    // Every request goes to the account server at `accountServer`.
    UserDialog(QWidget* parent, const QString& accountServer);
    ~UserDialog() override;

    Ui::UserDialog* form() const { return ui; }

signals:
    void loginSucced();

private slots:
    void on_ChooseLoginButton_clicked();
    void on_ChooseRegisterButton_clicked();
    void on_ForgetPasswordButton_clicked();
    void on_pushButton_clicked();
    void on_UserIdentifyEmailButton_clicked();
    void on_SeeNoticeDetialButton_clicked();
    void on_UserBackToIdentifyButton_clicked();
    void on_UserResetPasswordOkButton_clicked();
    void on_UserSendIdetifyCodeButton_clicked();
    void on_UserLoginButton_clicked();
    void on_UserRegisterButton_clicked();
    void on_CloseUserDialogButton_clicked();
    void slot_LoginMessage(int code, QString msg);
    void slot_RegisterMessage(int code, QString msg);
    void slot_FindPasswordMessage(int code, QString msg);
    void slot_ValidatePasswordMessage(int code, QString msg);
    void slot_ResetPasswordMessage(int code, QString msg);
    void on_UserIndentifyEmailLineEdit_textChanged(QString arg1);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Highlights the login tab (true) or the register tab.
    void highlightTab(bool login);
    // True when an answer may still be shown: the dialog has not been closed.
    bool showsAnswers() const { return isVisible(); }

    Ui::UserDialog* ui;
    RegisterAccount* m_register;
    LoginAccount* m_login;
    FindPasswd* m_findPassword;
    ValidatePassword* m_validatePassword;
    NewPassword* m_newPassword;
};
