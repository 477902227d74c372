// One opened HID collection of the mouse.
#pragma once

#include "hid.h"

#include <QString>
#include <cstdint>

struct HidChannel {
    QString devicePath;
    hid::Handle readHandle = hid::InvalidHandle;   // get-feature and input reports
    hid::Handle writeHandle = hid::InvalidHandle;  // set-feature and output reports
    std::uint32_t reportId = 0;                    // only the low byte goes on the wire
    std::uint16_t featureReportLength = 0;         // every buffer on this channel has this length

    bool isOpen() const { return readHandle != hid::InvalidHandle && writeHandle != hid::InvalidHandle; }
};
