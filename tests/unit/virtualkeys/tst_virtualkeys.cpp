// Windows virtual-key codes from key events: X keysyms (as xcb reports them in nativeVirtualKey),
// the Qt key when an event has no native code, and the folding of the sided modifier codes.
#include "testhelpers.h"
#include "virtualkeys.h"

#include <QKeyEvent>
#include <QtTest>

class TestVirtualKeys : public QObject {
    Q_OBJECT
private slots:
    void x11Keysyms_data()
    {
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<int>("code");
        auto row = [](const char* tag, quint32 keysym, int code) { QTest::newRow(tag) << keysym << code; };
        // The blocks: letters of both cases, digits, F-keys to the last and past it, keypad digits.
        row("z", 0x7A, 0x5A);
        row("A (shifted)", 0x41, 0x41);
        row("9", 0x39, 0x39);
        row("F24", 0xFFD5, 0x87);
        row("F25 (beyond Windows)", 0xFFD6, 0);
        row("KP_9", 0xFFB9, 0x69);
        // The table: one row of each kind of key in it.
        row("colon (shifted semicolon)", 0x3A, 0xBA);
        row("KP_Enter: the Return code", 0xFF8D, 0x0D);
        row("KP_End (Num Lock off)", 0xFF9C, 0x23);
        row("ISO_Left_Tab (Shift+Tab)", 0xFE20, 0x09);
        // Modifiers keep their side.
        row("Control_R", 0xFFE4, 0xA3);
        row("ISO_Level3_Shift (AltGr)", 0xFE03, 0xA5);
        row("eacute: no US key", 0xE9, 0);
    }

    void x11Keysyms()
    {
        QFETCH(quint32, keysym);
        QFETCH(int, code);
        // The Qt key is deliberately useless: the keysym alone decides.
        const QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, keysym, 0);
        if (code != 0)
            QCOMPARE(VirtualKeys::fromKeyEvent(&press), code);
        QCOMPARE(VirtualKeys::fromX11Keysym(keysym), code);
    }

    void qtKeysWithoutNativeCode_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        const int keypad = Qt::KeypadModifier;
        QTest::newRow("keypad 5") << int(Qt::Key_5) << keypad << 0x65;
        QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 0x6A;
        QTest::newRow("* off the keypad") << int(Qt::Key_Asterisk) << 0 << 0x38;
        QTest::newRow("keypad Home") << int(Qt::Key_Home) << keypad << 0x24;
        QTest::newRow("F25") << int(Qt::Key_F25) << 0 << 0;
        QTest::newRow("braceleft") << int(Qt::Key_BraceLeft) << 0 << 0xDB;
        QTest::newRow("AltGr: right Alt") << int(Qt::Key_AltGr) << 0 << 0xA5;
        QTest::newRow("unknown") << int(Qt::Key_unknown) << 0 << 0;
    }

    void qtKeysWithoutNativeCode()
    {
        const QKeyEvent press(QEvent::KeyPress, fetched<int>("key"), Qt::KeyboardModifiers(fetched<int>("modifiers")));
        QCOMPARE(VirtualKeys::fromKeyEvent(&press), fetched<int>("code"));
    }

    // The sided Shift, Ctrl and Alt codes fold to the plain ones; every other code stays.
    void keyMessageCode()
    {
        const int sided[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}, plain[] = {0x10, 0x10, 0x11, 0x11, 0x12, 0x12};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(VirtualKeys::keyMessageCode(sided[i]), plain[i]);
        for (int code : {0x5B, 0x5C, 0x9F, 0xA6})
            QCOMPARE(VirtualKeys::keyMessageCode(code), code);
    }
};

QTEST_APPLESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
