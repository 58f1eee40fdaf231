#include "mods/tricks/TrickCopy.h"

#include "platform/FileSystem.h"
#include "platform/FolderReading.h"
#include "platform/Temporaries.h"

#include <QStringList>

namespace tricks {

namespace {

using platform::FileError;

// The file system with the game folder `to` mirroring `from`, as the backup
// tree mirrors the tricks: below `to`, a part not spelt so takes another
// spelling only where its counterpart below `from` has no name matching it
// too. Of two tricks whose names differ only in case, each so keeps a backup
// of its own.
platform::FileSystem mirroring(const platform::FileSystem &fs, const QString &from,
                               const QString &to)
{
    const platform::FileSystem plain = fs.keepingSpelling({});
    const auto folder = [](const QString &path) {
        return path.endsWith(u'/') || path.endsWith(u'\\') ? path : path + u'\\';
    };
    return fs.keepingSpelling(
        [plain, from = folder(from), to = folder(to)](const QString &, QStringView gamePath) {
            if (gamePath.size() <= to.size() || !gamePath.startsWith(to))
                return false;
            platform::EntryKind kind;
            plain.nativePath(from + gamePath.mid(to.size()).toString(), &kind);
            return kind != platform::EntryKind::Missing;
        });
}

QString trickRoot(const QString &gameRoot)
{
    return gameRoot + QLatin1String(animsFolder);
}

QString backupRoot(const QString &gameRoot)
{
    return trickRoot(gameRoot) + QLatin1String(backupFolder);
}

// Game paths take a backslash as a separator, so a name holding one (possible
// outside Windows) would lead to another file: such names are refused.
void requireGameName(const QString &name, const QString &where)
{
    if (name.contains(u'\\'))
        throw FileError(QStringLiteral("use"), where + name,
                        QStringLiteral("a backslash in a name would separate folders in the "
                                       "game's paths; rename it to use it"));
}

// The game path of a relative folder, ending in a backslash unless empty.
QString gameFolder(const QString &root, const QString &folder)
{
    QString path;
    const QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        requireGameName(part, root + path);
        path += part + u'\\';
    }
    return path;
}

void requireSelected(const QString &name, const QString &folderPath, const char *list)
{
    if (name.isEmpty())
        throw FileError(QStringLiteral("copy from %1").arg(QLatin1String(list)), folderPath,
                        QStringLiteral("no file is selected"));
}

// The program's backups are never copied over, nor from: a copy there would
// take the place of the game's only saved file.
void requireOutsideBackups(platform::FileSystem &fs, const QString &trick, const QString &folder,
                           const QString &name, const QString &op)
{
    const QString top = folder.section(u'\\', 0, 0);
    if (!top.isEmpty() && fs.sameEntry(trick + top, trick + QLatin1String(backupFolder)))
        throw FileError(op, fs.nativePath(trick + folder + name),
                        QStringLiteral("it lies in the program's backup folder, which keeps the "
                                       "game's own files; restore mode puts them back"));
}

// A folder in a file's place is named as such, not as a missing file.
void requireFile(platform::FileSystem &fs, const QString &op, const QString &path)
{
    if (!fs.fileExists(path))
        throw FileError(op, fs.nativePath(path),
                        std::make_error_code(fs.folderExists(path)
                                                 ? std::errc::is_a_directory
                                                 : std::errc::no_such_file_or_directory));
}

// The backup root and each folder below it down to folder, made where
// missing; those made are listed in made, deepest first. A link or a special file where
// the program keeps its own backups is refused: writing there would change
// something outside the install.
void ensureBackupFolders(platform::FileSystem &fs, const QString &backups, const QString &rel,
                         bool create, QStringList *made = nullptr, QSet<QString> *checked = nullptr)
{
    QString path = backups;
    const QStringList parts = rel.split(u'\\', Qt::SkipEmptyParts);
    for (qsizetype i = -1; i < parts.size(); ++i) {
        if (i >= 0)
            path += parts[i] + u'\\';
        if (checked && checked->contains(path))
            continue;
        platform::EntryKind kind;
        const QString native = fs.nativePath(path, &kind);
        switch (kind) {
        case platform::EntryKind::Folder:
            if (checked)
                checked->insert(path);
            break;
        case platform::EntryKind::Missing:
            if (!create)
                throw FileError(QStringLiteral("open backup folder"), native,
                                std::make_error_code(std::errc::no_such_file_or_directory));
            fs.makeFolder(path);
            if (made)
                made->prepend(path);
            break;
        default:
            throw FileError(QStringLiteral("use backup folder"), native,
                            QStringLiteral("it is a link or a special file, not a folder of "
                                           "the program's own"));
        }
    }
}

} // namespace

Roots rootsOf(platform::FileSystem &fs, const QString &gameRoot)
{
    // Native, for paths below them: each then costs one look-up, not one per
    // folder on the way, as long as it exists as spelt.
    return {gameRoot,
            fs.nativePath(trickRoot(gameRoot)) + u'/',
            fs.nativePath(backupRoot(gameRoot)) + u'/',
            {}};
}

void copyTrick(platform::FileSystem &game, const QString &gameRoot, const QString &sourceFolder,
               const QString &sourceName, const QString &targetFolder, const QString &targetName)
{
    const QString s = gameFolder(trickRoot(gameRoot), sourceFolder);
    const QString g = gameFolder(trickRoot(gameRoot), targetFolder);
    const Roots roots = rootsOf(game, gameRoot);
    const QString &trick = roots.trick;
    const QString &backups = roots.backups;
    // Of two tricks whose names differ only in case, each has its own backup.
    platform::FileSystem fs = mirroring(game, trick, backups);
    requireSelected(sourceName, fs.nativePath(trick + s), "the upper list");
    requireSelected(targetName, fs.nativePath(trick + g), "the lower list");
    requireGameName(sourceName, trickRoot(gameRoot) + s);
    requireGameName(targetName, trickRoot(gameRoot) + g);
    requireOutsideBackups(fs, trick, s, sourceName, QStringLiteral("copy"));
    requireOutsideBackups(fs, trick, g, targetName, QStringLiteral("copy over"));

    const QString source = trick + s + sourceName;
    const QString target = trick + g + targetName;
    const QString backup = backups + g + targetName;
    requireFile(fs, QStringLiteral("copy"), source);
    // A backup already there is the game's own file: the destination was
    // replaced before, and its backup is never overwritten.
    const bool backedUp = fs.fileExists(backup);
    if (!backedUp)
        requireFile(fs, QStringLiteral("copy over"), target);
    QStringList made;
    try {
        ensureBackupFolders(fs, backups, g, true, &made);
        if (!backedUp)
            fs.copyFile(target, backup);
        // One replacing copy: a failure leaves the destination as it was.
        fs.copyFile(source, target);
    } catch (const FileError &) {
        // Empty backup folders of a copy that never happened would show in
        // restore mode. Only those made here go, deepest first; removeFolder
        // refuses a link, and anything put there since keeps its folder.
        for (const QString &folder : std::as_const(made)) {
            try {
                fs.removeFolder(folder);
            } catch (const FileError &) {
                break;
            }
        }
        throw;
    }
}

void restoreTrick(platform::FileSystem &fs, const QString &gameRoot, const QString &folder,
                  const QString &name)
{
    Roots roots = rootsOf(fs, gameRoot);
    restoreTrick(fs, roots, folder, name);
}

void restoreTrick(platform::FileSystem &fs, Roots &roots, const QString &folder,
                  const QString &name)
{
    const QString &backups = roots.backups;
    const QString g = gameFolder(backupRoot(roots.gameRoot), folder);
    if (name.isEmpty())
        throw FileError(QStringLiteral("restore from"), fs.nativePath(backups + g),
                        QStringLiteral("no file is selected"));
    requireGameName(name, backupRoot(roots.gameRoot) + g);
    ensureBackupFolders(fs, backups, g, false, nullptr, &roots.checked);
    const QString backup = backups + g + name;
    if (!fs.fileExists(backup))
        throw FileError(QStringLiteral("restore"), fs.nativePath(backup),
                        std::make_error_code(std::errc::no_such_file_or_directory));
    // One replacing copy: it also brings back a game file that went missing.
    // Of two backups whose names differ only in case, each goes back to its own file.
    mirroring(fs, backups, roots.trick).copyFile(backup, roots.trick + g + name);
    fs.deleteFile(backup);
}

gamestate::Mirror backupMirror()
{
    return {gamestate::Mod::Tricks, QLatin1String(animsFolder),
            QLatin1String(animsFolder) + QLatin1String(backupFolder)};
}

gamestate::Place replacement(const QString &gameRoot, const QString &sourceFolder,
                             const QString &sourceName, const QString &targetFolder,
                             const QString &targetName)
{
    const auto path = [](const QString &folder, const QString &name) {
        return folder.isEmpty() ? name : QString(folder).replace(u'/', u'\\') + u'\\' + name;
    };
    const gamestate::Mirror m = backupMirror();
    const QString target = path(targetFolder, targetName);
    return {m.mod, m.gameFolder + target, m.gameFolder + target, m.backupFolder + target,
            gameRoot + m.gameFolder + path(sourceFolder, sourceName)};
}

gamestate::Place restoral(const QString &gameRoot, const QString &folder, const QString &name)
{
    gamestate::Place p = replacement(gameRoot, folder, name, folder, name);
    p.source = gameRoot + p.backup;
    return p;
}

bool backupFolderIsEmpty(platform::FileSystem &fs, const QString &gameRoot, const QString &folder)
{
    const QString backups = backupRoot(gameRoot);
    const platform::FolderContents contents
        = platform::readFolder(fs.nativePath(backups + gameFolder(backups, folder)));
    // What a killed copy left counts for nothing: removing the folder clears it.
    for (qsizetype i = 0; i < contents.files.size(); ++i) {
        if (!platform::isCopyLeftover(contents.files.at(i)))
            return false;
    }
    return contents.folders.isEmpty();
}

void removeBackupFolder(platform::FileSystem &fs, const QString &gameRoot, const QString &folder)
{
    const QString backups = backupRoot(gameRoot);
    const QString g = gameFolder(backups, folder);
    if (g.isEmpty())
        throw FileError(QStringLiteral("remove folder"), fs.nativePath(backups),
                        QStringLiteral("the backup root is kept"));
    fs.removeFolder(backups + g);
}

} // namespace tricks
