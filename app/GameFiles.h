#pragma once

#include "gamestate/Place.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class AppContext;

// What the Game Files window and the command line share: the state of every
// game file the mods changed in one install, and putting every original back.
namespace gamefiles {

// Everything of an install the mods of the variant may replace.
gamestate::Layout layoutOf(bool demo);

// The state of every changed file of the install at gameRoot.
QList<gamestate::FileStatus> look(AppContext &ctx, const QString &gameRoot, bool demo);

// One line for a player: "12 files modded, backups good".
QString summary(const QList<gamestate::FileStatus> &files);

struct RestoreReport {
    int restored = 0;    // files that held something else and hold their original now
    int kept = 0;        // changed since, and now the game's own
    QStringList left;    // changed since, not confirmed: left as they are
    QStringList damaged; // their backup is damaged or missing: never restored from
    QStringList held;    // left with those, as their board or element goes back whole
    QStringList failed;  // with the reason
    bool cancelled = false;
    // The message a player reads, and what it leaves out.
    QString text() const;
    QString details() const;
};

// Called before each unit with the files done so far, of all to do, and the
// file the unit starts with; false cancels before that unit.
using Progress = std::function<bool(int done, int total, const QString &file)>;

// Puts every original of the install back through the mods' own file
// operations, a unit at a time (the board to the game's own, each trick
// backup restored, the MotoX level off, each display element shown), so an
// interruption between units leaves no board or element half put back. A
// unit with a damaged or missing backup is left alone; so is one with files
// changed since the program wrote them, unless the player confirms them
// (asked through ctx.dialogs, all at once or file by file). The settings
// then say what the files hold, as the pages would have left them, and are
// saved.
// With files (game paths as look() gives them), only the units holding one
// of them, and only their settings.
RestoreReport restoreEverything(AppContext &ctx, const QString &gameRoot, bool demo,
                                const Progress &progress = {}, const QStringList &only = {});

// A game update accepted: each chosen file that changed since the program
// wrote it keeps what it holds as the game's own. Asks first; its old backup
// is deleted, the rest of its unit goes back to the game's own, and the
// settings follow, so nothing mods it again unasked.
RestoreReport keep(AppContext &ctx, const QString &gameRoot, bool demo, const QStringList &chosen);

} // namespace gamefiles
