// Windows virtual-key codes from key events: X keysyms (as xcb reports them in nativeVirtualKey),
// the Qt key when an event has no native code, and the folding of the sided modifier codes. (The
// names the pages show for the codes are the key-name table's, pinned by its own golden file.)
#include "testhelpers.h"
#include "virtualkeys.h"

#include <QKeyEvent>
#include <QtTest>

class TestVirtualKeys : public QObject {
    Q_OBJECT
private slots:
    void x11Keysyms_data();
    void x11Keysyms();
    void qtKeysWithoutNativeCode_data();
    void qtKeysWithoutNativeCode();
    void keyMessageCode_data();
    void keyMessageCode();
};

void TestVirtualKeys::x11Keysyms_data()
{
    QTest::addColumn<quint32>("keysym");
    QTest::addColumn<int>("code");

    auto row = [](const char* tag, quint32 keysym, int code) { QTest::newRow(tag) << keysym << code; };
    // The blocks by their edges: letters of both cases, digits, F-keys, keypad digits.
    row("a", 0x61, 0x41);
    row("z", 0x7A, 0x5A);
    row("A (shifted)", 0x41, 0x41);
    row("0", 0x30, 0x30);
    row("9", 0x39, 0x39);
    row("F1", 0xFFBE, 0x70);
    row("F24", 0xFFD5, 0x87);
    row("F25 (beyond Windows)", 0xFFD6, 0);
    row("KP_0", 0xFFB0, 0x60);
    row("KP_9", 0xFFB9, 0x69);
    // The table: one row of each kind of key in it.
    row(") (shifted 0)", 0x29, 0x30);
    row("colon (shifted semicolon)", 0x3A, 0xBA);
    row("quotedbl", 0x22, 0xDE);
    row("KP_Divide", 0xFFAF, 0x6F);
    row("KP_Enter: the Return code", 0xFF8D, 0x0D);
    row("KP_End (Num Lock off)", 0xFF9C, 0x23);
    row("Next", 0xFF56, 0x22);
    row("Delete", 0xFFFF, 0x2E);
    row("ISO_Left_Tab (Shift+Tab)", 0xFE20, 0x09);
    row("Print", 0xFF61, 0x2C);
    row("Menu", 0xFF67, 0x5D);
    // Every modifier: macros and key combinations keep their side.
    row("Super_L", 0xFFEB, 0x5B);
    row("Super_R", 0xFFEC, 0x5C);
    row("Shift_L", 0xFFE1, 0xA0);
    row("Shift_R", 0xFFE2, 0xA1);
    row("Control_L", 0xFFE3, 0xA2);
    row("Control_R", 0xFFE4, 0xA3);
    row("Alt_L", 0xFFE9, 0xA4);
    row("Alt_R", 0xFFEA, 0xA5);
    row("Meta_L (Shift+Alt_L)", 0xFFE7, 0xA4);
    row("ISO_Level3_Shift (AltGr)", 0xFE03, 0xA5);
    row("eacute: no US key", 0xE9, 0);
}

void TestVirtualKeys::x11Keysyms()
{
    QFETCH(quint32, keysym);
    QFETCH(int, code);

    // The Qt key is deliberately useless: the keysym alone decides.
    const QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, keysym, 0);
    if (code != 0)
        QCOMPARE(VirtualKeys::fromKeyEvent(&press), code);
    QCOMPARE(VirtualKeys::fromX11Keysym(keysym), code);
}

void TestVirtualKeys::qtKeysWithoutNativeCode_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");

    const int keypad = Qt::KeypadModifier;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 0x41;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << keypad << 0x65;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 0x6A;
    QTest::newRow("* off the keypad") << int(Qt::Key_Asterisk) << 0 << 0x38;
    QTest::newRow("keypad Home") << int(Qt::Key_Home) << keypad << 0x24;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << 0x70;
    QTest::newRow("F24") << int(Qt::Key_F24) << 0 << 0x87;
    QTest::newRow("F25") << int(Qt::Key_F25) << 0 << 0;
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << 0 << 0x09;
    QTest::newRow("braceleft") << int(Qt::Key_BraceLeft) << 0 << 0xDB;
    QTest::newRow("Alt: left") << int(Qt::Key_Alt) << 0 << 0xA4;
    QTest::newRow("AltGr: right Alt") << int(Qt::Key_AltGr) << 0 << 0xA5;
    QTest::newRow("unknown") << int(Qt::Key_unknown) << 0 << 0;
}

void TestVirtualKeys::qtKeysWithoutNativeCode()
{
    const QKeyEvent press(QEvent::KeyPress, fetched<int>("key"), Qt::KeyboardModifiers(fetched<int>("modifiers")));
    QCOMPARE(VirtualKeys::fromKeyEvent(&press), fetched<int>("code"));
}

void TestVirtualKeys::keyMessageCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("message");

    QTest::newRow("L_Shift") << 0xA0 << 0x10;
    QTest::newRow("R_Shift") << 0xA1 << 0x10;
    QTest::newRow("L_Ctrl") << 0xA2 << 0x11;
    QTest::newRow("R_Ctrl") << 0xA3 << 0x11;
    QTest::newRow("L_Alt") << 0xA4 << 0x12;
    QTest::newRow("R_Alt") << 0xA5 << 0x12;
    QTest::newRow("L_Win stays") << 0x5B << 0x5B;
    QTest::newRow("R_Win stays") << 0x5C << 0x5C;
    QTest::newRow("0x9F stays") << 0x9F << 0x9F;
    QTest::newRow("0xA6 stays") << 0xA6 << 0xA6;
}

void TestVirtualKeys::keyMessageCode()
{
    QCOMPARE(VirtualKeys::keyMessageCode(fetched<int>("code")), fetched<int>("message"));
}

QTEST_APPLESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
