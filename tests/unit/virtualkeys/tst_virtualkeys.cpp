// Windows virtual-key codes from key events: X keysyms (as xcb reports them in nativeVirtualKey),
// the Qt key when an event has no native code, and the folding of the sided modifier codes.
#include "keynametable.h"
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
    QTest::addColumn<QString>("name");  // what the key-name table calls the code

    auto row = [](const char* tag, quint32 keysym, int code, const char* name) {
        QTest::newRow(tag) << keysym << code << QString::fromLatin1(name);
    };
    row("a", 0x61, 0x41, "A");
    row("A (shifted)", 0x41, 0x41, "A");
    row("z", 0x7A, 0x5A, "Z");
    row("0", 0x30, 0x30, "0");
    row("9", 0x39, 0x39, "9");
    row("! (shifted 1)", 0x21, 0x31, "1");
    row("@ (shifted 2)", 0x40, 0x32, "2");
    row(") (shifted 0)", 0x29, 0x30, "0");
    row("F1", 0xFFBE, 0x70, "F1");
    row("F12", 0xFFC9, 0x7B, "F12");
    row("F13", 0xFFCA, 0x7C, "");
    row("F24", 0xFFD5, 0x87, "");
    row("F25 (beyond Windows)", 0xFFD6, 0, "");
    row("KP_0", 0xFFB0, 0x60, "NUM 0");
    row("KP_9", 0xFFB9, 0x69, "NUM 9");
    row("KP_Multiply", 0xFFAA, 0x6A, "NUM *");
    row("KP_Add", 0xFFAB, 0x6B, "NUM +");
    row("KP_Subtract", 0xFFAD, 0x6D, "NUM -");
    row("KP_Decimal", 0xFFAE, 0x6E, "NUM Del");
    row("KP_Divide", 0xFFAF, 0x6F, "NUM /");
    row("KP_Enter: the Return code", 0xFF8D, 0x0D, "Enter");
    row("KP_End (Num Lock off)", 0xFF9C, 0x23, "End");
    row("KP_Delete (Num Lock off)", 0xFF9F, 0x2E, "Delete");
    row("Num_Lock", 0xFF7F, 0x90, "NUM Lock");
    row("Up", 0xFF52, 0x26, "UP");
    row("Down", 0xFF54, 0x28, "DOWN");
    row("Left", 0xFF51, 0x25, "LEFT");
    row("Right", 0xFF53, 0x27, "RIGHT");
    row("Home", 0xFF50, 0x24, "Home");
    row("End", 0xFF57, 0x23, "End");
    row("Prior", 0xFF55, 0x21, "Page Up");
    row("Next", 0xFF56, 0x22, "Page Down");
    row("Insert", 0xFF63, 0x2D, "Insert");
    row("Delete", 0xFFFF, 0x2E, "Delete");
    row("semicolon", 0x3B, 0xBA, ";");
    row("colon", 0x3A, 0xBA, ";");
    row("equal", 0x3D, 0xBB, "=");
    row("plus", 0x2B, 0xBB, "=");
    row("comma", 0x2C, 0xBC, "<");
    row("minus", 0x2D, 0xBD, "-");
    row("underscore", 0x5F, 0xBD, "-");
    row("period", 0x2E, 0xBE, ">");
    row("slash", 0x2F, 0xBF, "?");
    row("question", 0x3F, 0xBF, "?");
    row("grave", 0x60, 0xC0, "~");
    row("asciitilde", 0x7E, 0xC0, "~");
    row("bracketleft", 0x5B, 0xDB, "[");
    row("backslash", 0x5C, 0xDC, "|");
    row("bar", 0x7C, 0xDC, "|");
    row("bracketright", 0x5D, 0xDD, "]");
    row("apostrophe", 0x27, 0xDE, "/'");
    row("quotedbl", 0x22, 0xDE, "/'");
    row("Escape", 0xFF1B, 0x1B, "ESC");
    row("Tab", 0xFF09, 0x09, "Tab");
    row("ISO_Left_Tab (Shift+Tab)", 0xFE20, 0x09, "Tab");
    row("BackSpace", 0xFF08, 0x08, "Backspace");
    row("Return", 0xFF0D, 0x0D, "Enter");
    row("space", 0x20, 0x20, "Space");
    row("Caps_Lock", 0xFFE5, 0x14, "Cap");
    row("Print: print screen has no name", 0xFF61, 0x2C, "");
    row("Sys_Req (Alt+Print)", 0xFF15, 0x2C, "");
    row("Scroll_Lock", 0xFF14, 0x91, "Scroll");
    row("Pause", 0xFF13, 0x13, "Pause");
    row("Menu", 0xFF67, 0x5D, "");
    row("Super_L", 0xFFEB, 0x5B, "L_Win");
    row("Super_R", 0xFFEC, 0x5C, "R_Win");
    row("Shift_L", 0xFFE1, 0xA0, "L_Shift");
    row("Shift_R", 0xFFE2, 0xA1, "R_Shift");
    row("Control_L", 0xFFE3, 0xA2, "L_Ctrl");
    row("Control_R", 0xFFE4, 0xA3, "R_Ctrl");
    row("Alt_L", 0xFFE9, 0xA4, "L_Alt");
    row("Alt_R", 0xFFEA, 0xA5, "R_Alt");
    row("Meta_L (Shift+Alt_L)", 0xFFE7, 0xA4, "L_Alt");
    row("ISO_Level3_Shift (AltGr)", 0xFE03, 0xA5, "R_Alt");
    row("eacute: no US key", 0xE9, 0, "");
}

void TestVirtualKeys::x11Keysyms()
{
    QFETCH(quint32, keysym);
    QFETCH(int, code);
    QFETCH(QString, name);

    // The Qt key is deliberately useless: the keysym alone decides.
    const QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, keysym, 0);
    if (code != 0)
        QCOMPARE(VirtualKeys::fromKeyEvent(&press), code);
    QCOMPARE(VirtualKeys::fromX11Keysym(keysym), code);
    QCOMPARE(KeyNameTable::lookup(code), name);
}

void TestVirtualKeys::qtKeysWithoutNativeCode_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");

    const int keypad = Qt::KeypadModifier;
    QTest::newRow("A") << int(Qt::Key_A) << 0 << 0x41;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 0x41;
    QTest::newRow("5") << int(Qt::Key_5) << 0 << 0x35;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << keypad << 0x65;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 0x6A;
    QTest::newRow("* off the keypad") << int(Qt::Key_Asterisk) << 0 << 0x38;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 0x0D;
    QTest::newRow("keypad Home") << int(Qt::Key_Home) << keypad << 0x24;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << 0x70;
    QTest::newRow("F24") << int(Qt::Key_F24) << 0 << 0x87;
    QTest::newRow("F25") << int(Qt::Key_F25) << 0 << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << 0x1B;
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << 0 << 0x09;
    QTest::newRow("Print") << int(Qt::Key_Print) << 0 << 0x2C;
    QTest::newRow("semicolon") << int(Qt::Key_Semicolon) << 0 << 0xBA;
    QTest::newRow("braceleft") << int(Qt::Key_BraceLeft) << 0 << 0xDB;
    QTest::newRow("Shift: left") << int(Qt::Key_Shift) << 0 << 0xA0;
    QTest::newRow("Control: left") << int(Qt::Key_Control) << 0 << 0xA2;
    QTest::newRow("Alt: left") << int(Qt::Key_Alt) << 0 << 0xA4;
    QTest::newRow("AltGr: right Alt") << int(Qt::Key_AltGr) << 0 << 0xA5;
    QTest::newRow("Super_R") << int(Qt::Key_Super_R) << 0 << 0x5C;
    QTest::newRow("unknown") << int(Qt::Key_unknown) << 0 << 0;
}

void TestVirtualKeys::qtKeysWithoutNativeCode()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);

    const QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(VirtualKeys::fromKeyEvent(&press), code);
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
    QFETCH(int, code);
    QFETCH(int, message);
    QCOMPARE(VirtualKeys::keyMessageCode(code), message);
}

QTEST_APPLESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
