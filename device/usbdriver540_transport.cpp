// The transport half of USBDriver_540: finding the mouse's two collections and moving single
// reports over the HID seam.
#include "devicelog.h"
#include "usbdriver540.h"

#include <vector>

using namespace MouseProtocol;

namespace {
QList<std::uint8_t> macroAddresses()
{
    QList<std::uint8_t> list;
    for (int i = 0; i < MacroBlockCount; ++i)
        list << macroBlockAddress(i);
    return list;
}

// A query handle that closes itself on every way out of one interface's checks.
class QueryHandle {
public:
    QueryHandle(hid::Backend& hid, hid::Handle handle) : m_hid(hid), m_handle(handle) {}
    ~QueryHandle() { close(); }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    hid::Handle get() const { return m_handle; }
    void close()
    {
        if (m_handle != hid::InvalidHandle)
            m_hid.close(m_handle);
        m_handle = hid::InvalidHandle;
    }

private:
    hid::Backend& m_hid;
    hid::Handle m_handle;
};
}  // namespace

USBDriver_540::USBDriver_540(std::shared_ptr<hid::Backend> hid, std::chrono::milliseconds confirmPause, QObject* parent)
    : QObject(parent), macroReadAddressList(macroAddresses()), m_hid(std::move(hid)), m_confirmPause(confirmPause)
{
}

USBDriver_540::~USBDriver_540() { CloseDevice(); }

void USBDriver_540::SetDeviceIds(std::uint16_t productId, std::uint16_t vendorId)
{
    m_productId = productId;
    m_vendorId = vendorId;
}

std::uint16_t USBDriver_540::GetVersionNumber() const { return m_releaseNumber; }

void USBDriver_540::closeChannel(HidChannel& channel)
{
    for (hid::Handle* handle : {&channel.readHandle, &channel.writeHandle}) {
        if (*handle != hid::InvalidHandle) {
            m_hid->close(*handle);
            *handle = hid::InvalidHandle;
        }
    }
}

void USBDriver_540::CloseDevice()
{
    closeChannel(commandChannel);
    closeChannel(dataChannel);
}

int USBDriver_540::OpenDevice()
{
    CloseDevice();
    if (!m_hid) {
        deviceLog(QStringLiteral("OpenDevice: no HID backend"));
        return 0;
    }
    hid::Backend& hid = *m_hid;

    std::vector<std::string> paths;
    if (!hid.enumerate(paths)) {
        deviceLog(QStringLiteral("SetupDiGetClassDevs fail: %1").arg(hid.lastError()));
        return 0;
    }

    for (const std::string& path : paths) {
        QueryHandle query(hid, hid.open(path, hid::Access::Query));
        if (query.get() == hid::InvalidHandle) {
            deviceLog(QStringLiteral("INVALID_HANDLE_VALUE"));
            continue;
        }
        hid::Attributes attributes;
        if (!hid.attributes(query.get(), attributes)) {
            deviceLog(QStringLiteral("FALSE == Result"));
            continue;
        }
        std::string product;
        hid.productString(query.get(), product);
        deviceLog(QStringLiteral("name: ") + QString::fromStdString(product));
        deviceLog(QString::asprintf("Attributes: %x %x %x %x", attributes.vendorId, attributes.productId, m_vendorId,
                                    m_productId));
        if (attributes.vendorId != m_vendorId || attributes.productId != m_productId)
            continue;

        hid::Caps caps;
        const hid::CapsStatus capsStatus = hid.caps(query.get(), caps);
        if (capsStatus == hid::CapsStatus::NoPreparsedData) {
            deviceLog(QStringLiteral("HidD_GetPreparsedData"));
            continue;
        }
        if (capsStatus == hid::CapsStatus::InvalidPreparsedData) {
            deviceLog(QStringLiteral("HidP_GetCaps"));
            continue;
        }
        deviceLog(QStringLiteral("Usage: %1 UsagePage: %2 Feature report: %3 FeatureReportByteLength: %4 "
                                 "NumberInputValueCaps %5 InputReportByteLength: %6 NumberOutputValueCaps %7 "
                                 "OutputReportByteLength: %8")
                      .arg(caps.usage, 0, 16)
                      .arg(caps.usagePage, 0, 16)
                      .arg(caps.numberFeatureValueCaps)
                      .arg(caps.featureReportByteLength)
                      .arg(caps.numberInputValueCaps)
                      .arg(caps.inputReportByteLength)
                      .arg(caps.numberOutputValueCaps)
                      .arg(caps.outputReportByteLength));
        if (caps.numberFeatureValueCaps == 0) {
            deviceLog(QStringLiteral("NumberFeatureValueCaps == 0"));
            continue;
        }
        const bool usageMatches = caps.usage == VendorUsage;
        const bool pageMatches = caps.usagePage == VendorUsagePage;
        if (!usageMatches && !pageMatches) {
            deviceLog(QStringLiteral("Usage  UsagePage  error"));
            continue;
        }

        std::vector<hid::ValueCaps> valueCaps;
        if (!hid.featureValueCaps(query.get(), valueCaps)) {
            deviceLog(QStringLiteral("HIDP_STATUS_INVALID_PREPARSED_DATA"));
            continue;
        }
        // A collection that matches only by usage or only by page tells us no report id; such a
        // channel talks with id 0.
        std::uint32_t reportId = 0;
        if (usageMatches && pageMatches) {
            for (const hid::ValueCaps& value : valueCaps) {
                deviceLog(QString::asprintf("out Usage: %x, UsagePage: %x", value.usage, value.usagePage));
                deviceLog(QString::asprintf("out  report id:%x count:%x", value.reportId, value.reportCount));
                reportId = value.reportId;
            }
        }
        query.close();

        const hid::Handle readHandle = hid.open(path, hid::Access::Read);
        const hid::Handle writeHandle = hid.open(path, hid::Access::ReadWrite);
        const bool readOk = readHandle != hid::InvalidHandle;
        const bool writeOk = writeHandle != hid::InvalidHandle;
        if (!readOk || !writeOk) {
            if (readOk)
                hid.close(readHandle);
            if (writeOk)
                hid.close(writeHandle);
            deviceLog(QStringLiteral("讀訪問設備失敗\n read: %1 write: %2")
                          .arg(readOk ? QStringLiteral("true") : QStringLiteral("false"),
                               writeOk ? QStringLiteral("true") : QStringLiteral("false")));
            continue;
        }
        deviceLog(QStringLiteral("讀訪問設備成功 读写指针创建成功\n"));

        HidChannel* channel = caps.featureReportByteLength == DataReportLength      ? &dataChannel
                            : caps.featureReportByteLength == CommandReportLength ? &commandChannel
                                                                                  : nullptr;
        if (!channel) {
            hid.close(readHandle);
            hid.close(writeHandle);
            continue;
        }
        // A second collection of the same length replaces the first; its handles are not leaked.
        closeChannel(*channel);
        channel->devicePath = QString::fromStdString(path);
        channel->readHandle = readHandle;
        channel->writeHandle = writeHandle;
        channel->reportId = reportId;
        channel->featureReportLength = caps.featureReportByteLength;

        if (commandChannel.isOpen() && dataChannel.isOpen()) {
            m_releaseNumber = attributes.versionNumber;
            return 1;
        }
    }
    return 0;
}

namespace {
// Lays out a report of the channel's length: its report id, `length` bytes of data, zeros. A
// payload that does not fit is refused before anything is sent.
bool layOutReport(const HidChannel& channel, const std::uint8_t* data, int length, const char* operation,
                  std::vector<std::uint8_t>& report)
{
    const int reportLength = channel.featureReportLength;
    if (length < 0 || reportLength < 1 || length > reportLength - 1) {
        deviceLog(QStringLiteral("%1: %2 bytes do not fit a report of %3")
                      .arg(QLatin1String(operation)).arg(length).arg(reportLength));
        return false;
    }
    report.assign(static_cast<std::size_t>(reportLength), 0);
    report[0] = static_cast<std::uint8_t>(channel.reportId);
    std::copy(data, data + length, report.begin() + 1);
    return true;
}
}  // namespace

int USBDriver_540::SetFeatureReport(HidChannel* channel, const std::uint8_t* data, int length)
{
    std::vector<std::uint8_t> report;
    if (!channel || !channel->isOpen() || !data || !layOutReport(*channel, data, length, "SetFeatureReport", report))
        return 0;
    if (!m_hid->setFeature(channel->writeHandle, report.data(), report.size())) {
        deviceLog(QStringLiteral("HidD_SetFeature fail: %1").arg(m_hid->lastError()));
        return 0;
    }
    return 1;
}

int USBDriver_540::GetFeatureReport(HidChannel* channel, std::uint8_t* out, int length)
{
    if (!channel || !channel->isOpen() || !out)
        return 0;
    const int reportLength = channel->featureReportLength;
    if (length < 0 || reportLength < 1 || length > reportLength) {
        deviceLog(QStringLiteral("GetFeatureReport: %1 bytes asked of a report of %2").arg(length).arg(reportLength));
        return 0;
    }
    std::vector<std::uint8_t> report(static_cast<std::size_t>(reportLength), 0);
    report[0] = static_cast<std::uint8_t>(channel->reportId);
    const long received = m_hid->getFeature(channel->readHandle, report.data(), report.size());
    if (received < 0) {
        deviceLog(QString::asprintf("HidD_GetFeature Failed, Error Code %d\n", static_cast<int>(m_hid->lastError())));
        return 0;
    }
    if (received < length) {
        deviceLog(QStringLiteral("GetFeatureReport: short reply, %1 of %2 bytes").arg(received).arg(length));
        return 0;
    }
    std::copy(report.begin(), report.begin() + length, out);
    return 1;
}

int USBDriver_540::SendFeature(HidChannel* channel, const std::uint8_t* data, int length)
{
    return SetFeatureReport(channel, data, length);
}

int USBDriver_540::ReceiveFeature(HidChannel* channel, std::uint8_t* out, int length)
{
    return GetFeatureReport(channel, out, length);
}

int USBDriver_540::WriteOutputReport(HidChannel* channel, const std::uint8_t* data, int length)
{
    std::vector<std::uint8_t> report;
    if (!channel || !channel->isOpen() || !data || !layOutReport(*channel, data, length, "WriteOutputReport", report))
        return 0;
    if (!m_hid->writeReport(channel->writeHandle, report.data(), report.size())) {
        deviceLog(QString::asprintf("WriteFile Failed, Error Code %d\n", static_cast<int>(m_hid->lastError())));
        return 0;
    }
    return 1;
}

int USBDriver_540::ReadInputReport(HidChannel* channel, std::uint8_t* buffer, int length)
{
    std::vector<std::uint8_t> report;
    if (!channel || !channel->isOpen() || !buffer || !layOutReport(*channel, buffer, length, "ReadInputReport", report))
        return 0;
    if (m_hid->readReport(channel->readHandle, report.data(), report.size()) < 0) {
        deviceLog(QString::asprintf("HidD_GetInputReport Failed, Error Code %d\n", static_cast<int>(m_hid->lastError())));
        return 0;
    }
    std::copy(report.begin(), report.begin() + length, buffer);
    return 1;
}
