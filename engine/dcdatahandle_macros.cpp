// Macro download: a macro file is read once, encoded into the compact form the mouse plays, goes
// into one of its sixteen macro blocks, is kept in the active profile, and a button is pointed at
// it. The encoding itself is MacroEncoder's.
#include "dcdatahandle.h"
#include "loginfo.h"
#include "macroencoder.h"
#include "mousevocabulary.h"
#include "warningtypes.h"

#include <QDebug>

namespace {
BYTE byteOf(int value) { return static_cast<BYTE>(value & 0xFF); }
}  // namespace

BYTE DCDataHandle::getSingleMacroAddress(int button)
{
    // Each button's own macro block.
    const BYTE address = Button::isButton(button) ? Button::Table[Button::indexOf(button)].macroBlock : byteOf(button);
    qCDebug(zr540Engine).noquote() << QString::asprintf("getButtonMacroAddress:%x", address);
    return address;
}

BYTE DCDataHandle::getMulitpulMacroAddress(int number)
{
    const BYTE address = number >= 0 && number < MouseProtocol::MacroListLength
                             ? MouseProtocol::listMacroAddress(number)
                             : byteOf(number);
    qCDebug(zr540Engine).noquote() << QString::asprintf("getMulitpulMacroAddress:%x", address);
    return address;
}

QList<MacroItem> DCDataHandle::defineLocalMacro(QString path)
{
    MacroFileContent content;
    macroKeyNames.read(path, content);
    return MacroEncoder::encodeEvents(content.nodes, content.ignoreDelayTime == MacroEncoder::IgnoreDelays);
}

// The block of one macro file, read once (so a file replaced meanwhile never mixes two versions),
// and its play mode. False when it does not fit a block.
bool DCDataHandle::encodeMacroFile(const QString& path, MacroStruct& block, int* mode)
{
    MacroFileContent content;
    macroKeyNames.read(path, content);
    if (mode)
        *mode = content.macroType;
    if (!MacroEncoder::encode(content, block)) {
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
        emit sig_WarningOnlyLeftButton(Warning::KeepOneLeftButton);
        return;
    }
    qCDebug(zr540Engine) << "slot_WriteSingleMacro";
    int mode = 0;
    MacroStruct block;
    const bool fits = encodeMacroFile(path, block, &mode);
    qCDebug(zr540Engine) << "slot_WriteSingleMacromacroType" << mode;
    if (!fits) {
        emit sig_WarningOnlyLeftButton(Warning::MacroTooLong);  // not written, not assigned
        return;
    }
    const BYTE address = getSingleMacroAddress(button);
    if (connected && driver)
        driverWriteIntoMouse(block, address);
    slot_ChangeButtonToMacro(mode, button, address);
}

void DCDataHandle::slot_WriteListMacro(QList<QString> macroList)
{
    if (checkIsChangeOnlyLeftButton(Click::Left)) {
        emit sig_WarningOnlyLeftButton(Warning::KeepOneLeftButton);
        return;
    }
    if (macroList.size() > MouseProtocol::MacroListLength) {
        loginfo(QStringLiteral("slot_WriteListMacro: %1 macros, the list holds %2")
                    .arg(macroList.size())
                    .arg(MouseProtocol::MacroListLength));
        macroList = macroList.mid(0, MouseProtocol::MacroListLength);
    }
    // Every macro must fit before any is written: half a list is worse than none.
    QList<MacroStruct> blocks;
    for (const QString& path : macroList) {
        MacroStruct block;
        if (!encodeMacroFile(path, block)) {
            emit sig_WarningOnlyLeftButton(Warning::MacroTooLong);
            return;
        }
        blocks << block;
    }
    int n = 0;
    for (MacroStruct& block : blocks) {
        qCDebug(zr540Engine) << "slot_WriteListMacro";
        const BYTE address = getMulitpulMacroAddress(n);
        if (connected && driver)
            driverWriteIntoMouse(block, address);
        ++n;
    }
    mouseProfile.bytes[DeviceProfileBlock::MacroListCount] = static_cast<BYTE>(n);
    mouseProfile.bytes[DeviceProfileBlock::MacroListFlag] = 0;
    setKeyEntry(Button::macroEntryOf(Button::Left), KeyMatrixItem_F{KeyType::MacroList, 0x00, 0x00, 0x00});
    writeProfileToMouse();
}

bool DCDataHandle::driverWriteIntoMouse(MacroStruct& mStruct, BYTE address)
{
    if (!driver || !driver->SetMacroData(&mStruct, address)) {
        loginfo(QStringLiteral("driverWriteIntoMouse: the mouse did not take the macro block %1").arg(address));
        ++writeFailures;
        return false;
    }
    const int slot = MouseProtocol::macroSlotOf(address);
    if (slot >= 0) {
        localProfile.macros[static_cast<std::size_t>(slot)] = mStruct;
        qCDebug(zr540Engine) << "SetMacroStruct" << slot << mStruct.items.size();
    }
    qCDebug(zr540Engine) << "driverWriteIntoMouse MacroAddressNumber" << QString::number(address, 16);
    saveConfigFileByConfigureNumber(currentConfigureNumber);
    return true;
}
