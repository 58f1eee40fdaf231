#include "mods/board/BoardSwap.h"

#include "mods/board/BoardCatalogue.h"
#include "platform/FileSystem.h"
#include "platform/FolderReading.h"

#include <utility>

namespace board {

namespace {

const QString backupFolder = QStringLiteral("boardbakup\\");
const QString defaultKey = QStringLiteral("default");

// Saves each of the game's own board files that has no backup yet. A first
// swap cut short while backing up left some out; they are still the game's
// own, since nothing is swapped before all five are saved.
void backUp(platform::FileSystem &fs, const QString &models, bool demo)
{
    // Never a link: backups written through it would land outside the game.
    fs.makeOwnFolder(models + backupFolder);
    QList<std::pair<QString, QString>> copies;
    for (const QString &part : boardParts()) {
        const QString name = boardFileName(defaultKey, part, demo);
        if (!fs.fileExists(models + backupFolder + name))
            copies.append({models + name, models + backupFolder + name});
    }
    fs.copyFiles(copies);
}

// A "temp\" folder beside the board files is what older versions left of
// staging a new board there. The copies into the game are atomic and stage
// nothing: it goes if it can, and is never followed if it is a link. Looked
// for only as they spelt it: finding another spelling on Linux would read
// the whole models folder at every start, for a folder none of them made.
void removeOldStaging(platform::FileSystem &fs, const QString &models)
{
    if (platform::entryKind(fs.nativePath(models) + QStringLiteral("/temp"))
        != platform::EntryKind::Folder)
        return;
    const QString staging = models + QStringLiteral("temp\\");
    try {
        fs.deleteFilesIn(staging);
        fs.removeFolder(staging);
    } catch (const platform::FileError &) {
        // It stands in the way of nothing.
    }
}

} // namespace

QList<gamestate::Place> places(const QString &gameRoot, bool demo, const QString &key)
{
    const QString models = QLatin1String(modelsFolder);
    QList<gamestate::Place> list;
    for (const QString &part : boardParts()) {
        const QString name = boardFileName(defaultKey, part, demo);
        const QString from
            = key == defaultKey ? backupFolder + name : boardFileName(key, part, demo);
        QStringList boards;
        for (qsizetype b = 1; b < qsizetype(catalogue.size()); ++b)
            boards << models + boardFileName(QLatin1String(catalogue[b].key), part, demo);
        list.append({gamestate::Mod::Board, QStringLiteral("board"), models + name,
                     models + backupFolder + name,
                     key.isEmpty() ? QString() : gameRoot + models + from, boards});
    }
    return list;
}

void swapBoard(platform::FileSystem &fs, const QString &gameRoot, bool demo, const QString &key)
{
    const QString models = gameRoot + QLatin1String(modelsFolder);
    backUp(fs, models, demo);
    removeOldStaging(fs, models);
    // Every part of the new board is opened, written and synced before the
    // first goes in: a missing or unreadable part, or a full disk, leaves the
    // game's board whole.
    QList<std::pair<QString, QString>> copies;
    for (const QString &part : boardParts()) {
        const QString name = boardFileName(defaultKey, part, demo);
        copies.append(
            {models + (key == defaultKey ? backupFolder + name : boardFileName(key, part, demo)),
             models + name});
    }
    fs.copyFiles(copies);
}

} // namespace board
