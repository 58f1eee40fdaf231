#include "mods/display/DisplayMods.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace display {

namespace {

const ElementFiles elements[] = {
    {"Game\\data\\images\\PanelSprites", "Game\\data\\images\\PanelSprites\\panelspritesbackup",
     "blank.dat", "img.dat", ".img.xbx", false,
     QStringList{QStringLiteral("balancemeter"), QStringLiteral("balancearrow_glow")},
     &ModSettings::fullBalanceShown, &ModSettings::demoBalanceShown},
    {"Game\\data\\images\\PanelSprites", "Game\\data\\images\\PanelSprites\\panelspritesbackup",
     "blank.dat", "img.dat", ".img.xbx", false,
     QStringList{QStringLiteral("score_small"), QStringLiteral("specialbar_end"),
                 QStringLiteral("special"), QStringLiteral("fakie_icon"),
                 QStringLiteral("nollie_icon"), QStringLiteral("mini_score_HUD"),
                 QStringLiteral("switch_icon"), QStringLiteral("specialbar")},
     &ModSettings::fullHudShown, &ModSettings::demoHudShown},
    {"Game\\data\\fonts", "Game\\data\\fonts\\fontbackup", "blankfont.dat", "fnt.dat", ".fnt.xbx",
     true, QStringList{QStringLiteral("newtrickfont"), QStringLiteral("small")},
     &ModSettings::fullFontShown, &ModSettings::demoFontShown},
};

} // namespace

const ElementFiles &filesOf(Element e)
{
    return elements[static_cast<int>(e)];
}

QStringList fileNames(Element e, bool demo)
{
    const ElementFiles &s = filesOf(e);
    QStringList names;
    for (const QString &base : s.baseNames)
        names << base + QLatin1String(demo ? s.demoSuffix : s.fullSuffix);
    return names;
}

QList<gamestate::Place> places(bool demo, Element e, const QString &source)
{
    const char *const units[] = {"balance", "hud", "font"};
    const ElementFiles &s = filesOf(e);
    QList<gamestate::Place> list;
    for (const QString &name : fileNames(e, demo))
        list.append({gamestate::Mod::Display,
                     QLatin1String(units[int(e)]),
                     QLatin1String(s.folder) + u'\\' + name,
                     QLatin1String(s.backupFolder) + u'\\' + name,
                     source,
                     {QLatin1String(s.blankFile)}});
    return list;
}

QList<gamestate::Place> writes(const QString &gameRoot, bool demo, Element e, bool shown)
{
    QList<gamestate::Place> list = places(demo, e, QLatin1String(filesOf(e).blankFile));
    if (shown) {
        for (gamestate::Place &p : list)
            p.source = gameRoot + p.backup;
    }
    return list;
}

void setShown(platform::FileSystem &fs, const QString &gameRoot, bool demo, Element e, bool shown)
{
    const ElementFiles &s = filesOf(e);
    const QString folder = gameRoot + QLatin1String(s.folder) + QLatin1Char('\\');
    const QString backup = gameRoot + QLatin1String(s.backupFolder) + QLatin1Char('\\');
    const QStringList names = fileNames(e, demo);

    fs.makeOwnFolder(backup);
    QList<std::pair<QString, QString>> backups, copies;
    for (const QString &name : names) {
        if (!fs.fileExists(backup + name))
            backups.append({folder + name, backup + name});
        copies.append({shown ? backup + name : QLatin1String(s.blankFile), folder + name});
    }
    // Each set goes in whole or not at all, the backups before any image.
    fs.copyFiles(backups);
    fs.copyFiles(copies);
    if (!shown)
        return;
    // Only the backups made here go (a link loses itself, not its target):
    // the other variant's and whatever the player keeps there stay.
    for (const QString &name : names)
        fs.deleteFile(backup + name);
    if (s.ownsBackupFolder) {
        const QStringList others = fileNames(e, !demo);
        if (std::none_of(others.begin(), others.end(),
                         [&](const QString &name) { return fs.fileExists(backup + name); })) {
            // A folder still holding the player's files is theirs to keep.
            try {
                fs.removeFolder(backup);
            } catch (const platform::FileError &error) {
                if (error.code() != std::errc::directory_not_empty)
                    throw;
            }
        }
    }
}

} // namespace display
