#include "hid_windows.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

namespace hid {
namespace {

// Per thread and shared by every backend object because GetLastError is: lastError() mirrors it.
thread_local std::uint32_t t_lastError = 0;

constexpr DWORD ReadWriteAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
static_assert(ReadWriteAccess == 0x0012019F, "read/write access of the mouse's handles");
// USB string descriptors hold at most 126 characters; one more keeps the terminator.
constexpr ULONG ProductStringChars = 128;

bool failWith(std::uint32_t error)
{
    t_lastError = error;
    return false;
}

// Takes GetLastError() at once, before any clean-up call can overwrite it.
bool failLast() { return failWith(GetLastError()); }

HANDLE toHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

std::string toUtf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string out(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(std::size_t(size - 1));
    return out;
}

bool fromUtf8(const std::string& text, std::wstring& out)
{
    if (text.size() > std::size_t(INT_MAX))
        return false;
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (size <= 0)
        return false;
    out.assign(std::size_t(size), L'\0');
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), &out[0], size) == size;
}

// The preparsed data of a collection, freed on every way out.
class PreparsedData {
public:
    explicit PreparsedData(HANDLE handle) : m_ok(HidD_GetPreparsedData(handle, &m_data) != FALSE) {}
    ~PreparsedData()
    {
        if (m_ok)
            HidD_FreePreparsedData(m_data);
    }
    PreparsedData(const PreparsedData&) = delete;
    PreparsedData& operator=(const PreparsedData&) = delete;
    bool ok() const { return m_ok; }
    PHIDP_PREPARSED_DATA get() const { return m_data; }

private:
    PHIDP_PREPARSED_DATA m_data = nullptr;
    bool m_ok;
};

}  // namespace

bool WindowsBackend::enumerate(std::vector<std::string>& paths)
{
    paths.clear();
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    const HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return failLast();

    bool ok = true;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData)) {
            if (GetLastError() != ERROR_NO_MORE_ITEMS)
                ok = failLast();
            break;
        }
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;  // gone meanwhile
        // DWORD elements keep the detail's alignment.
        std::unique_ptr<DWORD[]> buffer(new (std::nothrow) DWORD[(required + sizeof(DWORD) - 1) / sizeof(DWORD)]);
        if (!buffer) {
            ok = failWith(ERROR_NOT_ENOUGH_MEMORY);
            break;
        }
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.get());
        // The size of the fixed part as this build lays it out: 6 in 32-bit code, 8 in 64-bit code.
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr, nullptr))
            continue;
        paths.push_back(toUtf8(detail->DevicePath));
    }
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

Handle WindowsBackend::open(const std::string& path, Access access)
{
    std::wstring widePath;
    if (!fromUtf8(path, widePath)) {
        failWith(ERROR_INVALID_NAME);
        return InvalidHandle;
    }
    DWORD desiredAccess = 0;
    DWORD flags = 0;
    switch (access) {
    case Access::Query:
        flags = FILE_FLAG_BACKUP_SEMANTICS;
        break;
    case Access::Read:
        desiredAccess = GENERIC_READ;
        break;
    case Access::ReadWrite:
        desiredAccess = ReadWriteAccess;
        break;
    }
    const HANDLE handle = CreateFileW(widePath.c_str(), desiredAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failLast();
        return InvalidHandle;
    }
    return reinterpret_cast<Handle>(handle);
}

void WindowsBackend::close(Handle handle)
{
    if (!CloseHandle(toHandle(handle)))
        failLast();
}

bool WindowsBackend::attributes(Handle handle, Attributes& out)
{
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(toHandle(handle), &attributes))
        return failLast();
    out.vendorId = attributes.VendorID;
    out.productId = attributes.ProductID;
    out.versionNumber = attributes.VersionNumber;
    return true;
}

bool WindowsBackend::productString(Handle handle, std::string& utf8Out)
{
    wchar_t buffer[ProductStringChars] = {};
    // One character short of the buffer, so the text always ends in a terminator.
    if (!HidD_GetProductString(toHandle(handle), buffer, (ProductStringChars - 1) * sizeof(wchar_t)))
        return failLast();
    utf8Out = toUtf8(buffer);
    return true;
}

CapsStatus WindowsBackend::caps(Handle handle, Caps& out)
{
    const PreparsedData data(toHandle(handle));
    if (!data.ok()) {
        failLast();
        return CapsStatus::NoPreparsedData;
    }
    HIDP_CAPS caps{};
    const NTSTATUS status = HidP_GetCaps(data.get(), &caps);
    if (status != HIDP_STATUS_SUCCESS) {
        failWith(std::uint32_t(status));
        return CapsStatus::InvalidPreparsedData;
    }
    out.usage = caps.Usage;
    out.usagePage = caps.UsagePage;
    out.inputReportByteLength = caps.InputReportByteLength;
    out.outputReportByteLength = caps.OutputReportByteLength;
    out.featureReportByteLength = caps.FeatureReportByteLength;
    out.numberInputValueCaps = caps.NumberInputValueCaps;
    out.numberOutputValueCaps = caps.NumberOutputValueCaps;
    out.numberFeatureValueCaps = caps.NumberFeatureValueCaps;
    return CapsStatus::Ok;
}

bool WindowsBackend::featureValueCaps(Handle handle, std::vector<ValueCaps>& out)
{
    out.clear();
    const PreparsedData data(toHandle(handle));
    if (!data.ok())
        return failLast();
    HIDP_CAPS caps{};
    NTSTATUS status = HidP_GetCaps(data.get(), &caps);
    if (status != HIDP_STATUS_SUCCESS)
        return failWith(std::uint32_t(status));
    if (caps.NumberFeatureValueCaps == 0)
        return true;
    std::unique_ptr<HIDP_VALUE_CAPS[]> valueCaps(new (std::nothrow) HIDP_VALUE_CAPS[caps.NumberFeatureValueCaps]);
    if (!valueCaps)
        return failWith(ERROR_NOT_ENOUGH_MEMORY);
    USHORT count = caps.NumberFeatureValueCaps;
    status = HidP_GetValueCaps(HidP_Feature, valueCaps.get(), &count, data.get());
    if (status != HIDP_STATUS_SUCCESS)
        return failWith(std::uint32_t(status));
    for (USHORT i = 0; i < count && i < caps.NumberFeatureValueCaps; ++i) {
        const HIDP_VALUE_CAPS& v = valueCaps[i];
        ValueCaps c;
        c.usage = v.IsRange ? v.Range.UsageMin : v.NotRange.Usage;
        c.usagePage = v.UsagePage;
        c.reportId = v.ReportID;
        c.reportCount = v.ReportCount;
        out.push_back(c);
    }
    return true;
}

bool WindowsBackend::setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    if (!buffer || length == 0 || length > ULONG_MAX)
        return failWith(ERROR_INVALID_PARAMETER);
    // HidD_SetFeature takes a mutable buffer; the caller's stays untouched.
    std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[length]);
    if (!copy)
        return failWith(ERROR_NOT_ENOUGH_MEMORY);
    std::copy(buffer, buffer + length, copy.get());
    if (!HidD_SetFeature(toHandle(handle), copy.get(), ULONG(length)))
        return failLast();
    return true;
}

long WindowsBackend::getFeature(Handle handle, std::uint8_t* buffer, std::size_t length)
{
    if (!buffer || length == 0 || length > ULONG_MAX || length > std::size_t(LONG_MAX)) {
        failWith(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!HidD_GetFeature(toHandle(handle), buffer, ULONG(length))) {
        failLast();
        return -1;
    }
    return long(length);  // Windows fills the whole report
}

bool WindowsBackend::writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    if (!buffer || length == 0 || length > MAXDWORD)
        return failWith(ERROR_INVALID_PARAMETER);
    DWORD written = 0;
    if (!WriteFile(toHandle(handle), buffer, DWORD(length), &written, nullptr))
        return failLast();
    if (written != length)
        return failWith(ERROR_WRITE_FAULT);
    return true;
}

long WindowsBackend::readReport(Handle handle, std::uint8_t* buffer, std::size_t length)
{
    if (!buffer || length == 0 || length > MAXDWORD || length > std::size_t(LONG_MAX)) {
        failWith(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DWORD read = 0;
    if (!ReadFile(toHandle(handle), buffer, DWORD(length), &read, nullptr)) {
        failLast();
        return -1;
    }
    return long(read);
}

std::uint32_t WindowsBackend::lastError() const { return t_lastError; }

std::shared_ptr<Backend> createPlatformBackend() { return std::make_shared<WindowsBackend>(); }

}  // namespace hid
