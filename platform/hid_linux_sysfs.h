// What sysfs tells about hidraw nodes, read without opening any node.
//
//   <sysfs>/class/hidraw/hidrawN/device/uevent              HID_ID=<bus>:<vendor>:<product>, HID_NAME
//   <sysfs>/class/hidraw/hidrawN/device/report_descriptor   the raw report descriptor
//   <sysfs>/class/hidraw/hidrawN/device/../../bcdDevice     the USB device's release number
//   <sysfs>/class/hidraw/hidrawN/device/../../product       the USB device's product string
//
// `device` is the HID device; for a USB device its parent is the USB interface and the
// grandparent the USB device, whose attributes Windows reports in HIDD_ATTRIBUTES and
// HidD_GetProductString. Other buses have no such parent: their release number reads 0 and
// their product string is the kernel's HID_NAME.
#pragma once

#include "hiddescriptor.h"

#include <string>
#include <vector>

namespace hid {
namespace hidraw {

struct NodeInfo {
    int idsError = 0;         // 0 when `attributes` holds the ids, else an errno value
    Attributes attributes;
    int productError = 0;     // 0 when `product` holds the product string
    std::string product;
    int descriptorError = 0;  // 0 when `descriptor` parsed, else an errno value
    std::string descriptorMessage;  // why the descriptor did not parse
    HidDescriptor descriptor;
};

// The hidraw node names ("hidraw0", "hidraw12", …) in numeric order. A sysfs without a hidraw
// class lists nothing; false (with errno) only when the class folder exists but cannot be read.
bool listNodes(const std::string& sysfsRoot, std::vector<std::string>& names, int& error);

// True when `name` looks like a hidraw node name ("hidraw" and digits).
bool isNodeName(const std::string& name);

// Reads what sysfs holds about one node. False (with errno, ENOENT) when the node is not there;
// files that are missing or unreadable are reported in the matching *Error field instead.
bool readNode(const std::string& sysfsRoot, const std::string& name, NodeInfo& out, int& error);

// "HID_ID=0003:00002F73:00005C48" within a uevent text → bus, vendor and product.
bool parseHidId(const std::string& uevent, std::uint32_t& bus, std::uint16_t& vendorId, std::uint16_t& productId);

}  // namespace hidraw
}  // namespace hid
