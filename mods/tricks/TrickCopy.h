#pragma once

#include "gamestate/Place.h"

#include <QSet>
#include <QString>

namespace platform {
class FileSystem;
}

// Copying one trick animation over another and putting the game's file back.
//
// Folders are relative to the trick root, '/' between their parts (Qt's form
// of a native relative path), empty for the root itself; names are bare file
// names. The game's own file of every replaced destination lies in the backup
// root, in the subfolder matching the destination's. Each function throws
// platform::FileError at the first failing step; the steps before it stay done.
namespace tricks {

// Below a game root (a game path ending in a backslash).
inline const char *const animsFolder = "Game\\data\\anims\\";
// Below the trick root.
inline const char *const backupFolder = "trickbackup\\";

// Copies sourceFolder/sourceName over targetFolder/targetName. The first
// time the destination is replaced its game file is saved to the backup
// folder; a backup already there is the game's file and is kept. Nothing
// changes unless both names are given and the source and the destination or
// its backup exist, and neither lies in the backup folder. Of two names
// differing only in case, each has its own backup. The copy replaces the
// destination atomically; a failed one removes again the backup folders it
// made, where they are still empty.
void copyTrick(platform::FileSystem &fs, const QString &gameRoot, const QString &sourceFolder,
               const QString &sourceName, const QString &targetFolder, const QString &targetName);

// Puts the backup of folder/name back in the game, replacing or recreating
// the game's file, then deletes the backup.
void restoreTrick(platform::FileSystem &fs, const QString &gameRoot, const QString &folder,
                  const QString &name);

// The trick and backup roots of an install, looked up once for many restores.
struct Roots {
    QString gameRoot;
    QString trick;   // native, ending in '/'
    QString backups; // native, ending in '/'
    // The backup folders found to be the program's own (no link) by the
    // restores through these roots: each is looked at once.
    QSet<QString> checked;
};
Roots rootsOf(platform::FileSystem &fs, const QString &gameRoot);
void restoreTrick(platform::FileSystem &fs, Roots &roots, const QString &folder,
                  const QString &name);

// The backup tree, mirroring the trick root.
gamestate::Mirror backupMirror();
// What copyTrick puts where, and where the original is kept.
gamestate::Place replacement(const QString &gameRoot, const QString &sourceFolder,
                             const QString &sourceName, const QString &targetFolder,
                             const QString &targetName);
// What restoreTrick writes: the game file, from its backup.
gamestate::Place restoral(const QString &gameRoot, const QString &folder, const QString &name);

// True when the backup folder for folder holds no entry at all.
bool backupFolderIsEmpty(platform::FileSystem &fs, const QString &gameRoot, const QString &folder);
// Removes the empty backup folder for folder (never the backup root).
void removeBackupFolder(platform::FileSystem &fs, const QString &gameRoot, const QString &folder);

} // namespace tricks
