#include "gamestate/Record.h"

#include "platform/FileSystem.h"
#include "platform/FolderReading.h"
#include "platform/HashCache.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <utility>

namespace gamestate {

const char *const Record::fileName = "vertzmod-gamefiles.rec";

namespace {

using platform::ContentHash;
using platform::FileStamp;

const QByteArray header = "Vertz Mod Utility record of changed game files, version 1";
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

QString decoded(const QByteArray &field)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(field);
#ifdef Q_OS_WIN
    return QString::fromUtf8(bytes);
#else
    return platform::decodePath(bytes);
#endif
}

QString joined(const QString &nativeRoot, const QString &relative)
{
    return nativeRoot.endsWith(u'/') ? nativeRoot + relative : nativeRoot + u'/' + relative;
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

QString gamePath(const QString &relative)
{
    return QString(relative).replace(u'/', u'\\');
}

// Every file below a native backup folder that a path can reach, as paths
// relative to it with backslashes. Links to folders are not followed, and
// what a killed copy left is no backup.
void walk(const QString &native, const QString &relative, QStringList *found)
{
    platform::FolderContents contents;
    try {
        contents = platform::readFolder(native);
    } catch (const platform::FileError &) {
        return;
    }
    for (qsizetype i = 0; i < contents.files.size(); ++i) {
        const QString name = contents.files.at(i).toString();
        if (contents.files.isExact(i) && !name.contains(u'\\') && !platform::isCopyLeftover(name))
            found->append(relative + name);
    }
    for (qsizetype i = 0; i < contents.folders.size(); ++i) {
        const QString name = contents.folders.at(i).toString();
        if (contents.folders.isExact(i) && !name.contains(u'\\'))
            walk(native + u'/' + name, relative + name + u'\\', found);
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

Record::Install &Record::install(const QString &nativeRoot, bool demo)
{
    if (!m_loaded)
        load();
    for (Install &in : m_installs) {
        if (in.root == nativeRoot && in.demo == demo)
            return in;
    }
    m_installs.append({demo, nativeRoot, {}});
    return m_installs.last();
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
    takeIn(hashes, in.root, e, known);
    m_dirty = true;
    return &*in.entries.insert(game, e);
}

void Record::takeIn(platform::HashCache &hashes, const QString &nativeRoot, Entry &e,
                    const QStringList &known)
{
    const ContentHash backup = current(hashes, joined(nativeRoot, e.backup), e.backupSeen);
    if (backup.isNull())
        return;
    e.original = backup;
    const QString game = joined(nativeRoot, e.game);
    const ContentHash now = current(hashes, game, e.gameSeen);
    if (!now.isNull() && now != backup && holdsOneOf(hashes, game, known))
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
    const ContentHash backup = current(hashes, joined(in.root, e->backup), e->backupSeen);
    const ContentHash original = e->original.isNull() ? backup : e->original;
    if (original.isNull()) {
        // Never backed up as far as anyone knows: the mod backs up the
        // game's own first. But a file holding the mod's own content has
        // lost its backup, and backing it up would keep the mod as the
        // game's file. Its hash is left to the backup's copy, which reads
        // it anyway.
        const bool mod
            = (!e->written.isEmpty() && e->written.contains(current(hashes, game, e->gameSeen)))
              || holdsOneOf(hashes, game, modContents(fs, gameRoot, place));
        return mod ? Hold::Unsafe : Hold::None;
    }
    const ContentHash now = current(hashes, game, e->gameSeen);
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
    Install &in = install(fs.nativePath(gameRoot), demo);
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

ContentHash Record::current(platform::HashCache &hashes, const QString &native, Seen &seen)
{
    const FileStamp now = platform::stampOf(native);
    if (!now.isNull() && now == seen.stamp) {
        hashes.add(now, seen.hash);
        return seen.hash;
    }
    const auto read = now.isNull() ? std::nullopt : hashes.hashOf(native);
    const Seen was = seen;
    seen = read ? Seen{read->stamp, read->hash} : Seen{};
    m_dirty |= seen.stamp != was.stamp || seen.hash != was.hash;
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
        m_dirty = true;
    }
    return h;
}

State Record::judge(platform::HashCache &hashes, const QString &nativeRoot, Entry &e, bool *done)
{
    const ContentHash backup = current(hashes, joined(nativeRoot, e.backup), e.backupSeen);
    if (e.original.isNull()) {
        // Never backed up, so never replaced: the mods back up first.
        if (backup.isNull()) {
            *done = true;
            return State::Original;
        }
        e.original = backup;
        m_dirty = true;
    }
    const ContentHash game = current(hashes, joined(nativeRoot, e.game), e.gameSeen);
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
    Install &in = install(root, demo);
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
        for (const QString &rel : std::as_const(found))
            entryFor(fs.hashes(), in,
                     {m.mod, m.gameFolder + rel, m.gameFolder + rel, m.backupFolder + rel},
                     fs.nativePath(games + rel), fs.nativePath(backups + rel));
    }

    QList<FileStatus> states;
    for (auto e = in.entries.begin(); e != in.entries.end();) {
        bool done = false;
        const State state
            = mods.contains(e->mod) ? judge(fs.hashes(), root, *e, &done) : State::Original;
        if (done) {
            e = in.entries.erase(e);
            m_dirty = true;
            continue;
        }
        if (mods.contains(e->mod))
            states.append({e->mod, e->unit, gamePath(e->game), gamePath(e->backup), state});
        ++e;
    }
    std::sort(states.begin(), states.end(), [](const FileStatus &a, const FileStatus &b) {
        if (a.mod != b.mod)
            return a.mod < b.mod;
        const int c = a.game.compare(b.game, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.game < b.game;
    });
    saveOrReport(true);
    return states;
}

QList<ContentHash> Record::expect(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                                  const QList<Place> &replacements)
{
    Install &in = install(fs.nativePath(gameRoot), demo);
    QList<ContentHash> hashes;
    for (const Place &p : replacements) {
        Entry *e = entryFor(in, gameRoot, p, fs);
        const ContentHash h = sourceHash(fs.hashes(), fs.nativePath(p.source));
        hashes.append(h);
        if (e)
            expectIn(*e, h);
    }
    // A failure is told after the mod's own work, so its message comes first.
    saveOrReport(false);
    return hashes;
}

void Record::expectIn(Entry &e, const ContentHash &content)
{
    if (content.isNull() || e.written.contains(content))
        return;
    e.written.append(content);
    if (e.written.size() > keptWritten)
        e.written.removeFirst();
    m_dirty = true;
}

void Record::replacing(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                       const Place &place, const ContentHash &content)
{
    Install &in = install(fs.nativePath(gameRoot), demo);
    if (Entry *e = entryFor(in, gameRoot, place, fs))
        expectIn(*e, content);
    saveOrReport(false);
}

void Record::settle(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                    const QList<Place> &replacements, const QList<ContentHash> &sources, bool done)
{
    const QString root = fs.nativePath(gameRoot);
    platform::HashCache &hashes = fs.hashes();
    Install &in = install(root, demo);
    for (qsizetype i = 0; i < replacements.size(); ++i) {
        const QString game = below(root, fs.nativePath(gameRoot + replacements[i].game));
        const auto at = in.entries.find(game);
        if (at == in.entries.end())
            continue;
        if (at->original.isNull()) {
            // A backup made just now was hashed as it was copied.
            const ContentHash backup = current(hashes, joined(root, at->backup), at->backupSeen);
            if (backup.isNull()) {
                in.entries.erase(at);
                m_dirty = true;
                continue;
            }
            at->original = backup;
            m_dirty = true;
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
        expectIn(*at, source);
        // What the copy wrote, else the source's content, which the game holds.
        const FileStamp stamp = platform::stampOf(joined(root, game));
        const ContentHash wrote = hashes.find(stamp);
        const Seen now{stamp, wrote.isNull() ? source : wrote};
        if (now.hash.isNull())
            continue;
        // Every start puts the board in again: most settles learn nothing.
        m_dirty |= now.stamp != at->gameSeen.stamp || now.hash != at->gameSeen.hash;
        at->gameSeen = now;
    }
    saveOrReport(true);
}

void Record::restored(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                      const FileStatus &file)
{
    forget(install(fs.nativePath(gameRoot), demo), QString(file.game).replace(u'\\', u'/'));
}

void Record::restored(platform::FileSystem &fs, const QString &gameRoot, bool demo,
                      const Place &place)
{
    Install &in = install(fs.nativePath(gameRoot), demo);
    forget(in, below(in.root, fs.nativePath(gameRoot + place.game)));
}

void Record::forget(Install &in, const QString &game)
{
    const QString &root = in.root;
    const auto e = in.entries.find(game);
    if (e == in.entries.end())
        return;
    if (platform::stampOf(joined(root, e->backup)).isNull())
        in.entries.erase(e);
    else if (!e->original.isNull()) // else learnt from the backup when next looked at
        e->gameSeen = {platform::stampOf(joined(root, e->game)), e->original};
    m_dirty = true;
}

QByteArray Record::format() const
{
    QByteArray out = header + '\n';
    const auto seen = [](const Seen &s) { return s.stamp.toText() + '\t' + s.hash.toHex(); };
    for (const Install &in : m_installs) {
        if (in.entries.isEmpty())
            continue;
        out += "install\t" + QByteArray(in.demo ? "demo" : "full") + '\t' + encoded(in.root) + '\n';
        for (const Entry &e : in.entries) {
            QByteArrayList written;
            for (const ContentHash &h : e.written)
                written.append(h.toHex());
            out += "file\t" + modKey(e.mod).toLatin1() + '\t' + encoded(e.unit) + '\t'
                   + encoded(e.game) + '\t' + encoded(e.backup) + '\t' + e.original.toHex() + '\t'
                   + written.join(',') + '\t' + seen(e.gameSeen) + '\t' + seen(e.backupSeen) + '\n';
        }
    }
    for (auto s = m_sources.constBegin(); s != m_sources.constEnd(); ++s)
        out += "source\t" + encoded(s.key()) + '\t' + seen(s.value()) + '\n';
    // What a crash of the disk or a hand cut short would leave shows here.
    return out + "end\t" + ContentHash::of(out).toHex() + '\n';
}

namespace {

// The backup folders the mods keep originals in, as the mods name them.
const char *const backupFolders[] = {"boardbakup",  "trickbackup",        "scriptsbackup",
                                     "motoxbackup", "panelspritesbackup", "fontbackup"};

// One name that stays where it is put: a part that climbs, stays, or holds
// a separator could lead a restore out of the install.
bool plainName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/')
        || name.contains(u'\\') || name.contains(QChar(0)))
        return false;
#ifdef Q_OS_WIN
    // A drive, a stream, or a name Windows trims to another.
    return !name.contains(u':') && !name.endsWith(u'.') && !name.endsWith(u' ');
#else
    return true;
#endif
}

// A path below the install, split into its plain names; empty when it is not one.
QStringList partsBelow(const QString &relative, QChar separator)
{
    const QStringList parts = relative.split(separator);
    return std::all_of(parts.begin(), parts.end(), plainName) ? parts : QStringList();
}

bool inBackupFolder(const QStringList &parts)
{
    return std::any_of(parts.begin(), parts.end() - 1, [](const QString &part) {
        return std::any_of(std::begin(backupFolders), std::end(backupFolders),
                           [&](const char *folder) {
                               return part.compare(QLatin1String(folder), Qt::CaseInsensitive) == 0;
                           });
    });
}

// A trick's unit is its game path as the mod spells it; any other unit is a name.
bool unitFits(Mod mod, const QString &unit, const QString &game)
{
    if (mod != Mod::Tricks)
        return plainName(unit);
    return !partsBelow(unit, u'\\').isEmpty()
           && QString(unit).replace(u'\\', u'/').compare(game, Qt::CaseInsensitive) == 0;
}

} // namespace

bool Record::parse(const QByteArray &data)
{
    const qsizetype endAt = data.lastIndexOf("\nend\t") + 1;
    if (!data.startsWith(header + '\n') || endAt <= 0 || !data.endsWith('\n')
        || data.mid(endAt) != "end\t" + ContentHash::of(data.left(endAt)).toHex() + '\n')
        return false;
    const auto hash = [](const QByteArray &hex, bool *ok) {
        const ContentHash h = ContentHash::fromHex(hex);
        *ok &= hex.isEmpty() || !h.isNull();
        return h;
    };
    const auto seen = [&](const QByteArray &stamp, const QByteArray &hex, bool *ok) {
        const Seen s{FileStamp::fromText(stamp), hash(hex, ok)};
        *ok &= stamp.isEmpty() || !s.stamp.isNull();
        return s;
    };
    const QList<QByteArray> lines = data.left(endAt).split('\n');
    bool ok = true;
    for (qsizetype n = 1; n < lines.size() && ok; ++n) {
        const QList<QByteArray> f = lines[n].split('\t');
        if (f[0] == "install" && f.size() == 3 && (f[1] == "full" || f[1] == "demo")) {
            m_installs.append({f[1] == "demo", decoded(f[2]), {}});
            ok = QDir::isAbsolutePath(m_installs.last().root);
        } else if (f[0] == "file" && f.size() == 11 && !m_installs.isEmpty()) {
            Entry e;
            const qsizetype mod
                = std::find(std::begin(modKeys), std::end(modKeys), f[1]) - std::begin(modKeys);
            ok = mod < qsizetype(std::size(modKeys));
            e.mod = Mod(mod);
            e.unit = decoded(f[2]);
            e.game = decoded(f[3]);
            e.backup = decoded(f[4]);
            e.original = hash(f[5], &ok);
            for (const QByteArray &w : f[6].split(',')) {
                if (!w.isEmpty())
                    e.written.append(hash(w, &ok));
            }
            e.gameSeen = seen(f[7], f[8], &ok);
            e.backupSeen = seen(f[9], f[10], &ok);
            // A restore deletes and writes at these paths: only ours below the install.
            const QStringList backup = partsBelow(e.backup, u'/');
            ok &= !partsBelow(e.game, u'/').isEmpty() && !backup.isEmpty() && inBackupFolder(backup)
                  && unitFits(e.mod, e.unit, e.game);
            m_installs.last().entries.insert(e.game, e);
        } else if (f[0] == "source" && f.size() == 4) {
            const QString source = decoded(f[1]);
            ok = QDir::isAbsolutePath(source);
            m_sources.insert(source, seen(f[2], f[3], &ok));
        } else {
            ok = lines[n].isEmpty() && n == lines.size() - 1;
        }
    }
    return ok;
}

void Record::load()
{
    m_loaded = true;
    const QString why = read();
    if (!why.isEmpty() && onProblem)
        onProblem(QStringLiteral("Error! The record of changed game files was damaged."), why);
}

QString Record::read()
{
    m_installs.clear();
    m_sources.clear();
    m_dirty = false;
    const QString name = QString::fromLatin1(fileName);
    std::optional<QByteArray> data;
    QString why;
    try {
        data = platform::readOwnFile(name, maxRead);
    } catch (const platform::FileError &e) {
        why = e.explain();
    }
    if (why.isEmpty() && (!data || parse(*data)))
        return {};
    m_installs.clear();
    m_sources.clear();
    // Kept for whoever wants to look at it, under a name of its own.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = QStringLiteral("vertzmod-gamefiles.damaged-%1.rec").arg(stamp);
    for (int n = 2; QFileInfo(aside).exists() || QFileInfo(aside).isSymLink(); ++n)
        aside = QStringLiteral("vertzmod-gamefiles.damaged-%1-%2.rec").arg(stamp).arg(n);
    const QString where = QDir::current().absoluteFilePath(name);
    if (!QFile::rename(name, aside))
        return QStringLiteral("%1 cannot be read and could not be set aside; it is replaced by "
                              "one rebuilt from the backup folders.%2")
            .arg(QDir::toNativeSeparators(where),
                 why.isEmpty() ? QString() : QStringLiteral("\n\n") + why);
    m_dirty = true;
    return QStringLiteral("%1 was damaged. It was set aside as %2, and the record is rebuilt from "
                          "the backup folders.%3")
        .arg(QDir::toNativeSeparators(where),
             QDir::toNativeSeparators(QDir::current().absoluteFilePath(aside)),
             why.isEmpty() ? QString() : QStringLiteral("\n\n") + why);
}

QString Record::save()
{
    if (!m_loaded)
        load();
    const QByteArray data = format();
    const QString name = QString::fromLatin1(fileName);
    // The settings file's kind of write; only ever a plain file, a link or a
    // special file in its place is refused, never written through.
    try {
        platform::requireOwnFile(QStringLiteral("write"), name);
        platform::writeOwnFile(name, data);
    } catch (const platform::FileError &e) {
        return e.explain();
    }
    m_dirty = false;
    return {};
}

void Record::saveOrReport(bool report)
{
    if (m_dirty) {
        if (const QString why = save(); !why.isEmpty())
            m_unreported = why;
    }
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
