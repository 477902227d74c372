// The numbers by which the window, the engine and the pages ask for a message in the warning
// overlay. The overlay holds the texts; senders only know the numbers.
#pragma once

namespace Warning {
enum Type : int {
    ResetToDefaults = 0,
    NewerSoftware = 1,
    UploadSettings = 2,
    Logout = 3,
    DownloadSettings = 4,
    KeepOneLeftButton = 6,
    FirmwareUpdateFailed = 7,
    NotLoggedIn = 8,
    FirmwareUpToDate = 9,
    UpdateProgress = 10,  // the progress box of a firmware check, not a message
    UploadFailed = 12,
    UploadDone = 13,
    ProfileDownloadFailed = 14,
    MacroDownloadFailed = 15,
    ProfileDownloadDone = 17,
    MacroDownloadDone = 18,
    MacroTooLong = 19,
    FirmwareKeptForWindows = 20,  // downloaded where the updater cannot run
};
}  // namespace Warning
