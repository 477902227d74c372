// Readers for the Windows HID captures in ../shared/testdata/hid-windows-caps: the device's
// report descriptor as dumped by various tools (*_real.rpt_desc) and what the Windows HID parser
// made of one of its collections (*.pp_data).
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

struct WindowsValueCap {
    std::uint8_t reportId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;  // the first usage of a range
    std::uint16_t reportCount = 0;
};

struct WindowsCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::array<std::uint16_t, 3> reportByteLength{};  // input, output, feature
    std::array<QVector<WindowsValueCap>, 3> valueCaps; // button caps left out
    int collectionIndex = -1;  // from "&colNN" in the device path, 0-based; -1 when absent
};

// The descriptor bytes of a dump: hid-recorder's "R: <length> <bytes>" line (or, without one,
// its "# 0x.." comments), a "DESCRIPTOR:" hex block, "Raw Descriptor (hex)" rows, rows of hex
// pairs, a listing with the bytes at the end of each line, or a C array. One source per file:
// only what comes before a "Parser output" section counts. False with a reason when nothing
// sensible is found or the bytes disagree with the length the dump announces.
bool readDescriptorDump(const QString& path, QByteArray& bytes, QString& why);

bool readPreparsedDump(const QString& path, WindowsCollection& out, QString& why);
