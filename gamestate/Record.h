#pragma once

#include "gamestate/Place.h"
#include "platform/ContentHash.h"
#include "platform/FileSystem.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <utility>

namespace platform {
class HashCache;
}

namespace gamestate {

// The record of the game files the program replaced: each file's backup,
// the hash of the original (what the backup held when it was made) and of
// what the program put there, so that the state of every file can be told
// later. Kept with the install it describes, one file a mod in its folder,
// so a moved install, a new program folder and a second working folder all
// see the same record, and a start reads only the mods it puts back. A
// change adds its lines at the end of the file; the file is written whole
// now and then, atomically, when old lines outnumber the live ones.
//
// The backup folders stay the authority: whatever they hold that the record
// lacks (an install modded before the record existed, or by an older
// version) is taken in when the install is looked at, and a record that is
// missing is rebuilt that way. The content of each file is read once and
// trusted while its stamp (platform::FileStamp) stays the same.
class Record {
public:
    // The record file of a mod in an install's folder ("vertzmod-board.rec").
    static QString fileNameOf(Mod mod);
    // The record of versions that kept it in the working folder, for every
    // install: taken over into the installs' own records as each is used.
    static const char *const oldFileName; // "vertzmod-gamefiles.rec"

    // Forgets what is held: each install's record is read again when next
    // used. A missing record is an empty one. A damaged one is renamed out
    // of the way, so it is neither used nor lost, and onProblem hears of it.
    void load();
    // Saves what changed since the last save; onProblem hears of a failure.
    void commit() { saveOrReport(true); }
    // Told what went wrong and why: a damaged record set aside, or a save
    // that failed while a mod changed files (once a run). The mod goes on;
    // the files it writes then show as changed since.
    std::function<void(const QString &text, const QString &why)> onProblem;

    // The state of every file the layout's mods changed in the install at
    // gameRoot, for the variant. Backups found but not recorded are taken
    // in, with the game file's present content as what the program wrote;
    // a file back to its original whose backup is gone is done with. Saves
    // the record when it learned something.
    QList<FileStatus> look(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                           const Layout &layout);

    // The gate every write to a game file passes first. Looks at each file
    // the mod is about to write (a replacement, or a restore whose source is
    // the backup) and tells whether the mod may go on:
    // - a file changed since the program wrote it is replaced only with the
    //   player's yes; a re-application leaves it and says so once;
    // - no backup is taken from a file holding the mod or something else;
    // - no restore comes from a backup that no longer holds the original.
    // A refusal was told already (a message, or onSkipped).
    bool admit(platform::FileSystem &fs, const QString &gameRoot, bool demo,
               const QList<Place> &writes);
    // What admit asks the player, and where a re-application's skips are
    // told without blocking anyone.
    std::function<bool(const QString &text, const QString &title)> ask;
    std::function<void(const QString &text)> onSkipped;
    // Asked first by admit and before the record is written: false while
    // another program may change the install at gameRoot, and then nothing
    // is written there.
    std::function<bool(const QString &gameRoot)> mayWrite;
    // Set through Reapplying, while a stored state is put back.
    Intent intent = Intent::Player;

    // Before a mod replaces game files: records, saved at once, that each
    // may now hold its source's content, so that a kill during the copies
    // leaves no file the record cannot tell. Returns the sources' hashes,
    // none where not known yet: replacing then hears of it before the copy
    // lands.
    QList<platform::ContentHash> expect(platform::FileSystem &fs, const QString &gameRoot,
                                        bool demo, const QList<Place> &replacements);
    // While it copies: a replacement's content whose hash expect did not
    // know, told by the copy before it lands; saved at once.
    void replacing(platform::FileSystem &fs, const QString &gameRoot, bool demo, const Place &place,
                   const platform::ContentHash &content);
    // After it: the original of a file backed up just now is hashed from
    // its backup, and (done) each game file holds its source's content.
    void settle(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                const QList<Place> &replacements, const QList<platform::ContentHash> &sources,
                bool done);
    // After a file was put back from its backup: it holds the original, and
    // is done with when its backup went with it. Saved by the next save.
    void restored(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                  const FileStatus &file);
    void restored(platform::FileSystem &fs, const QString &gameRoot, bool demo, const Place &place);

private:
    struct Seen {
        platform::FileStamp stamp;
        platform::ContentHash hash;
    };
    struct Entry {
        Mod mod = Mod::Board;
        QString unit;
        QString game; // native, relative to the install's folder, '/' between parts
        QString backup;
        platform::ContentHash original;
        QList<platform::ContentHash> written; // oldest first, a few at most
        Seen gameSeen;
        Seen backupSeen;
    };
    struct Install {
        bool demo = false;
        QString root;                 // native
        QMap<QString, Entry> entries; // by game path
        QHash<QString, Mod> changed;  // entries to write, or whose going is, by game path
    };
    // One mod's record file in an install's folder, as last read or written.
    struct Kept {
        QString root; // native
        Mod mod = Mod::Board;
        QString gameRoot; // as the mods spell it, for mayWrite
        platform::FileStamp stamp;
        QByteArray chain; // the check of its last line
        qsizetype lines = 0;
        qsizetype wholeLines = 0; // when it was last read or written whole
        bool whole = false;       // must be written whole at the next save
    };

    // The install's entries, with the records of the mods read.
    Install &install(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                     const QList<Mod> &mods);
    Install &variant(const QString &nativeRoot, bool demo);
    // Reads a mod's record file in the install's folder, replacing what is held of it.
    void read(const QString &gameRoot, const QString &nativeRoot, Mod mod);
    bool parse(const QString &nativeRoot, Mod mod, const QByteArray &data, Kept &kept);
    // Takes the install's part of the old working-folder record over, for
    // the mods whose records the install lacks, and drops it from there.
    void takeOver(const QString &gameRoot, const QString &nativeRoot);
    QByteArray lineOf(bool demo, const Entry &e) const;
    bool mayWriteTo(const QString &gameRoot) const { return !mayWrite || mayWrite(gameRoot); }
    // Writes what changed of one record; empty, or why it failed.
    QString saveKept(Kept &kept);
    void mark(Install &in, const Entry &e) { in.changed.insert(e.game, e.mod); }
    Entry *entryFor(Install &in, const QString &gameRoot, const Place &place,
                    platform::FileSystem &fs);
    // A new entry is taken in from its backup, where there is one; known
    // are the native paths of the contents the mod may have put there.
    Entry *entryFor(platform::HashCache &hashes, Install &in, const Place &place,
                    const QString &nativeGame, const QString &nativeBackup,
                    const QStringList &known = {});
    // The hash of the entry's game file (or backup) now, from what was seen
    // while its stamp holds, else from the run's hashes or read once. None
    // when no file is there.
    platform::ContentHash current(platform::HashCache &hashes, Install &in, Entry &e, bool backup);
    // A source's hash where it is known, by the record or the run; never
    // read here (a copy hashes what it copies). Large ones are remembered.
    platform::ContentHash sourceHash(platform::HashCache &hashes, const QString &native);
    State judge(platform::HashCache &hashes, Install &in, Entry &e, bool *done);
    void forget(Install &in, const QString &game);
    // A new entry whose backup is there: its file is the mod's only when it
    // holds one of the mod's contents; anything else is not vouched for.
    void takeIn(platform::HashCache &hashes, Install &in, Entry &e, const QStringList &known);
    // Whether the native file holds one of the known contents (natives).
    bool holdsOneOf(platform::HashCache &hashes, const QString &native, const QStringList &known);
    // Records that the entry's game file may now hold content.
    void expectIn(Install &in, Entry &e, const platform::ContentHash &content);
    // Why a write to the place must not go on without the player, if it must not.
    enum class Hold { None, Changed, Unsafe };
    Hold holdOf(Install &in, const Place &place, const QString &gameRoot, platform::FileSystem &fs);
    // Saves what changed; a failure is told now (report) or at the next call that reports.
    void saveOrReport(bool report);

    std::deque<Install> m_installs; // stays where it is as it grows
    QHash<QString, Kept> m_kept;    // by native root and mod key
    QSet<QString> m_takenOver;      // native roots
    // Large files put into the game (alternative boards), so a swap back and
    // forth reads each of them once; kept in the board record of the install
    // they lie in.
    QHash<QString, Seen> m_sources;
    QSet<QString> m_sourcesChanged;
    platform::FolderStamps *m_stamps = nullptr; // while a look goes through every file
    bool m_reported = false;
    QString m_unreported;
    // Files a re-application left alone and said so, this run.
    QSet<QString> m_told;
};

// While it lives, writes put a stored state back: the gate skips what it
// would have to ask about instead of asking.
class Reapplying {
public:
    explicit Reapplying(Record &record)
        : m_record(record), m_was(std::exchange(record.intent, Intent::Reapply))
    {
    }
    ~Reapplying() { m_record.intent = m_was; }
    Reapplying(const Reapplying &) = delete;
    Reapplying &operator=(const Reapplying &) = delete;

private:
    Record &m_record;
    Intent m_was;
};

// Around a mod's file work that writes game files (a line before it, a
// line after): asks the gate, records the replacements ahead, and settles
// them after. Restores are among the writes, for the gate; the record
// expects only the rest.
class Change {
public:
    // Confirmed: the gate let these files through already in this action,
    // and is not asked again.
    Change(Record &record, platform::FileSystem &fs, QString gameRoot, bool demo,
           const QList<Place> &writes, bool confirmed = false);
    ~Change();
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;
    // Whether the gate let the mod go on; if not, it must write nothing.
    bool admitted() const { return m_admitted; }
    // The file work went through: each game file holds its source.
    void done() { m_done = true; }

private:
    Record &m_record;
    platform::FileSystem &m_fs;
    QString m_root;
    bool m_demo;
    QList<Place> m_replacements;
    QList<Place> m_restores;
    QStringList m_games; // native, of each replacement
    QList<platform::ContentHash> m_sources;
    platform::FileSystem::Replacing m_told; // before this one
    bool m_admitted = false;
    bool m_done = false;
};

} // namespace gamestate
