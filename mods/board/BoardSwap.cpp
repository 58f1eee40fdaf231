#include "mods/board/BoardSwap.h"

#include "mods/board/BoardCatalogue.h"
#include "platform/FileSystem.h"

namespace board {

namespace {

const QString backupFolder = QStringLiteral("boardbakup\\");
const QString stagingFolder = QStringLiteral("temp\\");
const QString defaultKey = QStringLiteral("default");

// Saves each of the game's own board files that has no backup yet. A first
// swap cut short while backing up left some out; they are still the game's
// own, since nothing is swapped before all five are saved.
void backUp(platform::FileSystem &fs, const QString &models, bool demo)
{
    if (!fs.folderExists(models + backupFolder))
        fs.makeFolder(models + backupFolder);
    for (const QString &part : boardParts()) {
        const QString name = boardFileName(defaultKey, part, demo);
        if (!fs.fileExists(models + backupFolder + name))
            fs.copyFile(models + name, models + backupFolder + name);
    }
}

void removeStaging(platform::FileSystem &fs, const QString &models)
{
    fs.deleteFiles(models + stagingFolder + QStringLiteral("*.*"));
    fs.removeFolder(models + stagingFolder);
}

void putAlternative(platform::FileSystem &fs, const QString &models, bool demo, const QString &key)
{
    // A staging folder left by a crash is only leftovers: empty it and go on.
    if (fs.folderExists(models + stagingFolder))
        fs.deleteFiles(models + stagingFolder + QStringLiteral("*.*"));
    else
        fs.makeFolder(models + stagingFolder);
    try {
        const QStringList parts = boardParts();
        for (const QString &part : parts) {
            const QString name = boardFileName(key, part, demo);
            fs.copyFile(models + name, models + stagingFolder + name);
        }
        for (const QString &part : parts) {
            fs.copyFile(models + stagingFolder + boardFileName(key, part, demo),
                        models + boardFileName(defaultKey, part, demo));
        }
        removeStaging(fs, models);
    } catch (const platform::FileError &) {
        try {
            removeStaging(fs, models);
        } catch (const platform::FileError &) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
}

} // namespace

void swapBoard(platform::FileSystem &fs, const QString &gameRoot, bool demo, const QString &key)
{
    const QString models = gameRoot + QLatin1String(modelsFolder);
    backUp(fs, models, demo);
    if (key == defaultKey) {
        for (const QString &part : boardParts()) {
            const QString name = boardFileName(defaultKey, part, demo);
            fs.copyFile(models + backupFolder + name, models + name);
        }
        return;
    }
    putAlternative(fs, models, demo, key);
}

} // namespace board
