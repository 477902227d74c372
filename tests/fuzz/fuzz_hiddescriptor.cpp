// Fuzzes the report-descriptor parser: any bytes either parse into collections whose caps agree
// with their own reports, or fail with a message and no collection.
#include "fuzzcheck.h"
#include "hiddescriptor.h"

#include <algorithm>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    hid::HidDescriptor descriptor;
    std::string error;
    if (!hid::HidDescriptor::parse(data, size, descriptor, error)) {
        check(!error.empty() && descriptor.collections().empty());
        return 0;
    }
    check(!descriptor.collections().empty());
    for (const hid::TopLevelCollection& c : descriptor.collections()) {
        std::uint16_t input = 0, output = 0, feature = 0;
        int previousId = -1;
        for (const hid::ReportLengths& r : c.reports) {
            check(int(r.reportId) > previousId);  // ascending, each id once
            previousId = r.reportId;
            check(descriptor.usesReportIds() || r.reportId == 0);
            check(c.report(r.reportId) == &r);
            input = std::max(input, r.input);
            output = std::max(output, r.output);
            feature = std::max(feature, r.feature);
        }
        check(c.caps.inputReportByteLength == input && c.caps.outputReportByteLength == output);
        check(c.caps.featureReportByteLength == feature);
        check(c.caps.numberInputValueCaps == c.inputValueCaps.size());
        check(c.caps.numberOutputValueCaps == c.outputValueCaps.size());
        check(c.caps.numberFeatureValueCaps == c.featureValueCaps.size());
        // A value cap belongs to a report of its kind in this collection.
        for (const hid::ValueCaps& v : c.featureValueCaps)
            check(c.report(v.reportId) != nullptr && c.report(v.reportId)->feature > 1);
        for (const hid::ValueCaps& v : c.inputValueCaps)
            check(c.report(v.reportId) != nullptr && c.report(v.reportId)->input > 1);
    }
    return 0;
}
