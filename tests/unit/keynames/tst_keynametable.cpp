// The key-name table: the name shown for every virtual-key code, and the codes without one.
#include "keynametable.h"

#include <QMap>
#include <QSet>
#include <QtTest>

namespace {
// The names by code, built group by group from the key groups (not in the table's own order).
QMap<int, QString> expectedNames()
{
    QMap<int, QString> names;
    for (int code = 0x41; code <= 0x5A; ++code)
        names[code] = QString(QChar(code));
    for (int code = 0x30; code <= 0x39; ++code)
        names[code] = QString(QChar(code));
    for (int n = 1; n <= 12; ++n)
        names[0x70 + n - 1] = QStringLiteral("F%1").arg(n);
    for (int n = 0; n <= 9; ++n)
        names[0x60 + n] = QStringLiteral("NUM %1").arg(n);
    const QList<QPair<int, const char*>> named = {
        {0x6A, "NUM *"},   {0x6B, "NUM +"},       {0x6D, "NUM -"},         {0x6E, "NUM Del"},
        {0x6F, "NUM /"},   {0x6C, "NUM Enter"},   {0x90, "NUM Lock"},      {0x2A, "Print"},
        {0x91, "Scroll"},  {0x13, "Pause"},       {0x2D, "Insert"},        {0x24, "Home"},
        {0x2E, "Delete"},  {0x23, "End"},         {0x21, "Page Up"},       {0x22, "Page Down"},
        {0x26, "UP"},      {0x28, "DOWN"},        {0x25, "LEFT"},          {0x27, "RIGHT"},
        {0x08, "Backspace"}, {0x0D, "Enter"},     {0x09, "Tab"},           {0x14, "Cap"},
        {0x20, "Space"},   {0x1B, "ESC"},         {0xA0, "L_Shift"},       {0xA2, "L_Ctrl"},
        {0xA4, "L_Alt"},   {0x5B, "L_Win"},       {0xA1, "R_Shift"},       {0xA3, "R_Ctrl"},
        {0xA5, "R_Alt"},   {0x5C, "R_Win"},       {0x01, "Left Button"},   {0x02, "Right Button"},
        {0x04, "Middle Button"}, {0xC0, "~"},     {0xBD, "-"},             {0xBB, "="},
        {0xDC, "|"},       {0xDB, "["},           {0xDD, "]"},             {0xBA, ";"},
        {0xDE, "/'"},      {0xBC, "<"},           {0xBE, ">"},             {0xBF, "?"},
    };
    for (const auto& entry : named)
        names[entry.first] = QString::fromLatin1(entry.second);
    return names;
}
}  // namespace

class TestKeyNameTable : public QObject {
    Q_OBJECT
private slots:
    void namedKeys_data();
    void namedKeys();
    void edgeCodes_data();
    void edgeCodes();
    void everyOtherCodeHasNoName();
    void listHoldsTheKeysInKeyboardOrder();
};

void TestKeyNameTable::namedKeys_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const QMap<int, QString> names = expectedNames();
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        QTest::addRow("0x%02X %s", it.key(), qPrintable(it.value())) << it.key() << it.value();
}

void TestKeyNameTable::namedKeys()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(KeyNameTable::lookup(code), name);
}

void TestKeyNameTable::edgeCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("code 0") << 0 << QString();
    QTest::newRow("print screen 0x2C has no name") << 0x2C << QString();
    QTest::newRow("Print is 0x2A") << 0x2A << QStringLiteral("Print");
    QTest::newRow("L_Alt listed twice") << 0xA4 << QStringLiteral("L_Alt");
    QTest::newRow("generic Shift 0x10") << 0x10 << QString();
    QTest::newRow("generic Ctrl 0x11") << 0x11 << QString();
    QTest::newRow("generic Alt 0x12") << 0x12 << QString();
    QTest::newRow("mouse button 1") << 1 << QStringLiteral("Left Button");
    QTest::newRow("mouse button 2") << 2 << QStringLiteral("Right Button");
    QTest::newRow("code 3 (cancel)") << 3 << QString();
    QTest::newRow("mouse button 4") << 4 << QStringLiteral("Middle Button");
    QTest::newRow("K listed twice") << 0x4B << QStringLiteral("K");
    QTest::newRow("L listed twice") << 0x4C << QStringLiteral("L");
    QTest::newRow("Z listed twice") << 0x5A << QStringLiteral("Z");
    QTest::newRow("quote key") << 0xDE << QStringLiteral("/'");
    QTest::newRow("negative") << -1 << QString();
    QTest::newRow("'A' plus 256") << 0x141 << QString();
    QTest::newRow("0xFF") << 0xFF << QString();
}

void TestKeyNameTable::edgeCodes()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(KeyNameTable::lookup(code), name);
    QCOMPARE(KeyNameTable::lookup(code).isNull(), name.isNull());
}

void TestKeyNameTable::everyOtherCodeHasNoName()
{
    const QMap<int, QString> names = expectedNames();
    for (int code = -300; code < 0x400; ++code) {
        if (!names.contains(code) && !KeyNameTable::lookup(code).isEmpty())
            QFAIL(qPrintable(QStringLiteral("code 0x%1 is named \"%2\"")
                                 .arg(code, 0, 16)
                                 .arg(KeyNameTable::lookup(code))));
    }
}

void TestKeyNameTable::listHoldsTheKeysInKeyboardOrder()
{
    QCOMPARE(KeyNameTable::size(), std::size_t(110));
    QCOMPARE(std::size_t(KeyNameTable::end() - KeyNameTable::begin()), KeyNameTable::size());

    // Every entry carries the name its code has in the key groups; K, L, Z and L_Alt come twice.
    const QMap<int, QString> names = expectedNames();
    QMap<int, int> seen;
    for (const KeyNameTable::Entry* e = KeyNameTable::begin(); e != KeyNameTable::end(); ++e) {
        QCOMPARE(QString::fromLatin1(e->name), names.value(e->virtualKey));
        ++seen[e->virtualKey];
    }
    QCOMPARE(seen.size(), names.size());
    QMap<int, int> twice;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        if (it.value() != 1)
            twice.insert(it.key(), it.value());
    }
    const QMap<int, int> expectedTwice{{0x4B, 2}, {0x4C, 2}, {0x5A, 2}, {0xA4, 2}};
    QCOMPARE(twice, expectedTwice);

    // Keyboard order: the top letter row first, the mouse buttons last.
    const QStringList firstRow{"Q", "W", "E", "R", "T", "Y"};
    for (int i = 0; i < firstRow.size(); ++i)
        QCOMPARE(QString::fromLatin1(KeyNameTable::begin()[i].name), firstRow.at(i));
    QCOMPARE(KeyNameTable::end()[-3].virtualKey, 0x01);
    QCOMPARE(KeyNameTable::end()[-2].virtualKey, 0x02);
    QCOMPARE(KeyNameTable::end()[-1].virtualKey, 0x04);
}

QTEST_GUILESS_MAIN(TestKeyNameTable)
#include "tst_keynametable.moc"
