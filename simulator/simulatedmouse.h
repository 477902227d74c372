// SimulatedMouse: an in-process model of the ZR540's firmware behind the HID seam.
//
// It is not a script of canned answers: it keeps the mouse's memories (the 1024-byte profile
// memory, the 24 macro blocks at addresses 140…232 step 4, the 1024-byte OLED picture) and the
// status bytes of the last writes, and answers the requests the program sends:
//
//   command collection (6-byte feature):  rid, 0x82            status request
//                                         rid, 0x83, 0x00      read profile
//                                         rid, 0x84, addr, 0   read macro block
//                                         rid, 0x85, 0x80      read picture
//   data collection (1032-byte feature):  get-feature          reply to the last request, id 6
//                                         rid, 0x03, 0x00, len profile write
//                                         rid, 0x04, addr, len macro block write
//                                         rid, 0x05, 0x80, len picture write
//
// Tests use it to look inside (memories, a log of every report on every channel) and to make
// things go wrong (status bytes, failing transfers, garbled replies, unplugging, collection order
// and report ids, interfaces that cannot be opened, other HID devices beside it). The demo mode
// keeps its memories in a file so a restarted program finds the mouse as it left it.
//
// This class is the mouse's HID face: its collections, handles, plugging, the log and the
// transfer faults. What the firmware does with a report is SimulatedFirmware's, the file of the
// demo mode SimulatorStore's; both are used under this class's one mutex.
#pragma once

#include "hid.h"
#include "simulatedfirmware.h"
#include "simulatorstore.h"

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hid {

class SimulatedMouse final : public Backend {
public:
    static constexpr std::uint16_t VendorId = 0x2F73;
    static constexpr std::uint16_t ProductId = 0x5C48;
    static constexpr std::uint16_t ReleaseNumber = 0x0102;
    static constexpr std::uint16_t VendorUsagePage = 0xFF00;
    static constexpr std::uint16_t VendorUsage = 0x0001;
    static constexpr std::uint16_t CommandFeatureLength = 6;
    static constexpr std::uint16_t DataFeatureLength = SimulatedFirmware::ReplyLength;
    static constexpr std::uint8_t ReplyReportId = SimulatedFirmware::ReplyReportId;  // every reply, whoever asked
    static constexpr std::uint8_t CommandReportId = 5; // the command collection's own id

    static constexpr std::size_t MemorySize = SimulatedFirmware::MemorySize;
    static constexpr std::uint8_t ProfileAddress = SimulatedFirmware::ProfileAddress;
    static constexpr std::uint8_t PictureAddress = SimulatedFirmware::PictureAddress;
    static constexpr std::uint8_t FirstMacroAddress = SimulatedFirmware::FirstMacroAddress;
    static constexpr std::uint8_t LastMacroAddress = SimulatedFirmware::LastMacroAddress;
    static constexpr std::uint8_t MacroAddressStep = SimulatedFirmware::MacroAddressStep;
    static constexpr int MacroBlockCount = SimulatedFirmware::MacroBlockCount;

    // Offsets of a reply or a bulk write on the data collection.
    static constexpr std::size_t CommandOffset = SimulatedFirmware::CommandOffset;
    static constexpr std::size_t AddressOffset = SimulatedFirmware::AddressOffset;
    static constexpr std::size_t LengthOffset = SimulatedFirmware::LengthOffset;  // 16-bit little-endian count
    static constexpr std::size_t DataOffset = SimulatedFirmware::DataOffset;

    using Memory = SimulatedFirmware::Memory;
    using WriteKind = SimulatedFirmware::WriteKind;  // status reply bytes 2, 3, 4
    enum class Transfer { SetFeature, GetFeature, WriteReport, ReadReport };
    enum class Role { Command, Data, Pointer, Other };

    // One top-level collection as the system lists it.
    struct Collection {
        std::string path;
        Role role = Role::Other;
        Attributes attributes;
        std::string product;
        Caps caps;
        std::vector<ValueCaps> featureCaps;
        bool openable = true;
    };

    // One report that crossed a collection (or tried to).
    struct LogEntry {
        std::chrono::steady_clock::time_point time;
        Transfer transfer;
        Role role;
        std::string path;
        std::vector<std::uint8_t> bytes;  // as sent, or as delivered to the caller
        bool ok;
    };

    // The mouse's own collections: its pointer collection, the command collection (6-byte
    // feature, report id 5) and the data collection (1032-byte feature, report id 6), in that
    // order. The profile memory starts as `initialProfile` (zeros when not given).
    SimulatedMouse();
    explicit SimulatedMouse(const Memory& initialProfile);

    // The collections of the mouse, ready to be rearranged or altered and given to
    // setCollections(), which replaces what the system lists (open handles die).
    static Collection commandCollection(std::uint8_t reportId = CommandReportId);
    static Collection dataCollection(std::uint8_t reportId = ReplyReportId);
    static Collection pointerCollection();
    static Collection otherDevice(std::uint16_t vendorId, std::uint16_t productId, const std::string& product);
    std::vector<Collection> collections() const;
    void setCollections(std::vector<Collection> collections);

    // Pulling the mouse out kills its open handles; plugging it in again lists it again.
    void setPlugged(bool plugged);
    bool plugged() const;

    // Faults. Each one-shot fault is used up by the next matching call.
    void setNextWriteStatus(WriteKind kind, std::uint8_t status);
    void failNextTransfer(Transfer transfer, int skip = 0, std::uint32_t error = ErrorGenFailure);
    // Edits the data collection's next reply, after `skip` untouched ones.
    void garbleNextReply(std::function<void(std::vector<std::uint8_t>&)> edit, int skip = 0);
    void setEnumerationFails(bool fails);

    // Memories.
    Memory profileMemory() const;
    void setProfileMemory(const Memory& memory);
    Memory macroBlock(std::uint8_t address) const;  // zeros for an address that is no block
    void setMacroBlock(std::uint8_t address, const Memory& data);
    Memory picture() const;
    void setPicture(const Memory& data);
    std::array<std::uint8_t, 3> statusBytes() const;

    // Every report in order.
    std::vector<LogEntry> log() const;
    void clearLog();

    // Demo mode: load the memories from `file` when it holds a saved mouse, and save them there
    // after every accepted write. Returns false when an existing file could not be read.
    bool setPersistenceFile(const std::string& file);

    static bool isMacroAddress(int address);

    // Backend
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

    // The Windows error codes the simulation reports.
    static constexpr std::uint32_t ErrorInvalidFunction = 1;
    static constexpr std::uint32_t ErrorFileNotFound = 2;
    static constexpr std::uint32_t ErrorAccessDenied = 5;
    static constexpr std::uint32_t ErrorInvalidHandle = 6;
    static constexpr std::uint32_t ErrorGenFailure = 31;
    static constexpr std::uint32_t ErrorInvalidParameter = 87;
    static constexpr std::uint32_t ErrorDeviceNotConnected = 1167;

private:
    struct OpenInterface {
        std::size_t collection;
        Access access;
        unsigned generation;
    };
    struct TransferFault {
        bool armed = false;
        int skip = 0;
        std::uint32_t error = 0;
    };

    // All private helpers expect the mutex to be held.
    const Collection* collectionOf(Handle handle, Access needed, bool transfer);
    bool fail(std::uint32_t error);
    bool takeTransferFault(Transfer transfer);
    void record(Transfer transfer, const Collection& c, const std::uint8_t* bytes, std::size_t length, bool ok);

    mutable std::mutex m_mutex;
    std::vector<Collection> m_collections;
    std::map<Handle, OpenInterface> m_open;
    Handle m_nextHandle = 0x100;
    unsigned m_generation = 0;
    bool m_plugged = true;
    bool m_enumerationFails = false;

    SimulatedFirmware m_firmware;
    SimulatorStore m_store;
    std::map<Transfer, TransferFault> m_transferFaults;
    std::function<void(std::vector<std::uint8_t>&)> m_garble;
    int m_garbleSkip = 0;
    std::vector<LogEntry> m_log;
    std::map<std::thread::id, std::uint32_t> m_lastErrors;  // of each calling thread, as the system keeps it
};

}  // namespace hid
