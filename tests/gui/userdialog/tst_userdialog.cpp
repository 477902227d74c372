// The login dialog against the real account server on a loopback port, with the stored identity
// in a temporary folder: the checks before sending, refusals, the password recovery with the code
// the server logs, navigation, and closing.
#include "ui_userdialog.h"

#include "apiclient.h"
#include "apppaths.h"
#include "findpasswd.h"
#include "loginaccount.h"
#include "operatetoken.h"
#include "registeraccount.h"
#include "serverprocess.h"
#include "guihelpers.h"
#include "userdialog.h"
#include "validatepassword.h"

#include <QNetworkReply>
#include <memory>

namespace {
const QString Email = QStringLiteral("user@x.cn");
const QString Password = QStringLiteral("secret-one");
const QString LostEmail = QStringLiteral("lost@x.cn");

void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
}  // namespace

class TestUserDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        server_ = std::make_unique<ServerProcess>(serverDir_.filePath(QStringLiteral("data")));
        QVERIFY2(server_->start(), server_->output().constData());
        ApiClient api(server_->port());
        QVERIFY(api.registerUser(Email, Password, QStringLiteral("测试")));
        QVERIFY(api.registerUser(LostEmail, Password));
    }
    void init()
    {
        dataRoot_ = std::make_unique<QTemporaryDir>();  // every test starts logged out
        AppPaths::setDataRoot(dataRoot_->path());
    }
    // A form refused before sending: a message under it, no request, the page stays.
    void checksBeforeSending_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("fields");  // object name, text, object name, text...
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        const QString pw = "UserRegisterPasswordLineEdit", again = "UserRegisterPasswordAgainLineEdit";
        const QString mail = "UserIndentifyEmailLineEdit", reset = "UserResetPasswordLineEdit";
        QTest::newRow("register: passwords differ")
            << 1 << QStringList{pw, "secret-one", again, "secret-two"} << "UserRegisterButton" << "RegisterMessageLabel";
        QTest::newRow("recovery: no e-mail") << 2 << QStringList{} << "UserIdentifyEmailButton" << "FindPasswordLabel";
        QTest::newRow("recovery: no code")
            << 3 << QStringList{mail, Email} << "UserSendIdetifyCodeButton" << "IdentifyMessageLabel";
        QTest::newRow("recovery: new passwords differ")
            << 5 << QStringList{mail, Email, reset, "Str0ng-new", "UserResetPasswordAgianLineEdit", "Str0ng-neu"}
            << "UserResetPasswordOkButton" << "ResetPasswordMessageLabel";
    }
    void checksBeforeSending()
    {
        QFETCH(int, page);
        QFETCH(QStringList, fields);
        const auto dialog = openDialog();
        if (page >= UserDialog::EmailPage)
            click(dialog->form()->ForgetPasswordButton);
        dialog->form()->stackedWidget->setCurrentIndex(page);
        for (int i = 0; i + 1 < fields.size(); i += 2)
            dialog->findChild<QLineEdit*>(fields.at(i))->setText(fields.at(i + 1));
        click(childOf<QPushButton>(dialog.get(), fetched<QString>("button")));
        QVERIFY(!childOf<QLabel>(dialog.get(), fetched<QString>("label"))->text().isEmpty());
        QVERIFY(dialog->findChildren<QNetworkReply*>().isEmpty());  // no request went out
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->form()->stackedWidget->currentIndex(), page);
    }
    // A refusal from the server is shown under the form, which stays, logged out. (The accepted
    // login and registration are the window test's round trip.)
    void serverRefusal_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QString>("password");
        QTest::newRow("login: wrong password") << false << "secret-two";
        QTest::newRow("register: address taken") << true << "Str0ng-one";
    }
    void serverRefusal()
    {
        QFETCH(bool, registering);
        const auto dialog = openDialog();
        Ui::UserDialog* ui = dialog->form();
        if (registering) {
            click(ui->ChooseRegisterButton);
            ui->UserRegisterNameLineEdit->setText(QStringLiteral("n"));
            ui->UserRegisterEmailLineEdit->setText(Email);
            ui->UserRegisterPasswordLineEdit->setText(fetched<QString>("password"));
        } else {
            ui->UserLoginNameLineEdit->setText(Email);
        }
        QLineEdit* last = registering ? ui->UserRegisterPasswordAgainLineEdit : ui->UserLoginPasswordLineEdit;
        last->setText(fetched<QString>("password"));
        QSignalSpy answers(registering ? static_cast<QObject*>(dialog->findChild<RegisterAccount*>())
                                       : dialog->findChild<LoginAccount*>(),
                           registering ? SIGNAL(sigRegisterRet(int, QString)) : SIGNAL(sigLoginRet(int, QString)));
        // Enter in the last field sends; a second Enter while the first is on its way does not.
        QTest::keyClick(last, Qt::Key_Return);
        QTest::keyClick(last, Qt::Key_Return);
        // Every request answered: a second one would have its answer among them.
        QTRY_VERIFY_WITH_TIMEOUT(!answers.isEmpty() && dialog->findChildren<QNetworkReply*>().isEmpty(), 30000);
        QCOMPARE(answers.count(), 1);
        QVERIFY(!(registering ? ui->RegisterMessageLabel : ui->LoginMessageLabel)->text().isEmpty());
        QVERIFY(dialog->isVisible());
        QVERIFY((registering ? ui->UserRegisterButton : ui->UserLoginButton)->isEnabled());
        QVERIFY(OperateToken().GetToken().size() <= 10);  // not logged in
    }
    // Going back and asking again mails a new code, which leads to the new password; the new
    // password logs in.
    void passwordRecovery()
    {
        const auto dialog = openDialog();
        Ui::UserDialog* ui = dialog->form();
        click(ui->ForgetPasswordButton);
        QTest::keyClicks(ui->UserIndentifyEmailLineEdit, LostEmail);
        QSignalSpy mailed(dialog->findChild<FindPasswd*>(), &FindPasswd::sigFindPwdRet);
        QSignalSpy validated(dialog->findChild<ValidatePassword*>(), &ValidatePassword::sigValidateCodeRet);
        const auto requestCode = [&] {
            const int mark = server_->output().size();
            click(ui->UserIdentifyEmailButton);
            return mailed.wait(30000) ? server_->waitForCode(LostEmail, mark) : QString();
        };

        QVERIFY(!requestCode().isEmpty());
        QCOMPARE(ui->stackedWidget->currentIndex(), int(UserDialog::CodePage));

        click(ui->pushButton);  // back to the address
        ui->UserIndentifyCodeLineEdit->clear();
        QTest::keyClicks(ui->UserIndentifyCodeLineEdit, requestCode());
        QTest::keyClick(ui->UserIndentifyCodeLineEdit, Qt::Key_Return);
        QVERIFY(validated.wait(30000));
        QCOMPARE(ui->stackedWidget->currentIndex(), int(UserDialog::NewPasswordPage));

        QTest::keyClicks(ui->UserResetPasswordLineEdit, QStringLiteral("Str0ng-new"));
        QTest::keyClicks(ui->UserResetPasswordAgianLineEdit, QStringLiteral("Str0ng-new"));
        click(ui->UserResetPasswordOkButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 30000);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!ApiClient(server_->port()).login(LostEmail, QStringLiteral("Str0ng-new")).isEmpty());
    }
    void fieldsAndClosing_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close button") << false;
        QTest::newRow("escape in a field") << true;
    }
    // Only the login password is masked; only the name takes input-method text, also after typing.
    // Closed, the dialog shows no answer that comes after.
    void fieldsAndClosing()
    {
        const auto dialog = openDialog();
        Ui::UserDialog* ui = dialog->form();
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("a"));
            QCOMPARE(edit->echoMode() == QLineEdit::PasswordEchoOnEdit, edit == ui->UserLoginPasswordLineEdit);
            QCOMPARE(edit->testAttribute(Qt::WA_InputMethodEnabled), edit == ui->UserRegisterNameLineEdit);
        }
        QSignalSpy logins(dialog.get(), &UserDialog::loginSucced);
        if (fetched<bool>("escape"))
            QTest::keyClick(ui->UserLoginNameLineEdit, Qt::Key_Escape);
        else
            click(ui->CloseUserDialogButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QMetaObject::invokeMethod(dialog.get(), "slot_LoginMessage", Q_ARG(int, 0), Q_ARG(QString, "n"));
        QCOMPARE(logins.count(), 0);
        QVERIFY(ui->LoginMessageLabel->text().isEmpty());
    }

private:
    std::unique_ptr<UserDialog> openDialog()
    {
        auto dialog = std::make_unique<UserDialog>(nullptr, server_->baseUrl());
        dialog->show();
        (void)QTest::qWaitForWindowExposed(dialog.get());
        return dialog;
    }

    QTemporaryDir serverDir_;
    std::unique_ptr<QTemporaryDir> dataRoot_;
    std::unique_ptr<ServerProcess> server_;
};

QTEST_MAIN(TestUserDialog)
#include "tst_userdialog.moc"
