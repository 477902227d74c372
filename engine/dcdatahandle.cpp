// The engine object itself: its records, connecting to the mouse, and the write-back step every
// change ends with.
#include "dcdatahandle.h"

#include "factoryprofile.h"
#include "loginfo.h"
#include "mousevocabulary.h"

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

std::uint32_t DCDataHandle::factoryValueOf(int button)
{
    const int entry = Button::keyEntryOf(button);
    return entry >= 0 ? FactoryProfile::KeyMatrixValues[static_cast<std::size_t>(entry)] : 0;
}

DCDataHandle::DCDataHandle(std::shared_ptr<hid::Backend> hid, std::chrono::milliseconds confirmPause)
    : macroAddressMap(macroAddresses()), m_hid(std::move(hid)), m_confirmPause(confirmPause),
      localProfile(WholeStruct::initial()), mouseProfile(DeviceProfileBlock::initial())
{
    // The one registration: sig_SetLightParameterOnPage carries it out of the engine's thread.
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
    driver = new USBDriver_540(m_hid, m_confirmPause);
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
    if (connected && driver && !driver->SetProfileData(&mouseProfile)) {
        loginfo(QStringLiteral("writeProfileToMouse: the mouse did not take the profile"));
        ++writeFailures;
    }
    saveConfigFileByConfigureNumber(currentConfigureNumber);
}
