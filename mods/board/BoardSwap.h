#pragma once

#include "gamestate/Place.h"

#include <QString>

namespace platform {
class FileSystem;
}

namespace board {

// The folder below the game root that holds the board models.
inline const char *const modelsFolder = "Game\\Data\\models\\Skater_m\\";

// Puts the board with the given key in place of the game's board below
// gameRoot (a game path ending in a backslash). The game's own board files are
// first saved into "boardbakup\" beside them; a backup is never overwritten.
// Key "default" copies the saved files back. Throws platform::FileError at the
// first failing step; the steps before it stay done. A missing or unreadable
// part of the new board fails before any game file changes.
void swapBoard(platform::FileSystem &fs, const QString &gameRoot, bool demo, const QString &key);

// The game's five board parts and their backups; with a key, what a swap to
// that board puts into each.
QList<gamestate::Place> places(const QString &gameRoot, bool demo, const QString &key = {});

} // namespace board
