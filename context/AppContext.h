#pragma once

#include "gamestate/Record.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "settings/ModSettings.h"

// What every window and mod works with: the one settings record, the file
// operations, the dialogs and the record of the game files the mods replaced.
class AppContext {
public:
    explicit AppContext(platform::Dialogs &dialogs, platform::FileSystem files = {})
        : files(std::move(files)), dialogs(dialogs)
    {
        record.onProblem = [&dialogs](const QString &text, const QString &why) {
            dialogs.message(text, QString::fromLatin1(errorTitle), why);
        };
        record.ask = [&dialogs](const QString &text, const QString &title) {
            return dialogs.question(text, title);
        };
    }

    ModSettings settings;
    platform::FileSystem files;
    platform::Dialogs &dialogs;
    gamestate::Record record;

    // The program's error box, telling why.
    void error(const QString &why)
    {
        dialogs.message(QStringLiteral("Error!"), QString::fromLatin1(errorTitle), why);
    }
    bool saveSettings() { return ::saveSettings(settings, dialogs); }
    void loadSettings() { ::loadSettings(settings, dialogs); }
};
