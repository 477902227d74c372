// Every text of the forms fits its control, in Chinese and in English: each window, with the
// program's font and style sheet, is put through its states and every label's and button's text is
// measured with the widget's own font against the room the style leaves it.
#include "appearance.h"
#include "apppaths.h"
#include "drawdialog.h"
#include "guihelpers.h"
#include "keysettingdialog.h"
#include "mainwindow.h"
#include "simulatedmousesession.h"
#include "translation.h"
#include "userdialog.h"
#include "warningdialog.h"

#include <memory>

namespace {
// Where a button draws its text: the style's contents rectangle, less the icon beside it.
QRect textRoom(QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const auto element = qobject_cast<QCheckBox*>(button)      ? QStyle::SE_CheckBoxContents
                         : qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                               : QStyle::SE_PushButtonContents;
    const QRect room = button->style()->subElementRect(element, &option, button);
    return button->icon().isNull() ? room : room.adjusted(button->iconSize().width() + 4, 0, 0, 0);
}

// The texts that do not fit in `top` as it stands, one line each. A widget a layout places is
// measured only while shown (hidden, it has no room); one placed by hand always is.
QStringList misfits(QWidget* top)
{
    QStringList found;
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        const QString text = label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || (widget->parentWidget()->layout() && !widget->isVisibleTo(top)))
            continue;
        widget->ensurePolished();  // the style sheet's font
        const QFontMetrics metrics(widget->font());
        const bool wraps = label && label->wordWrap();
        const QRect room = label ? label->contentsRect() - QMargins(1, 1, 1, 1) * label->margin() : textRoom(button);
        const QSize need = wraps ? metrics.boundingRect(room, Qt::TextWordWrap, text).size()
                                 : metrics.size(Qt::TextShowMnemonic, text);
        const bool lines = wraps || text.contains(QLatin1Char('\n'));
        if (need.width() > room.width() || (lines && need.height() > room.height())) {
            found << QString();
            QDebug(&found.last()).noquote()
                << widget->objectName() << '"' + text + '"' << "needs" << need << "has" << room.size();
        }
    }
    return found;
}
}  // namespace

class TestTextFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppPaths::setDataRoot(m_root.path());
        applyAppearance(*qApp);  // what main() sets before the window
    }
    void cleanup() { qDeleteAll(qApp->findChildren<QTranslator*>()); }  // a deleted translator is removed
    void everyTextFits_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("window");
        for (const char* language : {"zh_CN", "en_GB"})
            for (const char* window : {"main window", "key dialog", "warning dialog", "drawing dialog", "login dialog"})
                QTest::addRow("%s %s", language, window) << language << window;
    }
    void everyTextFits();

private:
    QTemporaryDir m_root;  // holds no font file: the style sheet's fonts, as on a fresh install
    SimulatedMouseSession m_session;
};

void TestTextFit::everyTextFits()
{
    QFETCH(QString, language);
    QFETCH(QString, window);
    QCOMPARE(installTranslation(*qApp, QLocale(language)), language != QLatin1String("zh_CN"));

    // The window (built after the translator: forms translate once) and the states it is put in.
    std::unique_ptr<QWidget> top;
    std::vector<std::function<void()>> states{[] {}};
    if (window == QLatin1String("main window")) {
        MainWindow::Options options;  // the pages, the device dialog and the version the support page shows
        options.hid = m_session.shared();
        options.accountServer = QStringLiteral("http://127.0.0.1:9");
        options.exit = [](int) {};
        options.scanIntervalMs = 3600 * 1000;
        auto* main = new MainWindow(options);
        top.reset(main);
        main->lightPage();  // every page now, not when the window is idle
        main->macroPage();
        main->supportPage();
        main->cloudPage();
    } else if (window == QLatin1String("key dialog")) {
        auto* dialog = new KeySettingDialog;
        top.reset(dialog);
        for (int button = 0; button < 16; ++button)
            states.push_back([dialog, button] { dialog->setChangedKey(button); });
    } else if (window == QLatin1String("warning dialog")) {
        auto* dialog = new WarningDialog;
        top.reset(dialog);
        states = {[dialog] { dialog->showUpdateProgress(); }};
        for (int type = 0; type < 64; ++type)  // past the last message
            states.push_back([dialog, type] { dialog->setWarningType(type); });
    } else if (window == QLatin1String("drawing dialog")) {
        top = std::make_unique<DrawDialog>();
    } else {
        top = std::make_unique<UserDialog>(nullptr, QStringLiteral("http://127.0.0.1:9"));
    }
    top->show();
    QVERIFY(QTest::qWaitForWindowExposed(top.get()));

    QStringList found;
    for (const auto& state : states) {
        state();
        found << misfits(top.get());
        for (QStackedWidget* stack : top->findChildren<QStackedWidget*>())
            for (int page = 0; page < stack->count(); ++page) {
                stack->setCurrentIndex(page);
                QCoreApplication::processEvents();  // lays out the page now shown
                found << misfits(top.get());
            }
    }
    found.removeDuplicates();
    QVERIFY2(found.isEmpty(), qPrintable(QLatin1Char('\n') + found.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
