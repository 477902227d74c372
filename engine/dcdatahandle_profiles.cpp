// The five local profiles and the factory profile: saving the active record, loading a file into
// the engine and the mouse, finding which file the mouse carries, and the reset to factory.
#include "apppaths.h"
#include "dcdatahandle.h"
#include "loginfo.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QDebug>

void DCDataHandle::saveConfigFile() { saveConfigFileByConfigureNumber(currentConfigureNumber); }

void DCDataHandle::saveConfigFileByConfigureNumber(int configNumber)
{
    // Only the five local profiles are ever written; the factory profile is the installation's.
    if (configNumber < FirstProfile || configNumber > LastProfile) {
        loginfo(QStringLiteral("saveConfigFile: %1 is no local profile, nothing saved").arg(configNumber));
        return;
    }
    localProfile.copySettingsFrom(mouseProfile);
    const QString path = AppPaths::profileFile(configNumber);
    const QByteArray content = ProfileFile::encode(localProfile);
    const int section = content.size() - WholeStruct::SettingsSize;  // the "sumByte"
    loginfo(QStringLiteral("saveConfigFile") + path);
    qCDebug(zr540Engine) << "ba len:" << content.size() << "sumByte" << section;
    qCDebug(zr540Engine) << "file len:" << content.size() << WholeStruct::SettingsSize << section;
    // Whole file to a temporary name, then renamed: a crash never leaves a cut profile.
    if (!writeWholeFile(path, content))
        ++writeFailures;
}

bool DCDataHandle::getLocalGunShootProfileByConfigureNumber(int configureNumber, WholeStruct& record)
{
    const QString path = AppPaths::profileFile(configureNumber);
    loginfo(QStringLiteral("getLocalGunShootProfileByConfigureNumber ") + path);
    if (ProfileFile::read(path, record))
        return true;
    // A missing, cut or refused profile reads as the factory profile, never as zeros: zeros would leave
    // the mouse with dead buttons and no DPI.
    if (configureNumber != 0) {
        loginfo(QStringLiteral("profile %1 is missing or too short, using the factory profile").arg(configureNumber));
        const QString factory = AppPaths::profileFile(0);
        if (ProfileFile::read(factory, record))
            return true;
    }
    loginfo(QStringLiteral("no usable profile for %1, the record is left as it was").arg(configureNumber));
    return false;
}

void DCDataHandle::loadConfigFileByNumber(int configureNumber)
{
    qCDebug(zr540Engine) << "loadConfigFileByNumber" << configureNumber;
    if (getLocalGunShootProfileByConfigureNumber(configureNumber, localProfile))
        localProfile.copySettingsTo(mouseProfile);
    else
        localProfile.copySettingsFrom(mouseProfile);  // keep what the mouse has

    if (connected && driver) {
        for (int slot = 0; slot < WholeStruct::MacroSlots; ++slot) {
            const BYTE address = macroAddressMap.value(slot, 0);
            qCDebug(zr540Engine) << "loadConfigFileByNumber MacroPositionNumber" << slot << QString::number(address, 16);
            const int result = driver->SetMacroData(&localProfile.macros[static_cast<std::size_t>(slot)], address);
            qCDebug(zr540Engine) << "loadConfigFileByNumber" << result;
            if (!result)
                loginfo(QStringLiteral("loadConfigFileByNumber: the mouse did not take macro slot %1").arg(slot));
        }
    }
    setDPIValueOnPage();
    emit sig_SetCurrentReportRate(mouseProfile.bytes[DeviceProfileBlock::ReportRate]);
    setLightParameterOnPage();
}

void DCDataHandle::slot_LoadLocalConfigFile(int number)
{
    if (number < FirstProfile || number > LastProfile) {
        loginfo(QStringLiteral("slot_LoadLocalConfigFile: %1 is no local profile, nothing loaded").arg(number));
        return;
    }
    currentConfigureNumber = number;
    emit sig_Busy(true);
    loadConfigFileByNumber(number);
    writeProfileToMouse();
    emit sig_Busy(false);
}

void DCDataHandle::resetConfigToOriginalHere()
{
    emit sig_Busy(true);
    loadConfigFileByNumber(0);
    writeProfileToMouse();
    for (int number = FirstProfile; number <= LastProfile; ++number)
        saveConfigFileByConfigureNumber(number);
    emit sig_Busy(false);
}

bool DCDataHandle::compareMouseAndLocalFileData()
{
    matchedLocalProfile = false;
    const auto mouseSettings = mouseProfile.bytes.begin() + DeviceProfileBlock::SettingsOffset;
    for (int number = FirstProfile; number <= LastProfile; ++number) {
        WholeStruct record = WholeStruct::initial();
        if (!getLocalGunShootProfileByConfigureNumber(number, record))
            continue;
        if (std::equal(record.settings.begin(), record.settings.end(), mouseSettings)) {
            currentConfigureNumber = number;
            // The file's macros come with it: a change saved before any profile load keeps them.
            localProfile = record;
            matchedLocalProfile = true;
            emit sig_SetCurrentConfigurePage(number);
            qCDebug(zr540Engine) << "find  the config";
            return true;
        }
    }
    emit sig_SetCurrentConfigurePage(FirstProfile);
    qCDebug(zr540Engine) << "didnt find  the config";
    return false;
}
