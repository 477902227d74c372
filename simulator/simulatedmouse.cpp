#include "simulatedmouse.h"

#include <algorithm>

namespace hid {
namespace {

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

SimulatedMouse::SimulatedMouse(const Memory& initialProfile) : m_firmware(initialProfile)
{
    m_collections = {pointerCollection(), commandCollection(), dataCollection()};
}

namespace {
// One of the mouse's two vendor collections: a feature report of `length` bytes with `reportId`.
SimulatedMouse::Collection vendorCollection(const char* path, SimulatedMouse::Role role, std::uint16_t length,
                                            std::uint8_t reportId)
{
    SimulatedMouse::Collection c;
    c.path = path;
    c.role = role;
    c.attributes = mouseAttributes();
    c.product = "ZR540";
    c.caps = vendorCaps(length);
    c.featureCaps = {ValueCaps{SimulatedMouse::VendorUsage, SimulatedMouse::VendorUsagePage, reportId,
                               static_cast<std::uint16_t>(length - 1)}};
    return c;
}
}  // namespace

SimulatedMouse::Collection SimulatedMouse::commandCollection(std::uint8_t reportId)
{
    return vendorCollection("sim:zr540/command", Role::Command, CommandFeatureLength, reportId);
}

SimulatedMouse::Collection SimulatedMouse::dataCollection(std::uint8_t reportId)
{
    return vendorCollection("sim:zr540/data", Role::Data, DataFeatureLength, reportId);
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
    m_firmware.setNextWriteStatus(kind, status);
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
    return m_firmware.memories().profile;
}

void SimulatedMouse::setProfileMemory(const Memory& memory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_firmware.memories().profile = memory;
}

bool SimulatedMouse::isMacroAddress(int address)
{
    return SimulatedFirmware::isMacroAddress(address);
}

SimulatedMouse::Memory SimulatedMouse::macroBlock(std::uint8_t address) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Memory* block = m_firmware.macroBlock(address);
    return block ? *block : Memory{};
}

void SimulatedMouse::setMacroBlock(std::uint8_t address, const Memory& data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Memory* block = m_firmware.macroBlock(address))
        *block = data;
}

SimulatedMouse::Memory SimulatedMouse::picture() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.memories().picture;
}

void SimulatedMouse::setPicture(const Memory& data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_firmware.memories().picture = data;
}

std::array<std::uint8_t, 3> SimulatedMouse::statusBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.memories().status;
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
    m_lastErrors[std::this_thread::get_id()] = error;
    return false;
}

std::uint32_t SimulatedMouse::lastError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_lastErrors.find(std::this_thread::get_id());
    return it == m_lastErrors.end() ? 0 : it->second;
}

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
    if (c->role == Role::Command) {
        m_firmware.handleCommand(buffer, length);
    } else if (c->role == Role::Data) {
        if (m_firmware.handleBulkWrite(buffer, length))
            m_store.save(m_firmware.memories());  // the demo mode keeps every accepted write
    }
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
        reply = m_firmware.buildReply();
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

// --- Persistence --------------------------------------------------------------------------

bool SimulatedMouse::setPersistenceFile(const std::string& file)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_store.setFile(file);
    return m_store.load(m_firmware.memories());
}

}  // namespace hid
