// The engine object itself: its records, connecting to the mouse, and the write-back step every
// change ends with.
#include "dcdatahandle.h"

#include "factoryprofile.h"
#include "loginfo.h"

#include <QDebug>
#include <QMetaType>
#include <QThread>

namespace {
QMap<int, BYTE> macroAddresses()
{
    QMap<int, BYTE> map;
    for (int slot = 0; slot < MouseProtocol::MacroSlots; ++slot)
        map.insert(slot, MouseProtocol::macroSlotAddress(slot));
    return map;
}

struct ButtonRow {
    int keyEntry;    // key assignment and factory check
    int macroEntry;  // macro assignment and left-button guard
};
// Button ids 4 … 15.
constexpr ButtonRow Buttons[] = {
    {0, 0},   // 4 left
    {2, 2},   // 5 middle
    {1, 1},   // 6 right
    {4, 4},   // 7 forward
    {3, 3},   // 8 back
    {14, 15}, // 9 wheel forward
    {15, 14}, // 10 wheel back
    {5, 5},   // 11 DPI add
    {6, 6},   // 12 DPI reduce
    {7, 7},   // 13 custom button 2
    {8, 8},   // 14 custom button 1
    {9, 9},   // 15 custom button 3
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
    return row ? FactoryProfile::KeyMatrixValues[static_cast<std::size_t>(row->keyEntry)] : 0;
}

DCDataHandle::DCDataHandle(std::shared_ptr<hid::Backend> hid, std::chrono::milliseconds confirmPause)
    : macroAddressMap(macroAddresses()), m_hid(std::move(hid)), m_confirmPause(confirmPause),
      localProfile(WholeStruct::initial()), mouseProfile(DeviceProfileBlock::initial())
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
    driver = new USBDriver_540(m_hid ? m_hid : hid::backend(), m_confirmPause);
    driver->SetDeviceIds(MouseProtocol::ProductId, MouseProtocol::VendorId);
    const bool opened = driver->OpenDevice() != 0;
    qCDebug(zr540Engine) << "open:" << opened;
    if (!opened)
        return false;
    // Without the mouse's own block every later write would send our mirror (zeros where the
    // mouse keeps its own bytes) over it: a mouse we cannot read counts as not connected.
    DeviceProfileBlock block;
    if (!driver->GetProfileData(&block)) {
        loginfo(QStringLiteral("connectMouse: the profile could not be read, the mouse counts as not connected"));
        driver->CloseDevice();
        return false;
    }
    mouseProfile = block;
    connected = true;
    compareMouseAndLocalFileData();
    emit sig_VersionNumber(driver->GetVersionNumber());
    return true;
}

void DCDataHandle::requestConnect()
{
    QMetaObject::invokeMethod(this, [this] { emit sig_Connected(connectMouseHere()); }, Qt::QueuedConnection);
}

void DCDataHandle::requestReset()
{
    QMetaObject::invokeMethod(this, [this] { resetConfigToOriginalHere(); }, Qt::QueuedConnection);
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
    if (connected && driver && !driver->SetProfileData(&mouseProfile))
        loginfo(QStringLiteral("writeProfileToMouse: the mouse did not take the profile"));
    saveConfigFileByConfigureNumber(currentConfigureNumber);
}
