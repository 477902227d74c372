// Button assignment: what each of the twelve buttons does, the guard that keeps one left button,
// and telling the pages which buttons still have their factory function.
#include "dcdatahandle.h"
#include "keyusagetable.h"
#include "loginfo.h"
#include "pcactionstore.h"

#include <QDebug>

namespace {
constexpr BYTE TypeKeyboard = 0x00;
constexpr BYTE TypeMouseButton = 0x01;
constexpr BYTE TypeConsumer = 0x03;
constexpr BYTE TypeDpi = 0x07;
constexpr BYTE TypeProfile = 0x08;
constexpr BYTE TypeMacro = 0x09;
constexpr BYTE LeftValue = 0xF0;

KeyMatrixItem_F item(BYTE type, BYTE v1, BYTE v2, BYTE v3) { return KeyMatrixItem_F{type, v1, v2, v3}; }
}  // namespace

void DCDataHandle::createTmpMouseButtonMap(QMap<int, KeyMatrixItem_F>& mouseButtonMap)
{
    mouseButtonMap.clear();
    for (int button = FirstButton; button <= LastButton; ++button)
        mouseButtonMap.insert(button, keyEntry(macroEntryOf(button)));
}

bool DCDataHandle::checkCurrentButtonIsLeftButton(BYTE buttonType, BYTE buttonValue)
{
    if (buttonType == TypeMouseButton && buttonValue == LeftValue) {
        qCDebug(zr540Engine) << "CheckIsLeftButton is LeftKey";
        return true;
    }
    return false;
}

bool DCDataHandle::checkIsChangeOnlyLeftButton(BYTE value)
{
    QMap<int, KeyMatrixItem_F> map;
    createTmpMouseButtonMap(map);
    int leftButtons = 0;
    for (const KeyMatrixItem_F& entry : map) {
        if (checkCurrentButtonIsLeftButton(entry.type, entry.value2))
            ++leftButtons;
    }
    qCDebug(zr540Engine) << "LeftKeyNumber is " << leftButtons;
    if (leftButtons == 1 && value == LeftValue) {
        qCDebug(zr540Engine) << "You Only Have One Left Key";
        return true;
    }
    return false;
}

void DCDataHandle::slot_ChangeButtonToKey(int button, uint vkCode, int modifyKey, int changeType)
{
    QMap<int, KeyMatrixItem_F> map;
    createTmpMouseButtonMap(map);
    if (map.contains(button) && checkIsChangeOnlyLeftButton(map.value(button).value2)) {
        emit sig_WarningOnlyLeftButton(OnlyLeftButtonWarning);
        return;
    }
    const int entry = keyEntryOf(button);
    if (entry >= 0) {
        switch (button) {
        case 5: loginfo(QStringLiteral("MidKeyChange")); break;
        case 8: loginfo(QStringLiteral("BackKeyChange")); break;
        case 13: loginfo(QStringLiteral("Custom2Change")); break;
        case 14: loginfo(QStringLiteral("Custom1Change")); break;
        case 15: loginfo(QStringLiteral("Custom3Change")); break;
        case 6:
            if (changeType == KeyboardKey)
                loginfo(QStringLiteral("RightKeyChangeTo"));
            break;
        default: break;
        }
        KeyMatrixItem_F value = keyEntry(entry);
        switch (changeType) {
        case KeyboardKey:
            value = item(TypeKeyboard, static_cast<BYTE>(modifyKey), KeyUsageTable::usageOf(vkCode), 0x00);
            break;
        case FactoryFunction:
            value = KeyMatrixItem_F::fromUInt32(factoryValueOf(button));
            break;
        case ConsumerControl:
            // The dialog sends the usage's low byte as vkCode and its high byte as modifyKey.
            value = item(TypeConsumer, 0x00, static_cast<BYTE>(vkCode), static_cast<BYTE>(modifyKey));
            break;
        default:
            setPhiysicalButtonToAnotherMouseButton(value, 0, 0, changeType);
            break;
        }
        setKeyEntry(entry, value);
    }
    writeProfileToMouse();
}

void DCDataHandle::setPhiysicalButtonToAnotherMouseButton(KeyMatrixItem_F& pysicalButton, uint, int, int changeType)
{
    qCDebug(zr540Engine) << "setPhiysicalButtonToAnotherMouseButton";
    switch (changeType) {
    case FireKey: pysicalButton = item(0x0A, 0xF0, 0x10, 0x02); break;
    case DpiAdd: pysicalButton = item(TypeDpi, 0x00, 0x01, 0x00); break;
    case DpiReduce: pysicalButton = item(TypeDpi, 0x00, 0x02, 0x00); break;
    case DpiInstant: {
        pysicalButton = item(TypeDpi, 0x00, 0x04, 0x0A);
        qCDebug(zr540Engine) << "MouseButtonChangeToDpiInstant";
        const KeyMatrixItem_F middle = keyEntry(2);
        qCDebug(zr540Engine) << "MidKeyVlue" << int(middle.type) << int(middle.value1) << int(middle.value2) << int(middle.value3);
        break;
    }
    case LeftButton:
        pysicalButton = item(TypeMouseButton, 0x00, 0xF0, 0x00);
        qCDebug(zr540Engine) << "MouseButtonChangeToLeftKey";
        break;
    case RightButton: pysicalButton = item(TypeMouseButton, 0x00, 0xF1, 0x00); break;
    case MiddleButton: pysicalButton = item(TypeMouseButton, 0x00, 0xF2, 0x00); break;
    case ForwardButton: pysicalButton = item(TypeMouseButton, 0x00, 0xF4, 0x00); break;
    case BackButton: pysicalButton = item(TypeMouseButton, 0x00, 0xF3, 0x00); break;
    case ProfileLoop:
        pysicalButton = item(TypeProfile, 0x00, 0x03, 0x00);
        qCDebug(zr540Engine) << "MouseButtonChangeToProfileLoop";
        break;
    default: break;  // anything else leaves the entry as it was
    }
}

void DCDataHandle::slot_ChangeButtonToMacro(int macroType, int button, uint address)
{
    const int entry = macroEntryOf(button);
    if (entry >= 0)
        setKeyEntry(entry, item(TypeMacro, static_cast<BYTE>(macroType), 0x00, static_cast<BYTE>(address)));
    writeProfileToMouse();
}

void DCDataHandle::checkCurrentMouseButtonIsOriginalMouseButton(int currentButton)
{
    const int entry = keyEntryOf(currentButton);
    if (entry < 0)
        return;
    const bool original = keyEntry(entry).toUInt32() == factoryValueOf(currentButton);
    if (!original && currentButton == 9)
        qCDebug(zr540Engine) << "WheelBackChange";
    if (!original && currentButton == 10)
        qCDebug(zr540Engine) << "WheelFowardChange";
    emit sig_CurrentButtonIsOriginalButton(original, currentButton);
}

void DCDataHandle::checkAllMouseButtonIsOriginalMouseButton()
{
    for (int button = FirstButton; button <= LastButton; ++button) {
        checkCurrentMouseButtonIsOriginalMouseButton(button);
        int function = 0;
        QString path;
        // A button the computer acts on is not the factory button, whatever the mouse holds.
        if (PcActionStore::lookupFunction(button, function, path)) {
            qCDebug(zr540Engine) << "ButtonChanged" << button;
            emit sig_CurrentButtonIsOriginalButton(false, button);
        }
    }
}
