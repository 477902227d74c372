// The profile buttons' export and import: a file the window exported imports into another
// profile and selects it; a cut file is refused with a message and changes nothing.
#include "apppaths.h"
#include "guihelpers.h"
#include "profilefile.h"
#include "profilefilemenu.h"

class TestProfileFileMenu : public QObject {
    Q_OBJECT
private slots:
    void exportThenImport_data()
    {
        QTest::addColumn<int>("keptBytes");  // of the exported file; -1 all
        QTest::newRow("whole file") << -1;
        QTest::newRow("cut file") << 100;
    }
    void exportThenImport()
    {
        QFETCH(int, keptBytes);
        QTemporaryDir root;
        AppPaths::setDataRoot(root.path());
        QVERIFY(QDir().mkpath(AppPaths::localFileDir()));
        QVERIFY(QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(2)));
        QWidget window;
        QList<QPushButton*> buttons;
        for (int n = 0; n < 5; ++n)
            buttons << new QPushButton(&window);
        ProfileFileMenu menu(buttons, &window);
        QSignalSpy imported(&menu, &ProfileFileMenu::profileImported);

        const QString file = root.filePath(QStringLiteral("p.zr540"));
        QVERIFY(menu.exportProfile(2, file));
        if (keptBytes >= 0)
            QVERIFY(QFile::resize(file, keptBytes));
        // A refusal is said in a message box: close it as soon as it shows.
        QPointer<QTimer> closer = onNextModal([](QWidget* box) { box->close(); });
        const bool accepted = menu.importProfile(4, file);
        delete closer.data();

        QCOMPARE(accepted, keptBytes < 0);
        QCOMPARE(firstInts(imported), accepted ? QList<int>{4} : QList<int>{});
        QCOMPARE(QFile::exists(AppPaths::profileFile(4)), accepted);
        WholeStruct two, four;
        if (accepted) {
            QVERIFY(ProfileFile::read(AppPaths::profileFile(2), two) && ProfileFile::read(AppPaths::profileFile(4), four));
            QVERIFY(two.settings == four.settings && two.macros == four.macros);
        }
    }
};

QTEST_MAIN(TestProfileFileMenu)
#include "tst_profilefilemenu.moc"
