#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "settings/ModSettings.h"

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

    bool saveSettings() { return ::saveSettings(settings, dialogs); }
};
