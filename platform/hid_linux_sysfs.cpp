#include "hid_linux_sysfs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hid {
namespace hidraw {
namespace {

constexpr std::uint32_t BusUsb = 0x03;
// sysfs never serves a report descriptor above 4096 bytes; anything much larger is not one.
constexpr std::size_t MaxFileSize = 64 * 1024;
constexpr std::size_t MaxNodeDigits = 9;

// Reads a whole (small) file. False with errno when it cannot be read or is oversized.
bool readFile(const std::string& path, std::string& out, int& error)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    char buffer[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (out.size() + std::size_t(n) > MaxFileSize) {
            error = EFBIG;
            ok = false;
            break;
        }
        out.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return ok;
}

std::string trimmed(const std::string& text)
{
    const auto notSpace = [](char c) { return c != ' ' && c != '\n' && c != '\r' && c != '\t'; };
    const auto begin = std::find_if(text.begin(), text.end(), notSpace);
    const auto end = std::find_if(text.rbegin(), text.rend(), notSpace).base();
    return begin < end ? std::string(begin, end) : std::string();
}

bool parseHex(const std::string& text, std::size_t maxDigits, std::uint32_t& value)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    std::uint32_t v = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = v << 4 | std::uint32_t(digit);
    }
    value = v;
    return true;
}

// The value of `key` in a uevent text ("KEY=value" lines).
bool ueventValue(const std::string& uevent, const std::string& key, std::string& value)
{
    std::size_t pos = 0;
    while (pos < uevent.size()) {
        std::size_t end = uevent.find('\n', pos);
        if (end == std::string::npos)
            end = uevent.size();
        if (end - pos > key.size() && uevent.compare(pos, key.size(), key) == 0 && uevent[pos + key.size()] == '=') {
            value = uevent.substr(pos + key.size() + 1, end - pos - key.size() - 1);
            return true;
        }
        pos = end + 1;
    }
    return false;
}

unsigned long nodeNumber(const std::string& name) { return std::strtoul(name.c_str() + 6, nullptr, 10); }

}  // namespace

bool isNodeName(const std::string& name)
{
    if (name.size() <= 6 || name.size() > 6 + MaxNodeDigits || name.compare(0, 6, "hidraw") != 0)
        return false;
    return std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool parseHidId(const std::string& uevent, std::uint32_t& bus, std::uint16_t& vendorId, std::uint16_t& productId)
{
    std::string id;
    if (!ueventValue(uevent, "HID_ID", id))
        return false;
    const std::size_t first = id.find(':');
    const std::size_t second = first == std::string::npos ? first : id.find(':', first + 1);
    if (second == std::string::npos)
        return false;
    std::uint32_t b, v, p;
    if (!parseHex(id.substr(0, first), 8, b) || !parseHex(id.substr(first + 1, second - first - 1), 8, v)
        || !parseHex(id.substr(second + 1), 8, p) || v > 0xFFFF || p > 0xFFFF)
        return false;
    bus = b;
    vendorId = std::uint16_t(v);
    productId = std::uint16_t(p);
    return true;
}

bool listNodes(const std::string& sysfsRoot, std::vector<std::string>& names, int& error)
{
    names.clear();
    DIR* dir = ::opendir((sysfsRoot + "/class/hidraw").c_str());
    if (!dir) {
        if (errno == ENOENT)
            return true;  // no hidraw support loaded, hence no device
        error = errno;
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (isNodeName(name))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return nodeNumber(a) < nodeNumber(b); });
    return true;
}

bool readNode(const std::string& sysfsRoot, const std::string& name, NodeInfo& out, int& error)
{
    out = NodeInfo();
    const std::string base = sysfsRoot + "/class/hidraw/" + name;
    struct stat st {};
    if (!isNodeName(name) || ::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = ENOENT;
        return false;
    }
    const std::string device = base + "/device";

    std::string uevent;
    std::uint32_t bus = 0;
    if (readFile(device + "/uevent", uevent, out.idsError) && !parseHidId(uevent, bus, out.attributes.vendorId, out.attributes.productId))
        out.idsError = EINVAL;

    if (out.idsError != 0) {
        out.productError = out.idsError;
    } else if (bus == BusUsb) {
        std::string text;
        std::uint32_t release = 0;
        int releaseError = 0;  // no release number reads as 0, as for other buses
        if (readFile(device + "/../../bcdDevice", text, releaseError) && parseHex(trimmed(text), 4, release))
            out.attributes.versionNumber = std::uint16_t(release);
        if (readFile(device + "/../../product", text, out.productError))
            out.product = trimmed(text);
    } else if (!ueventValue(uevent, "HID_NAME", out.product)) {
        out.productError = ENOENT;
    }

    std::string bytes;
    if (readFile(device + "/report_descriptor", bytes, out.descriptorError)) {
        if (!HidDescriptor::parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                  out.descriptor, out.descriptorMessage))
            out.descriptorError = EINVAL;
    } else {
        out.descriptorMessage = "report descriptor unreadable";
    }
    return true;
}

}  // namespace hidraw
}  // namespace hid
