#include "gamestate/Record.h"

#include "gamestate/LegacyHash.h"
#include "platform/FileSystem.h"
#include "platform/FolderReading.h"
#include "platform/HashCache.h"
#include "platform/NameEncoding.h"
#include "platform/OwnFiles.h"
#include "platform/Temporaries.h"

#include <QDateTime>
#include <QDir>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace gamestate {

const char *const Record::oldFileName = "vertzmod-gamefiles.rec";

namespace {

using platform::ContentHash;
using platform::FileStamp;

const QByteArray header = "Vertz Mod Utility record of changed game files, version 2";
const QByteArray oldHeader = "Vertz Mod Utility record of changed game files, version 1";
// A record of a million replaced files is some hundred megabytes; nothing
// bigger is read into memory.
constexpr qint64 maxRead = qint64(256) << 20;
// Only files this large are worth remembering as sources.
constexpr qint64 largeSource = 1 << 20;
constexpr int keptWritten = 8;
constexpr int keptSources = 256;

const char *const modKeys[] = {"board", "tricks", "level", "display"};

// Paths travel as their bytes, percent-encoded, so any name survives a line
// of tab-separated fields.
QByteArray encoded(const QString &path)
{
#ifdef Q_OS_WIN
    const QByteArray bytes = path.toUtf8();
#else
    const QByteArray bytes = platform::encodePath(path);
#endif
    return bytes.toPercentEncoding("/\\ :");
}

QString decoded(QByteArrayView field)
{
    // Most names are plain ASCII, read as they stand.
    if (std::all_of(field.begin(), field.end(), [](char c) { return uchar(c) < 0x80 && c != '%'; }))
        return QString::fromLatin1(field);
    const QByteArray bytes = QByteArray::fromPercentEncoding(field.toByteArray());
#ifdef Q_OS_WIN
    return QString::fromUtf8(bytes);
#else
    return platform::decodePath(bytes);
#endif
}

QString joined(const QString &nativeRoot, const QString &relative)
{
    // One allocation: a look joins two paths for every file.
    QString path;
    path.reserve(nativeRoot.size() + 1 + relative.size());
    path.append(nativeRoot);
    if (!nativeRoot.endsWith(u'/'))
        path.append(u'/');
    return path.append(relative);
}

// The part of a native path below a native root; nothing outside it.
QString below(const QString &nativeRoot, const QString &native)
{
    const QString prefix = nativeRoot.endsWith(u'/') ? nativeRoot : nativeRoot + u'/';
    return native.startsWith(prefix) ? native.mid(prefix.size()) : QString();
}

// The native paths of what the mod may put at the place.
QStringList modContents(platform::FileSystem &fs, const QString &gameRoot, const Place &place)
{
    QStringList known;
    for (const QString &c : place.modContents)
        known << fs.nativePath(c.contains(u'\\') ? gameRoot + c : c);
    return known;
}

// A write whose source is the place's backup puts the original back.
bool isRestore(platform::FileSystem &fs, const QString &gameRoot, const Place &place)
{
    return !place.source.isEmpty()
           && fs.nativePath(place.source) == fs.nativePath(gameRoot + place.backup);
}

QList<Mod> modsOf(const QList<Place> &places)
{
    QList<Mod> mods;
    for (const Place &p : places)
        mods.append(p.mod);
    return mods;
}

QString gamePath(const QString &relative)
{
    QString path(relative.size(), Qt::Uninitialized);
    std::replace_copy(relative.begin(), relative.end(), path.begin(), QChar(u'/'), QChar(u'\\'));
    return path;
}

// Every file below a native backup folder that a path can reach, as paths
// relative to it with slashes (no name holds a backslash). Links to folders
// are not followed, and what a killed copy left is no backup.
void walk(const QString &native, const QString &relative, QStringList *found)
{
    platform::FolderContents contents;
    try {
        contents = platform::readFolder(native, false);
    } catch (const platform::FileError &) {
        return;
    }
    for (qsizetype i = 0; i < contents.files.size(); ++i) {
        const QStringView name = contents.files.at(i);
        if (contents.files.isExact(i) && !name.contains(u'\\') && !platform::isCopyLeftover(name)) {
            QString path;
            path.reserve(relative.size() + name.size());
            found->append(path.append(relative).append(name));
        }
    }
    for (qsizetype i = 0; i < contents.folders.size(); ++i) {
        const QString name = contents.folders.at(i).toString();
        if (contents.folders.isExact(i) && !name.contains(u'\\'))
            walk(native + u'/' + name, relative + name + u'/', found);
    }
}

} // namespace

QString modKey(Mod mod)
{
    return QLatin1String(modKeys[int(mod)]);
}

QString modTitle(Mod mod)
{
    const char *const titles[] = {"Board", "Tricks", "Level", "Display"};
    return QLatin1String(titles[int(mod)]);
}

QString stateWord(State state)
{
    const char *const words[]
        = {"original", "modded", "changed since", "backup damaged or missing"};
    return QLatin1String(words[int(state)]);
}

Record::Install &Record::variant(const QString &nativeRoot, bool demo)
{
    for (Install &in : m_installs) {
        if (in.root == nativeRoot && in.demo == demo)
            return in;
    }
    m_installs.push_back({demo, nativeRoot, {}, {}});
    return m_installs.back();
}

namespace {
QString keptKey(const QString &nativeRoot, Mod mod)
{
    return nativeRoot + u'\n' + modKey(mod);
}
} // namespace

Record::Install &Record::install(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                                 const QList<Mod> &mods)
{
    const QString root = fs.nativePath(gameRoot);
    // What the old working-folder record holds of the install is taken over
    // for every mod at once, so that it can be dropped from there.
    const bool takeOld = !m_takenOver.contains(root)
                         && !platform::stampOf(QString::fromLatin1(oldFileName)).isNull();
    m_takenOver.insert(root);
    for (int m = 0; m < int(std::size(modKeys)); ++m) {
        const Mod mod = Mod(m);
        if (!takeOld && !mods.contains(mod))
            continue;
        const auto kept = m_kept.constFind(keptKey(root, mod));
        // Another program wrote it since: what it holds is newer than ours.
        if (kept == m_kept.constEnd()
            || kept->stamp != platform::stampOf(joined(root, fileNameOf(mod))))
            read(gameRoot, root, mod);
    }
    if (takeOld)
        takeOver(gameRoot, root);
    return variant(root, demo);
}

Record::Entry *Record::entryFor(Install &in, const QString &gameRoot, const Place &place,
                                platform::FileSystem &fs)
{
    const QString game = fs.nativePath(gameRoot + place.game);
    // The contents are looked up only for an entry that is new.
    return entryFor(fs.hashes(), in, place, game, fs.nativePath(gameRoot + place.backup),
                    in.entries.contains(below(in.root, game)) ? QStringList()
                                                              : modContents(fs, gameRoot, place));
}

Record::Entry *Record::entryFor(platform::HashCache &hashes, Install &in, const Place &place,
                                const QString &nativeGame, const QString &nativeBackup,
                                const QStringList &known)
{
    const QString game = below(in.root, nativeGame);
    const QString backup = below(in.root, nativeBackup);
    if (game.isEmpty() || backup.isEmpty())
        return nullptr; // not below the install: nothing of ours
    if (const auto found = in.entries.find(game); found != in.entries.end())
        return &*found;
    Entry e;
    e.mod = place.mod;
    e.unit = place.unit;
    e.game = game;
    e.backup = backup;
    takeIn(hashes, in, e, known);
    mark(in, e);
    return &*in.entries.insert(game, e);
}

void Record::takeIn(platform::HashCache &hashes, Install &in, Entry &e, const QStringList &known)
{
    const ContentHash backup = current(hashes, in, e, true);
    if (backup.isNull())
        return;
    e.original = backup;
    const ContentHash now = current(hashes, in, e, false);
    if (!now.isNull() && now != backup && holdsOneOf(hashes, joined(in.root, e.game), known))
        e.written.append(now);
}

bool Record::holdsOneOf(platform::HashCache &hashes, const QString &native,
                        const QStringList &known)
{
    // A content of another size is not read: boards are large. Nor is one
    // of the same size past its first difference.
    const qint64 size = platform::stampOf(native).size;
    return size >= 0 && std::any_of(known.begin(), known.end(), [&](const QString &k) {
               return platform::stampOf(k).size == size && hashes.sameContent(native, k);
           });
}

Record::Hold Record::holdOf(Install &in, const Place &place, const QString &gameRoot,
                            platform::FileSystem &fs)
{
    const bool restore = isRestore(fs, gameRoot, place);
    Entry *e = entryFor(in, gameRoot, place, fs);
    if (!e)
        return Hold::Unsafe; // outside the install
    platform::HashCache &hashes = fs.hashes();
    const QString game = joined(in.root, e->game);
    const ContentHash backup = current(hashes, in, *e, true);
    const ContentHash original = e->original.isNull() ? backup : e->original;
    if (original.isNull()) {
        // Never backed up as far as anyone knows: the mod backs up the
        // game's own first. But a file holding the mod's own content has
        // lost its backup, and backing it up would keep the mod as the
        // game's file. Its hash is left to the backup's copy, which reads
        // it anyway.
        const bool mod
            = (!e->written.isEmpty() && e->written.contains(current(hashes, in, *e, false)))
              || holdsOneOf(hashes, game, modContents(fs, gameRoot, place));
        return mod ? Hold::Unsafe : Hold::None;
    }
    const ContentHash now = current(hashes, in, *e, false);
    if (restore && backup != original)
        return Hold::Unsafe;
    // Nothing there to lose, or the game's own: a backup taken of it is right.
    if (now.isNull() || now == original)
        return Hold::None;
    if (backup.isNull())
        return Hold::Unsafe;
    return e->written.contains(now) ? Hold::None : Hold::Changed;
}

bool Record::admit(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                   const QList<Place> &writes)
{
    if (mayWrite && !mayWrite(gameRoot)) {
        if (intent != Intent::Reapply && onProblem)
            onProblem(QStringLiteral("Error!"),
                      QStringLiteral("Nothing was changed: another copy of the program works on "
                                     "the install in %1.")
                          .arg(QDir::toNativeSeparators(fs.nativePath(gameRoot))));
        return false;
    }
    Install &in = install(fs, gameRoot, demo, modsOf(writes));
    QStringList changed, unsafe;
    for (const Place &p : writes) {
        switch (holdOf(in, p, gameRoot, fs)) {
        case Hold::None:
            break;
        case Hold::Changed:
            changed << gameRoot + p.game;
            break;
        case Hold::Unsafe:
            unsafe << gameRoot + p.game;
            break;
        }
    }
    changed.removeDuplicates();
    unsafe.removeDuplicates();
    if (unsafe.isEmpty() && changed.isEmpty())
        return true;
    if (intent == Intent::Reapply) {
        qsizetype before = m_told.size();
        for (const QString &f : std::as_const(unsafe) + changed)
            m_told.insert(f);
        if (m_told.size() > before && onSkipped)
            onSkipped(QStringLiteral("Changed files left: see Game Files"));
        return false;
    }
    if (!unsafe.isEmpty()) {
        if (onProblem)
            onProblem(QStringLiteral("Error! Nothing was changed: the backup of a game file is "
                                     "damaged or missing."),
                      QStringLiteral("Its backup no longer holds the game's own file, so the "
                                     "original could not be put back, and a new backup would "
                                     "keep what the file holds now in its place:\n%1\n\n"
                                     "File, Game Files\u2026 shows the state of every file.")
                          .arg(unsafe.join(u'\n')));
        return false;
    }
    const QString question
        = changed.size() == 1
              ? QStringLiteral("%1 was changed since this program wrote it, by a game update or "
                               "another tool. Going on replaces it, and that change is lost.\n\n"
                               "Replace it?")
                    .arg(changed.first())
              : QStringLiteral("These game files were changed since this program wrote them, by "
                               "a game update or another tool:\n%1\n\nGoing on replaces them, "
                               "and those changes are lost.\n\nReplace them?")
                    .arg(changed.join(u'\n'));
    return ask && ask(question, QStringLiteral("Changed Since"));
}

ContentHash Record::current(platform::HashCache &hashes, Install &in, Entry &e, bool backup)
{
    const QString native = joined(in.root, backup ? e.backup : e.game);
    Seen &seen = backup ? e.backupSeen : e.gameSeen;
    const FileStamp now = m_stamps ? m_stamps->of(native) : platform::stampOf(native);
    if (!now.isNull() && now == seen.stamp) {
        hashes.add(now, seen.hash);
        return seen.hash;
    }
    const auto read = now.isNull() ? std::nullopt : hashes.hashOf(native);
    const Seen was = seen;
    seen = read ? Seen{read->stamp, read->hash} : Seen{};
    if (seen.stamp != was.stamp || seen.hash != was.hash)
        mark(in, e);
    return seen.hash;
}

ContentHash Record::sourceHash(platform::HashCache &hashes, const QString &native)
{
    const FileStamp now = platform::stampOf(native);
    if (now.isNull())
        return {};
    if (const auto known = m_sources.constFind(native);
        known != m_sources.constEnd() && known->stamp == now) {
        hashes.add(now, known->hash);
        return known->hash;
    }
    const ContentHash h = hashes.find(now);
    if (!h.isNull() && now.size >= largeSource) {
        if (m_sources.size() >= keptSources)
            m_sources.clear();
        m_sources.insert(native, {now, h});
        m_sourcesChanged.insert(native);
    }
    return h;
}

State Record::judge(platform::HashCache &hashes, Install &in, Entry &e, bool *done)
{
    const ContentHash backup = current(hashes, in, e, true);
    if (e.original.isNull()) {
        // Never backed up, so never replaced: the mods back up first.
        if (backup.isNull()) {
            *done = true;
            return State::Original;
        }
        e.original = backup;
        mark(in, e);
    }
    const ContentHash game = current(hashes, in, e, false);
    if (game == e.original) {
        *done = backup.isNull();
        return State::Original;
    }
    if (backup != e.original)
        return State::BackupBad;
    return e.written.contains(game) ? State::Modded : State::ChangedSince;
}

QList<FileStatus> Record::look(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                               const Layout &layout)
{
    const QString root = fs.nativePath(gameRoot);
    // Every file the record names is looked at, folder by folder.
    platform::FolderStamps stamps;
    m_stamps = &stamps;
    const auto done = qScopeGuard([this] { m_stamps = nullptr; });
    QList<Mod> needed;
    for (const Place &p : layout.places)
        needed.append(p.mod);
    for (const Mirror &m : layout.mirrors)
        needed.append(m.mod);
    Install &in = install(fs, gameRoot, demo, needed);
    QSet<Mod> mods;
    for (const Place &p : layout.places) {
        mods.insert(p.mod);
        if (!platform::stampOf(fs.nativePath(gameRoot + p.backup)).isNull())
            entryFor(in, gameRoot, p, fs);
    }
    for (const Mirror &m : layout.mirrors) {
        mods.insert(m.mod);
        QStringList found;
        // Both folders looked up once, not once for each file below them.
        const QString games = fs.nativePath(gameRoot + m.gameFolder) + u'/';
        const QString backupFolder = fs.nativePath(gameRoot + m.backupFolder);
        const QString backups = backupFolder + u'/';
        walk(backupFolder, QString(), &found);
        // A backup the record knows needs no look-up of its names on disk:
        // the record's game paths below the folder, by what follows it.
        const QString gamesBelow = below(in.root, games);
        QSet<QStringView> known;
        if (!gamesBelow.isEmpty()) {
            known.reserve(found.size());
            for (auto e = in.entries.lowerBound(gamesBelow);
                 e != in.entries.end() && e.key().startsWith(gamesBelow); ++e)
                known.insert(QStringView(e.key()).sliced(gamesBelow.size()));
        }
        for (const QString &rel : std::as_const(found)) {
            if (known.contains(rel))
                continue;
            const QString mods = QString(rel).replace(u'/', u'\\');
            entryFor(fs.hashes(), in,
                     {m.mod, m.gameFolder + mods, m.gameFolder + mods, m.backupFolder + mods},
                     fs.nativePath(games + rel), fs.nativePath(backups + rel));
        }
    }

    QList<FileStatus> states;
    for (auto e = in.entries.begin(); e != in.entries.end();) {
        bool done = false;
        const State state
            = mods.contains(e->mod) ? judge(fs.hashes(), in, *e, &done) : State::Original;
        if (done) {
            mark(in, *e);
            e = in.entries.erase(e);
            continue;
        }
        if (mods.contains(e->mod))
            states.append({e->mod, e->unit, gamePath(e->game), gamePath(e->backup), state});
        ++e;
    }
    // Each name folded once, not at every comparison; an ASCII one by hand.
    const auto folded = [](const QString &name) {
        if (!std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
            return name.toCaseFolded();
        QString key(name.size(), Qt::Uninitialized);
        std::transform(name.begin(), name.end(), key.begin(), [](QChar c) {
            return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
        });
        return key;
    };
    // Mod by mod, each in the record's order, which is mostly the one shown.
    std::vector<std::pair<QString, qsizetype>> order;
    order.reserve(size_t(states.size()));
    for (int m = 0; m < int(std::size(modKeys)); ++m) {
        for (qsizetype i = 0; i < states.size(); ++i) {
            if (states[i].mod == Mod(m))
                order.emplace_back(folded(states[i].game), i);
        }
    }
    const auto before = [&](const auto &a, const auto &b) {
        const FileStatus &x = states[a.second], &y = states[b.second];
        if (x.mod != y.mod)
            return x.mod < y.mod;
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : x.game < y.game;
    };
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);
    QList<FileStatus> sorted;
    sorted.reserve(states.size());
    for (const auto &o : order)
        sorted.append(std::move(states[o.second]));
    states = std::move(sorted);
    saveOrReport(true);
    return states;
}

QList<ContentHash> Record::expect(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                                  const QList<Place> &replacements)
{
    Install &in = install(fs, gameRoot, demo, modsOf(replacements));
    QList<ContentHash> hashes;
    for (const Place &p : replacements) {
        Entry *e = entryFor(in, gameRoot, p, fs);
        const ContentHash h = sourceHash(fs.hashes(), fs.nativePath(p.source));
        hashes.append(h);
        if (e)
            expectIn(in, *e, h);
    }
    // A failure is told after the mod's own work, so its message comes first.
    saveOrReport(false);
    return hashes;
}

void Record::expectIn(Install &in, Entry &e, const ContentHash &content)
{
    if (content.isNull() || e.written.contains(content))
        return;
    e.written.append(content);
    if (e.written.size() > keptWritten)
        e.written.removeFirst();
    mark(in, e);
}

void Record::replacing(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                       const Place &place, const ContentHash &content)
{
    Install &in = install(fs, gameRoot, demo, {place.mod});
    if (Entry *e = entryFor(in, gameRoot, place, fs))
        expectIn(in, *e, content);
    saveOrReport(false);
}

void Record::settle(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                    const QList<Place> &replacements, const QList<ContentHash> &sources, bool done)
{
    const QString root = fs.nativePath(gameRoot);
    Install &in = install(fs, gameRoot, demo, modsOf(replacements));
    platform::HashCache &hashes = fs.hashes();
    for (qsizetype i = 0; i < replacements.size(); ++i) {
        const QString game = below(root, fs.nativePath(gameRoot + replacements[i].game));
        const auto at = in.entries.find(game);
        if (at == in.entries.end())
            continue;
        if (at->original.isNull()) {
            // A backup made just now was hashed as it was copied.
            const ContentHash backup = current(hashes, in, *at, true);
            mark(in, *at);
            if (backup.isNull()) {
                in.entries.erase(at);
                continue;
            }
            at->original = backup;
        }
        if (!done)
            continue;
        // A source first hashed by its copy is known now, and remembered
        // when large. Its content is in the game: a copy left out as the
        // game held it already told no one.
        ContentHash source = sources.value(i);
        if (!replacements[i].source.isEmpty()) {
            const ContentHash known = sourceHash(hashes, fs.nativePath(replacements[i].source));
            if (source.isNull())
                source = known;
        }
        expectIn(in, *at, source);
        // What the copy wrote, else the source's content, which the game holds.
        const FileStamp stamp = platform::stampOf(joined(root, game));
        const ContentHash wrote = hashes.find(stamp);
        const Seen now{stamp, wrote.isNull() ? source : wrote};
        if (now.hash.isNull())
            continue;
        // Every start puts the board in again: most settles learn nothing.
        if (now.stamp != at->gameSeen.stamp || now.hash != at->gameSeen.hash)
            mark(in, *at);
        at->gameSeen = now;
    }
    saveOrReport(true);
}

void Record::restored(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                      const FileStatus &file)
{
    forget(install(fs, gameRoot, demo, {file.mod}), QString(file.game).replace(u'\\', u'/'));
}

void Record::restored(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                      const Place &place)
{
    Install &in = install(fs, gameRoot, demo, {place.mod});
    forget(in, below(in.root, fs.nativePath(gameRoot + place.game)));
}

void Record::forget(Install &in, const QString &game)
{
    const QString &root = in.root;
    const auto e = in.entries.find(game);
    if (e == in.entries.end())
        return;
    mark(in, *e);
    if (platform::stampOf(joined(root, e->backup)).isNull())
        in.entries.erase(e);
    else if (!e->original.isNull()) // else learnt from the backup when next looked at
        e->gameSeen = {platform::stampOf(joined(root, e->game)), e->original};
}

namespace {

// The backup folders the mods keep originals in, as the mods name them.
const char *const backupFolders[] = {"boardbakup",  "trickbackup",        "scriptsbackup",
                                     "motoxbackup", "panelspritesbackup", "fontbackup"};

// A name's characters are checked apart from the name as a whole, so that a
// path is read once.
bool plainCharacter(QChar c)
{
#ifdef Q_OS_WIN
    // A drive or a stream.
    if (c == u':')
        return false;
#endif
    return c != u'/' && c != u'\\' && !c.isNull();
}

bool plainWhole(QStringView name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
#ifdef Q_OS_WIN
    // A name Windows trims to another.
    return !name.endsWith(u'.') && !name.endsWith(u' ');
#else
    return true;
#endif
}

// One name that stays where it is put: a part that climbs, stays, or holds
// a separator could lead a restore out of the install.
bool plainName(QStringView name)
{
    return plainWhole(name) && std::all_of(name.begin(), name.end(), plainCharacter);
}

// Whether a path is plain names only: one that stays below the install.
// Empty parts count: "" and "a//b" are not plain.
bool plainBelow(QStringView relative, QChar separator)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < relative.size(); ++i) {
        if (relative[i] == separator) {
            if (!plainWhole(relative.sliced(start, i - start)))
                return false;
            start = i + 1;
        } else if (!plainCharacter(relative[i])) {
            return false;
        }
    }
    return plainWhole(relative.sliced(start));
}

// Whether a folder above the file of a plain path is a backup folder.
bool inBackupFolder(QStringView relative)
{
    const QStringView folders = relative.left(std::max<qsizetype>(relative.lastIndexOf(u'/'), 0));
    for (const QStringView part : folders.tokenize(u'/')) {
        for (const char *folder : backupFolders) {
            // Folding keeps the number of units: only a name of the same length matches.
            const QLatin1String name(folder);
            if (part.size() == name.size() && part.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

// A trick's unit is its game path as the mod spells it; any other unit is a name.
bool unitFits(Mod mod, const QString &unit, const QString &game)
{
    if (mod != Mod::Tricks)
        return plainName(unit);
    if (unit.size() != game.size() || !plainBelow(unit, u'\\'))
        return false;
    for (qsizetype i = 0; i < unit.size(); ++i) {
        const QChar u = unit[i] == u'\\' ? QChar(u'/') : unit[i];
        if (u != game[i] && u.toCaseFolded() != game[i].toCaseFolded())
            return false;
    }
    return true;
}

} // namespace

QString Record::fileNameOf(Mod mod)
{
    return QStringLiteral("vertzmod-%1.rec").arg(modKey(mod));
}

namespace {

// Each line ends in a check of itself and of the line before it, so a line
// changed, lost or put elsewhere shows, and a line a kill cut short is the
// last one and has no end.
QByteArray chainAfter(QByteArrayView previous, QByteArrayView body, QByteArray *scratch)
{
    // Emptied, not freed: one buffer serves every line of a record.
    scratch->resize(0);
    scratch->append(previous);
    scratch->append(body);
    QByteArray check = ContentHash::of(*scratch).toHex();
    check.truncate(16);
    return check;
}

// What the first line's check follows.
QByteArray firstCheck()
{
    QByteArray scratch;
    return chainAfter({}, header, &scratch);
}

QByteArray checked(const QByteArray &body, QByteArray *chain)
{
    QByteArray scratch;
    *chain = chainAfter(*chain, body, &scratch);
    return body + '\t' + *chain + '\n';
}

QByteArray seenText(const FileStamp &stamp, const ContentHash &hash)
{
    return stamp.toText() + '\t' + hash.toHex();
}

} // namespace

QByteArray Record::lineOf(bool demo, const Entry &e) const
{
    QByteArrayList written;
    for (const ContentHash &h : e.written)
        written.append(h.toHex());
    return "file\t" + QByteArray(demo ? "demo" : "full") + '\t' + modKey(e.mod).toLatin1() + '\t'
           + encoded(e.unit) + '\t' + encoded(e.game) + '\t' + encoded(e.backup) + '\t'
           + e.original.toHex() + '\t' + written.join(',') + '\t'
           + seenText(e.gameSeen.stamp, e.gameSeen.hash) + '\t'
           + seenText(e.backupSeen.stamp, e.backupSeen.hash);
}

namespace {

const auto hashOf = [](QByteArrayView hex, bool *ok) {
    const ContentHash h = ContentHash::fromHex(hex);
    *ok &= hex.isEmpty() || !h.isNull();
    return h;
};

const auto stampOfText = [](QByteArrayView text, bool *ok) {
    const FileStamp s = FileStamp::fromText(text);
    *ok &= text.isEmpty() || !s.isNull();
    return s;
};

} // namespace

bool Record::parse(const QString &nativeRoot, Mod mod, const QByteArray &data, Kept &kept)
{
    if (!data.startsWith(header + '\n'))
        return false;
    Install *const variants[] = {&variant(nativeRoot, false), &variant(nativeRoot, true)};
    // A file written whole holds its entries in order: each goes in after the
    // one before, which other mods' entries may follow.
    QMap<QString, Entry>::const_iterator after[]
        = {variants[0]->entries.cend(), variants[1]->entries.cend()};
    const QByteArray key = modKey(mod).toLatin1();
    QByteArray scratch;
    qsizetype at = header.size() + 1;
    while (at < data.size()) {
        const qsizetype end = data.indexOf('\n', at);
        if (end < 0) {
            // Cut short by a kill while it was added: as if never written.
            kept.whole = true;
            break;
        }
        const QByteArrayView line = QByteArrayView(data).sliced(at, end - at);
        at = end + 1;
        const qsizetype tab = line.lastIndexOf('\t');
        if (tab < 0)
            return false;
        kept.chain = chainAfter(kept.chain, line.first(tab), &scratch);
        if (line.sliced(tab + 1) != kept.chain)
            return false;
        ++kept.lines;
        // Read in place: a record holds thousands of lines.
        QByteArrayView f[13];
        qsizetype n = 0;
        for (QByteArrayView rest = line.first(tab);; ++n) {
            const qsizetype next = rest.indexOf('\t');
            if (n == 13)
                return false;
            f[n] = next < 0 ? rest : rest.first(next);
            if (next < 0) {
                ++n;
                break;
            }
            rest = rest.sliced(next + 1);
        }
        bool ok = n >= 3 && (f[1] == "full" || f[1] == "demo");
        if (!ok)
            return false;
        const bool demo = f[1] == "demo";
        Install &in = *variants[demo];
        if (f[0] == "file" && n == 12 && f[2] == key) {
            Entry e;
            e.mod = mod;
            e.unit = decoded(f[3]);
            e.game = decoded(f[4]);
            e.backup = decoded(f[5]);
            e.original = hashOf(f[6], &ok);
            for (qsizetype w = 0; w < f[7].size(); w += 33) {
                e.written.append(
                    hashOf(f[7].sliced(w, std::min<qsizetype>(32, f[7].size() - w)), &ok));
                ok &= w + 32 == f[7].size() || f[7].at(w + 32) == ',';
            }
            e.gameSeen = {stampOfText(f[8], &ok), hashOf(f[9], &ok)};
            e.backupSeen = {stampOfText(f[10], &ok), hashOf(f[11], &ok)};
            // A restore deletes and writes at these paths: only ours below the install.
            ok &= plainBelow(e.game, u'/') && plainBelow(e.backup, u'/') && inBackupFolder(e.backup)
                  && unitFits(e.mod, e.unit, e.game);
            // Entries come in order within a variant: each goes in after the one before.
            after[demo] = std::next(in.entries.insert(after[demo], e.game, e));
        } else if (f[0] == "gone" && n == 3) {
            in.entries.remove(decoded(f[2]));
            after[demo] = in.entries.cend();
        } else if (f[0] == "source" && n == 5 && mod == Mod::Board) {
            const QString source = decoded(f[2]);
            ok = plainBelow(source, u'/');
            m_sources.insert(joined(nativeRoot, source),
                             {stampOfText(f[3], &ok), hashOf(f[4], &ok)});
        } else {
            ok = false;
        }
        if (!ok)
            return false;
    }
    return true;
}

void Record::read(const QString &gameRoot, const QString &nativeRoot, Mod mod)
{
    const QString name = fileNameOf(mod);
    Kept &kept = m_kept[keptKey(nativeRoot, mod)];
    // What is held of the mod goes, also what a damaged file gave in part.
    const auto fresh = [&] {
        for (Install &in : m_installs) {
            if (in.root != nativeRoot)
                continue;
            in.entries.removeIf([mod](const auto &e) { return e.value().mod == mod; });
            in.changed.removeIf([mod](const auto &c) { return c.value() == mod; });
        }
        kept = {nativeRoot,   mod, gameRoot, platform::stampOf(joined(nativeRoot, name)),
                firstCheck(), 0,   0,        true};
    };
    fresh();
    std::optional<QByteArray> data;
    QString why;
    try {
        data = platform::readOwnFile(name, maxRead, nativeRoot);
    } catch (const platform::FileError &e) {
        why = e.explain();
    }
    if (why.isEmpty() && !data)
        return;
    if (why.isEmpty() && parse(nativeRoot, mod, *data, kept)) {
        kept.wholeLines = kept.lines;
        return;
    }
    fresh();
    const QString where = QDir::toNativeSeparators(joined(nativeRoot, name));
    const QString more = why.isEmpty() ? QString() : QStringLiteral("\n\n") + why;
    QString text;
    if (!mayWriteTo(gameRoot)) {
        text = QStringLiteral("%1 cannot be read; another program works on the install, and what "
                              "it holds is rebuilt from the backup folders for now.%2")
                   .arg(where, more);
    } else {
        // Kept for whoever wants to look at it, under a name of its own.
        const QString stamp
            = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        const QString base = QStringLiteral("vertzmod-%1.damaged-%2").arg(modKey(mod), stamp);
        QString aside = base + QStringLiteral(".rec");
        for (int n = 2;
             !platform::stampOf(joined(nativeRoot, aside)).isNull()
             || platform::entryKind(joined(nativeRoot, aside)) != platform::EntryKind::Missing;
             ++n)
            aside = base + QStringLiteral("-%1.rec").arg(n);
        try {
            platform::renameOwnFile(name, aside, nativeRoot);
            kept.stamp = {};
            text = QStringLiteral("%1 was damaged. It was set aside as %2, and the record is "
                                  "rebuilt from the backup folders.%3")
                       .arg(where, QDir::toNativeSeparators(joined(nativeRoot, aside)), more);
        } catch (const platform::FileError &e) {
            text = QStringLiteral("%1 cannot be read and could not be set aside; it is replaced "
                                  "by one rebuilt from the backup folders.%2\n\n%3")
                       .arg(where, more, e.explain());
        }
    }
    if (onProblem)
        onProblem(QStringLiteral("Error! The record of changed game files was damaged."), text);
}

void Record::takeOver(const QString &gameRoot, const QString &nativeRoot)
{
    const QString name = QString::fromLatin1(oldFileName);
    std::optional<QByteArray> data;
    try {
        data = platform::readOwnFile(name, maxRead);
    } catch (const platform::FileError &) {
        return;
    }
    // A damaged old record is left where it is: the backups tell the rest.
    const qsizetype endAt = data ? data->lastIndexOf("\nend\t") + 1 : 0;
    if (!data || !data->startsWith(oldHeader + '\n') || endAt <= 0
        || data->mid(endAt) != "end\t" + LegacyHasher::of(data->left(endAt)).toHex() + '\n')
        return;
    const QList<QByteArray> lines = data->left(endAt).split('\n');
    QByteArray kept = oldHeader + '\n';
    bool mine = false, taken = false;
    Install *in = nullptr;
    // Hashes of another kind: each file is read once to tell what its old
    // hash stands for today.
    const auto rehash = [&](const QString &relative, ContentHash *old) {
        LegacyHasher legacy;
        const auto now = platform::hashFile(joined(nativeRoot, relative),
                                            [&](QByteArrayView bytes) { legacy.add(bytes); });
        *old = now ? legacy.result() : ContentHash();
        return now ? Seen{now->stamp, now->hash} : Seen{};
    };
    for (qsizetype n = 1; n + 1 < lines.size(); ++n) {
        const QByteArray &line = lines[n];
        const QList<QByteArray> f = line.split('\t');
        if (f[0] == "install" && f.size() == 3) {
            mine = decoded(f[2]) == nativeRoot;
            in = mine ? &variant(nativeRoot, f[1] == "demo") : nullptr;
        } else if (f[0] == "file" && f.size() == 11 && mine) {
            const qsizetype m
                = std::find(std::begin(modKeys), std::end(modKeys), f[1]) - std::begin(modKeys);
            bool ok = m < qsizetype(std::size(modKeys));
            Entry e;
            e.mod = Mod(m);
            e.unit = decoded(f[2]);
            e.game = decoded(f[3]);
            e.backup = decoded(f[4]);
            const ContentHash original = hashOf(f[5], &ok);
            ok &= plainBelow(e.game, u'/') && plainBelow(e.backup, u'/') && inBackupFolder(e.backup)
                  && unitFits(e.mod, e.unit, e.game);
            // An install's own record is newer than the old one.
            if (!ok || !m_kept.value(keptKey(nativeRoot, e.mod)).stamp.isNull()
                || in->entries.contains(e.game))
                continue;
            ContentHash oldGame, oldBackup;
            e.gameSeen = rehash(e.game, &oldGame);
            e.backupSeen = rehash(e.backup, &oldBackup);
            // An original neither file holds now stays unmatched: the backup is damaged.
            e.original = !oldBackup.isNull() && original == oldBackup ? e.backupSeen.hash
                         : !oldGame.isNull() && original == oldGame   ? e.gameSeen.hash
                                                                      : original;
            for (const QByteArray &w : f[6].split(',')) {
                if (!oldGame.isNull() && hashOf(w, &ok) == oldGame)
                    e.written = {e.gameSeen.hash};
            }
            mark(*in, e);
            in->entries.insert(e.game, e);
            taken = true;
            continue;
        }
        if (!mine && !line.isEmpty())
            kept += line + '\n';
    }
    if (!taken || !mayWriteTo(gameRoot))
        return;
    // Said once: the install's own record holds it now.
    try {
        if (kept.count('\n') > 1)
            platform::writeOwnFile(name, kept + "end\t" + LegacyHasher::of(kept).toHex() + '\n');
        else
            platform::removeOwnFile(name, {});
    } catch (const platform::FileError &) {
    }
}

void Record::load()
{
    m_installs.clear();
    m_kept.clear();
    m_sources.clear();
    m_sourcesChanged.clear();
    m_takenOver.clear();
}

QString Record::saveKept(Kept &kept)
{
    const QString &nativeRoot = kept.root;
    const Mod mod = kept.mod;
    QList<QPair<Install *, QString>> changes;
    for (Install &in : m_installs) {
        if (in.root != nativeRoot)
            continue;
        for (auto c = in.changed.cbegin(); c != in.changed.cend(); ++c) {
            if (c.value() == mod)
                changes.append({&in, c.key()});
        }
    }
    QStringList sources;
    if (mod == Mod::Board) {
        for (const QString &s : std::as_const(m_sourcesChanged)) {
            if (!below(nativeRoot, s).isEmpty())
                sources.append(s);
        }
    }
    // An install that is not there has nothing of ours to tell of.
    if ((changes.isEmpty() && sources.isEmpty()) || !mayWriteTo(kept.gameRoot)
        || platform::entryKind(nativeRoot) != platform::EntryKind::Folder)
        return {};
    const QString name = fileNameOf(mod);
    const auto sourceLine = [&](const QString &s) {
        const Seen &seen = m_sources[s];
        return "source\tfull\t" + encoded(below(nativeRoot, s)) + '\t'
               + seenText(seen.stamp, seen.hash);
    };
    // Nothing left of the mod: the file goes at once, not at the next compaction.
    const bool gone = std::any_of(changes.begin(), changes.end(), [](const auto &c) {
        return !c.first->entries.contains(c.second);
    });
    const bool none
        = gone && std::none_of(m_installs.begin(), m_installs.end(), [&](const Install &in) {
              return in.root == nativeRoot
                     && std::any_of(in.entries.begin(), in.entries.end(),
                                    [mod](const Entry &e) { return e.mod == mod; });
          });
    const bool whole = kept.whole || kept.stamp.isNull() || none
                       || kept.lines + changes.size() > 2 * kept.wholeLines + 64;
    QByteArray chain = whole ? firstCheck() : kept.chain;
    QByteArray out = whole ? header + '\n' : QByteArray();
    qsizetype lines = whole ? 0 : kept.lines;
    const auto add = [&](const QByteArray &body) {
        out += checked(body, &chain);
        ++lines;
    };
    if (whole) {
        for (const Install &in : std::as_const(m_installs)) {
            if (in.root != nativeRoot)
                continue;
            for (const Entry &e : in.entries) {
                if (e.mod == mod)
                    add(lineOf(in.demo, e));
            }
        }
        // Sources only help a record that is there.
        if (mod == Mod::Board && lines > 0) {
            for (auto s = m_sources.cbegin(); s != m_sources.cend(); ++s) {
                if (!below(nativeRoot, s.key()).isEmpty())
                    add(sourceLine(s.key()));
            }
        }
    } else {
        for (const auto &[in, game] : std::as_const(changes)) {
            const auto e = in->entries.constFind(game);
            add(e != in->entries.cend()
                    ? lineOf(in->demo, *e)
                    : "gone\t" + QByteArray(in->demo ? "demo" : "full") + '\t' + encoded(game));
        }
        for (const QString &s : std::as_const(sources))
            add(sourceLine(s));
    }
    try {
        // Written as the settings file is: only ever as a plain file; a link
        // or a special file in its place is refused, never written through.
        if (!whole) {
            platform::appendOwnFile(name, out, nativeRoot);
        } else if (lines > 0) {
            platform::requireOwnFile(QStringLiteral("write"), name, nativeRoot);
            platform::writeOwnFile(name, out, nativeRoot);
        } else {
            // Every file back to its original: the install is as the game left it.
            platform::requireOwnFile(QStringLiteral("delete"), name, nativeRoot);
            platform::removeOwnFile(name, nativeRoot);
        }
    } catch (const platform::FileError &e) {
        // An append may have left part of a line: the next save writes it whole.
        kept.whole = true;
        return e.explain();
    }
    kept.stamp = platform::stampOf(joined(nativeRoot, name));
    kept.chain = chain;
    kept.lines = lines;
    if (whole) {
        kept.wholeLines = lines;
        kept.whole = false;
    }
    for (const auto &[in, game] : std::as_const(changes))
        in->changed.remove(game);
    for (const QString &s : std::as_const(sources))
        m_sourcesChanged.remove(s);
    return {};
}

void Record::saveOrReport(bool report)
{
    // Writes what changed of every record held; the first failure is told.
    QString failure;
    for (Kept &kept : m_kept) {
        if (const QString failed = saveKept(kept); failure.isEmpty())
            failure = failed;
    }
    if (!failure.isEmpty())
        m_unreported = failure;
    if (!report || m_unreported.isEmpty())
        return;
    const QString why = std::exchange(m_unreported, QString());
    if (m_reported || !onProblem)
        return;
    m_reported = true;
    onProblem(QStringLiteral("Error! The record of changed game files could not be saved."), why);
}

Change::Change(Record &record, platform::FileSystem &fs, QString gameRoot, bool demo,
               const QList<Place> &writes, bool confirmed)
    : m_record(record), m_fs(fs), m_root(std::move(gameRoot)), m_demo(demo)
{
    m_admitted = confirmed || m_record.admit(m_fs, m_root, m_demo, writes);
    if (!m_admitted)
        return;
    for (const Place &p : writes)
        (isRestore(m_fs, m_root, p) ? m_restores : m_replacements).append(p);
    m_sources = m_record.expect(m_fs, m_root, m_demo, m_replacements);
    for (const Place &p : std::as_const(m_replacements))
        m_games << m_fs.nativePath(m_root + p.game);
    m_told = m_fs.onReplacing([this](const QString &native, const ContentHash &content) {
        if (const qsizetype i = m_games.indexOf(native); i >= 0 && m_sources[i] != content) {
            m_sources[i] = content;
            m_record.replacing(m_fs, m_root, m_demo, m_replacements[i], content);
        }
        if (m_told)
            m_told(native, content);
    });
}

Change::~Change()
{
    if (!m_admitted)
        return;
    m_fs.onReplacing(std::move(m_told));
    // A backup the restore removed was the record's only word on the file:
    // forgotten with it, the file is the game's own again.
    if (m_done) {
        for (const Place &p : std::as_const(m_restores))
            m_record.restored(m_fs, m_root, m_demo, p);
    }
    m_record.settle(m_fs, m_root, m_demo, m_replacements, m_sources, m_done);
}

} // namespace gamestate
