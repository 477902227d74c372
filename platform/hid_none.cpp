// Platforms without a HID backend of ours: no device is ever found.
#include "hid.h"

namespace hid {
namespace {
class NoBackend final : public Backend {
public:
    bool enumerate(std::vector<std::string>& paths) override { paths.clear(); return true; }
    Handle open(const std::string&, Access) override { return InvalidHandle; }
    void close(Handle) override {}
    bool attributes(Handle, Attributes&) override { return false; }
    bool productString(Handle, std::string&) override { return false; }
    CapsStatus caps(Handle, Caps&) override { return CapsStatus::NoPreparsedData; }
    bool featureValueCaps(Handle, std::vector<ValueCaps>&) override { return false; }
    bool setFeature(Handle, const std::uint8_t*, std::size_t) override { return false; }
    long getFeature(Handle, std::uint8_t*, std::size_t) override { return -1; }
    bool writeReport(Handle, const std::uint8_t*, std::size_t) override { return false; }
    long readReport(Handle, std::uint8_t*, std::size_t) override { return -1; }
    std::uint32_t lastError() const override { return 0; }
};
}  // namespace

std::shared_ptr<Backend> createPlatformBackend() { return std::make_shared<NoBackend>(); }

}  // namespace hid
