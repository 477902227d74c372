// The engine object itself: its records, connecting to the mouse, and the write-back step every
// change ends with.
#include "dcdatahandle.h"

#include "loginfo.h"

#include <QDebug>
#include <QMetaType>
#include <QThread>

namespace {
QMap<int, BYTE> macroAddresses()
{
    // Macro slots 0–11 sit at 140, 144, …, 184; slots 12–15 at 208, 212, 216, 220.
    QMap<int, BYTE> map;
    for (int slot = 0; slot < 12; ++slot)
        map.insert(slot, static_cast<BYTE>(140 + 4 * slot));
    for (int slot = 12; slot < 16; ++slot)
        map.insert(slot, static_cast<BYTE>(208 + 4 * (slot - 12)));
    return map;
}

struct ButtonRow {
    int keyEntry;    // key assignment and factory check
    int macroEntry;  // macro assignment and left-button guard
    std::uint32_t factoryValue;
};
// Button ids 4 … 15.
constexpr ButtonRow Buttons[] = {
    {0, 0, 0x00F00001},   // 4 left
    {2, 2, 0x00F20001},   // 5 middle
    {1, 1, 0x00F10001},   // 6 right
    {4, 4, 0x00F40001},   // 7 forward
    {3, 3, 0x00F30001},   // 8 back
    {14, 15, 0x00010004}, // 9 wheel forward
    {15, 14, 0x00020004}, // 10 wheel back
    {5, 5, 0x00010007},   // 11 DPI add
    {6, 6, 0x00020007},   // 12 DPI reduce
    {7, 7, 0x00000011},   // 13 custom button 2
    {8, 8, 0x00210000},   // 14 custom button 1
    {9, 9, 0x00030008},   // 15 custom button 3
};

const ButtonRow* rowOf(int button)
{
    if (button < DCDataHandle::FirstButton || button > DCDataHandle::LastButton)
        return nullptr;
    return &Buttons[button - DCDataHandle::FirstButton];
}

// Runs `work` in the engine's thread and waits for it; directly when we are already there or
// the engine's thread is not running.
template <typename Work>
auto runInThreadOf(QObject* object, Work work) -> decltype(work())
{
    QThread* home = object->thread();
    if (home == QThread::currentThread() || !home || !home->isRunning())
        return work();
    decltype(work()) result{};
    QMetaObject::invokeMethod(object, work, Qt::BlockingQueuedConnection, &result);
    return result;
}
}  // namespace

int DCDataHandle::keyEntryOf(int button)
{
    const ButtonRow* row = rowOf(button);
    return row ? row->keyEntry : -1;
}

int DCDataHandle::macroEntryOf(int button)
{
    const ButtonRow* row = rowOf(button);
    return row ? row->macroEntry : -1;
}

std::uint32_t DCDataHandle::factoryValueOf(int button)
{
    const ButtonRow* row = rowOf(button);
    return row ? row->factoryValue : 0;
}

DCDataHandle::DCDataHandle()
    : macroAddressMap(macroAddresses()), localProfile(WholeStruct::initial()), mouseProfile(DeviceProfileBlock::initial())
{
    qRegisterMetaType<QMap<int, QList<int>>>("QMap<int,QList<int> >");
}

DCDataHandle::~DCDataHandle() { delete driver; }

KeyMatrixItem_F DCDataHandle::keyEntry(int entry) const { return mouseProfile.keyAt(DeviceProfileBlock::KeyMatrix, entry); }

void DCDataHandle::setKeyEntry(int entry, KeyMatrixItem_F item) { mouseProfile.setKeyAt(DeviceProfileBlock::KeyMatrix, entry, item); }

bool DCDataHandle::connectMouse()
{
    return runInThreadOf(this, [this] { return connectMouseHere(); });
}

bool DCDataHandle::connectMouseHere()
{
    if (driver) {
        connected = false;
        delete driver;
        driver = nullptr;
    }
    driver = new USBDriver_540;
    driver->SetDeviceIds(USBDriver_540::ZR540ProductId, USBDriver_540::ZR540VendorId);
    connected = driver->OpenDevice() != 0;
    qDebug() << "open:" << connected;
    if (connected) {
        driver->GetProfileData(&mouseProfile);
        compareMouseAndLocalFileData();
        emit sig_VersionNumber(driver->GetVersionNumber());
    }
    return connected;
}

void DCDataHandle::slot_ResetConfigToOriginal()
{
    runInThreadOf(this, [this] {
        resetConfigToOriginalHere();
        return true;
    });
}

void DCDataHandle::writeProfileToMouse()
{
    checkAllMouseButtonIsOriginalMouseButton();
    mouseProfile.bytes[DeviceProfileBlock::ForcedSeven] = 7;
    mouseProfile.bytes[DeviceProfileBlock::ForcedOne] = 1;
    mouseProfile.bytes[DeviceProfileBlock::ForcedZero] = 0;
    if (connected && driver)
        driver->SetProfileData(&mouseProfile);
    saveConfigFileByConfigureNumber(currentConfigureNumber);
}
