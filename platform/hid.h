// The HID seam: everything the transport needs from the operating system to find the mouse and
// move feature reports, and nothing more. It mirrors the Win32 HID calls, so the driver's search
// runs the same on every platform, with the same log lines:
//
//   Windows            this interface
//   SetupDi*           enumerate()          one path per top-level collection
//   CreateFileW        open()               query-only, read or read/write access
//   HidD_GetAttributes attributes()
//   HidD_GetProduct…   productString()
//   HidD_GetPreparsed… + HidP_GetCaps       caps()
//   HidP_GetValueCaps(HidP_Feature)         featureValueCaps()
//   HidD_SetFeature    setFeature()         buffer[0] is the report id
//   HidD_GetFeature    getFeature()         buffer[0] is the report id
//   WriteFile/ReadFile writeReport()/readReport()
//   CloseHandle        close()
//   GetLastError       lastError()          per thread, like the system's own
//
// Backends: the Win32 one, Linux hidraw (one interface per top-level collection of a node), and
// SimulatedMouse for tests and the demo. Every backend is safe to call from several threads at
// once (the presence monitor scans while the engine talks to the mouse).
//
// No Qt here: this folder compiles with a plain C++17 compiler, the MinGW cross compiler included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hid {

// An open interface. INVALID_HANDLE_VALUE on Windows is -1; we keep that convention everywhere.
using Handle = std::intptr_t;
constexpr Handle InvalidHandle = -1;

enum class Access {
    Query,     // no data access, enough for attributes and caps (CreateFileW with access 0)
    Read,      // GENERIC_READ: get-feature and input reports
    ReadWrite  // FILE_GENERIC_READ | FILE_GENERIC_WRITE: set-feature and output reports
};

struct Attributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;  // the device's release number (bcdDevice)
};

// What HidP_GetCaps tells of one top-level collection. Report lengths count the report id byte,
// as Windows does (a collection without report ids still counts one byte for it).
struct Caps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    std::uint16_t numberInputValueCaps = 0;
    std::uint16_t numberOutputValueCaps = 0;
    std::uint16_t numberFeatureValueCaps = 0;
};

// One feature value capability (HIDP_VALUE_CAPS, the fields we use).
struct ValueCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint8_t reportId = 0;
    std::uint16_t reportCount = 0;
};

enum class CapsStatus {
    Ok,
    NoPreparsedData,      // HidD_GetPreparsedData failed
    InvalidPreparsedData  // HidP_GetCaps answered HIDP_STATUS_INVALID_PREPARSED_DATA
};

class Backend {
public:
    virtual ~Backend() = default;

    // The present HID interfaces, one path per top-level collection. False when the system
    // cannot list them at all (the set could not be built); an empty list is not a failure.
    virtual bool enumerate(std::vector<std::string>& paths) = 0;

    virtual Handle open(const std::string& path, Access access) = 0;  // InvalidHandle on failure
    virtual void close(Handle handle) = 0;

    virtual bool attributes(Handle handle, Attributes& out) = 0;
    virtual bool productString(Handle handle, std::string& utf8Out) = 0;
    virtual CapsStatus caps(Handle handle, Caps& out) = 0;
    // False stands for HIDP_STATUS_INVALID_PREPARSED_DATA.
    virtual bool featureValueCaps(Handle handle, std::vector<ValueCaps>& out) = 0;

    // buffer[0] carries the report id, length is the whole report. Both return false on failure
    // and leave the reason in lastError().
    virtual bool setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length) = 0;
    // Returns the number of bytes the device delivered (report id included), or -1.
    virtual long getFeature(Handle handle, std::uint8_t* buffer, std::size_t length) = 0;

    virtual bool writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length) = 0;
    virtual long readReport(Handle handle, std::uint8_t* buffer, std::size_t length) = 0;

    // The error code of the calling thread's last failed call (GetLastError / errno).
    virtual std::uint32_t lastError() const = 0;
};

// The backend of the platform the program runs on: hidraw on Linux, the Win32 HID API on
// Windows. Where there is none it lists no devices. main() makes it (or a SimulatedMouse in demo
// mode) and hands it down; whoever talks to it keeps a reference-counted copy.
std::shared_ptr<Backend> createPlatformBackend();

}  // namespace hid
