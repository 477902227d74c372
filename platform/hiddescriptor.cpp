#include "hiddescriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace hid {
namespace {

// Item types and tags of short items.
constexpr std::uint8_t MainItem = 0;
constexpr std::uint8_t GlobalItem = 1;
constexpr std::uint8_t LocalItem = 2;

constexpr std::uint8_t InputTag = 0x8;
constexpr std::uint8_t OutputTag = 0x9;
constexpr std::uint8_t CollectionTag = 0xA;
constexpr std::uint8_t FeatureTag = 0xB;
constexpr std::uint8_t EndCollectionTag = 0xC;

constexpr std::uint8_t UsagePageTag = 0x0;
constexpr std::uint8_t ReportSizeTag = 0x7;
constexpr std::uint8_t ReportIdTag = 0x8;
constexpr std::uint8_t ReportCountTag = 0x9;
constexpr std::uint8_t PushTag = 0xA;
constexpr std::uint8_t PopTag = 0xB;

constexpr std::uint8_t UsageTag = 0x0;
constexpr std::uint8_t UsageMinimumTag = 0x1;
constexpr std::uint8_t UsageMaximumTag = 0x2;
constexpr std::uint8_t DelimiterTag = 0xA;

constexpr std::uint8_t LongItemPrefix = 0xFE;
constexpr std::uint32_t ConstantFlag = 0x01;
constexpr std::uint32_t VariableFlag = 0x02;

// Limits that keep a hostile descriptor from costing more than its own size in memory.
constexpr std::size_t MaxPushDepth = 32;
constexpr int MaxCollectionDepth = 255;
constexpr std::uint32_t MaxReportCount = 0xFFFF;  // Windows keeps report counts in 16 bits
constexpr std::uint64_t MaxReportBits = std::uint64_t(0xFFFF - 1) * 8;  // + the id byte = 65535
constexpr std::size_t MaxValueCaps = 0xFFFF;

enum Kind { InputKind = 0, OutputKind = 1, FeatureKind = 2 };

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// A usage as declared: up to 16 bits (page taken from the global state when the main item
// comes) or 32 bits (extended: page in the high half).
struct DeclaredUsage {
    std::uint32_t value = 0;
    bool extended = false;
};

struct UsageEntry {
    DeclaredUsage min;
    DeclaredUsage max;  // equal to min for a single usage
};

struct ResolvedUsage {
    std::uint16_t page = 0;
    std::uint16_t min = 0;
    std::uint16_t max = 0;
};

struct ReportBits {
    std::array<std::uint64_t, 3> bits{};
    std::array<bool, 3> present{};
};

struct CollectionState {
    TopLevelCollection collection;
    std::map<std::uint8_t, ReportBits> reports;
};

}  // namespace

class HidDescriptorParser {
public:
    HidDescriptorParser(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool run(HidDescriptor& out, std::string& error)
    {
        const bool ok = parseItems() && finish(out);
        if (!ok)
            error = m_error;
        return ok;
    }

private:
    bool fail(const char* what)
    {
        m_error = std::string(what) + " (item at byte " + std::to_string(m_itemOffset) + ")";
        return false;
    }

    bool parseItems()
    {
        std::size_t pos = 0;
        while (pos < m_size) {
            m_itemOffset = pos;
            const std::uint8_t prefix = m_data[pos];
            if (prefix == LongItemPrefix) {
                // Long item: data size, tag, data. No long item tag is defined, so it is skipped.
                if (m_size - pos < 3 || m_size - pos - 3 < m_data[pos + 1])
                    return fail("truncated long item");
                pos += 3 + std::size_t(m_data[pos + 1]);
                continue;
            }
            std::size_t dataSize = prefix & 0x03;
            if (dataSize == 3)
                dataSize = 4;
            if (m_size - pos - 1 < dataSize)
                return fail("truncated item");
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < dataSize; ++i)
                value |= std::uint32_t(m_data[pos + 1 + i]) << (8 * i);
            pos += 1 + dataSize;

            const std::uint8_t type = (prefix >> 2) & 0x03;
            const std::uint8_t tag = prefix >> 4;
            bool ok = true;
            if (type == MainItem)
                ok = mainItem(tag, value);
            else if (type == GlobalItem)
                ok = globalItem(tag, value);
            else if (type == LocalItem)
                ok = localItem(tag, value, dataSize);
            // Reserved item type: nothing defined, skipped like an unknown tag.
            if (!ok)
                return false;
        }
        m_itemOffset = m_size;
        if (m_depth != 0)
            return fail("collection not closed at the end of the descriptor");
        if (m_inDelimiterSet)
            return fail("delimiter set not closed at the end of the descriptor");
        if (m_collections.empty())
            return fail("no top-level collection");
        return true;
    }

    bool globalItem(std::uint8_t tag, std::uint32_t value)
    {
        switch (tag) {
        case UsagePageTag:
            if (value > 0xFFFF)
                return fail("usage page above 0xFFFF");
            m_global.usagePage = value;
            return true;
        case ReportSizeTag:
            m_global.reportSize = value;
            return true;
        case ReportCountTag:
            if (value > MaxReportCount)
                return fail("report count above 65535");
            m_global.reportCount = value;
            return true;
        case ReportIdTag:
            if (value == 0 || value > 0xFF)
                return fail("report id outside 1..255");
            m_global.reportId = std::uint8_t(value);
            m_usesReportIds = true;
            return true;
        case PushTag:
            if (m_globalStack.size() >= MaxPushDepth)
                return fail("too many pushes");
            m_globalStack.push_back(m_global);
            return true;
        case PopTag:
            if (m_globalStack.empty())
                return fail("pop without push");
            m_global = m_globalStack.back();
            m_globalStack.pop_back();
            return true;
        default:
            // Logical and physical extents, units, reserved tags: no bearing on the caps.
            return true;
        }
    }

    bool localItem(std::uint8_t tag, std::uint32_t value, std::size_t dataSize)
    {
        const DeclaredUsage usage{value, dataSize == 4};
        switch (tag) {
        case UsageTag:
            m_usages.push_back(UsageEntry{usage, usage});
            return true;
        case UsageMinimumTag:
            if (m_hasMinimum)
                return fail("usage minimum without maximum");
            m_minimum = usage;
            m_hasMinimum = true;
            return pairRange();
        case UsageMaximumTag:
            if (m_hasMaximum)
                return fail("usage maximum without minimum");
            m_maximum = usage;
            m_hasMaximum = true;
            return pairRange();
        case DelimiterTag:
            if (value == 1) {
                if (m_inDelimiterSet)
                    return fail("nested delimiter set");
                m_inDelimiterSet = true;
                m_usagesAtDelimiter = m_usages.size();
                return true;
            }
            if (value == 0) {
                if (!m_inDelimiterSet)
                    return fail("delimiter close without open");
                if (m_hasMinimum || m_hasMaximum)
                    return fail("unpaired usage minimum or maximum in a delimiter set");
                // The first usage of a set is the control's usage; the rest are its aliases.
                if (m_usages.size() > m_usagesAtDelimiter + 1)
                    m_usages.resize(m_usagesAtDelimiter + 1);
                m_inDelimiterSet = false;
                return true;
            }
            return fail("delimiter other than open or close");
        default:
            // Designators and strings: no bearing on the caps.
            return true;
        }
    }

    bool pairRange()
    {
        if (m_hasMinimum && m_hasMaximum) {
            m_usages.push_back(UsageEntry{m_minimum, m_maximum});
            m_hasMinimum = m_hasMaximum = false;
        }
        return true;
    }

    void clearLocals()
    {
        m_usages.clear();
        m_hasMinimum = m_hasMaximum = false;
    }

    bool resolveUsages(std::vector<ResolvedUsage>& out)
    {
        if (m_inDelimiterSet)
            return fail("main item inside a delimiter set");
        if (m_hasMinimum || m_hasMaximum)
            return fail("unpaired usage minimum or maximum");
        out.clear();
        out.reserve(m_usages.size());
        for (const UsageEntry& e : m_usages) {
            const std::uint32_t minPage = e.min.extended ? e.min.value >> 16 : m_global.usagePage;
            const std::uint32_t maxPage = e.max.extended ? e.max.value >> 16 : m_global.usagePage;
            const std::uint32_t minId = e.min.extended ? e.min.value & 0xFFFF : e.min.value;
            const std::uint32_t maxId = e.max.extended ? e.max.value & 0xFFFF : e.max.value;
            if (minPage != maxPage)
                return fail("usage range across two usage pages");
            if (minId > maxId)
                return fail("usage minimum above usage maximum");
            out.push_back(ResolvedUsage{std::uint16_t(minPage), std::uint16_t(minId), std::uint16_t(maxId)});
        }
        return true;
    }

    bool mainItem(std::uint8_t tag, std::uint32_t value)
    {
        bool ok = true;
        switch (tag) {
        case InputTag:
            ok = reportItem(InputKind, value);
            break;
        case OutputTag:
            ok = reportItem(OutputKind, value);
            break;
        case FeatureTag:
            ok = reportItem(FeatureKind, value);
            break;
        case CollectionTag:
            ok = collectionItem();
            break;
        case EndCollectionTag:
            if (m_depth == 0)
                return fail("end collection without collection");
            --m_depth;
            break;
        default:
            break;  // reserved main tag: nothing to account
        }
        clearLocals();
        return ok;
    }

    bool collectionItem()
    {
        std::vector<ResolvedUsage> usages;
        if (!resolveUsages(usages))
            return false;
        if (m_depth >= MaxCollectionDepth)
            return fail("collections nested too deep");
        if (m_depth == 0) {
            CollectionState state;
            if (usages.empty()) {
                state.collection.caps.usagePage = std::uint16_t(m_global.usagePage);
            } else {
                state.collection.caps.usagePage = usages.front().page;
                state.collection.caps.usage = usages.front().min;
            }
            m_collections.push_back(std::move(state));
        }
        ++m_depth;
        return true;
    }

    bool reportItem(Kind kind, std::uint32_t flags)
    {
        std::vector<ResolvedUsage> usages;
        if (!resolveUsages(usages))
            return false;
        if (m_depth == 0)
            return fail("report item outside every collection");
        CollectionState& state = m_collections.back();

        const std::uint64_t bits = std::uint64_t(m_global.reportSize) * m_global.reportCount;
        ReportBits& report = state.reports[m_global.reportId];
        if (bits > MaxReportBits || report.bits[kind] > MaxReportBits - bits)
            return fail("report longer than 65535 bytes");
        report.bits[kind] += bits;
        report.present[kind] = true;

        return addValueCaps(kind, flags, usages, state.collection);
    }

    bool addValueCaps(Kind kind, std::uint32_t flags, const std::vector<ResolvedUsage>& usages,
                      TopLevelCollection& collection)
    {
        // Arrays and one-bit fields are buttons for Windows, not values.
        if (!(flags & VariableFlag) || m_global.reportSize < 2)
            return true;
        const bool anyUsage = std::any_of(usages.begin(), usages.end(),
                                          [](const ResolvedUsage& u) { return u.max != 0; });
        if ((flags & ConstantFlag) && !anyUsage)
            return true;  // padding

        std::vector<ValueCaps> caps;
        std::uint32_t remaining = m_global.reportCount;
        if (usages.empty() && remaining > 0)
            caps.push_back(ValueCaps{0, std::uint16_t(m_global.usagePage), m_global.reportId,
                                     std::uint16_t(remaining)});
        for (std::size_t i = 0; i < usages.size() && remaining > 0; ++i) {
            const std::uint32_t span = std::uint32_t(usages[i].max) - usages[i].min + 1;
            const std::uint32_t take = (i + 1 == usages.size()) ? remaining : std::min(remaining, span);
            caps.push_back(ValueCaps{usages[i].min, usages[i].page, m_global.reportId, std::uint16_t(take)});
            remaining -= take;
        }

        std::vector<ValueCaps>& list = kind == InputKind    ? collection.inputValueCaps
                                       : kind == OutputKind ? collection.outputValueCaps
                                                            : collection.featureValueCaps;
        if (list.size() + caps.size() > MaxValueCaps)
            return fail("more than 65535 value caps");
        list.insert(list.end(), caps.rbegin(), caps.rend());
        return true;
    }

    bool finish(HidDescriptor& out)
    {
        out.m_collections.clear();
        out.m_usesReportIds = m_usesReportIds;
        for (CollectionState& state : m_collections) {
            TopLevelCollection& c = state.collection;
            for (const auto& entry : state.reports) {
                ReportLengths lengths;
                lengths.reportId = entry.first;
                std::array<std::uint16_t, 3> bytes{};
                for (int k = 0; k < 3; ++k) {
                    if (entry.second.present[k])
                        bytes[k] = std::uint16_t((entry.second.bits[k] + 7) / 8 + 1);
                }
                lengths.input = bytes[InputKind];
                lengths.output = bytes[OutputKind];
                lengths.feature = bytes[FeatureKind];
                c.reports.push_back(lengths);
                c.caps.inputReportByteLength = std::max(c.caps.inputReportByteLength, lengths.input);
                c.caps.outputReportByteLength = std::max(c.caps.outputReportByteLength, lengths.output);
                c.caps.featureReportByteLength = std::max(c.caps.featureReportByteLength, lengths.feature);
            }
            c.caps.numberInputValueCaps = std::uint16_t(c.inputValueCaps.size());
            c.caps.numberOutputValueCaps = std::uint16_t(c.outputValueCaps.size());
            c.caps.numberFeatureValueCaps = std::uint16_t(c.featureValueCaps.size());
            out.m_collections.push_back(std::move(c));
        }
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_itemOffset = 0;
    std::string m_error;

    GlobalState m_global;
    std::vector<GlobalState> m_globalStack;
    std::vector<UsageEntry> m_usages;
    DeclaredUsage m_minimum;
    DeclaredUsage m_maximum;
    bool m_hasMinimum = false;
    bool m_hasMaximum = false;
    bool m_inDelimiterSet = false;
    std::size_t m_usagesAtDelimiter = 0;

    int m_depth = 0;
    bool m_usesReportIds = false;
    std::vector<CollectionState> m_collections;
};

const ReportLengths* TopLevelCollection::report(std::uint8_t reportId) const
{
    for (const ReportLengths& r : reports) {
        if (r.reportId == reportId)
            return &r;
    }
    return nullptr;
}

bool HidDescriptor::parse(const std::uint8_t* data, std::size_t size, HidDescriptor& out, std::string& error)
{
    out = HidDescriptor();
    if (!data && size != 0) {
        error = "no descriptor bytes";
        return false;
    }
    HidDescriptorParser parser(data, size);
    if (!parser.run(out, error)) {
        out = HidDescriptor();
        return false;
    }
    return true;
}

}  // namespace hid
