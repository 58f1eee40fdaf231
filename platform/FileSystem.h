#pragma once

#include "platform/FaultInjector.h"
#include "platform/FileError.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace platform {

class ContentHash;
class HashCache;
class IdenticalFiles;
struct FileStamp;
enum class EntryKind; // FolderReading.h

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
    // separator is dropped. Given kind, also what the native path names (not
    // through a final link): for a path that exists as spelt, both from a single look.
    QString nativePath(const QString &gamePath, EntryKind *kind = nullptr) const;

    // Asked where a part of a game path is not there as spelt but another
    // spelling of it is: the native folder looked in and the game path up to
    // and including the part, as given. True keeps the part as spelt, a name
    // of its own, instead of taking the other spelling.
    using KeepSpelling = std::function<bool(const QString &nativeFolder, QStringView gamePath)>;
    // This file system asking keep; an empty one asks nothing.
    FileSystem keepingSpelling(KeepSpelling keep) const;

    bool fileExists(const QString &path) const;
    bool folderExists(const QString &path) const;
    // Whether two paths name one existing file or folder, links followed.
    bool sameEntry(const QString &a, const QString &b) const;

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
    // Copies (from, to) pairs as copyFile does, after opening every source: a
    // missing or unreadable one fails, as its copy would, before any
    // destination changes. Every copy is written and synced before the first
    // rename, so a failed write or sync (a full disk) changes none either;
    // the renames' folders are synced once, after the last. No destination
    // may be another pair's source or destination.
    void copyFiles(const QList<std::pair<QString, QString>> &copies);
    void deleteFile(const QString &path);
    // Deletes every plain file in a folder (a link to a file counts, and so
    // does a hidden one), but those named in keep (ignoring case). Throws if
    // the folder is missing; never follows a link out of the folder (a link
    // to a file loses the link, not its target) and never descends.
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

    // A copy's source, open.
    struct Source {
        QString path; // native
        QFile file;
#ifndef Q_OS_WIN
        struct stat opened; // of the open file
#endif
    };
    // nativePath with what is there (not through a final link), and the
    // stamp of a plain file there when stamp is given.
    QString lookUp(const QString &gamePath, EntryKind *kind, FileStamp *stamp) const;
    void openSource(const QString &from, Source &source) const;
    struct Staged;
    // Writes the source to a temporary beside the destination and starts it
    // on its way to the disk; none when the destination holds it already.
    std::unique_ptr<Staged> stage(Source &source, const QString &to);
    // Syncs every staged copy, then renames each into place (told to
    // onReplacing first) and syncs their folders.
    void place(std::vector<std::unique_ptr<Staged>> &staged);

    QString m_winePrefix;
    FaultInjector *m_faults = nullptr;
    std::shared_ptr<const KeepSpelling> m_keepSpelling;
    std::shared_ptr<IdenticalFiles> m_identical;
    std::shared_ptr<HashCache> m_hashes;
    std::shared_ptr<Replacing> m_replacing;
};

} // namespace platform
