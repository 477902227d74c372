#include "simulatedmouse.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace hid {
namespace {

thread_local std::uint32_t t_lastError = 0;

constexpr std::uint8_t StatusRequest = 0x82;
constexpr std::uint8_t ReadProfile = 0x83;
constexpr std::uint8_t ReadMacro = 0x84;
constexpr std::uint8_t ReadPicture = 0x85;
constexpr std::uint8_t WriteProfile = 0x03;
constexpr std::uint8_t WriteMacro = 0x04;
constexpr std::uint8_t WritePicture = 0x05;

// Saved mouse: magic, then profile, macro blocks, picture, status bytes.
constexpr char PersistMagic[8] = {'Z', 'R', '5', '4', '0', 'S', 'I', 'M'};

Caps vendorCaps(std::uint16_t featureLength)
{
    Caps caps;
    caps.usage = SimulatedMouse::VendorUsage;
    caps.usagePage = SimulatedMouse::VendorUsagePage;
    caps.featureReportByteLength = featureLength;
    caps.numberFeatureValueCaps = 1;
    return caps;
}

Attributes mouseAttributes()
{
    return Attributes{SimulatedMouse::VendorId, SimulatedMouse::ProductId, SimulatedMouse::ReleaseNumber};
}

}  // namespace

SimulatedMouse::SimulatedMouse() : SimulatedMouse(Memory{}) {}

SimulatedMouse::SimulatedMouse(const Memory& initialProfile) : m_profile(initialProfile)
{
    m_collections = {pointerCollection(), commandCollection(), dataCollection()};
}

SimulatedMouse::Collection SimulatedMouse::commandCollection(std::uint8_t reportId)
{
    Collection c;
    c.path = "sim:zr540/command";
    c.role = Role::Command;
    c.attributes = mouseAttributes();
    c.product = "ZR540";
    c.caps = vendorCaps(CommandFeatureLength);
    c.featureCaps = {ValueCaps{VendorUsage, VendorUsagePage, reportId, CommandFeatureLength - 1}};
    return c;
}

SimulatedMouse::Collection SimulatedMouse::dataCollection(std::uint8_t reportId)
{
    Collection c;
    c.path = "sim:zr540/data";
    c.role = Role::Data;
    c.attributes = mouseAttributes();
    c.product = "ZR540";
    c.caps = vendorCaps(DataFeatureLength);
    c.featureCaps = {ValueCaps{VendorUsage, VendorUsagePage, reportId, DataFeatureLength - 1}};
    return c;
}

SimulatedMouse::Collection SimulatedMouse::pointerCollection()
{
    Collection c;
    c.path = "sim:zr540/pointer";
    c.role = Role::Pointer;
    c.attributes = mouseAttributes();
    c.product = "ZR540";
    c.caps.usagePage = 0x0001;  // generic desktop, mouse
    c.caps.usage = 0x0002;
    c.caps.inputReportByteLength = 8;
    c.caps.numberInputValueCaps = 3;
    return c;
}

SimulatedMouse::Collection SimulatedMouse::otherDevice(std::uint16_t vendorId, std::uint16_t productId,
                                                       const std::string& product)
{
    Collection c;
    c.path = "sim:other/" + std::to_string(vendorId) + ":" + std::to_string(productId) + "/" + product;
    c.role = Role::Other;
    c.attributes = Attributes{vendorId, productId, 0x0100};
    c.product = product;
    c.caps = vendorCaps(DataFeatureLength);  // looks like ours but is not the mouse
    c.featureCaps = {ValueCaps{VendorUsage, VendorUsagePage, 1, DataFeatureLength - 1}};
    return c;
}

std::vector<SimulatedMouse::Collection> SimulatedMouse::collections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_collections;
}

void SimulatedMouse::setCollections(std::vector<Collection> collections)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_collections = std::move(collections);
    ++m_generation;
}

void SimulatedMouse::setPlugged(bool plugged)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_plugged && !plugged)
        ++m_generation;
    m_plugged = plugged;
}

bool SimulatedMouse::plugged() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_plugged;
}

void SimulatedMouse::setNextWriteStatus(WriteKind kind, std::uint8_t status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nextStatus[static_cast<std::size_t>(kind)] = status;
}

void SimulatedMouse::failNextTransfer(Transfer transfer, int skip, std::uint32_t error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_transferFaults[transfer] = TransferFault{true, skip, error};
}

void SimulatedMouse::garbleNextReply(std::function<void(std::vector<std::uint8_t>&)> edit, int skip)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_garble = std::move(edit);
    m_garbleSkip = skip;
}

void SimulatedMouse::setEnumerationFails(bool fails)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enumerationFails = fails;
}

SimulatedMouse::Memory SimulatedMouse::profileMemory() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile;
}

void SimulatedMouse::setProfileMemory(const Memory& memory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_profile = memory;
}

bool SimulatedMouse::isMacroAddress(int address)
{
    return address >= FirstMacroAddress && address <= LastMacroAddress
        && (address - FirstMacroAddress) % MacroAddressStep == 0;
}

SimulatedMouse::Memory* SimulatedMouse::macroBlockLocked(int address)
{
    if (!isMacroAddress(address))
        return nullptr;
    return &m_macroBlocks[static_cast<std::size_t>((address - FirstMacroAddress) / MacroAddressStep)];
}

SimulatedMouse::Memory SimulatedMouse::macroBlock(std::uint8_t address) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Memory* block = const_cast<SimulatedMouse*>(this)->macroBlockLocked(address);
    return block ? *block : Memory{};
}

void SimulatedMouse::setMacroBlock(std::uint8_t address, const Memory& data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Memory* block = macroBlockLocked(address))
        *block = data;
}

SimulatedMouse::Memory SimulatedMouse::picture() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_picture;
}

void SimulatedMouse::setPicture(const Memory& data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_picture = data;
}

std::array<std::uint8_t, 3> SimulatedMouse::statusBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status;
}

std::vector<SimulatedMouse::LogEntry> SimulatedMouse::log() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void SimulatedMouse::clearLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

// --- Backend ------------------------------------------------------------------------------

bool SimulatedMouse::enumerate(std::vector<std::string>& paths)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    paths.clear();
    if (m_enumerationFails)
        return fail(ErrorGenFailure);
    for (const Collection& c : m_collections) {
        if (c.role == Role::Other || m_plugged)
            paths.push_back(c.path);
    }
    return true;
}

Handle SimulatedMouse::open(const std::string& path, Access access)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = 0; i < m_collections.size(); ++i) {
        const Collection& c = m_collections[i];
        if (c.path != path)
            continue;
        if (c.role != Role::Other && !m_plugged)
            break;
        if (!c.openable) {
            fail(ErrorAccessDenied);
            return InvalidHandle;
        }
        const Handle handle = m_nextHandle++;
        m_open[handle] = OpenInterface{i, access, m_generation};
        return handle;
    }
    fail(ErrorFileNotFound);
    return InvalidHandle;
}

void SimulatedMouse::close(Handle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open.erase(handle);
}

bool SimulatedMouse::fail(std::uint32_t error)
{
    t_lastError = error;
    return false;
}

std::uint32_t SimulatedMouse::lastError() const { return t_lastError; }

const SimulatedMouse::Collection* SimulatedMouse::collectionOf(Handle handle, Access needed, bool transfer)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end() || it->second.collection >= m_collections.size()) {
        fail(ErrorInvalidHandle);
        return nullptr;
    }
    const Collection& c = m_collections[it->second.collection];
    if (it->second.generation != m_generation && c.role != Role::Other) {
        fail(ErrorDeviceNotConnected);
        return nullptr;
    }
    if (transfer) {
        const Access granted = it->second.access;
        const bool allowed = needed == Access::Read ? granted != Access::Query : granted == Access::ReadWrite;
        if (!allowed) {
            fail(ErrorAccessDenied);
            return nullptr;
        }
    }
    return &c;
}

bool SimulatedMouse::attributes(Handle handle, Attributes& out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Query, false);
    if (!c)
        return false;
    out = c->attributes;
    return true;
}

bool SimulatedMouse::productString(Handle handle, std::string& utf8Out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Query, false);
    if (!c)
        return false;
    utf8Out = c->product;
    return true;
}

CapsStatus SimulatedMouse::caps(Handle handle, Caps& out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Query, false);
    if (!c)
        return CapsStatus::NoPreparsedData;
    out = c->caps;
    out.numberFeatureValueCaps = static_cast<std::uint16_t>(c->featureCaps.size());
    return CapsStatus::Ok;
}

bool SimulatedMouse::featureValueCaps(Handle handle, std::vector<ValueCaps>& out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Query, false);
    if (!c)
        return false;
    out = c->featureCaps;
    return true;
}

bool SimulatedMouse::takeTransferFault(Transfer transfer)
{
    auto it = m_transferFaults.find(transfer);
    if (it == m_transferFaults.end() || !it->second.armed)
        return false;
    if (it->second.skip > 0) {
        --it->second.skip;
        return false;
    }
    it->second.armed = false;
    fail(it->second.error);
    return true;
}

void SimulatedMouse::record(Transfer transfer, const Collection& c, const std::uint8_t* bytes, std::size_t length,
                            bool ok)
{
    LogEntry entry{std::chrono::steady_clock::now(), transfer, c.role, c.path, {}, ok};
    if (bytes)
        entry.bytes.assign(bytes, bytes + length);
    m_log.push_back(std::move(entry));
}

bool SimulatedMouse::setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::ReadWrite, true);
    if (!c)
        return false;
    if (!buffer || length != c->caps.featureReportByteLength || c->featureCaps.empty()
        || buffer[0] != c->featureCaps.back().reportId) {
        // The HID stack refuses a report of the wrong size or with an id the collection lacks.
        record(Transfer::SetFeature, *c, buffer, buffer ? length : 0, false);
        return fail(ErrorInvalidParameter);
    }
    if (takeTransferFault(Transfer::SetFeature)) {
        record(Transfer::SetFeature, *c, buffer, length, false);
        return false;
    }
    record(Transfer::SetFeature, *c, buffer, length, true);
    if (c->role == Role::Command)
        handleCommand(buffer, length);
    else if (c->role == Role::Data)
        handleBulkWrite(buffer, length);
    return true;
}

long SimulatedMouse::getFeature(Handle handle, std::uint8_t* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Read, true);
    if (!c)
        return -1;
    if (!buffer || length < c->caps.featureReportByteLength || c->featureCaps.empty()) {
        record(Transfer::GetFeature, *c, nullptr, 0, false);
        fail(ErrorInvalidParameter);
        return -1;
    }
    if (takeTransferFault(Transfer::GetFeature)) {
        record(Transfer::GetFeature, *c, nullptr, 0, false);
        return -1;
    }
    std::vector<std::uint8_t> reply;
    if (c->role == Role::Data) {
        reply = buildReply();
        if (m_garble && m_garbleSkip > 0) {
            --m_garbleSkip;
        } else if (m_garble) {
            m_garble(reply);
            m_garble = nullptr;
        }
    } else {
        reply.assign(c->caps.featureReportByteLength, 0);
        reply[0] = c->featureCaps.back().reportId;
    }
    const std::size_t n = std::min(reply.size(), length);
    std::copy_n(reply.begin(), n, buffer);
    record(Transfer::GetFeature, *c, buffer, n, true);
    return static_cast<long>(n);
}

bool SimulatedMouse::writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::ReadWrite, true);
    if (!c)
        return false;
    // None of the mouse's collections has an output report.
    record(Transfer::WriteReport, *c, buffer, buffer ? length : 0, false);
    return fail(ErrorInvalidFunction);
}

long SimulatedMouse::readReport(Handle handle, std::uint8_t*, std::size_t)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Collection* c = collectionOf(handle, Access::Read, true);
    if (!c)
        return -1;
    // The vendor collections have no input report; the pointer's reports are not ours to read.
    record(Transfer::ReadReport, *c, nullptr, 0, false);
    fail(ErrorInvalidFunction);
    return -1;
}

// --- Firmware -----------------------------------------------------------------------------

void SimulatedMouse::handleCommand(const std::uint8_t* buffer, std::size_t length)
{
    m_request.fill(0);
    std::copy(buffer + 1, buffer + std::min<std::size_t>(length, m_request.size() + 1), m_request.begin());
}

void SimulatedMouse::handleBulkWrite(const std::uint8_t* buffer, std::size_t length)
{
    if (length <= DataOffset)
        return;
    const std::uint8_t command = buffer[CommandOffset];
    const std::uint8_t address = buffer[AddressOffset];
    std::size_t count = static_cast<std::size_t>(buffer[LengthOffset] | (buffer[LengthOffset + 1] << 8));
    count = std::min({count, MemorySize, length - DataOffset});

    Memory* target = nullptr;
    WriteKind kind;
    switch (command) {
    case WriteProfile:
        kind = WriteKind::Profile;
        target = address == ProfileAddress ? &m_profile : nullptr;
        break;
    case WriteMacro:
        kind = WriteKind::Macro;
        target = macroBlockLocked(address);
        break;
    case WritePicture:
        kind = WriteKind::Picture;
        target = address == PictureAddress ? &m_picture : nullptr;
        break;
    default:
        return;  // not a write the mouse knows: ignored, no status changes
    }
    const std::size_t k = static_cast<std::size_t>(kind);
    std::uint8_t status = target ? 0 : 1;  // a write to an address that does not exist fails
    if (m_nextStatus[k] >= 0) {
        status = static_cast<std::uint8_t>(m_nextStatus[k]);
        m_nextStatus[k] = -1;
    }
    m_status[k] = status;
    if (status != 0)
        return;  // a refused write leaves the memory as it was
    std::copy_n(buffer + DataOffset, count, target->begin());
    saveLocked();
}

std::vector<std::uint8_t> SimulatedMouse::buildReply() const
{
    std::vector<std::uint8_t> reply(DataFeatureLength, 0);
    reply[0] = ReplyReportId;
    const std::uint8_t command = m_request[0];
    const Memory* source = nullptr;
    switch (command) {
    case ReadProfile:
        source = &m_profile;
        reply[AddressOffset] = ProfileAddress;
        break;
    case ReadMacro:
        source = const_cast<SimulatedMouse*>(this)->macroBlockLocked(m_request[1]);
        reply[AddressOffset] = m_request[1];
        break;
    case ReadPicture:
        source = &m_picture;
        reply[AddressOffset] = PictureAddress;
        break;
    default:
        // The status reply: command echo, then the profile, macro and picture write status.
        reply[CommandOffset] = StatusRequest;
        std::copy(m_status.begin(), m_status.end(), reply.begin() + 2);
        return reply;
    }
    reply[CommandOffset] = command;
    if (source) {
        reply[LengthOffset] = static_cast<std::uint8_t>(MemorySize & 0xFF);
        reply[LengthOffset + 1] = static_cast<std::uint8_t>(MemorySize >> 8);
        std::copy(source->begin(), source->end(), reply.begin() + DataOffset);
    }
    return reply;
}

// --- Persistence --------------------------------------------------------------------------

bool SimulatedMouse::setPersistenceFile(const std::string& file)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_persistenceFile = file;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return true;  // nothing saved yet: the mouse starts as constructed
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t expected = sizeof PersistMagic + MemorySize * (2 + MacroBlockCount) + m_status.size();
    if (data.size() != expected || std::memcmp(data.data(), PersistMagic, sizeof PersistMagic) != 0)
        return false;
    const char* p = data.data() + sizeof PersistMagic;
    auto take = [&p](std::uint8_t* to, std::size_t n) {
        std::memcpy(to, p, n);
        p += n;
    };
    take(m_profile.data(), MemorySize);
    for (Memory& block : m_macroBlocks)
        take(block.data(), MemorySize);
    take(m_picture.data(), MemorySize);
    take(m_status.data(), m_status.size());
    return true;
}

void SimulatedMouse::saveLocked() const
{
    if (m_persistenceFile.empty())
        return;
    // Whole file to a temporary name, then renamed over the old one: a crash never leaves half
    // a mouse behind.
    const std::string temporary = m_persistenceFile + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(PersistMagic, sizeof PersistMagic);
        auto put = [&out](const std::uint8_t* from, std::size_t n) {
            out.write(reinterpret_cast<const char*>(from), static_cast<std::streamsize>(n));
        };
        put(m_profile.data(), MemorySize);
        for (const Memory& block : m_macroBlocks)
            put(block.data(), MemorySize);
        put(m_picture.data(), MemorySize);
        put(m_status.data(), m_status.size());
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return;
        }
    }
    if (std::rename(temporary.c_str(), m_persistenceFile.c_str()) != 0)
        std::remove(temporary.c_str());
}

}  // namespace hid
