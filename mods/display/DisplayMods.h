#pragma once

#include "gamestate/Place.h"
#include "settings/ModSettings.h"

#include <QString>
#include <QStringList>

namespace platform {
class FileSystem;
}

namespace display {

// The three elements of the game's display that can be blanked out.
enum class Element { Balance, Hud, Font };

// One element: where its files lie, what blanks them, where it is stored.
struct ElementFiles {
    const char *folder;       // below the game root, no trailing backslash
    const char *backupFolder; // below the game root
    const char *blankFile;    // bare name, in the working folder
    const char *fullSuffix;   // "img.dat": base name + suffix = full-game name
    const char *demoSuffix;   // ".img.xbx"
    // A restore removes only its own copies; the fonts have their backup
    // folder alone and remove it too once nothing else is in it (the other
    // variant's backups, the player's own files).
    bool ownsBackupFolder;
    QStringList baseNames; // in the order every step goes through them
    SettingValue ModSettings::*fullField;
    SettingValue ModSettings::*demoField;
};

const ElementFiles &filesOf(Element e);

// The element's file names in the variant's spelling, in step order.
QStringList fileNames(Element e, bool demo);

// Backs the element's game files up below gameRoot (a game path ending in a
// backslash), never overwriting a backup, then blanks them or (shown) puts
// the backups back and clears them away. Each game file is replaced in one
// atomic copy, so a failure never leaves the game without it. Throws
// platform::FileError at the first failing step; the steps before it stay done.
void setShown(platform::FileSystem &fs, const QString &gameRoot, bool demo, Element e, bool shown);

// The element's game files and their backups; with a source, what is put
// into each of them.
QList<gamestate::Place> places(bool demo, Element e, const QString &source = {});
// What setShown with these arguments writes, restores included.
QList<gamestate::Place> writes(const QString &gameRoot, bool demo, Element e, bool shown);

} // namespace display
