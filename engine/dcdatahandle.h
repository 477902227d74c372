// DCDataHandle: the profile engine, the one object between the pages, the local profile files
// and the mouse. It keeps a mirror of the mouse's profile block, the record of the active local
// profile and the driver. Every change a page asks for goes into the mirror, is sent to the mouse
// and saved in the active profile file (the write-back step); every value a page shows comes from
// the engine's signals.
//
// The engine lives in a worker thread of its own; pages reach it through queued signals. The
// window never waits for it: requestConnect and requestReset hand the work to the engine's thread
// and the outcome comes back as sig_Connected / the usual refresh signals, with sig_Busy around
// every profile load (17 writes of 50 ms). connectMouse and slot_ResetConfigToOriginal called
// from another thread run in the engine's thread and are waited for, so they never overlap a
// slot that is running there.
#pragma once

#include "deviceprofileblock.h"
#include "mousevocabulary.h"
#include "operatemacrofile.h"
#include "usbdriver540.h"
#include "wholestruct.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>

using BYTE = std::uint8_t;

class DCDataHandle : public QObject {
    Q_OBJECT
public:
    // The factory function of a button id (Button::Id), as its key matrix entry holds it.
    static std::uint32_t factoryValueOf(int button);
    // The local profiles the user picks from; 0 is the factory profile, which is only read.
    static constexpr int FirstProfile = Profile::First;
    static constexpr int LastProfile = Profile::Last;

    // The engine reaches the mouse through `hid` and waits `confirmPause` after every bulk write.
    explicit DCDataHandle(std::shared_ptr<hid::Backend> hid,
                          std::chrono::milliseconds confirmPause = USBDriver_540::MouseConfirmPause);
    ~DCDataHandle() override;

    // Finds the mouse, opens it and reads its profile block; true when it is connected.
    bool connectMouse();
    // The same without waiting, from any thread: the answer is sig_Connected.
    void requestConnect();
    // The reset to factory without waiting, from any thread.
    void requestReset();

    // Read-only views for the window and tests.
    const DeviceProfileBlock& mouseProfileBlock() const { return mouseProfile; }
    const WholeStruct& localProfileRecord() const { return localProfile; }
    int currentConfigure() const { return currentConfigureNumber; }
    bool isConnected() const { return connected; }
    // True when the profile the mouse held at connect is one of the local profiles: its record
    // (macros included) is then the active one, and a change needs no profile load first.
    bool mouseMatchesLocalProfile() const { return matchedLocalProfile; }
    // How many writes to the mouse or saves of the profile file have failed since the start.
    int failedWrites() const { return writeFailures; }

    const QMap<int, BYTE> macroAddressMap;

signals:
    void sig_SetCurrentDPIValue(int level, int value);
    void sig_SetCurrentReportRate(int value);
    void sig_SetLightParameterOnPage(QMap<int, QList<int>> parameters);
    void sig_WarningOnlyLeftButton(int warningType);
    void sig_VersionNumber(int version);
    void sig_SetCurrentConfigurePage(int number);
    void sig_CurrentButtonIsOriginalButton(bool state, int button);
    // The answer to requestConnect.
    void sig_Connected(bool connected);
    // True while a profile is being loaded into the mouse, false when it is done.
    void sig_Busy(bool busy);

public slots:
    // Performance and lighting
    void slot_setDPIValueOnMouse(int level, int value);
    void setDPIValueOnPage();
    void setUsbReportRateOnPage();
    void setLightParameterOnPage();
    void slot_SetMouseColor(bool isWheelLightChange, int red, int green, int blue);
    void slot_ChangeUsbReportRate(int value);
    void slot_setMouseLightMode(bool isWheelLightChange, int value);
    void slot_MouseContinueLightDegree(bool isWheelLightChange, int value);
    void slot_MouseBreathSpeed(bool isWheelLightChange, int value);

    // Buttons
    void slot_ChangeButtonToKey(int button, uint vkCode, int modifyKey, int changeType);
    void slot_ChangeButtonToMacro(int macroType, int button, uint address);

    // Profiles
    void slot_LoadLocalConfigFile(int number);
    void slot_ResetConfigToOriginal();

    // Macros
    void slot_WriteSingleMacro(int button, QString path);
    void slot_WriteListMacro(QList<QString> macroList);
    bool driverWriteIntoMouse(MacroStruct& mStruct, BYTE address);
    QList<MacroItem> defineLocalMacro(QString path);

    // The OLED picture
    void slot_WriteImageToMouse();
    bool ImageToByteArr(QImage image, unsigned char* imageData, int imageDataLen);

private slots:
    bool checkIsChangeOnlyLeftButton(BYTE value);
    bool checkCurrentButtonIsLeftButton(BYTE buttonType, BYTE buttonValue);
    void createTmpMouseButtonMap(QMap<int, KeyMatrixItem_F>& mouseButtonMap);
    void setPhiysicalButtonToAnotherMouseButton(KeyMatrixItem_F& pysicalButton, uint vkCode, int modifyKey,
                                                int changeType);
    void checkCurrentMouseButtonIsOriginalMouseButton(int currentButton);
    void checkAllMouseButtonIsOriginalMouseButton();

    void valueSplit2BYTE(int value, BYTE& low, BYTE& high);
    int checkNumberHundreds(int value);
    int checkNumberDigit(int value);

    void writeProfileToMouse();
    void saveConfigFile();
    void saveConfigFileByConfigureNumber(int configNumber);
    void loadConfigFileByNumber(int configureNumber);
    bool getLocalGunShootProfileByConfigureNumber(int configureNumber, WholeStruct& record);
    bool compareMouseAndLocalFileData();

    BYTE getSingleMacroAddress(int button);
    BYTE getMulitpulMacroAddress(int number);

private:
    bool connectMouseHere();
    void resetConfigToOriginalHere();
    bool encodeMacroFile(const QString& path, MacroStruct& block, int* mode = nullptr);
    KeyMatrixItem_F keyEntry(int entry) const;
    void setKeyEntry(int entry, KeyMatrixItem_F item);

    const std::shared_ptr<hid::Backend> m_hid;
    const std::chrono::milliseconds m_confirmPause;
    USBDriver_540* driver = nullptr;
    OperateMacroFile macroKeyNames;
    WholeStruct localProfile;
    DeviceProfileBlock mouseProfile;
    int currentConfigureNumber = 1;
    bool connected = false;
    bool matchedLocalProfile = false;
    int writeFailures = 0;
};
