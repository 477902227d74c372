#include "userdialog.h"
#include "ui_userdialog.h"

#include "findpasswd.h"
#include "loginaccount.h"
#include "newpassword.h"
#include "registeraccount.h"
#include "stylestate.h"
#include "validatepassword.h"

#include <QColor>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QStyleOption>

UserDialog::UserDialog(QWidget* parent, const QString& accountServer) : QDialog(parent), ui(new Ui::UserDialog)
{
    m_register = new RegisterAccount(this, accountServer);
    m_login = new LoginAccount(this, accountServer);
    m_findPassword = new FindPasswd(this, accountServer);
    m_validatePassword = new ValidatePassword(this, accountServer);
    m_newPassword = new NewPassword(this, accountServer);

    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The overlay is drawn half see-through, so the window behind shows darkened.
    setAttribute(Qt::WA_TranslucentBackground);

    // Addresses, passwords and codes take only directly typed characters; the name may be typed
    // through an input method. (Set after the form: changing the echo mode turns it back on.)
    for (QLineEdit* edit :
         {ui->UserLoginNameLineEdit, ui->UserLoginPasswordLineEdit, ui->UserRegisterEmailLineEdit,
          ui->UserRegisterPasswordLineEdit, ui->UserRegisterPasswordAgainLineEdit, ui->UserIndentifyEmailLineEdit,
          ui->UserIndentifyCodeLineEdit, ui->UserResetPasswordLineEdit, ui->UserResetPasswordAgianLineEdit})
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);

    // The style sheet gives hints the colour of the text; they are shown dimmer. (After the
    // style sheet has been applied, which would set the colour again.)
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->ensurePolished();
        QPalette palette = edit->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(0x6E, 0x71, 0x78));
        edit->setPalette(palette);
    }

    // Enter in a field presses the button of its page. No button of the form is a default
    // button, so Enter never closes the dialog.
    const struct {
        QLineEdit* edit;
        QPushButton* button;
    } enterKeys[] = {
        {ui->UserLoginNameLineEdit, ui->UserLoginButton},
        {ui->UserLoginPasswordLineEdit, ui->UserLoginButton},
        {ui->UserRegisterNameLineEdit, ui->UserRegisterButton},
        {ui->UserRegisterEmailLineEdit, ui->UserRegisterButton},
        {ui->UserRegisterPasswordLineEdit, ui->UserRegisterButton},
        {ui->UserRegisterPasswordAgainLineEdit, ui->UserRegisterButton},
        {ui->UserIndentifyEmailLineEdit, ui->UserIdentifyEmailButton},
        {ui->UserIndentifyCodeLineEdit, ui->UserSendIdetifyCodeButton},
        {ui->UserResetPasswordLineEdit, ui->UserResetPasswordOkButton},
        {ui->UserResetPasswordAgianLineEdit, ui->UserResetPasswordOkButton},
    };
    for (const auto& key : enterKeys)
        connect(key.edit, &QLineEdit::returnPressed, key.button, &QPushButton::click);

    connect(m_register, &RegisterAccount::sigRegisterRet, this, &UserDialog::slot_RegisterMessage);
    connect(m_login, &LoginAccount::sigLoginRet, this, &UserDialog::slot_LoginMessage);
    connect(m_findPassword, &FindPasswd::sigFindPwdRet, this, &UserDialog::slot_FindPasswordMessage);
    connect(m_validatePassword, &ValidatePassword::sigValidateCodeRet, this, &UserDialog::slot_ValidatePasswordMessage);
    connect(m_newPassword, &NewPassword::sigAlterPwdRet, this, &UserDialog::slot_ResetPasswordMessage);

    ui->HeadWidget->setCurrentIndex(0);
    ui->stackedWidget->setCurrentIndex(LoginPage);
    ui->ChooseLoginButton->setProperty("look", QStringLiteral("login-tab"));
    ui->ChooseRegisterButton->setProperty("look", QStringLiteral("register-tab"));
    highlightTab(true);
}

UserDialog::~UserDialog() { delete ui; }

void UserDialog::highlightTab(bool login)
{
    setStyleState(ui->ChooseLoginButton, "selected", login);  // the form's "login-tab" and "register-tab" looks
    setStyleState(ui->ChooseRegisterButton, "selected", !login);
}

// Navigation

void UserDialog::on_ChooseLoginButton_clicked()
{
    ui->stackedWidget->setCurrentIndex(LoginPage);
    highlightTab(true);
}

void UserDialog::on_ChooseRegisterButton_clicked()
{
    ui->stackedWidget->setCurrentIndex(RegisterPage);
    highlightTab(false);
}

void UserDialog::on_ForgetPasswordButton_clicked()
{
    ui->stackedWidget->setCurrentIndex(EmailPage);
    ui->HeadWidget->setCurrentIndex(1);
}

void UserDialog::on_SeeNoticeDetialButton_clicked() { ui->stackedWidget->setCurrentIndex(NoticePage); }

void UserDialog::on_UserBackToIdentifyButton_clicked() { ui->stackedWidget->setCurrentIndex(CodePage); }

void UserDialog::on_pushButton_clicked()
{
    const int page = ui->stackedWidget->currentIndex();
    switch (page) {
    case LoginPage:
    case RegisterPage: break;  // the header shows no back button there
    case EmailPage:
        ui->HeadWidget->setCurrentIndex(0);
        ui->stackedWidget->setCurrentIndex(LoginPage);
        break;
    case NewPasswordPage: ui->stackedWidget->setCurrentIndex(CodePage); break;
    default: ui->stackedWidget->setCurrentIndex(page - 1); break;
    }
}

void UserDialog::on_CloseUserDialogButton_clicked() { reject(); }

void UserDialog::on_UserIndentifyEmailLineEdit_textChanged(QString)
{
    // A message about the code of another address would mislead.
    ui->IdentifyMessageLabel->clear();
}

// Login and registration

void UserDialog::on_UserLoginButton_clicked()
{
    // The server checks the fields.
    ui->UserLoginButton->setEnabled(false);
    m_login->KvPostLoginJson(ui->UserLoginNameLineEdit->text(), ui->UserLoginPasswordLineEdit->text());
}

void UserDialog::slot_LoginMessage(int code, QString msg)
{
    ui->UserLoginButton->setEnabled(true);
    if (!showsAnswers())
        return;
    ui->LoginMessageLabel->setText(msg);
    if (code == 0) {
        emit loginSucced();
        accept();
    }
}

void UserDialog::on_UserRegisterButton_clicked()
{
    const QString name = ui->UserRegisterNameLineEdit->text();
    const QString email = ui->UserRegisterEmailLineEdit->text();
    const QString password = ui->UserRegisterPasswordLineEdit->text();
    const QString again = ui->UserRegisterPasswordAgainLineEdit->text();
    if (password != again) {
        ui->RegisterMessageLabel->setText(tr("两次输入的密码不一致"));
        return;
    }
    if (email.isEmpty() || name.isEmpty() || password.isEmpty() || again.isEmpty()) {
        ui->RegisterMessageLabel->setText(tr("输入不能为空"));
        return;
    }
    ui->UserRegisterButton->setEnabled(false);
    m_register->KvPostRegisiterJson(name, email, password, again);
}

void UserDialog::slot_RegisterMessage(int code, QString msg)
{
    ui->UserRegisterButton->setEnabled(true);
    if (!showsAnswers())
        return;
    ui->RegisterMessageLabel->setText(msg);
    // Registering does not log in.
    if (code == 0)
        accept();
}

// Password recovery: e-mail, code, new password. The address of the e-mail page is the one the
// code and the new password are sent for.

void UserDialog::on_UserIdentifyEmailButton_clicked()
{
    const QString email = ui->UserIndentifyEmailLineEdit->text();
    if (email.isEmpty()) {
        ui->FindPasswordLabel->setText(tr("请输入邮箱地址"));
        return;
    }
    ui->FindPasswordLabel->setText(tr("邮件发送中"));
    ui->UserIdentifyEmailButton->setEnabled(false);
    m_findPassword->KvFindPasswdJson(email);
}

void UserDialog::slot_FindPasswordMessage(int code, QString msg)
{
    ui->UserIdentifyEmailButton->setEnabled(true);
    if (!showsAnswers())
        return;
    ui->FindPasswordLabel->setText(msg);
    // The answer moves on only a user who still waits on the e-mail page; one who went back to
    // the login page stays there.
    if (ui->stackedWidget->currentIndex() != EmailPage)
        return;
    if (code == 0)
        ui->stackedWidget->setCurrentIndex(CodePage);
    else if (code == NoCodeNeeded)
        ui->stackedWidget->setCurrentIndex(NewPasswordPage);
}

void UserDialog::on_UserSendIdetifyCodeButton_clicked()
{
    const QString captcha = ui->UserIndentifyCodeLineEdit->text();
    if (captcha.isEmpty()) {
        ui->IdentifyMessageLabel->setText(tr("验证码不能为空"));
        return;
    }
    ui->UserSendIdetifyCodeButton->setEnabled(false);
    m_validatePassword->KvValidatePasswordJson(ui->UserIndentifyEmailLineEdit->text(), captcha);
}

void UserDialog::slot_ValidatePasswordMessage(int code, QString msg)
{
    ui->UserSendIdetifyCodeButton->setEnabled(true);
    if (!showsAnswers())
        return;
    ui->IdentifyMessageLabel->setText(msg);
    const int page = ui->stackedWidget->currentIndex();
    if (code == 0 && (page == CodePage || page == NoticePage))
        ui->stackedWidget->setCurrentIndex(NewPasswordPage);
}

void UserDialog::on_UserResetPasswordOkButton_clicked()
{
    const QString password = ui->UserResetPasswordLineEdit->text();
    if (password != ui->UserResetPasswordAgianLineEdit->text()) {
        ui->ResetPasswordMessageLabel->setText(tr("两次输入密码不一致"));
        return;
    }
    ui->UserResetPasswordOkButton->setEnabled(false);
    m_newPassword->KvNewPasswordJson(ui->UserIndentifyEmailLineEdit->text(), ui->UserIndentifyCodeLineEdit->text(),
                                     password);
}

void UserDialog::slot_ResetPasswordMessage(int code, QString msg)
{
    ui->UserResetPasswordOkButton->setEnabled(true);
    if (!showsAnswers())
        return;
    ui->ResetPasswordMessageLabel->setText(msg);
    if (code == 0)
        accept();
}

void UserDialog::paintEvent(QPaintEvent*)
{
    // A translucent window gets no background of its own; the style sheet's is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
