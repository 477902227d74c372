// HidDescriptor: a HID report-descriptor parser that sees a device the way the Windows HID parser
// does, so the Linux backend can present one interface per top-level collection with the caps
// HidP_GetCaps would report for it.
//
// What it understands: short main, global and local items, push/pop of the global state, long
// items (skipped: no long item tag is defined), extended usages (a 4-byte usage carries its page
// in the high 16 bits), usage ranges, delimiter sets (only the first usage of a set counts, the
// others are aliases) and collections nested to any depth below a top-level collection.
//
// What it computes per top-level collection, the Windows way:
// - usage page and usage (the first usage declared before the collection item);
// - per report id, the input, output and feature report lengths in bytes, the report id byte
//   included; a collection of a device that numbers no reports has report id 0 and still counts
//   one byte for it;
// - the caps: the longest report of each kind (0 when the collection has none of that kind) and
//   the number of value caps of each kind;
// - the value caps: one per usage of a variable item wider than one bit (a usage range is one
//   cap; the last usage of an item takes the fields left over), listed item by item with the
//   usages of an item in reverse order, as Windows lists them. A range cap gives its first usage.
//   Array items and one-bit variable items are button caps, which nobody here needs; constant
//   items without a usage are padding and make no cap.
//
// A malformed descriptor (truncated item, unbalanced collections, pop without push, report id 0
// or above 255, a report item outside every collection, a report longer than 65535 bytes, …)
// makes parse() fail with a message; it never reads past the end of the input.
#pragma once

#include "hid.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hid {

// The lengths of one report id within a collection, in bytes with the id byte; 0 = no report
// of that kind with this id.
struct ReportLengths {
    std::uint8_t reportId = 0;
    std::uint16_t input = 0;
    std::uint16_t output = 0;
    std::uint16_t feature = 0;
};

struct TopLevelCollection {
    Caps caps;                          // usage, usage page, longest reports, value-cap counts
    std::vector<ReportLengths> reports; // ascending by report id
    std::vector<ValueCaps> inputValueCaps;
    std::vector<ValueCaps> outputValueCaps;
    std::vector<ValueCaps> featureValueCaps;

    // The lengths of `reportId` in this collection, or null when the collection has no report
    // with that id.
    const ReportLengths* report(std::uint8_t reportId) const;
};

class HidDescriptor {
public:
    // Parses `size` bytes at `data` (null only with size 0). On failure `out` is left empty and
    // `error` says what is wrong and at which byte offset.
    static bool parse(const std::uint8_t* data, std::size_t size, HidDescriptor& out, std::string& error);

    const std::vector<TopLevelCollection>& collections() const { return m_collections; }
    // True when the descriptor declares report ids: every report then starts with its id byte
    // on the wire.
    bool usesReportIds() const { return m_usesReportIds; }

private:
    friend class HidDescriptorParser;
    std::vector<TopLevelCollection> m_collections;
    bool m_usesReportIds = false;
};

}  // namespace hid
