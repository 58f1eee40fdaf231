#include "mods/levels/MotoxMod.h"

#include "platform/FileSystem.h"

namespace levels {

namespace {
const QString menuFolder = QStringLiteral("Game\\data\\scripts\\");
const QString menuBackup = QStringLiteral("Game\\data\\scripts\\scriptsbackup");
const QString levelFolder = QStringLiteral("Game\\data\\levels\\Motox\\");
const QString levelBackup = QStringLiteral("Game\\data\\levels\\Motox\\motoxbackup");
const QString menuScript = QStringLiteral("gamemenu.qb");
const QString levelScript = QStringLiteral("Motox_Scripts.qb");

void backUp(platform::FileSystem &fs, const QString &folder, const QString &backup,
            const QString &name)
{
    fs.makeOwnFolder(backup);
    const QString copy = backup + QLatin1Char('\\') + name;
    if (!fs.fileExists(copy))
        fs.copyFile(folder + name, copy);
}
} // namespace

QList<gamestate::Place> places(const QString &gameRoot, bool skating)
{
    const QString unit = QStringLiteral("motox");
    const QString levelSaved = levelBackup + QLatin1Char('\\') + levelScript;
    const bool on = !gameRoot.isEmpty();
    return {{gamestate::Mod::Level,
             unit,
             menuFolder + menuScript,
             menuBackup + QLatin1Char('\\') + menuScript,
             on ? menuScript : QString(),
             {menuScript}},
            {gamestate::Mod::Level,
             unit,
             levelFolder + levelScript,
             levelSaved,
             !on       ? QString()
             : skating ? levelScript
                       : gameRoot + levelSaved,
             {levelScript}}};
}

QList<gamestate::Place> writes(const QString &gameRoot, bool on, bool skating)
{
    if (on)
        return places(gameRoot, skating);
    QList<gamestate::Place> list = places();
    // Off puts the menu back, and the level script where skating replaced it.
    if (!skating)
        list.removeLast();
    for (gamestate::Place &p : list)
        p.source = gameRoot + p.backup;
    return list;
}

void applyMotox(platform::FileSystem &fs, const QString &gameRoot, bool on, bool skating)
{
    const QString menu = gameRoot + menuFolder;
    const QString level = gameRoot + levelFolder;
    backUp(fs, menu, gameRoot + menuBackup, menuScript);
    backUp(fs, level, gameRoot + levelBackup, levelScript);

    const QString levelFromBackup = gameRoot + levelBackup + QLatin1Char('\\') + levelScript;
    if (on) {
        fs.copyFile(menuScript, menu + menuScript);
        fs.copyFile(skating ? levelScript : levelFromBackup, level + levelScript);
        return;
    }
    fs.copyFile(gameRoot + menuBackup + QLatin1Char('\\') + menuScript, menu + menuScript);
    if (skating)
        fs.copyFile(levelFromBackup, level + levelScript);
}

} // namespace levels
