// Button assignment: what each of the twelve buttons does, the guard that keeps one left button,
// and telling the pages which buttons still have their factory function.
#include "dcdatahandle.h"
#include "keyusagetable.h"
#include "loginfo.h"
#include "mousevocabulary.h"
#include "pcactionstore.h"
#include "warningtypes.h"

#include <QDebug>

namespace {
KeyMatrixItem_F item(BYTE type, BYTE v1, BYTE v2, BYTE v3) { return KeyMatrixItem_F{type, v1, v2, v3}; }
}  // namespace

void DCDataHandle::createTmpMouseButtonMap(QMap<int, KeyMatrixItem_F>& mouseButtonMap)
{
    mouseButtonMap.clear();
    for (int button = Button::First; button <= Button::Last; ++button)
        mouseButtonMap.insert(button, keyEntry(Button::macroEntryOf(button)));
}

bool DCDataHandle::checkCurrentButtonIsLeftButton(BYTE buttonType, BYTE buttonValue)
{
    if (buttonType == KeyType::MouseButton && buttonValue == Click::Left) {
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
    if (leftButtons == 1 && value == Click::Left) {
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
        emit sig_WarningOnlyLeftButton(Warning::KeepOneLeftButton);
        return;
    }
    const int entry = Button::keyEntryOf(button);
    if (entry >= 0) {
        switch (button) {
        case Button::Middle: loginfo(QStringLiteral("MidKeyChange")); break;
        case Button::Back: loginfo(QStringLiteral("BackKeyChange")); break;
        case Button::Custom2: loginfo(QStringLiteral("Custom2Change")); break;
        case Button::Custom1: loginfo(QStringLiteral("Custom1Change")); break;
        case Button::Custom3: loginfo(QStringLiteral("Custom3Change")); break;
        case Button::Right:
            if (changeType == ChangeType::KeyboardKey)
                loginfo(QStringLiteral("RightKeyChangeTo"));
            break;
        default: break;
        }
        KeyMatrixItem_F value = keyEntry(entry);
        switch (changeType) {
        case ChangeType::KeyboardKey:
            value = item(KeyType::Keyboard, static_cast<BYTE>(modifyKey), KeyUsageTable::usageOf(vkCode), 0x00);
            break;
        case ChangeType::FactoryFunction: value = KeyMatrixItem_F::fromUInt32(factoryValueOf(button)); break;
        case ChangeType::ConsumerControl:
            // The dialog sends the usage's low byte as vkCode and its high byte as modifyKey.
            value = item(KeyType::Consumer, 0x00, static_cast<BYTE>(vkCode), static_cast<BYTE>(modifyKey));
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
    case ChangeType::FireKey: pysicalButton = item(KeyType::Fire, 0xF0, 0x10, 0x02); break;
    case ChangeType::DpiAdd: pysicalButton = item(KeyType::Dpi, 0x00, 0x01, 0x00); break;
    case ChangeType::DpiReduce: pysicalButton = item(KeyType::Dpi, 0x00, 0x02, 0x00); break;
    case ChangeType::DpiInstant: {
        pysicalButton = item(KeyType::Dpi, 0x00, 0x04, 0x0A);
        qCDebug(zr540Engine) << "MouseButtonChangeToDpiInstant";
        const KeyMatrixItem_F middle = keyEntry(Button::keyEntryOf(Button::Middle));
        qCDebug(zr540Engine) << "MidKeyVlue" << int(middle.type) << int(middle.value1) << int(middle.value2) << int(middle.value3);
        break;
    }
    case ChangeType::LeftButton:
        pysicalButton = item(KeyType::MouseButton, 0x00, Click::Left, 0x00);
        qCDebug(zr540Engine) << "MouseButtonChangeToLeftKey";
        break;
    case ChangeType::RightButton: pysicalButton = item(KeyType::MouseButton, 0x00, Click::Right, 0x00); break;
    case ChangeType::MiddleButton: pysicalButton = item(KeyType::MouseButton, 0x00, Click::Middle, 0x00); break;
    case ChangeType::ForwardButton: pysicalButton = item(KeyType::MouseButton, 0x00, Click::Forward, 0x00); break;
    case ChangeType::BackButton: pysicalButton = item(KeyType::MouseButton, 0x00, Click::Back, 0x00); break;
    case ChangeType::ProfileLoop:
        pysicalButton = item(KeyType::Profile, 0x00, 0x03, 0x00);
        qCDebug(zr540Engine) << "MouseButtonChangeToProfileLoop";
        break;
    default: break;  // anything else leaves the entry as it was
    }
}

void DCDataHandle::slot_ChangeButtonToMacro(int macroType, int button, uint address)
{
    const int entry = Button::macroEntryOf(button);
    if (entry >= 0)
        setKeyEntry(entry, item(KeyType::Macro, static_cast<BYTE>(macroType), 0x00, static_cast<BYTE>(address)));
    writeProfileToMouse();
}

void DCDataHandle::checkCurrentMouseButtonIsOriginalMouseButton(int currentButton)
{
    const int entry = Button::keyEntryOf(currentButton);
    if (entry < 0)
        return;
    const bool original = keyEntry(entry).toUInt32() == factoryValueOf(currentButton);
    if (!original && currentButton == Button::WheelForward)
        qCDebug(zr540Engine) << "WheelBackChange";
    if (!original && currentButton == Button::WheelBack)
        qCDebug(zr540Engine) << "WheelFowardChange";
    emit sig_CurrentButtonIsOriginalButton(original, currentButton);
}

void DCDataHandle::checkAllMouseButtonIsOriginalMouseButton()
{
    const PcActionStore::Entries pcFunctions = PcActionStore::readEntries();
    for (int button = Button::First; button <= Button::Last; ++button) {
        checkCurrentMouseButtonIsOriginalMouseButton(button);
        // A button the computer acts on is not the factory button, whatever the mouse holds.
        if (pcFunctions[std::size_t(Button::indexOf(button))].active) {
            qCDebug(zr540Engine) << "ButtonChanged" << button;
            emit sig_CurrentButtonIsOriginalButton(false, button);
        }
    }
}
