#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the program changed in the game's files: the places where a mod puts
// a file of its own over a game file, with the game's original kept in a
// backup folder, and the state each such file is in.
namespace gamestate {

// The mods by the group a player sees them in, in this order.
enum class Mod { Board, Tricks, Level, Display };

enum class State {
    Original,     // the game file holds its original again
    Modded,       // it holds what the program put there
    ChangedSince, // it holds something else: a game update or another tool changed it
    BackupBad,    // the backup no longer holds the original: restoring from it would be wrong
};

// "board", "tricks", "level", "display": the record's and the command line's word.
QString modKey(Mod mod);
// "Board", "Tricks", "Level", "Display": the heading a player reads.
QString modTitle(Mod mod);
// "original", "modded", "changed since", "backup damaged or missing".
QString stateWord(State state);

// A game file a mod replaces and where its original is kept, as game paths
// below the game root ("Game\\data\\fonts\\smallfnt.dat").
struct Place {
    Mod mod;
    // Files put back together share it: a board's parts, a display
    // element's files, the MotoX scripts. A trick is a unit of its own.
    QString unit;
    QString game;
    QString backup;
    // In a replacement: the file put over the game file, as the mod's file
    // operation names it (a game path with the root, or a bare name in the
    // working folder). A restore names the backup.
    QString source = {};
    // Every file whose content the mod may put there, as game paths below
    // the root or bare names in the working folder: a file found holding one
    // of them is the mod's even when the record has forgotten it.
    QStringList modContents = {};
};

// A backup folder that mirrors a game folder: a file at any path below
// backupFolder backs up the file at the same path below gameFolder. Game
// paths below the game root, ending in a backslash.
struct Mirror {
    Mod mod;
    QString gameFolder;
    QString backupFolder;
};

// Everything of an install that mods may have replaced.
struct Layout {
    QList<Place> places;
    QList<Mirror> mirrors;
};

// Why game files are written: the player asked for it now, or the program
// puts a stored state back (at the start, on activation, on a tab).
enum class Intent { Player, Reapply };

// One changed game file as it is now. Paths are game paths below the game
// root, spelled as on disk.
struct FileStatus {
    Mod mod;
    QString unit;
    QString game;
    QString backup;
    State state;
};

} // namespace gamestate
