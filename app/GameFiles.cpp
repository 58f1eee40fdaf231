#include "app/GameFiles.h"

#include "context/AppContext.h"
#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/levels/MotoxMod.h"
#include "mods/tricks/TrickCopy.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

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

// One unit of a mod as Restore Everything and Keep handle it (a board, a
// trick, the MotoX level, a display element): the mod's own operations on it.
struct Unit {
    // Its originals back.
    std::function<void()> restore;
    // After it failed part way: its files as the settings say, recorded as
    // the pages record their writes, so none is left half put back.
    std::function<void()> putBack;
    // Its settings say "the game's own"; none for a trick.
    std::function<void()> unmod;
};

using UnitKey = std::pair<int, QString>; // mod, unit as the record names it

UnitKey keyOf(const FileStatus &f)
{
    return {int(f.mod), f.unit};
}

UnitKey keyOf(const QList<gamestate::Place> &places)
{
    return {int(places.first().mod), places.first().unit};
}

// The units whose state the settings hold, for the variant. They work on
// ctx, which outlives them.
QHash<UnitKey, Unit> settingUnits(AppContext &ctx, const QString &root, bool demo)
{
    AppContext *const c = &ctx;
    // What goes back in is the mod's: recorded as the pages record it.
    const auto recorded = [c, root, demo](const QList<gamestate::Place> &writes,
                                          const std::function<void()> &write) {
        gamestate::Change change(c->record, c->files, root, demo, writes, true);
        write();
        change.done();
    };
    QHash<UnitKey, Unit> units;
    units.insert(
        keyOf(board::places(root, demo)),
        {[c, root, demo] { board::swapBoard(c->files, root, demo, QStringLiteral("default")); },
         [c, root, demo, recorded] {
             const ModSettings &s = c->settings;
             const QString key = QLatin1String(
                 board::catalogue[board::boardIndexOf(
                                      (demo ? s.demoBoard : s.fullBoard).toNumber(0))]
                     .key);
             recorded(board::places(root, demo, key),
                      [&] { board::swapBoard(c->files, root, demo, key); });
         },
         [c, demo] { (demo ? c->settings.demoBoard : c->settings.fullBoard) = 0; }});
    // The level exists in the full game only.
    if (!demo)
        units.insert(keyOf(levels::places()),
                     // Off, with both scripts put back whatever the mode was.
                     {[c, root] { levels::applyMotox(c->files, root, false, true); },
                      [c, root, recorded] {
                          const bool on = c->settings.motoxEnabled.equals(1),
                                     skating = c->settings.motoxMode.equals(1);
                          recorded(levels::writes(root, on, skating),
                                   [&] { levels::applyMotox(c->files, root, on, skating); });
                      },
                      [c] { c->settings.motoxEnabled = 0; }});
    for (const display::Element e : elements) {
        SettingValue ModSettings::*const field
            = demo ? display::filesOf(e).demoField : display::filesOf(e).fullField;
        units.insert(keyOf(display::places(demo, e)),
                     {[c, root, demo, e] { display::setShown(c->files, root, demo, e, true); },
                      [c, root, demo, e, field, recorded] {
                          const bool shown = !(c->settings.*field).equals(0);
                          recorded(display::writes(root, demo, e, shown),
                                   [&] { display::setShown(c->files, root, demo, e, shown); });
                      },
                      [c, field] { c->settings.*field = 1; }});
    }
    return units;
}

// A trick: its unit is its game path as the mod spells it. Its backup
// folder and the folders above it are added to folders. One replacing copy,
// then the backup deleted: nothing to put back.
Unit trickUnit(platform::FileSystem *fs, const QString &root, const FileStatus &trick,
               std::optional<tricks::Roots> *roots, QSet<QString> *folders)
{
    return {[fs, root, trick, roots, folders] {
                const QLatin1String anims(tricks::animsFolder);
                if (!trick.unit.startsWith(anims))
                    throw platform::FileError(QStringLiteral("restore"), trick.game,
                                              QStringLiteral("it lies outside the animation "
                                                             "folder"));
                const QString rel = QString(trick.unit.mid(anims.size())).replace(u'\\', u'/');
                QString folder = rel.section(u'/', 0, -2);
                if (!*roots)
                    *roots = tricks::rootsOf(*fs, root);
                tricks::restoreTrick(*fs, **roots, folder, rel.section(u'/', -1));
                for (; !folder.isEmpty(); folder = folder.section(u'/', 0, -2))
                    folders->insert(folder);
            },
            {},
            {}};
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

RestoreReport settingsNotSaved(RestoreReport report)
{
    report.failed << QStringLiteral("vertzmod.ini: the settings could not be saved");
    return report;
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
    QHash<UnitKey, qsizetype> unitAt;
    const QList<FileStatus> files = look(ctx, gameRoot, demo);
    const QSet<QString> onlyFiles(only.begin(), only.end());
    QSet<UnitKey> chosen;
    for (const FileStatus &f : files) {
        if (onlyFiles.contains(f.game))
            chosen << keyOf(f);
    }
    int total = 0, done = 0;
    for (const FileStatus &f : files) {
        const UnitKey key = keyOf(f);
        if (!only.isEmpty() && !chosen.contains(key))
            continue;
        ++total;
        if (const auto at = unitAt.constFind(key); at != unitAt.constEnd()) {
            units[*at].append(f);
        } else {
            unitAt.insert(key, units.size());
            units.append({f});
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

    const QHash<UnitKey, Unit> withSettings = settingUnits(ctx, gameRoot, demo);
    QSet<QString> trickFolders;
    std::optional<tricks::Roots> trickRoots;
    bool settingsFailed = false;
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
        const auto found = withSettings.constFind(keyOf(unit.first()));
        const Unit mod
            = found != withSettings.cend()
                  ? *found
                  : trickUnit(&ctx.files, gameRoot, unit.first(), &trickRoots, &trickFolders);
        const auto putBack = [&] {
            try {
                if (mod.putBack)
                    mod.putBack();
            } catch (const platform::FileError &) {
                // The first failure is the one the player hears of.
            }
        };
        try {
            mod.restore();
        } catch (const platform::FileError &e) {
            report.failed << unit.first().game + QStringLiteral(": ") + e.explain();
            putBack();
            done += int(unit.size());
            continue;
        }
        for (const FileStatus &f : unit)
            ctx.record.restored(ctx.files, gameRoot, demo, f);
        // Saved after its files, as the pages save a return to the game's
        // own: a run killed before leaves a state the next start applies.
        if (mod.unmod) {
            const ModSettings before = ctx.settings;
            mod.unmod();
            if (!ctx.saveSettings()) {
                // Settings that still say modded would mod it again at the
                // next start: it goes back as they say, and the rest waits
                // for a working folder that can be written.
                ctx.settings = before;
                putBack();
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
    for (auto u = withSettings.cbegin(); u != withSettings.cend(); ++u) {
        if (!unitAt.contains(u.key()))
            u->unmod();
    }
    return ctx.saveSettings() ? report : settingsNotSaved(report);
}

RestoreReport keep(AppContext &ctx, const QString &gameRoot, bool demo, const QStringList &chosen)
{
    RestoreReport report;
    const QList<FileStatus> files = look(ctx, gameRoot, demo);
    const QSet<QString> chosenFiles(chosen.begin(), chosen.end());
    QSet<UnitKey> units;
    for (const FileStatus &f : files) {
        if (chosenFiles.contains(f.game) && f.state == State::ChangedSince)
            units << keyOf(f);
    }
    // Every changed file of those units: the rest of a unit goes back to the
    // game's own, which must not undo another change unasked.
    QList<FileStatus> kept;
    QStringList names, rest;
    for (const FileStatus &f : files) {
        if (!units.contains(keyOf(f)))
            continue;
        if (f.state == State::ChangedSince) {
            kept << f;
            names << f.game;
        } else {
            rest << f.game;
        }
    }
    if (kept.isEmpty())
        return report;
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
        const QHash<UnitKey, Unit> withSettings = settingUnits(ctx, gameRoot, demo);
        for (auto u = withSettings.cbegin(); u != withSettings.cend(); ++u) {
            if (units.contains(u.key()))
                u->unmod();
        }
    }
    ctx.record.commit();
    return ctx.saveSettings() ? report : settingsNotSaved(report);
}

} // namespace gamefiles
