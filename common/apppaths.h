// AppPaths: the one place that answers "where does the program keep its data".
//
// The data root is the folder of the program file when that folder is writable and holds
// ConfigFiles (a portable install, as on Windows); otherwise a per-user data folder, seeded on
// first start from the read-only installed copy. Every store asks here; nothing else calls
// applicationDirPath. Tests point the root at a temporary folder.
#pragma once

#include <QString>

class AppPaths {
public:
    static QString dataRoot();
    // Tests and the demo: use `root` from now on (no seeding).
    static void setDataRoot(const QString& root);
    // Chooses the root as described above and seeds it; called once at start-up.
    static QString resolveDataRoot();
    // Where the read-only copy of the installed data is, or an empty string.
    static QString installedDataDir();
    // Copies every file of `from` that `to` lacks; never overwrites. False when a copy failed.
    static bool seed(const QString& from, const QString& to);

    static QString configFilesDir();  // <root>/ConfigFiles
    static QString localFileDir();    // <root>/ConfigFiles/LocalFile
    static QString profileFile(int number);  // <root>/ConfigFiles/LocalFile/Config<n>.txt
    static QString macroFilesDir();   // <root>/ConfigFiles/MacroFiles
    static QString settingsFile();    // <root>/system/system.ini
    static QString pcFunctionFile();  // <root>/keysetting/HighestFunction.ini
    static QString pictureFile();     // <root>/drawImage.BMP
    static QString updateDir();       // <root>/Update
    static QString fontFile();        // <root>/font/FZSHANGKJW.ttf
};
