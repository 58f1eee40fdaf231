#pragma once

#include "settings/SettingValue.h"

#include <QString>

namespace platform {
class Dialogs;
}

// Everything the program keeps between runs, one record for the whole process.
// Field order is the line order of vertzmod.ini.
struct ModSettings {
    QString fullInstallDir;
    QString demoInstallDir;
    SettingValue fullBoard;
    SettingValue demoBoard;
    SettingValue demoMode;
    SettingValue motoxEnabled;
    SettingValue motoxMode;
    SettingValue fullBalanceShown;
    SettingValue demoBalanceShown;
    SettingValue fullHudShown;
    SettingValue demoHudShown;
    SettingValue fullFontShown;
    SettingValue demoFontShown;

    // Install folder of the variant in use, ending in a backslash. Not stored.
    QString gameRoot;

    bool isDemo() const { return demoMode.equals(1); }
    // The board selection of the variant in use.
    SettingValue &board() { return isDemo() ? demoBoard : fullBoard; }
};

inline const char *const settingsFileName = "vertzmod.ini";
inline const char *const defaultFullInstallDir = "C:\\Program Files\\Harbrook\\Vertz Rail Tour\\";
inline const char *const defaultDemoInstallDir
    = "C:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\";
inline const char *const errorTitle = "OMG TEH ERROR";

// Fills the defaults and rewrites vertzmod.ini in the working folder whole and
// atomically. When the file cannot be written the player is told why and the
// record stays as it is in memory; returns false then.
bool saveSettings(ModSettings &s, platform::Dialogs &dialogs);

// Reads vertzmod.ini from the working folder, rebuilding a missing or short
// file from the record and its defaults. A value that cannot be used (variant,
// MotoX state or mode, an empty folder) is taken as its default and the file
// rewritten once.
// Game paths are the folder's text followed by a relative path: a folder
// typed without its last separator gets one, or it would lead beside it. The
// stored text stays as the player wrote it.
QString gameRootOf(const QString &installDir);

void loadSettings(ModSettings &s, platform::Dialogs &dialogs);
