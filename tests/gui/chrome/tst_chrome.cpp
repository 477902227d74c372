// The window's chrome: the warning overlay, and the overlay shown while no mouse is plugged in.
#include "guihelpers.h"
#include "needdevicedialog.h"
#include "warningdialog.h"

class TestChrome : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the browser: QDesktopServices hands it every http(s) address.
    void openUrl(const QUrl& url) { m_actions << "open " + url.toString(); }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler("https", this, "openUrl");  // unset when this object dies
        QDesktopServices::setUrlHandler("http", this, "openUrl");
    }
    void init() { m_actions.clear(); }

    // One row per kind of warning: whether it offers Cancel, and what OK sets off. (OK on the
    // upload, download and log-out questions is the window test's.)
    void warningTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("url");  // given to the dialog beforehand
        const QString newer = "http://example.org/zr540.exe";
        QTest::newRow("0 reset") << 0 << true << "reset" << "";
        QTest::newRow("1 update, url") << 1 << true << "open " + newer << newer;
        // Only a web address from the server is opened; the program's own page stands in for others.
        QTest::newRow("1 update, file url") << 1 << true << "open " + WarningDialog::downloadPage() << "file:///etc/passwd";
        QTest::newRow("13 a note") << 13 << false << "" << "";
        QTest::newRow("unknown") << -1 << false << "" << "";
    }
    void warningTypes()
    {
        QFETCH(int, type);
        QFETCH(bool, cancel);
        WarningDialog dialog;
        connect(&dialog, &WarningDialog::sigResetMouseToOriginal, this, [this] { m_actions << "reset"; });
        dialog.setUrl(fetched<QString>("url"));
        dialog.show();
        // The window keeps one dialog and sets a new type on it each time, after other boxes.
        dialog.showUpdateProgress();
        dialog.setWarningType(1);
        dialog.setWarningType(type);
        QVERIFY(childOf<QWidget>(&dialog, "WarningWidget")->isVisible());
        QVERIFY(!childOf<QWidget>(&dialog, "UpdateWidget")->isVisible());
        QCOMPARE(childOf<QLabel>(&dialog, "Title_Label")->text().isEmpty(), type < 0);
        QCOMPARE(childOf<QWidget>(&dialog, "Cancle_Button")->isVisible(), cancel);
        if (cancel) {
            clickChild(&dialog, "Cancle_Button");
            QVERIFY(!dialog.isVisible() && m_actions.isEmpty());
            dialog.show();
        }
        clickChild(&dialog, "OkButton");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_actions.join(';'), fetched<QString>("action"));
    }

    void needDevice()
    {
        NeedDeviceDialog dialog(nullptr);
        dialog.slot_hide(false);
        QVERIFY(dialog.isVisible());
        QSignalSpy closing(&dialog, &NeedDeviceDialog::sig_closeWindow);
        clickChild(&dialog, "OkButton");
        QCOMPARE(closing.count(), 1);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());  // no way round the wait but the mouse or quitting
        dialog.slot_hide(true);
        QVERIFY(!dialog.isVisible());
    }

private:
    QStringList m_actions;  // what the warning dialog's buttons set off, in order
};

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
