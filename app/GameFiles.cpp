#include "app/GameFiles.h"

#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/levels/MotoxMod.h"
#include "mods/tricks/TrickCopy.h"
#include "settings/AppContext.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace gamefiles {

using gamestate::FileStatus;
using gamestate::Mod;
using gamestate::State;

namespace {

constexpr display::Element elements[]
    = {display::Element::Balance, display::Element::Hud, display::Element::Font};

QString plural(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Asks about the files changed since the program wrote them: all at once,
// else one by one. The confirmed ones, by game path.
QSet<QString> confirm(platform::Dialogs &dialogs, const QList<FileStatus> &changed)
{
    QSet<QString> yes;
    const QString title = QStringLiteral("Restore Everything");
    const qsizetype n = changed.size();
    if (n > 1) {
        if (dialogs.question(QStringLiteral("%1 game files were changed since this program wrote "
                                            "them, by a game update or another tool. Restoring "
                                            "puts their originals back and undoes that change.\n\n"
                                            "Restore all %1 of them?")
                                 .arg(n),
                             title)) {
            for (const FileStatus &f : changed)
                yes.insert(f.game);
            return yes;
        }
        if (!dialogs.question(QStringLiteral("Decide for each of the %1 files? No leaves them all "
                                             "as they are.")
                                  .arg(n),
                              title))
            return yes;
    }
    for (const FileStatus &f : changed) {
        if (dialogs.question(QStringLiteral("%1 was changed since this program wrote it, by a game "
                                            "update or another tool. Restoring puts the original "
                                            "back and undoes that change.\n\nRestore it?")
                                 .arg(f.game),
                             title))
            yes.insert(f.game);
    }
    return yes;
}

// Puts one unit's originals back with its mod's own operation. A trick's
// backup folder and the folders above it are added to folders.
void restoreUnit(AppContext &ctx, const QString &root, bool demo, const QList<FileStatus> &unit,
                 std::optional<tricks::Roots> *trickRoots, QSet<QString> *folders)
{
    platform::FileSystem &fs = ctx.files;
    const FileStatus &first = unit.first();
    switch (first.mod) {
    case Mod::Board:
        board::swapBoard(fs, root, demo, QStringLiteral("default"));
        return;
    case Mod::Level:
        // Off, with both scripts put back whatever the mode was.
        levels::applyMotox(fs, root, false, true);
        return;
    case Mod::Display:
        for (const display::Element e : elements) {
            if (display::places(demo, e).first().unit == first.unit)
                display::setShown(fs, root, demo, e, true);
        }
        return;
    case Mod::Tricks: {
        // The unit is the trick's game path as the mod spells it.
        const QLatin1String anims(tricks::animsFolder);
        if (!first.unit.startsWith(anims))
            throw platform::FileError(QStringLiteral("restore"), first.game,
                                      QStringLiteral("it lies outside the animation folder"));
        const QString rel = QString(first.unit.mid(anims.size())).replace(u'\\', u'/');
        QString folder = rel.section(u'/', 0, -2);
        if (!*trickRoots)
            *trickRoots = tricks::rootsOf(fs, root);
        tricks::restoreTrick(fs, **trickRoots, folder, rel.section(u'/', -1));
        for (; !folder.isEmpty(); folder = folder.section(u'/', 0, -2))
            folders->insert(folder);
        return;
    }
    }
}

// After a unit failed part way: its files as the settings say they were, as
// the pages put them back after a failure, so no board or element is left
// half put back. The first failure is the one the player hears of.
void putBack(AppContext &ctx, const QString &root, bool demo, const FileStatus &first)
{
    const ModSettings &s = ctx.settings;
    // Recorded as the pages record their writes: what goes back in is the mod's.
    const auto recorded = [&](const QList<gamestate::Place> &writes, const auto &write) {
        gamestate::Change change(ctx.record, ctx.files, root, demo, writes, true);
        write();
        change.done();
    };
    try {
        switch (first.mod) {
        case Mod::Board: {
            const QString key = QLatin1String(
                board::catalogue[board::boardIndexOf(
                                     (demo ? s.demoBoard : s.fullBoard).toNumber(0))]
                    .key);
            recorded(board::places(root, demo, key),
                     [&] { board::swapBoard(ctx.files, root, demo, key); });
            return;
        }
        case Mod::Level: {
            const bool on = s.motoxEnabled.equals(1), skating = s.motoxMode.equals(1);
            recorded(levels::writes(root, on, skating),
                     [&] { levels::applyMotox(ctx.files, root, on, skating); });
            return;
        }
        case Mod::Display:
            for (const display::Element e : elements) {
                const display::ElementFiles &files = display::filesOf(e);
                const bool shown = !(s.*(demo ? files.demoField : files.fullField)).equals(0);
                if (display::places(demo, e).first().unit == first.unit)
                    recorded(display::writes(root, demo, e, shown),
                             [&] { display::setShown(ctx.files, root, demo, e, shown); });
            }
            return;
        case Mod::Tricks:
            // One replacing copy, then the backup deleted: nothing to put back.
            return;
        }
    } catch (const platform::FileError &) {
    }
}

// Emptied trick backup folders go, deepest first, as restore mode removes the
// one it empties; the backup root stays. Each is looked at once, after all
// restores: an empty folder left behind harms nothing.
void removeEmptied(AppContext &ctx, const QString &root, const QSet<QString> &folders)
{
    QStringList deepestFirst(folders.begin(), folders.end());
    std::sort(deepestFirst.begin(), deepestFirst.end(), [](const QString &a, const QString &b) {
        return a.count(u'/') != b.count(u'/') ? a.count(u'/') > b.count(u'/') : a < b;
    });
    for (const QString &folder : std::as_const(deepestFirst)) {
        try {
            if (tricks::backupFolderIsEmpty(ctx.files, root, folder))
                tricks::removeBackupFolder(ctx.files, root, folder);
        } catch (const platform::FileError &) {
        }
    }
}

QString unitKey(const FileStatus &f)
{
    return gamestate::modKey(f.mod) + u'/' + f.unit;
}

RestoreReport settingsNotSaved(RestoreReport report)
{
    report.failed << QStringLiteral("vertzmod.ini: the settings could not be saved");
    return report;
}

// The units that have settings, as "mod/unit".
QStringList settingUnits(bool demo)
{
    QStringList keys{QStringLiteral("board/board")};
    if (!demo)
        keys << QStringLiteral("level/motox");
    for (const display::Element e : elements)
        keys << QStringLiteral("display/") + display::places(demo, e).first().unit;
    return keys;
}

// The settings of a unit all original: the game's own board, the level off,
// the element shown. False for a unit without settings.
bool unmod(AppContext &ctx, bool demo, const QString &key)
{
    ModSettings &s = ctx.settings;
    if (key == QLatin1String("board/board")) {
        (demo ? s.demoBoard : s.fullBoard) = 0;
        return true;
    }
    if (key == QLatin1String("level/motox")) {
        s.motoxEnabled = 0;
        return true;
    }
    for (const display::Element e : elements) {
        const display::ElementFiles &files = display::filesOf(e);
        if (key == QStringLiteral("display/") + display::places(demo, e).first().unit) {
            s.*(demo ? files.demoField : files.fullField) = 1;
            return true;
        }
    }
    return false;
}

} // namespace

gamestate::Layout layoutOf(bool demo)
{
    gamestate::Layout layout;
    layout.places = board::places(QString(), demo);
    // The level exists in the full game only.
    if (!demo)
        layout.places += levels::places();
    for (const display::Element e : elements)
        layout.places += display::places(demo, e);
    layout.mirrors.append(tricks::backupMirror());
    return layout;
}

QList<FileStatus> look(AppContext &ctx, const QString &gameRoot, bool demo)
{
    return ctx.record.look(ctx.files, gameRoot, demo, layoutOf(demo));
}

QString summary(const QList<FileStatus> &files)
{
    if (files.isEmpty())
        return QStringLiteral("No game file changed");
    int count[4] = {};
    for (const FileStatus &f : files)
        ++count[int(f.state)];
    QStringList parts;
    if (count[int(State::Modded)] > 0)
        parts << plural(count[int(State::Modded)], "file modded", "files modded");
    if (count[int(State::ChangedSince)] > 0)
        parts << QStringLiteral("%1 changed since").arg(count[int(State::ChangedSince)]);
    if (parts.isEmpty() && count[int(State::BackupBad)] == 0)
        parts << QStringLiteral("Every file original");
    const int bad = count[int(State::BackupBad)];
    parts << (bad == 0 ? QStringLiteral("backups good")
                       : plural(bad, "backup damaged or missing", "backups damaged or missing"));
    QString line = parts.join(QStringLiteral(", "));
    line[0] = line[0].toUpper();
    return line;
}

QString RestoreReport::text() const
{
    if (!failed.isEmpty())
        return QStringLiteral("Error! Not every file could be restored.");
    QString done = restored == 0
                       ? QStringLiteral("Nothing was restored.")
                       : QStringLiteral("%1 restored.").arg(plural(restored, "file", "files"));
    if (kept > 0)
        done = QStringLiteral("%1 kept as the game's own. ").arg(plural(kept, "file", "files"))
               + done;
    return cancelled
               ? QStringLiteral("Restore Everything was cancelled; every file is whole. ") + done
               : done;
}

QString RestoreReport::details() const
{
    QStringList out;
    const auto list = [&out](const QStringList &files, const QString &heading) {
        if (!files.isEmpty())
            out << heading + u'\n' + files.join(u'\n');
    };
    list(failed, QStringLiteral("Could not be restored:"));
    list(damaged, QStringLiteral("Not restored, as the backup is damaged or missing:"));
    list(left, QStringLiteral("Left as they are, changed since this program wrote them:"));
    list(held, QStringLiteral("Left with them, as a board, a display element or the MotoX level "
                              "goes back whole:"));
    return out.join(QStringLiteral("\n\n"));
}

RestoreReport restoreEverything(AppContext &ctx, const QString &gameRoot, bool demo,
                                const Progress &progress, const QStringList &only)
{
    RestoreReport report;
    if (ctx.record.mayWrite && !ctx.record.mayWrite(gameRoot)) {
        report.failed << QStringLiteral("Another copy of the program works on the install in %1: "
                                        "nothing was restored.")
                             .arg(gameRoot);
        return report;
    }
    // Units in the order of the list: board, tricks, level, display.
    QList<QList<FileStatus>> units;
    QStringList keys; // "mod/unit" of each
    QHash<QString, qsizetype> unitAt;
    const QList<FileStatus> files = look(ctx, gameRoot, demo);
    const QSet<QString> onlyFiles(only.begin(), only.end());
    QSet<QString> chosen;
    for (const FileStatus &f : files) {
        if (onlyFiles.contains(f.game))
            chosen << unitKey(f);
    }
    for (const FileStatus &f : files) {
        const QString key = unitKey(f);
        if (!only.isEmpty() && !chosen.contains(key))
            continue;
        if (const auto at = unitAt.constFind(key); at != unitAt.constEnd()) {
            units[*at].append(f);
        } else {
            unitAt.insert(key, units.size());
            units.append({f});
            keys.append(key);
        }
    }
    QList<FileStatus> changed;
    // Nothing is asked of a unit that cannot be restored anyway.
    for (const auto &unit : std::as_const(units)) {
        if (std::none_of(unit.begin(), unit.end(),
                         [](const FileStatus &f) { return f.state == State::BackupBad; })) {
            for (const FileStatus &f : unit) {
                if (f.state == State::ChangedSince)
                    changed.append(f);
            }
        }
    }
    const QSet<QString> confirmed = confirm(ctx.dialogs, changed);

    int total = 0, done = 0;
    // Tricks have none: a thousand of them need not each look.
    const QStringList withSettings = settingUnits(demo);
    QSet<QString> trickFolders;
    std::optional<tricks::Roots> trickRoots;
    bool settingsFailed = false;
    for (const auto &unit : std::as_const(units))
        total += int(unit.size());
    for (qsizetype u = 0; u < units.size(); ++u) {
        const QList<FileStatus> &unit = units[u];
        QStringList bad, declined, others;
        for (const FileStatus &f : unit) {
            if (f.state == State::BackupBad)
                bad << f.game;
            else if (f.state == State::ChangedSince && !confirmed.contains(f.game))
                declined << f.game;
            else if (f.state != State::Original)
                others << f.game;
        }
        if (!bad.isEmpty() || !declined.isEmpty()) {
            report.damaged += bad;
            report.left += declined;
            report.held += others;
            done += int(unit.size());
            continue;
        }
        if (progress && !progress(done, total, unit.first().game)) {
            report.cancelled = true;
            break;
        }
        try {
            restoreUnit(ctx, gameRoot, demo, unit, &trickRoots, &trickFolders);
        } catch (const platform::FileError &e) {
            report.failed << unit.first().game + QStringLiteral(": ") + e.explain();
            putBack(ctx, gameRoot, demo, unit.first());
            done += int(unit.size());
            continue;
        }
        for (const FileStatus &f : unit)
            ctx.record.restored(ctx.files, gameRoot, demo, f);
        // Saved after its files, as the pages save a return to the game's
        // own: a run killed before leaves a state the next start applies.
        if (withSettings.contains(keys[u])) {
            const ModSettings before = ctx.settings;
            if (unmod(ctx, demo, keys[u]) && !ctx.saveSettings()) {
                // Settings that still say modded would mod it again at the
                // next start: it goes back as they say, and the rest waits
                // for a working folder that can be written.
                ctx.settings = before;
                putBack(ctx, gameRoot, demo, unit.first());
                report.failed << unit.first().game
                                     + QStringLiteral(": put back as it was, as the settings "
                                                      "could not be saved");
                settingsFailed = true;
                break;
            }
        }
        for (const FileStatus &f : unit)
            report.restored += f.state != State::Original;
        done += int(unit.size());
    }
    removeEmptied(ctx, gameRoot, trickFolders);
    ctx.record.commit();
    if (progress)
        progress(total, total, QString());
    // Each unit's settings went with it.
    if (settingsFailed || !only.isEmpty())
        return report;
    // What never changed is unmodded too.
    for (const QString &key : withSettings) {
        if (!unitAt.contains(key))
            unmod(ctx, demo, key);
    }
    return ctx.saveSettings() ? report : settingsNotSaved(report);
}

RestoreReport keep(AppContext &ctx, const QString &gameRoot, bool demo, const QStringList &chosen)
{
    RestoreReport report;
    const QList<FileStatus> files = look(ctx, gameRoot, demo);
    const QSet<QString> chosenFiles(chosen.begin(), chosen.end());
    QSet<QString> units;
    for (const FileStatus &f : files) {
        if (chosenFiles.contains(f.game) && f.state == State::ChangedSince)
            units << unitKey(f);
    }
    // Every changed file of those units: the rest of a unit goes back to the
    // game's own, which must not undo another change unasked.
    QList<FileStatus> kept;
    QStringList rest;
    for (const FileStatus &f : files) {
        if (!units.contains(unitKey(f)))
            continue;
        if (f.state == State::ChangedSince)
            kept << f;
        else
            rest << f.game;
    }
    if (kept.isEmpty())
        return report;
    QStringList names;
    for (const FileStatus &f : std::as_const(kept))
        names << f.game;
    const QString andUnit = QStringLiteral(" The rest of a board, a display element or the MotoX "
                                           "level goes back to the game's own.");
    const QString what
        = names.size() == 1
              ? QStringLiteral("Keep what %1 holds now as the game's own?\n\nIts old backup is "
                               "deleted, and Restore Everything no longer changes the file.")
                    .arg(names.first())
              : QStringLiteral("Keep what these files hold now as the game's own?\n%1\n\nTheir "
                               "old backups are deleted, and Restore Everything no longer changes "
                               "these files.")
                    .arg(names.join(u'\n'));
    if (!ctx.dialogs.question(what + andUnit, QStringLiteral("Game Files"))) {
        report.cancelled = true;
        return report;
    }
    for (const FileStatus &f : std::as_const(kept)) {
        try {
            ctx.files.deleteFile(gameRoot + f.backup);
        } catch (const platform::FileError &e) {
            report.failed << f.game + QStringLiteral(": ") + e.explain();
            continue;
        }
        ctx.record.restored(ctx.files, gameRoot, demo, f);
        ++report.kept;
    }
    if (!rest.isEmpty()) {
        const RestoreReport back = restoreEverything(ctx, gameRoot, demo, {}, rest);
        report.restored = back.restored;
        report.failed += back.failed;
        report.damaged += back.damaged;
        report.left += back.left;
        report.held += back.held;
    }
    // Units kept whole have no file left to restore: their settings follow here.
    if (report.failed.isEmpty()) {
        for (const QString &key : settingUnits(demo)) {
            if (units.contains(key))
                unmod(ctx, demo, key);
        }
    }
    ctx.record.commit();
    return ctx.saveSettings() ? report : settingsNotSaved(report);
}

} // namespace gamefiles
