// The profile a ZR540 leaves the factory with. The simulated mouse starts with it, and the
// installed factory profile file (Config0.txt) is generated from it, so both always agree.
#pragma once

#include "deviceprofileblock.h"
#include "mousevocabulary.h"

namespace FactoryProfile {

// The seven DPI levels, in DPI.
constexpr int DpiLevels[Dpi::Levels] = {400, 800, 1600, 2400, 3200, 6400, 16000};
constexpr int ReportRateCode = 3;           // 1000 Hz
constexpr int ContinuousLightMode = 0x81;   // both lights on, steady
constexpr int LightDegree = 9;              // brightest
constexpr int BreathSpeed = 4;
constexpr int WheelRgb[3] = {255, 0, 0};
constexpr int LogoRgb[3] = {255, 255, 255};

// The buttons' factory functions by key matrix entry. Entries 10 to 13 belong to no button and
// keep what a new engine starts them with.
constexpr KeyMatrixTable KeyMatrixValues = {{
    0x00F00001,  // 0  left button
    0x00F10001,  // 1  right button
    0x00F20001,  // 2  middle button
    0x00F30001,  // 3  back
    0x00F40001,  // 4  forward
    0x00010007,  // 5  DPI add
    0x00020007,  // 6  DPI reduce
    0x00000011,  // 7  custom button 2
    0x00210000,  // 8  custom button 1
    0x00030008,  // 9  custom button 3
    0x00030005, 0, 0, 0,
    0x00010004,  // 14 wheel forward
    0x00020004,  // 15 wheel back
}};

inline DeviceProfileBlock block()
{
    using P = DeviceProfileBlock;
    DeviceProfileBlock b = DeviceProfileBlock::initial();
    b.setKeyMatrix(P::KeyMatrix, KeyMatrixValues);
    b.bytes[P::ReportRate] = ReportRateCode;
    b.bytes[P::ForcedSeven] = 7;
    for (int i = 0; i < 7; ++i)
        b.setDpi(i, DpiLevels[i]);
    for (int c = 0; c < 3; ++c) {
        b.bytes[P::WheelColor + c] = static_cast<std::uint8_t>(WheelRgb[c]);
        b.bytes[P::LogoColor + c] = static_cast<std::uint8_t>(LogoRgb[c]);
    }
    b.bytes[P::WheelMode] = b.bytes[P::LogoMode] = ContinuousLightMode;
    b.bytes[P::WheelDegree] = b.bytes[P::LogoDegree] = LightDegree;
    b.bytes[P::WheelBreathSpeed] = b.bytes[P::LogoBreathSpeed] = BreathSpeed;
    return b;
}

}  // namespace FactoryProfile
