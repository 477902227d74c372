// WindowsBackend: the HID seam over the Win32 HID and device set-up calls. Each call is the
// system call the seam names; a Handle is the HANDLE itself (INVALID_HANDLE_VALUE is -1 on both
// sides). Paths are the device interface paths SetupDi lists, in UTF-8.
//
//   open(Query)      CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
//                                FILE_FLAG_BACKUP_SEMANTICS, NULL)
//   open(Read)       … GENERIC_READ, no flags
//   open(ReadWrite)  … FILE_GENERIC_READ | FILE_GENERIC_WRITE (0x0012019F), no flags
//
// lastError() is the GetLastError() value taken right after the call that failed (before any
// clean-up call can overwrite it), kept per thread; for HidP_* calls, which report an NTSTATUS
// instead, it is that status.
//
// Plain C++17 and Win32: it builds with MSVC and with the MinGW-w64 cross compiler.
#pragma once

#include "hid.h"

namespace hid {

class WindowsBackend final : public Backend {
public:
    bool enumerate(std::vector<std::string>& paths) override;
    Handle open(const std::string& path, Access access) override;
    void close(Handle handle) override;
    bool attributes(Handle handle, Attributes& out) override;
    bool productString(Handle handle, std::string& utf8Out) override;
    CapsStatus caps(Handle handle, Caps& out) override;
    bool featureValueCaps(Handle handle, std::vector<ValueCaps>& out) override;
    bool setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length) override;
    long getFeature(Handle handle, std::uint8_t* buffer, std::size_t length) override;
    bool writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length) override;
    long readReport(Handle handle, std::uint8_t* buffer, std::size_t length) override;
    std::uint32_t lastError() const override;
};

}  // namespace hid
