#pragma once

#include "gamestate/Place.h"

#include <QString>

namespace platform {
class FileSystem;
}

namespace levels {

// Puts the MotoX level into the game's level menu below gameRoot (a game path
// ending in a backslash), played skating or luging, or (off) puts the game's
// own scripts back. The game's scripts are first saved into their backup
// folders; a backup is never overwritten or removed. Off restores the level
// script only when skating, as luging leaves the game's own in place. Each
// game script is replaced in one atomic copy, so a missing replacement never
// leaves the game without it. Throws platform::FileError at the first failing
// step; the steps before it stay done.
void applyMotox(platform::FileSystem &fs, const QString &gameRoot, bool on, bool skating);

// The two scripts and their backups; with a game root, what turning the
// level on in that mode puts into each.
QList<gamestate::Place> places(const QString &gameRoot = {}, bool skating = false);
// What applyMotox with these arguments writes, restores included.
QList<gamestate::Place> writes(const QString &gameRoot, bool on, bool skating);

} // namespace levels
