#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include <stdexcept>
#include <system_error>
#include <utility>

namespace platform {

class ContentHash;
class HashCache;
class IdenticalFiles;
struct FileStamp;
enum class EntryKind; // FolderReading.h

// A failed file operation: what was tried, on which path, and what the system said.
class FileError : public std::runtime_error {
public:
    FileError(QString operation, QString path, QString reason, std::error_code code = {});
    // The reason is the system's message for code.
    FileError(QString operation, QString path, std::error_code code);

    const QString &operation() const { return m_operation; }
    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }
    // "Cannot <operation> <path>: <reason>", for a message's informative text.
    // The path is native. A copy names its source as the path when the source
    // is at fault ("copy", source), else "copy <source> to" and the destination.
    QString describe() const;
    // What a player reads: the cause in plain words where the system's code
    // tells it ("The disk is full."), then a blank line and describe().
    QString explain() const;
    // The system's error behind the failure; empty for the program's own refusals.
    std::error_code code() const { return m_code; }

private:
    QString m_operation;
    QString m_path;
    QString m_reason;
    std::error_code m_code;
};

// The bytes the system names a native path by, and the path of such bytes.
// Outside Windows names are UTF-8, and a byte that is not valid there (a
// Latin-1 folder name) travels as one lone surrogate U+DC80..U+DCFF, so any
// name survives the round trip. On Windows: the system's code page.
QByteArray encodePath(const QString &path);
QString decodePath(const QByteArray &bytes);

// The program's own file by bare name in the working folder (the settings
// file). Reading gives nothing when no file is there, or it cannot be opened;
// writing may go ahead when requireOwnFile returns. A link, a folder or a
// special file in its place is refused with a FileError for operation op:
// never followed, written into or waited on.
std::optional<QByteArray> readOwnFile(const QString &name, qint64 maxSize,
                                      const QString &folder = {});
// The working folder's path. Outside Windows its bytes are decoded as
// decodePath does, so that a name not valid as UTF-8 leads back to it.
QString workingFolder();
// With a folder (a native path): the file of that name in it instead.
void requireOwnFile(const QString &op, const QString &name, const QString &folder = {});

// Replaces the program's own file (bare name in the working folder) by data,
// whole and atomically: written to a temporary beside it, synced, renamed
// over it; what a killed save left goes first. A file already holding data
// is left as it is, and so is a read-only one (FileError). Call
// requireOwnFile first. Throws FileError ("write") with the reason.
void writeOwnFile(const QString &name, const QByteArray &data, const QString &folder = {});
// Adds data at the end of an own file that is there, synced before it
// returns. Throws FileError ("write"), also when no plain file is there.
void appendOwnFile(const QString &name, const QByteArray &data, const QString &folder);
// Renames an own file (never what a link points to) or removes it; a file
// already gone is no failure to remove. Throw FileError.
void renameOwnFile(const QString &name, const QString &to, const QString &folder);
void removeOwnFile(const QString &name, const QString &folder);

// The name pattern of the temporary files a copy or a save writes beside its
// destination: ".vertz-" and eight hexadecimal digits. A person would not
// choose such a name: only these are ever removed as leftovers.
bool isCopyLeftover(QStringView name);
// The temporary a copy or save onto a file of that name writes beside it: the eight
// digits come from the name, case folded, and an attempt number (the next
// one when the name is taken by something not the program's own). A killed
// copy's leftover is so known to the next copy onto the same file by name,
// without a listing of the folder.
QString temporaryNameFor(QStringView fileName, int attempt = 0);

// Tests only: makes chosen steps of the file operations fail as the system
// would, with the same FileError (operation, path, the system's reason).
class FaultInjector {
public:
    // The steps that can fail, each on the native path the operation names:
    // opening a copy's source, creating its temporary file beside the
    // destination, writing it, renaming it over the destination; deleting a
    // file; creating and removing a folder; syncing a copy's temporary to
    // disk (on the destination's path).
    enum class Step { Read, Create, Write, Rename, Delete, MakeFolder, RemoveFolder, Sync };
    virtual ~FaultInjector() = default;
    // A code makes the step fail with it before it changes anything of its own.
    virtual std::error_code failure(Step step, const QString &nativePath) = 0;
};

// The file operations the mods need, on game paths.
//
// A game path is the game's own spelling: backslashes between folders, maybe a
// drive letter ("C:\Program Files\...\Game\Data\models\Skater_m\"). A bare name
// ("blank.dat") lies in the working folder. On Windows paths are used as they
// are; elsewhere a drive "X:" maps to $WINEPREFIX/dosdevices/x: (default
// ~/.wine), a path starting with "/" is used as it is, and each component that
// does not exist as spelled is matched case-insensitively against the existing
// entries, as the game's file system ignores case.
//
// Every mutating operation throws FileError on failure; the tests never do.
class FileSystem {
public:
    // Uses $WINEPREFIX, or ~/.wine. Every constructor also makes writing past
    // the process's file-size limit fail like a full disk instead of killing
    // the process (SIGXFSZ ignored): the program makes one before any file work.
    FileSystem();
    explicit FileSystem(QString winePrefix);

    // The native path for a game path. Existing components are matched
    // case-insensitively; missing ones keep their spelling. A trailing
    // separator is dropped.
    QString nativePath(const QString &gamePath) const;
    // The same, and what the native path names (not through a final link):
    // for a path that exists as spelt, both from a single look.
    QString nativePath(const QString &gamePath, EntryKind *kind) const;

    // This file system with the game folder `to` mirroring `from`, as a
    // backup tree mirrors the game's files: below `to`, a part not spelled so
    // is matched ignoring case only where its counterpart below `from` has no
    // other name that matches too. Of two names below `from` that differ
    // only in case, each then keeps a counterpart of its own.
    FileSystem mirroring(const QString &from, const QString &to) const;

    bool fileExists(const QString &path) const;
    bool folderExists(const QString &path) const;
    // Whether two paths name one existing file or folder, links followed.
    bool sameEntry(const QString &a, const QString &b) const;

    // Names (not paths) of every plain file in a folder, sorted
    // case-insensitively. Throws if the folder is missing. A link to a file
    // counts as a file, and so does a hidden (dot) file; folders, links to
    // folders and broken links do not.
    QStringList filesIn(const QString &folder) const;

    // Creates one folder; fails if it exists or its parent is missing.
    void makeFolder(const QString &path);
    // Makes sure the program's own folder (a backup folder) is there: creates
    // it when nothing is, accepts a real folder, and refuses a link or a file
    // in its place rather than write through it.
    void makeOwnFolder(const QString &path);
    // Copies a file, replacing the destination atomically: a failed copy
    // leaves the old destination in place, never a missing or half file. The
    // copy's bytes are synced before the rename and its folder after it, so
    // a copy that returned survives a power cut; a failed sync of the folder
    // fails the copy with the destination already replaced. A
    // destination that already holds the same bytes is left as it is, told
    // by the hashes where both are known (see hashes()), else by reading
    // both up to their first difference; a pair found so is not read again
    // while neither file changes (see IdenticalFiles). A copy that is going
    // to write reads its source once and its destination not at all. What a killed copy onto the
    // same file left is removed either way (a plain file of its temporary's name only; see
    // temporaryNameFor). A source that is no plain file (a pipe, a device) is
    // refused, never waited on.
    void copyFile(const QString &from, const QString &to);
    // Copies (from, to) pairs in order as copyFile does, after opening every
    // source: a missing or unreadable one fails, as its copy would, before
    // any destination changes.
    void copyFiles(const QList<std::pair<QString, QString>> &copies);
    void deleteFile(const QString &path);
    // Deletes the files filesIn would list, but those named in keep
    // (ignoring case); never follows a link out of the folder (a link to a
    // file loses the link, not its target) and never descends.
    void deleteFilesIn(const QString &folder, const QStringList &keep = {});
    // Removes a folder empty but for what killed copies left, which goes too.
    void removeFolder(const QString &path);

    // The hashes of the file versions this run met, shared by the copies of
    // this object: a copy hashes what it copies unless the source's hash is
    // known, and keeps the hash of the file it wrote.
    HashCache &hashes() const { return *m_hashes; }
    // Told by each copy about to replace its destination: the destination's
    // native path and the hash of what replaces it, once its bytes are on
    // disk and before the rename, so a record can know a content before it
    // is in the game. A FileError thrown fails the copy, the destination
    // untouched. Shared by the copies of this object; returns the one before.
    using Replacing = std::function<void(const QString &native, const ContentHash &content)>;
    Replacing onReplacing(Replacing told);

    // Keeps the pairs of files found identical in the program's own file of
    // that bare name in the working folder, across runs. Copies of this
    // object share what they found.
    void keepIdenticalIn(const QString &fileName);

    // Tests only; none by default, and the program never sets one.
    void setFaultInjector(FaultInjector *faults) { m_faults = faults; }

private:
    std::error_code injected(FaultInjector::Step step, const QString &native) const
    {
        return m_faults ? m_faults->failure(step, native) : std::error_code();
    }

    struct Source;
    // nativePath with what is there (not through a final link), and the
    // stamp of a plain file there when stamp is given.
    QString lookUp(const QString &gamePath, EntryKind *kind, FileStamp *stamp) const;
    void openSource(const QString &from, Source &source) const;
    void copyOpened(Source &source, const QString &to);

    QString m_winePrefix;
    FaultInjector *m_faults = nullptr;
    // The game folders of mirroring(), looked up only when a name needs
    // matching; none by default.
    QString m_mirrorFrom, m_mirrorTo;
    bool m_mirrored = false;
    std::shared_ptr<IdenticalFiles> m_identical;
    std::shared_ptr<HashCache> m_hashes;
    std::shared_ptr<Replacing> m_replacing;
};

} // namespace platform
