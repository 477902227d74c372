// The login dialog, offscreen, against the real account server on a loopback port, with the stored
// identity in a temporary folder: the checks made before anything is sent, login, registration,
// the password recovery with the code the server logs, navigation, and closing.
#include "ui_userdialog.h"

#include "apiclient.h"
#include "apppaths.h"
#include "findpasswd.h"
#include "loginaccount.h"
#include "operatetoken.h"
#include "registeraccount.h"
#include "serverprocess.h"
#include "userdialog.h"
#include "validatepassword.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <memory>

namespace {
const QString Email = QStringLiteral("user@x.cn");
const QString Password = QStringLiteral("secret-one");
const QString Nickname = QStringLiteral("测试");
const QString LostEmail = QStringLiteral("lost@x.cn");
const int Back = INT_MIN;

void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
}  // namespace

class TestUserDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void fields();
    void checksBeforeSending_data();
    void checksBeforeSending();
    void serverAnswer_data();
    void serverAnswer();
    void passwordRecovery();
    void navigation_data();
    void navigation();
    void closing_data();
    void closing();

private:
    std::unique_ptr<UserDialog> openDialog();

    QTemporaryDir serverDir_;
    std::unique_ptr<QTemporaryDir> dataRoot_;
    std::unique_ptr<ServerProcess> server_;
};

void TestUserDialog::initTestCase()
{
    QVERIFY(serverDir_.isValid());
    server_ = std::make_unique<ServerProcess>(serverDir_.filePath(QStringLiteral("data")));
    QVERIFY2(server_->start(), server_->output().constData());
    ApiClient api(server_->port());
    QVERIFY(api.registerUser(Email, Password, Nickname));
    QVERIFY(api.registerUser(LostEmail, Password));
}

void TestUserDialog::init()
{
    // Every test starts logged out.
    dataRoot_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dataRoot_->isValid());
    AppPaths::setDataRoot(dataRoot_->path());
}

std::unique_ptr<UserDialog> TestUserDialog::openDialog()
{
    auto dialog = std::make_unique<UserDialog>(nullptr, server_->baseUrl());
    dialog->show();
    (void)QTest::qWaitForWindowExposed(dialog.get());
    return dialog;
}

void TestUserDialog::fields()
{
    // Only the login password is masked; only the name takes input-method text, also after typing.
    const auto dialog = openDialog();
    Ui::UserDialog* ui = dialog->form();
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("a"));
        QCOMPARE(edit->echoMode() == QLineEdit::PasswordEchoOnEdit, edit == ui->UserLoginPasswordLineEdit);
        QCOMPARE(edit->testAttribute(Qt::WA_InputMethodEnabled), edit == ui->UserRegisterNameLineEdit);
    }
}

void TestUserDialog::checksBeforeSending_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("fields");  // object name, text, object name, text...
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, int page, const QStringList& fields, const char* button, const char* label,
                        const char* message) {
        QTest::newRow(name) << page << fields << QString(button) << QString(label) << QString(message);
    };
    const QString name = "UserRegisterNameLineEdit", mail = "UserRegisterEmailLineEdit",
                  pw = "UserRegisterPasswordLineEdit", again = "UserRegisterPasswordAgainLineEdit",
                  recoveryMail = "UserIndentifyEmailLineEdit";
    const char* reg = "UserRegisterButton";
    const char* regLabel = "RegisterMessageLabel";
    row("register: mismatch before empty", 1, {pw, "secret-one", again, "secret-two"}, reg, regLabel,
        "两次输入的密码不一致");
    row("register: no name", 1, {mail, "a@x.cn", pw, Password, again, Password}, reg, regLabel, "输入不能为空");
    row("register: no e-mail", 1, {name, "n", pw, Password, again, Password}, reg, regLabel, "输入不能为空");
    row("register: no passwords", 1, {name, "n", mail, "a@x.cn"}, reg, regLabel, "输入不能为空");
    row("recovery: no e-mail", 2, {}, "UserIdentifyEmailButton", "FindPasswordLabel", "请输入邮箱地址");
    row("recovery: no code", 3, {recoveryMail, Email}, "UserSendIdetifyCodeButton", "IdentifyMessageLabel",
        "验证码不能为空");
    row("recovery: new passwords differ", 5,
        {recoveryMail, Email, "UserResetPasswordLineEdit", "Str0ng-new", "UserResetPasswordAgianLineEdit",
         "Str0ng-neu"},
        "UserResetPasswordOkButton", "ResetPasswordMessageLabel", "两次输入密码不一致");
}

void TestUserDialog::checksBeforeSending()
{
    QFETCH(int, page);
    QFETCH(QStringList, fields);
    QFETCH(QString, button);
    QFETCH(QString, label);
    QFETCH(QString, message);
    const auto dialog = openDialog();
    if (page >= UserDialog::EmailPage)
        click(dialog->form()->ForgetPasswordButton);
    dialog->form()->stackedWidget->setCurrentIndex(page);
    for (int i = 0; i + 1 < fields.size(); i += 2)
        dialog->findChild<QLineEdit*>(fields.at(i))->setText(fields.at(i + 1));

    click(dialog->findChild<QPushButton*>(button));
    QCOMPARE(dialog->findChild<QLabel*>(label)->text(), message);
    QVERIFY(dialog->findChildren<QNetworkReply*>().isEmpty());  // no request went out
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->form()->stackedWidget->currentIndex(), page);
}

void TestUserDialog::serverAnswer_data()
{
    QTest::addColumn<bool>("registering");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("login: unknown account") << false << "nobody@x.cn" << Password << false;
    QTest::newRow("login: wrong password") << false << Email << "secret-two" << false;
    QTest::newRow("login: accepted") << false << Email << Password << true;
    QTest::newRow("register: address taken") << true << Email << "Str0ng-one" << false;
    QTest::newRow("register: new account") << true << "new@x.cn"
                                           << "Str0ng-one" << true;
}

void TestUserDialog::serverAnswer()
{
    QFETCH(bool, registering);
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    const auto dialog = openDialog();
    Ui::UserDialog* ui = dialog->form();
    if (registering) {
        click(ui->ChooseRegisterButton);
        ui->UserRegisterNameLineEdit->setText(Nickname);
        ui->UserRegisterEmailLineEdit->setText(email);
        ui->UserRegisterPasswordLineEdit->setText(password);
    } else {
        ui->UserLoginNameLineEdit->setText(email);
    }
    QLineEdit* last = registering ? ui->UserRegisterPasswordAgainLineEdit : ui->UserLoginPasswordLineEdit;
    QLabel* message = registering ? ui->RegisterMessageLabel : ui->LoginMessageLabel;
    last->setText(password);
    QSignalSpy answers(registering ? static_cast<QObject*>(dialog->findChild<RegisterAccount*>())
                                   : dialog->findChild<LoginAccount*>(),
                       registering ? SIGNAL(sigRegisterRet(int, QString)) : SIGNAL(sigLoginRet(int, QString)));
    QSignalSpy logins(dialog.get(), &UserDialog::loginSucced);
    // Enter in the last field sends; a second Enter while the first is on its way does not.
    QTest::keyClick(last, Qt::Key_Return);
    QTest::keyClick(last, Qt::Key_Return);
    // Every request answered: a second one would have its answer among them.
    QTRY_VERIFY_WITH_TIMEOUT(!answers.isEmpty() && dialog->findChildren<QNetworkReply*>().isEmpty(), 30000);
    QCOMPARE(answers.count(), 1);
    QVERIFY(!message->text().isEmpty());
    QCOMPARE(message->text(), answers.first().at(1).toString());
    QCOMPARE(dialog->isVisible(), !accepted);
    QVERIFY((registering ? ui->UserRegisterButton : ui->UserLoginButton)->isEnabled());

    // Only a login logs in; a registration creates the account.
    const bool loggedIn = accepted && !registering;
    QCOMPARE(logins.count(), loggedIn ? 1 : 0);
    OperateToken identity;
    QCOMPARE(identity.GetToken().size() > 10, loggedIn);
    if (loggedIn) {
        QCOMPARE(message->text(), Nickname);
        QCOMPARE(identity.GetEmail(), email);
        QCOMPARE(identity.GetNickName(), Nickname);
    }
    if (registering)
        QCOMPARE(ApiClient(server_->port()).login(email, password).isEmpty(), !accepted);
}

void TestUserDialog::passwordRecovery()
{
    const auto dialog = openDialog();
    Ui::UserDialog* ui = dialog->form();
    const auto page = [ui] { return ui->stackedWidget->currentIndex(); };
    click(ui->ForgetPasswordButton);
    QTest::keyClicks(ui->UserIndentifyEmailLineEdit, LostEmail);
    QSignalSpy mailed(dialog->findChild<FindPasswd*>(), &FindPasswd::sigFindPwdRet);
    QSignalSpy validated(dialog->findChild<ValidatePassword*>(), &ValidatePassword::sigValidateCodeRet);
    const auto requestCode = [&] {
        const int mark = server_->output().size();
        click(ui->UserIdentifyEmailButton);
        const bool sending = ui->FindPasswordLabel->text() == QStringLiteral("邮件发送中");
        return sending && mailed.wait(30000) ? server_->waitForCode(LostEmail, mark) : QString();
    };

    const QString first = requestCode();
    QVERIFY(!first.isEmpty());
    QCOMPARE(page(), int(UserDialog::CodePage));
    // A wrong code: the server's message, and the page stays.
    QTest::keyClicks(ui->UserIndentifyCodeLineEdit, first == "000000" ? "000001" : "000000");
    click(ui->UserSendIdetifyCodeButton);
    QVERIFY(validated.wait(30000));
    QCOMPARE(page(), int(UserDialog::CodePage));
    QVERIFY(!ui->IdentifyMessageLabel->text().isEmpty());
    QCOMPARE(ui->IdentifyMessageLabel->text(), validated.last().at(1).toString());

    // Back to the address: editing it empties that message. A new request mails a new code.
    click(ui->pushButton);
    QTest::keyClick(ui->UserIndentifyEmailLineEdit, Qt::Key_Backspace);
    QVERIFY(ui->IdentifyMessageLabel->text().isEmpty());
    QTest::keyClick(ui->UserIndentifyEmailLineEdit, 'n');
    const QString code = requestCode();
    QVERIFY(!code.isEmpty());
    click(ui->SeeNoticeDetialButton);
    QCOMPARE(page(), int(UserDialog::NoticePage));
    click(ui->UserBackToIdentifyButton);
    QCOMPARE(page(), int(UserDialog::CodePage));
    ui->UserIndentifyCodeLineEdit->clear();
    QTest::keyClicks(ui->UserIndentifyCodeLineEdit, code);
    QTest::keyClick(ui->UserIndentifyCodeLineEdit, Qt::Key_Return);
    QVERIFY(validated.wait(30000));
    QCOMPARE(page(), int(UserDialog::NewPasswordPage));

    QTest::keyClicks(ui->UserResetPasswordLineEdit, QStringLiteral("Str0ng-new"));
    QTest::keyClicks(ui->UserResetPasswordAgianLineEdit, QStringLiteral("Str0ng-new"));
    click(ui->UserResetPasswordOkButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 30000);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));

    // The new password logs in.
    QVERIFY(!ApiClient(server_->port()).login(LostEmail, QStringLiteral("Str0ng-new")).isEmpty());
}

void TestUserDialog::navigation_data()
{
    // From a body page, the back button or an answer to the recovery request (with its code).
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("answer");  // or Back: the back button
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("header");
    QTest::newRow("back: e-mail") << 2 << Back << 0 << 0;
    QTest::newRow("back: code") << 3 << Back << 2 << 1;
    QTest::newRow("back: notice") << 4 << Back << 3 << 1;
    QTest::newRow("back: new password") << 5 << Back << 3 << 1;
    QTest::newRow("code mailed") << 2 << 0 << 3 << 1;
    QTest::newRow("no code needed") << 2 << int(UserDialog::NoCodeNeeded) << 5 << 1;
    QTest::newRow("refused") << 2 << 10004 << 2 << 1;
    QTest::newRow("code mailed, user gone back") << 0 << 0 << 0 << 0;
}

void TestUserDialog::navigation()
{
    QFETCH(int, from);
    QFETCH(int, answer);
    QFETCH(int, to);
    QFETCH(int, header);
    const auto dialog = openDialog();
    Ui::UserDialog* ui = dialog->form();
    click(ui->ForgetPasswordButton);
    if (from == UserDialog::LoginPage)
        click(ui->pushButton);  // gone back before the answer came
    else
        ui->stackedWidget->setCurrentIndex(from);
    if (answer == Back) {
        click(ui->pushButton);
    } else {
        QMetaObject::invokeMethod(dialog.get(), "slot_FindPasswordMessage", Q_ARG(int, answer), Q_ARG(QString, "msg"));
        QCOMPARE(ui->FindPasswordLabel->text(), QStringLiteral("msg"));
    }
    QCOMPARE(ui->stackedWidget->currentIndex(), to);
    QCOMPARE(ui->HeadWidget->currentIndex(), header);
}

void TestUserDialog::closing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close button") << false;
    QTest::newRow("escape in a field") << true;
}

void TestUserDialog::closing()
{
    QFETCH(bool, escape);
    const auto dialog = openDialog();
    Ui::UserDialog* ui = dialog->form();
    QSignalSpy logins(dialog.get(), &UserDialog::loginSucced);
    if (escape)
        QTest::keyClick(ui->UserLoginNameLineEdit, Qt::Key_Escape);
    else
        click(ui->CloseUserDialogButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    // An answer that comes after closing is not shown.
    QMetaObject::invokeMethod(dialog.get(), "slot_LoginMessage", Q_ARG(int, 0), Q_ARG(QString, Nickname));
    QCOMPARE(logins.count(), 0);
    QVERIFY(ui->LoginMessageLabel->text().isEmpty());
}

QTEST_MAIN(TestUserDialog)
#include "tst_userdialog.moc"
