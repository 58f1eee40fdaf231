#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "settings/ModSettings.h"

#include <functional>

// What every window and mod works with: the one settings record, the file
// operations and the dialogs.
class AppContext {
public:
    explicit AppContext(platform::Dialogs &dialogs, platform::FileSystem files = {})
        : files(std::move(files)), dialogs(dialogs)
    {
    }

    ModSettings settings;
    platform::FileSystem files;
    platform::Dialogs &dialogs;

    // Puts the stored MotoX state on the main window's controls. Set by the
    // main window, the one place that knows them; reading the settings file
    // ends with it wherever that happens.
    std::function<void()> showMotox;

    bool saveSettings() { return ::saveSettings(settings, dialogs); }
    void loadSettings() { ::loadSettings(settings, dialogs, showMotox); }
};
