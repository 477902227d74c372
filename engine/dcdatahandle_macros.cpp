// Macro download: a macro file becomes the compact form the mouse plays, goes into one of its
// sixteen macro blocks, is kept in the active profile, and a button is pointed at it.
//
// Items (first byte, second byte):
//   {d, k}                     key event: k the key code, d the delay after it (1–127 ms), bit 7 = release
//   {d, k} {0,1} {h, l}        the same with a long delay: d = delay mod 100, then delay / 100 (big-endian)
//   {0,2} {x, y}               mouse movement; the mouse counts y downwards
//   {0,0}                      end of the macro
// The header is the repeat count, big-endian.
#include "dcdatahandle.h"
#include "keyusagetable.h"
#include "loginfo.h"

#include <QDebug>
#include <algorithm>

namespace {
constexpr int ShortDelayLimit = 127;
constexpr int ReleaseBit = 0x80;
constexpr int LongDelayUnit = 100;
// The longest delay the 16-bit count of 100 ms units carries. 0xFFFF itself would make an FF FF
// pair, which a profile file cannot keep, so the count stops one short of it.
constexpr int MaxLongDelayUnits = 0xFFFE;
constexpr int MaxMove = 127;
// The repeat count travels in the two header bytes; 0 or 0xFFFF would read back from a profile
// file as a record end or be dropped.
constexpr int MaxRepeat = 0xFFFE;

BYTE byteOf(int value) { return static_cast<BYTE>(value & 0xFF); }

void appendMove(QList<MacroItem>& items, int x, int y)
{
    items << MacroItem{0x00, 0x02} << MacroItem{byteOf(x), byteOf(y)};
}
}  // namespace

BYTE DCDataHandle::getSingleMacroAddress(int button)
{
    // Button ids 4 … 15: each button's own macro block.
    static const BYTE addresses[] = {0x8C, 0x94, 0x90, 0x9C, 0x98, 0xA4, 0xA0, 0xA8, 0xAC, 0xB0, 0xB4, 0xB8};
    const BYTE address = button >= FirstButton && button <= LastButton ? addresses[button - FirstButton] : byteOf(button);
    qDebug().noquote() << QString::asprintf("getButtonMacroAddress:%x", address);
    return address;
}

BYTE DCDataHandle::getMulitpulMacroAddress(int number)
{
    const BYTE address = number >= 0 && number < MacroListLength ? static_cast<BYTE>(0xD0 + 4 * number) : byteOf(number);
    qDebug().noquote() << QString::asprintf("getMulitpulMacroAddress:%x", address);
    return address;
}

QList<MacroItem> DCDataHandle::defineLocalMacro(QString path)
{
    const QList<MacroNode> nodes = macroKeyNames.getMacroNodeList(path);
    const bool ignoreDelays = macroKeyNames.getIgnoreDelayTime(path) == OperateMacroFile::IgnoreDelays;
    QList<MacroItem> items;
    for (const MacroNode& node : nodes) {
        if (node.ValueType == MacroNode::Key) {
            const BYTE key = KeyUsageTable::usageOf(static_cast<unsigned>(node.KeyValue));
            // A negative delay is no delay; a delay beyond the longest count is cut to it.
            const int t = std::clamp(node.TimeLapse, 0, MaxLongDelayUnits * LongDelayUnit + LongDelayUnit - 1);
            const bool longDelay = !ignoreDelays && t > ShortDelayLimit;
            int d = 1;
            int units = 0;
            if (longDelay) {
                units = t / LongDelayUnit;
                d = t % LongDelayUnit == 0 ? 1 : t % LongDelayUnit;
                qDebug().noquote() << QString::asprintf("valueSplit2BYTE:low %x high%x", units & 0xFF, (units >> 8) & 0xFF);
            } else if (!ignoreDelays && t != 0) {
                d = t;
            }
            if (node.State == 1)
                d += ReleaseBit;
            items << MacroItem{byteOf(d), key};
            if (longDelay)
                items << MacroItem{0x00, 0x01} << MacroItem{byteOf(units >> 8), byteOf(units)};
        } else if (node.ValueType == MacroNode::Movement) {
            qDebug() << "SpecialCoordinate";
            const int x = std::clamp(node.CoordinateX, -MaxMove, MaxMove);
            const int y = -std::clamp(node.CoordinateY, -MaxMove, MaxMove);
            if (x == 0 && y == 0)
                continue;  // moves nowhere, and {0,0} would end the macro
            if (x == -1 && y == -1) {
                // {FF, FF} is skipped by the profile file reader: the same move in two steps.
                appendMove(items, -1, 0);
                appendMove(items, 0, -1);
                continue;
            }
            appendMove(items, x, y);
        }
    }
    items << MacroItem{0x00, 0x00};
    return items;
}

// The block of one macro file: repeat count and items. False when it does not fit a block.
bool DCDataHandle::encodeMacroFile(const QString& path, MacroStruct& block)
{
    const int count = std::clamp(macroKeyNames.getRepeatTimes(path), 1, MaxRepeat);
    block.items = defineLocalMacro(path);
    qDebug().noquote() << QString::asprintf("valueSplit2BYTE:low %x high%x", count & 0xFF, (count >> 8) & 0xFF);
    block.header0 = byteOf(count >> 8);
    block.header1 = byteOf(count);
    if (block.items.size() > MacroStruct::MaxItems) {
        loginfo(QStringLiteral("macro %1 has %2 items, a macro block holds %3").arg(path).arg(block.items.size()).arg(MacroStruct::MaxItems));
        return false;
    }
    return true;
}

void DCDataHandle::slot_WriteSingleMacro(int button, QString path)
{
    QMap<int, KeyMatrixItem_F> map;
    createTmpMouseButtonMap(map);
    if (!map.contains(button)) {
        loginfo(QStringLiteral("slot_WriteSingleMacro: %1 is no button").arg(button));
        return;
    }
    if (checkIsChangeOnlyLeftButton(map.value(button).value2)) {
        emit sig_WarningOnlyLeftButton(OnlyLeftButtonWarning);
        return;
    }
    qDebug() << "slot_WriteSingleMacro";
    const int mode = macroKeyNames.getMacroType(path);
    qDebug() << "slot_WriteSingleMacromacroType" << mode;
    MacroStruct block;
    if (!encodeMacroFile(path, block)) {
        emit sig_WarningOnlyLeftButton(MacroTooLongWarning);  // not written, not assigned
        return;
    }
    const BYTE address = getSingleMacroAddress(button);
    if (connected && driver)
        driverWriteIntoMouse(block, address);
    slot_ChangeButtonToMacro(mode, button, address);
}

void DCDataHandle::slot_WriteListMacro(QList<QString> macroList)
{
    if (checkIsChangeOnlyLeftButton(0xF0)) {
        emit sig_WarningOnlyLeftButton(OnlyLeftButtonWarning);
        return;
    }
    if (macroList.size() > MacroListLength) {
        loginfo(QStringLiteral("slot_WriteListMacro: %1 macros, the list holds %2").arg(macroList.size()).arg(MacroListLength));
        macroList = macroList.mid(0, MacroListLength);
    }
    // Every macro must fit before any is written: half a list is worse than none.
    QList<MacroStruct> blocks;
    for (const QString& path : macroList) {
        MacroStruct block;
        if (!encodeMacroFile(path, block)) {
            emit sig_WarningOnlyLeftButton(MacroTooLongWarning);
            return;
        }
        blocks << block;
    }
    int n = 0;
    for (MacroStruct& block : blocks) {
        qDebug() << "slot_WriteListMacro";
        const BYTE address = getMulitpulMacroAddress(n);
        if (connected && driver)
            driverWriteIntoMouse(block, address);
        ++n;
    }
    mouseProfile.bytes[DeviceProfileBlock::MacroListCount] = static_cast<BYTE>(n);
    mouseProfile.bytes[DeviceProfileBlock::MacroListFlag] = 0;
    setKeyEntry(0, KeyMatrixItem_F::fromUInt32(0x11));
    writeProfileToMouse();
}

bool DCDataHandle::driverWriteIntoMouse(MacroStruct& mStruct, BYTE address)
{
    if (!driver || !driver->SetMacroData(&mStruct, address))
        return false;
    const int slot = macroAddressMap.key(address, -1);
    if (slot >= 0) {
        localProfile.macros[static_cast<std::size_t>(slot)] = mStruct;
        qDebug() << "SetMacroStruct" << slot << mStruct.items.size();
    }
    qDebug() << "driverWriteIntoMouse MacroAddressNumber" << QString::number(address, 16);
    saveConfigFileByConfigureNumber(currentConfigureNumber);
    return true;
}
