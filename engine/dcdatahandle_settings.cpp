// DPI levels, report rate and the two lights: each change goes into the mirror and ends with the
// write-back step; the refresh operations push the stored values to the pages.
#include "dcdatahandle.h"
#include "loginfo.h"
#include "mousevocabulary.h"

#include <QDebug>

#include <array>

namespace {
constexpr int UsedDpiLevels = Dpi::Levels;

constexpr BYTE low(int value) { return static_cast<BYTE>(value & 0xFF); }

// One light as the pages are told it: the bytes at its block offsets, in LightParameter order.
QList<int> lightParameters(const DeviceProfileBlock& block, int colour, int mode, int breathSpeed, int degree)
{
    std::array<int, LightParameter::Count> light{};
    light[LightParameter::Red] = block.bytes[colour];
    light[LightParameter::Green] = block.bytes[colour + 1];
    light[LightParameter::Blue] = block.bytes[colour + 2];
    light[LightParameter::Mode] = block.bytes[mode];
    light[LightParameter::BreathSpeed] = block.bytes[breathSpeed];
    light[LightParameter::Degree] = block.bytes[degree];
    return QList<int>(light.begin(), light.end());
}
}  // namespace

void DCDataHandle::slot_setDPIValueOnMouse(int level, int value)
{
    qCDebug(zr540Engine) << "slot_setDPIValueOnMouse" << level << value;
    if (level >= 1 && level <= UsedDpiLevels)
        mouseProfile.setDpi(level - 1, value);
    writeProfileToMouse();
}

void DCDataHandle::slot_ChangeUsbReportRate(int value)
{
    if (value >= 0 && value <= 3)
        mouseProfile.bytes[DeviceProfileBlock::ReportRate] = static_cast<BYTE>(value);
    writeProfileToMouse();
}

void DCDataHandle::slot_SetMouseColor(bool isWheelLightChange, int red, int green, int blue)
{
    const int at = isWheelLightChange ? DeviceProfileBlock::WheelColor : DeviceProfileBlock::LogoColor;
    mouseProfile.bytes[at] = low(red);
    mouseProfile.bytes[at + 1] = low(green);
    mouseProfile.bytes[at + 2] = low(blue);
    mouseProfile.bytes[at + 3] = 0;
    if (isWheelLightChange)
        mouseProfile.bytes[DeviceProfileBlock::WheelColorFlag] = 0;
    writeProfileToMouse();
}

void DCDataHandle::slot_setMouseLightMode(bool isWheelLightChange, int value)
{
    mouseProfile.bytes[isWheelLightChange ? DeviceProfileBlock::WheelMode : DeviceProfileBlock::LogoMode] = low(value);
    writeProfileToMouse();
}

void DCDataHandle::slot_MouseContinueLightDegree(bool isWheelLightChange, int value)
{
    qCDebug(zr540Engine) << "slot_MouseContinueLightDegree" << value;
    mouseProfile.bytes[isWheelLightChange ? DeviceProfileBlock::WheelDegree : DeviceProfileBlock::LogoDegree] =
        low(value);
    writeProfileToMouse();
}

void DCDataHandle::slot_MouseBreathSpeed(bool isWheelLightChange, int value)
{
    mouseProfile.bytes[isWheelLightChange ? DeviceProfileBlock::WheelBreathSpeed : DeviceProfileBlock::LogoBreathSpeed] =
        low(value);
    writeProfileToMouse();
}

void DCDataHandle::setDPIValueOnPage()
{
    for (int level = 1; level <= UsedDpiLevels; ++level)
        emit sig_SetCurrentDPIValue(level, mouseProfile.dpi(level - 1));
}

void DCDataHandle::setUsbReportRateOnPage() { emit sig_SetCurrentReportRate(mouseProfile.bytes[DeviceProfileBlock::ReportRate]); }

void DCDataHandle::setLightParameterOnPage()
{
    qCDebug(zr540Engine) << "light parama" << mouseProfile.bytes[DeviceProfileBlock::WheelColorTail];
    using P = DeviceProfileBlock;
    QMap<int, QList<int>> map;
    map.insert(LightParameter::WheelLight,
               lightParameters(mouseProfile, P::WheelColor, P::WheelMode, P::WheelBreathSpeed, P::WheelDegree));
    map.insert(LightParameter::LogoLight,
               lightParameters(mouseProfile, P::LogoColor, P::LogoMode, P::LogoBreathSpeed, P::LogoDegree));
    emit sig_SetLightParameterOnPage(map);
}

void DCDataHandle::valueSplit2BYTE(int value, BYTE& lowByte, BYTE& highByte)
{
    lowByte = low(value);
    highByte = low(value >> 8);
    qCDebug(zr540Engine).noquote() << QString::asprintf("valueSplit2BYTE:low %x high%x", lowByte, highByte);
}

int DCDataHandle::checkNumberDigit(int value)
{
    int digits = 0;
    for (int v = value; v != 0; v /= 10)
        ++digits;
    int power = 1;
    for (int d = 1; d < digits; ++d)
        power *= 10;
    return power;
}

int DCDataHandle::checkNumberHundreds(int value)
{
    const int power = checkNumberDigit(value);
    return value / power * power;
}
