#include "platform/FileSystem.h"

#include "platform/FileStamp.h"
#include "platform/IdenticalFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace fs = std::filesystem;

namespace platform {

namespace {

fs::path toFsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(encodePath(path).toStdString());
#endif
}

QString shown(const QString &nativePath)
{
    return QDir::toNativeSeparators(nativePath);
}

std::error_code codeOf(std::errc code)
{
    return std::make_error_code(code);
}

std::error_code lastError()
{
    return std::error_code(errno, std::generic_category());
}

// Why opening a file failed: the system's code where there is one.
struct OpenFailure {
    QString reason;
    std::error_code code;
};

// Opens a native path, by its bytes outside Windows. Reading never waits on
// a pipe; writing creates a new file (NewOnly) with the usual permissions.
bool openFile(QFile &file, const QString &native, QIODevice::OpenMode mode, OpenFailure *why)
{
#ifdef Q_OS_WIN
    file.setFileName(native);
    if (file.open(mode))
        return true;
    why->reason = file.errorString();
    return false;
#else
    const int flags
        = (mode & QIODevice::WriteOnly) ? O_WRONLY | O_CREAT | O_EXCL : O_RDONLY | O_NONBLOCK;
    const int fd = ::open(encodePath(native).constData(), flags | O_CLOEXEC, 0666);
    if (fd < 0 || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        why->code = lastError();
        why->reason = QString::fromLocal8Bit(why->code.message());
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    return true;
#endif
}

FileError openError(const QString &op, const QString &path, const OpenFailure &why)
{
    return why.code ? FileError(op, path, why.code) : FileError(op, path, why.reason);
}

// Removes what killed copies left in a native folder: plain files of the
// temporary name pattern, never a link of that name or anything else.
void removeLeftovers(const QString &folder)
{
#ifdef Q_OS_WIN
    // Without a name filter: one would build a regular expression per call.
    QStringList leftovers;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (isCopyLeftover(it.fileName()) && !it.fileInfo().isSymLink())
            leftovers.append(it.filePath());
    }
    for (const QString &path : std::as_const(leftovers))
        QFile::remove(path);
#else
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return;
    const int fd = ::dirfd(dir);
    std::vector<QByteArray> leftovers;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st;
        if (std::strncmp(entry->d_name, ".vertz-", 7) == 0
            && isCopyLeftover(QString::fromLatin1(entry->d_name))
            && ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            leftovers.emplace_back(entry->d_name);
    }
    for (const QByteArray &name : leftovers)
        ::unlinkat(fd, name.constData(), 0);
    ::closedir(dir);
#endif
}

constexpr int temporaryAttempts = 16;

// Removes what a killed copy or save onto the file name left in a native
// folder ending in '/': the plain file of its temporary's name. A link or
// anything else of that name is left alone, and the next attempt's name
// looked at.
void removeLeftoverOf(const QString &folder, QStringView name)
{
    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        const fs::path temp = toFsPath(folder + temporaryNameFor(name, attempt));
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(temp, ec);
        if (!fs::exists(st))
            return;
        if (fs::is_regular_file(st)) {
            fs::remove(temp, ec);
            return;
        }
    }
}

// Creates the temporary of a copy or save onto the file name in a native
// folder ending in '/', with the usual permissions (umask), unlike
// QTemporaryFile's 0600; returns its path. A failure is op's on path (shown).
QString createTemporary(QFile &out, const QString &folder, QStringView name, const QString &op,
                        const QString &path)
{
    for (int attempt = 0;; ++attempt) {
        const QString temp = folder + temporaryNameFor(name, attempt);
        OpenFailure why;
        if (openFile(out, temp, QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                     &why))
            return temp;
        // Taken by something not the program's own (a link, a folder): the next name.
        if (attempt + 1 >= temporaryAttempts || why.code != std::errc::file_exists)
            throw openError(op, path, why);
    }
}

// Puts what was written on disk before a rename, so that a crash never
// leaves an empty file; a file system that cannot sync is no failure.
void syncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    ::_commit(file.handle());
#else
    ::fsync(file.handle());
#endif
}

// Splits "folder\wildcard" into the folder's game path and the wildcard.
void splitPattern(const QString &pattern, QString *folder, QString *wildcard)
{
    const qsizetype cut = std::max(pattern.lastIndexOf(u'\\'), pattern.lastIndexOf(u'/'));
    *folder = cut < 0 ? QString() : pattern.left(cut + 1);
    *wildcard = pattern.mid(cut + 1);
}

// '*' and '?' over case-folded text; classic greedy match with one backtrack point.
bool wildcardMatches(QStringView wildcard, QStringView name)
{
    qsizetype w = 0, n = 0, starW = -1, starN = 0;
    while (n < name.size()) {
        if (w < wildcard.size() && (wildcard[w] == u'?' || wildcard[w] == name[n])) {
            ++w;
            ++n;
        } else if (w < wildcard.size() && wildcard[w] == u'*') {
            starW = w++;
            starN = n;
        } else if (starW >= 0) {
            w = starW + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (w < wildcard.size() && wildcard[w] == u'*')
        ++w;
    return w == wildcard.size();
}

bool lessIgnoringCase(const QString &a, const QString &b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

#ifndef Q_OS_WIN
// The existing entry of folder other than name whose name matches name
// ignoring case; the first in code-unit order if several do. Plain readdir:
// a 20,000-entry folder takes about a third of QDirIterator's time.
QString matchIgnoringCase(const QString &folder, QStringView name)
{
    QString best;
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return best;
    while (const dirent *entry = ::readdir(dir)) {
        const QString candidate = decodePath(QByteArray(entry->d_name));
        if (candidate.compare(name, Qt::CaseInsensitive) == 0 && candidate != name
            && (best.isNull() || candidate < best))
            best = candidate;
    }
    ::closedir(dir);
    return best;
}
#endif

// Throws unless the native path is an existing folder.
void requireFolder(const QString &operation, const QString &folder)
{
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(folder), ec);
    if (ec)
        throw FileError(operation, shown(folder), ec);
    if (!fs::is_directory(st))
        throw FileError(operation, shown(folder), codeOf(std::errc::not_a_directory));
}

// Plain files, and links to plain files (the game sees a link as the file it
// points to). Links to folders and broken links are left out. Dot-files count:
// a copy cut short by a crash leaves one, and a folder holding it could
// otherwise never be emptied and removed.
QStringList matchingFiles(const QString &operation, const QString &folder, const QString &wildcard)
{
    requireFolder(operation, folder);
    const bool everything = wildcard == QLatin1String("*.*") || wildcard == QLatin1String("*");
    const QString folded = wildcard.toCaseFolded();
    QStringList names;
    const auto take = [&](const QString &name) {
        if (everything || wildcardMatches(folded, name.toCaseFolded()))
            names.append(name);
    };
#ifdef Q_OS_WIN
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        take(it.fileName());
    }
#else
    // By bytes, so names that are no valid UTF-8 keep them.
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        throw FileError(operation, shown(folder), lastError());
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st;
        if (entry->d_type == DT_REG
            || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
                && ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)))
            take(decodePath(QByteArray(entry->d_name)));
    }
    ::closedir(dir);
#endif
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

constexpr qint64 copyChunk = 1 << 20;

// Reads up to size bytes, fewer only at the end of the file; -1 on failure.
qint64 readFully(QFile &file, char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(data + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// Whether the plain file at target (not a link) holds exactly the bytes of in:
// the sizes first, then the contents chunk by chunk. Writes nothing.
bool holdsSameBytes(QFile &in, const QString &target)
{
    const fs::path path = toFsPath(target);
    const qint64 size = in.size();
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec))
        || fs::file_size(path, ec) != std::uintmax_t(size) || ec)
        return false;
    QFile out;
    OpenFailure why;
    if (!openFile(out, target, QIODevice::ReadOnly | QIODevice::Unbuffered, &why)
        || out.size() != size || !in.seek(0))
        return false;
    QByteArray a(copyChunk, Qt::Uninitialized), b(copyChunk, Qt::Uninitialized);
    for (qint64 done = 0; done < size;) {
        const qint64 want = std::min(copyChunk, size - done);
        if (readFully(in, a.data(), want) != want || readFully(out, b.data(), want) != want
            || std::memcmp(a.constData(), b.constData(), size_t(want)) != 0)
            return false;
        done += want;
    }
    return true;
}

enum class KernelCopy { Done, Failed, Unsupported };

// Lets the system copy in's bytes into the empty out: a shared-extent clone
// where the file system has them, else an in-kernel copy. Unsupported (and
// nothing written) where neither works; Failed with errno set.
KernelCopy kernelCopy(QFile &in, QFile &out)
{
#ifdef Q_OS_LINUX
    const int from = in.handle(), to = out.handle();
    if (::ioctl(to, FICLONE, from) == 0)
        return KernelCopy::Done;
    loff_t offset = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, size_t(1) << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            return KernelCopy::Done;
        if (errno == EINTR)
            continue;
        // Another file system, or one without the call: nothing is written yet.
        if (offset == 0
            && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
            return KernelCopy::Unsupported;
        return KernelCopy::Failed;
    }
#else
    Q_UNUSED(in);
    Q_UNUSED(out);
    return KernelCopy::Unsupported;
#endif
}
} // namespace

FileError::FileError(QString operation, QString path, QString reason, std::error_code code)
    : std::runtime_error(
        QStringLiteral("Cannot %1 %2: %3").arg(operation, path, reason).toStdString()),
      m_operation(std::move(operation)), m_path(std::move(path)), m_reason(std::move(reason)),
      m_code(code)
{
}

FileError::FileError(QString operation, QString path, std::error_code code)
    : FileError(std::move(operation), std::move(path), QString::fromLocal8Bit(code.message()), code)
{
}

QString FileError::describe() const
{
    return QStringLiteral("Cannot %1 %2: %3").arg(m_operation, m_path, m_reason);
}

QString FileError::explain() const
{
    const std::error_code &c = m_code;
    // Operations whose path is read, not written.
    const bool reading
        = m_operation == QLatin1String("copy") || m_operation == QLatin1String("list");
    const bool folder = m_operation == QLatin1String("list")
                        || m_operation.startsWith(QLatin1String("delete files"))
                        || m_operation.contains(QLatin1String("folder"));
    QString cause;
    if (c == std::errc::no_space_on_device
#ifdef EDQUOT
        || c.value() == EDQUOT
#endif
    )
        cause = QStringLiteral("The disk is full.");
    else if (c == std::errc::file_too_large)
        cause = QStringLiteral("The file is too large to be written there.");
    else if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        cause = reading ? QStringLiteral("No permission to read %1.").arg(m_path)
                        : QStringLiteral("No permission to write %1.").arg(m_path);
    else if (c == std::errc::read_only_file_system)
        cause = QStringLiteral("The disk holding %1 is read-only.").arg(m_path);
    else if (c == std::errc::no_such_file_or_directory)
        cause = m_operation == QLatin1String("create folder")
                    ? QStringLiteral("The folder that should hold %1 is missing.").arg(m_path)
                : folder ? QStringLiteral("The folder %1 is missing.").arg(m_path)
                         : QStringLiteral("The file %1 is missing.").arg(m_path);
    else if (c == std::errc::not_a_directory)
        cause = QStringLiteral("A part of %1 is not a folder.").arg(m_path);
    else if (c == std::errc::too_many_symbolic_link_levels)
        cause = QStringLiteral("%1 is a link; the program never follows a link where it "
                               "keeps its own files.")
                    .arg(m_path);
    else if (c == std::errc::is_a_directory)
        cause = QStringLiteral("%1 is a folder, not a file.").arg(m_path);
    else if (c == std::errc::invalid_argument)
        cause = QStringLiteral("%1 is not a plain file.").arg(m_path);
    else if (c == std::errc::file_exists)
        cause = QStringLiteral("%1 is already there.").arg(m_path);
    else if (c == std::errc::device_or_resource_busy || c == std::errc::text_file_busy)
        cause = QStringLiteral("%1 is in use by another program.").arg(m_path);
    else if (c == std::errc::io_error)
        cause = QStringLiteral("The disk could not be read or written.");
    else if (c == std::errc::filename_too_long)
        cause = QStringLiteral("The name %1 is too long.").arg(m_path);
    return cause.isEmpty() ? describe() : cause + QStringLiteral("\n\n") + describe();
}

QByteArray encodePath(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toLocal8Bit();
#else
    // Nearly every path is ASCII: one conversion, no look at each character.
    if (std::all_of(path.cbegin(), path.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return path.toLatin1();
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path[i].unicode();
        char32_t cp = u;
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && path[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(u, path[++i].unicode());
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += char(u - 0xDC00); // a byte carried through decodePath
            continue;
        } else if (QChar::isSurrogate(u)) {
            cp = 0xFFFD;
        }
        if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
        } else {
            if (cp < 0x10000) {
                out += char(0xE0 | (cp >> 12));
            } else {
                out += char(0xF0 | (cp >> 18));
                out += char(0x80 | ((cp >> 12) & 0x3F));
            }
            out += char(0x80 | ((cp >> 6) & 0x3F));
        }
        out += char(0x80 | (cp & 0x3F));
    }
    return out;
#endif
}

QString decodePath(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(bytes);
#else
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        const int len = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        char32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, encoded surrogates and values past U+10FFFF are no UTF-8.
        if (ok
            && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
                || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += QChar(char16_t(0xDC00 + c));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        i += len;
    }
    return out;
#endif
}

void requireOwnFile(const QString &op, const QString &name)
{
    const QString path = QDir::current().absoluteFilePath(name);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFsPath(path), ec);
    if (!fs::exists(st) || fs::is_regular_file(st))
        return;
    if (fs::is_symlink(st))
        throw FileError(op, shown(path), QStringLiteral("A link is in its place"),
                        codeOf(std::errc::too_many_symbolic_link_levels));
    throw FileError(
        op, shown(path), QStringLiteral("It is not a plain file"),
        codeOf(fs::is_directory(st) ? std::errc::is_a_directory : std::errc::invalid_argument));
}

std::optional<QByteArray> readOwnFile(const QString &name, qint64 maxSize)
{
    const QString op = QStringLiteral("read");
    requireOwnFile(op, name);
    QFile file;
    OpenFailure why;
    if (!openFile(file, QDir::current().absoluteFilePath(name), QIODevice::ReadOnly, &why))
        return std::nullopt;
#ifndef Q_OS_WIN
    // A pipe put there since the look above is refused, not waited on.
    struct stat opened;
    if (::fstat(file.handle(), &opened) != 0 || !S_ISREG(opened.st_mode))
        throw FileError(op, shown(QDir::current().absoluteFilePath(name)),
                        QStringLiteral("It is not a plain file"),
                        codeOf(std::errc::invalid_argument));
#endif
    // read(n) sets n bytes aside first: a settings file of 300 bytes need not
    // cost a megabyte.
    return file.read(std::min(maxSize, file.size()));
}

void writeOwnFile(const QString &name, const QByteArray &data)
{
    const QString path = QDir::current().absoluteFilePath(name);
    const QString op = QStringLiteral("write");
    removeLeftoverOf(QDir::currentPath() + u'/', name);
    // Most saves (every start makes some) change nothing: they write nothing.
    if (readOwnFile(name, data.size() + 1) == data)
        return;
    // A file the player made read-only is not replaced; any other keeps its permissions.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isWritable())
        throw FileError(op, shown(path),
                        QStringLiteral("Existing file %1 is not writable").arg(name));
    QFile out;
    const QString temp = createTemporary(out, QDir::currentPath() + u'/', name, op, shown(path));
    QString reason;
    // A short write under a size limit is no error to QFile: never install a truncated file.
    if (out.write(data) != data.size())
        reason = out.error() != QFileDevice::NoError ? out.errorString()
                                                     : QStringLiteral("the disk is full");
    else
        syncToDisk(out);
    out.close();
    std::error_code ec;
    if (reason.isEmpty() && existing.exists())
        fs::permissions(toFsPath(temp), fs::status(toFsPath(path), ec).permissions(), ec);
    if (reason.isEmpty()) {
        fs::rename(toFsPath(temp), toFsPath(path), ec);
        if (ec)
            reason = QString::fromLocal8Bit(ec.message());
    }
    if (!reason.isEmpty()) {
        fs::remove(toFsPath(temp), ec);
        throw FileError(op, shown(path), reason);
    }
}

QString temporaryNameFor(QStringView fileName, int attempt)
{
    // FNV-1a: the same digits from the same name on every system and version.
    quint32 h = 2166136261u;
    const auto mix = [&h](quint32 byte) {
        h ^= byte;
        h *= 16777619u;
    };
    for (const QChar c : fileName.toString().toCaseFolded()) {
        mix(c.unicode() & 0xFF);
        mix(c.unicode() >> 8);
    }
    mix(quint32(attempt));
    return QStringLiteral(".vertz-%1").arg(h, 8, 16, QLatin1Char('0'));
}

bool isCopyLeftover(QStringView name)
{
    if (name.size() != 15 || !name.startsWith(QLatin1String(".vertz-")))
        return false;
    for (const QChar c : name.mid(7)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

namespace {
void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}
} // namespace

FileSystem::FileSystem() : m_identical(std::make_shared<IdenticalFiles>())
{
    ignoreFileSizeSignal();
    m_winePrefix = qEnvironmentVariable("WINEPREFIX");
    if (m_winePrefix.isEmpty())
        m_winePrefix = QDir::homePath() + QStringLiteral("/.wine");
}

FileSystem::FileSystem(QString winePrefix)
    : m_winePrefix(std::move(winePrefix)), m_identical(std::make_shared<IdenticalFiles>())
{
    ignoreFileSizeSignal();
}

QString FileSystem::nativePath(const QString &gamePath) const
{
#ifdef Q_OS_WIN
    if (gamePath.isEmpty())
        return QDir::currentPath();
    QString path = QDir::fromNativeSeparators(gamePath);
    while (path.size() > 1 && path.endsWith(u'/') && !path.endsWith(QLatin1String(":/")))
        path.chop(1);
    if (path.size() == 2 && path[1] == u':')
        path += u'/';
    return path;
#else
    QString path = gamePath;
    path.replace(u'\\', u'/');

    QString result;
    qsizetype start = 0;
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 128) {
        result = m_winePrefix + QStringLiteral("/dosdevices/") + path[0].toLower() + u':';
        start = 2;
    } else if (path.startsWith(u'/')) {
        result = QStringLiteral("/");
    } else {
        result = QDir::currentPath();
    }

    // Once a component exists in no spelling, nothing below it can exist:
    // the rest keeps its spelling without further look-ups. Scanning the
    // parent is the slow path, taken only when the exact spelling is missing.
    bool lookUp = true;
    // Below the mirroring folder: the counterpart of parent below m_mirrorFrom.
    QString mirror;
    const auto parts = QStringView(path).mid(start).split(u'/', Qt::SkipEmptyParts);
    for (const QStringView part : parts) {
        const QString parent = result;
        if (!m_mirrorTo.isEmpty() && parent == m_mirrorTo)
            mirror = m_mirrorFrom;
        const QString counterpart = mirror;
        if (!mirror.isNull())
            mirror.append(u'/').append(part);
        if (!result.endsWith(u'/'))
            result += u'/';
        result += part;
        if (!lookUp)
            continue;
        std::error_code ec;
        if (fs::exists(fs::symlink_status(toFsPath(result), ec)))
            continue;
        // Another spelling there may be the counterpart of another entry.
        const QString best = counterpart.isNull() || matchIgnoringCase(counterpart, part).isNull()
                                 ? matchIgnoringCase(parent, part)
                                 : QString();
        if (best.isNull()) {
            lookUp = false;
        } else {
            result.chop(part.size());
            result += best;
        }
    }
    return result;
#endif
}

FileSystem FileSystem::mirroring(const QString &from, const QString &to) const
{
    FileSystem view = *this;
    view.m_mirrorFrom = nativePath(from);
    view.m_mirrorTo = nativePath(to);
    return view;
}

bool FileSystem::sameEntry(const QString &a, const QString &b) const
{
    std::error_code ec;
    return fs::equivalent(toFsPath(nativePath(a)), toFsPath(nativePath(b)), ec);
}

bool FileSystem::fileExists(const QString &path) const
{
    std::error_code ec;
    return fs::is_regular_file(fs::status(toFsPath(nativePath(path)), ec));
}

bool FileSystem::folderExists(const QString &path) const
{
    std::error_code ec;
    return fs::is_directory(fs::status(toFsPath(nativePath(path)), ec));
}

QStringList FileSystem::listFiles(const QString &pattern) const
{
    QString folder, wildcard;
    splitPattern(pattern, &folder, &wildcard);
    return matchingFiles(QStringLiteral("list"), nativePath(folder), wildcard);
}

void FileSystem::makeFolder(const QString &path)
{
    const QString native = nativePath(path);
    if (const std::error_code fault = injected(FaultInjector::Step::MakeFolder, native))
        throw FileError(QStringLiteral("create folder"), shown(native), fault);
    std::error_code ec;
    // create_directory succeeds quietly on an existing folder; that is a failure here.
    if (!fs::create_directory(toFsPath(native), ec))
        throw FileError(QStringLiteral("create folder"), shown(native),
                        ec ? ec : codeOf(std::errc::file_exists));
}

void FileSystem::makeOwnFolder(const QString &path)
{
    const QString native = nativePath(path);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFsPath(native), ec);
    if (!fs::exists(st)) {
        makeFolder(path);
        return;
    }
    // The code a no-follow open gives for a link.
    if (fs::is_symlink(st))
        throw FileError(QStringLiteral("use folder"), shown(native),
                        QStringLiteral("A link is in its place"),
                        codeOf(std::errc::too_many_symbolic_link_levels));
    if (!fs::is_directory(st))
        throw FileError(QStringLiteral("use folder"), shown(native),
                        codeOf(std::errc::not_a_directory));
}

struct FileSystem::Source {
    QString path; // native
    QFile file;
};

void FileSystem::openSource(const QString &from, Source &source) const
{
    source.path = nativePath(from);
    const QString copyOp = QStringLiteral("copy");
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(source.path), ec);
    if (ec)
        throw FileError(copyOp, shown(source.path), ec);
    if (!fs::is_regular_file(st))
        throw FileError(
            copyOp, shown(source.path),
            codeOf(fs::is_directory(st) ? std::errc::is_a_directory : std::errc::invalid_argument));
    if (const std::error_code fault = injected(FaultInjector::Step::Read, source.path))
        throw FileError(copyOp, shown(source.path), fault);
    OpenFailure why;
    if (!openFile(source.file, source.path, QIODevice::ReadOnly | QIODevice::Unbuffered, &why))
        throw openError(copyOp, shown(source.path), why);
#ifndef Q_OS_WIN
    // Whatever took its place since the look above is read only if it is a plain file.
    struct stat opened;
    if (::fstat(source.file.handle(), &opened) != 0 || !S_ISREG(opened.st_mode))
        throw FileError(copyOp, shown(source.path), codeOf(std::errc::invalid_argument));
#endif
}

void FileSystem::copyFile(const QString &from, const QString &to)
{
    Source source;
    openSource(from, source);
    copyOpened(source, to);
    m_identical->save();
}

void FileSystem::copyFiles(const QList<std::pair<QString, QString>> &copies)
{
    std::vector<std::unique_ptr<Source>> sources;
    for (const auto &copy : copies) {
        sources.push_back(std::make_unique<Source>());
        openSource(copy.first, *sources.back());
    }
    for (size_t i = 0; i < sources.size(); ++i)
        copyOpened(*sources[i], copies[qsizetype(i)].second);
    m_identical->save();
}

void FileSystem::keepIdenticalIn(const QString &fileName)
{
    m_identical->keepIn(fileName);
}

void FileSystem::copyOpened(Source &source, const QString &to)
{
    const QString target = nativePath(to);
    const QString copyOp = QStringLiteral("copy");
    const QString copyToOp = QStringLiteral("copy %1 to").arg(shown(source.path));
    QFile &in = source.file;

    // Even a copy with nothing to do tidies what a killed one left.
    const QFileInfo targetInfo(target);
    const QString name = targetInfo.fileName();
    QString folder = targetInfo.path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    removeLeftoverOf(folder, name);
    // Writing a file onto itself through a temporary would be harmless, but
    // there is nothing to do.
    std::error_code ec;
    if (fs::equivalent(toFsPath(source.path), toFsPath(target), ec))
        return;
    // Nor when the destination already holds these bytes: putting a state
    // back that is in place then costs reads, no writes, and none while
    // neither file changed since. The stamps come first, so a change during
    // the comparison shows as one.
    // A link in the destination's place is replaced, never trusted.
    FileStamp fromStamp = stampOf(source.path);
#ifndef Q_OS_WIN
    // The stamp must be the open source's: a file renamed into its place since
    // is another one. (Windows lets no one replace a file while it is open.)
    struct stat opened;
    if (::fstat(in.handle(), &opened) != 0 || quint64(opened.st_ino) != fromStamp.file
        || quint64(opened.st_dev) != fromStamp.device)
        fromStamp = FileStamp();
#endif
    const FileStamp toStamp
        = fs::is_symlink(fs::symlink_status(toFsPath(target), ec)) ? FileStamp() : stampOf(target);
    if (m_identical->contains(fromStamp, toStamp))
        return;
    if (holdsSameBytes(in, target)) {
        m_identical->add(fromStamp, toStamp);
        in.seek(0);
        return;
    }
    if (!in.seek(0))
        throw FileError(copyOp, shown(source.path), in.errorString());

    if (const std::error_code fault = injected(FaultInjector::Step::Create, target))
        throw FileError(copyToOp, shown(target), fault);
    QFile out;
    const QString temp = createTemporary(out, folder, name, copyToOp, shown(target));
    auto discard = [&] {
        out.close();
        std::error_code ignored;
        fs::remove(toFsPath(temp), ignored);
    };
    auto fail = [&](const std::error_code &code, const QString &reason = QString()) {
        discard();
        throw reason.isEmpty() ? FileError(copyToOp, shown(target), code)
                               : FileError(copyToOp, shown(target), reason, code);
    };

    switch (kernelCopy(in, out)) {
    case KernelCopy::Done:
        break;
    case KernelCopy::Failed:
        fail(lastError());
        break;
    case KernelCopy::Unsupported: {
        // A short write is no error to QFile; writing the rest once more either
        // makes progress or reports the system's reason (disk full, size limit).
        QByteArray buffer(copyChunk, Qt::Uninitialized);
        for (;;) {
            const qint64 got = in.read(buffer.data(), buffer.size());
            if (got < 0) {
                const QString reason = in.errorString();
                discard();
                throw FileError(copyOp, shown(source.path), reason);
            }
            if (got == 0)
                break;
            for (qint64 done = 0; done < got;) {
                errno = 0;
                const qint64 put = out.write(buffer.constData() + done, got - done);
                if (put <= 0) {
                    const std::error_code code = errno ? lastError() : codeOf(std::errc::io_error);
                    fail(code, out.errorString().isEmpty() ? QString() : out.errorString());
                }
                done += put;
            }
        }
        break;
    }
    }
    if (const std::error_code fault = injected(FaultInjector::Step::Write, target))
        fail(fault);
    // Whatever path the bytes took, a copy shorter than its source is no copy.
    if (out.size() != in.size())
        fail(codeOf(std::errc::io_error));
    out.close();
    if (out.error() != QFileDevice::NoError)
        fail(codeOf(std::errc::io_error), out.errorString());

    if (const std::error_code fault = injected(FaultInjector::Step::Rename, target))
        fail(fault);
    fs::rename(toFsPath(temp), toFsPath(target), ec);
    if (ec)
        fail(ec);
}

void FileSystem::deleteFile(const QString &path)
{
    const QString native = nativePath(path);
    const QString op = QStringLiteral("delete");
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
    if (!fs::is_regular_file(st))
        throw FileError(
            op, shown(native),
            codeOf(fs::is_directory(st) ? std::errc::is_a_directory : std::errc::invalid_argument));
    if (const std::error_code fault = injected(FaultInjector::Step::Delete, native))
        throw FileError(op, shown(native), fault);
    // Removes a link itself, never what it points to.
    fs::remove(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
}

void FileSystem::deleteFiles(const QString &pattern, const QStringList &keep)
{
    QString folderPath, wildcard;
    splitPattern(pattern, &folderPath, &wildcard);
    const QString folder = nativePath(folderPath);
    const QStringList names = matchingFiles(QStringLiteral("delete files in"), folder, wildcard);
    for (const QString &name : names) {
        if (keep.contains(name, Qt::CaseInsensitive))
            continue;
        const QString file = folder + u'/' + name;
        std::error_code ec = injected(FaultInjector::Step::Delete, file);
        // Only names listed in this folder are removed, and removing a link
        // removes the link: nothing outside the folder is touched.
        if (!ec)
            fs::remove(toFsPath(file), ec);
        if (ec)
            throw FileError(QStringLiteral("delete"), shown(file), ec);
    }
}

void FileSystem::removeFolder(const QString &path)
{
    const QString native = nativePath(path);
    const QString op = QStringLiteral("remove folder");
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
    if (!fs::is_directory(st))
        throw FileError(op, shown(native), codeOf(std::errc::not_a_directory));
    if (const std::error_code fault = injected(FaultInjector::Step::RemoveFolder, native))
        throw FileError(op, shown(native), fault);
    // A killed copy's leftover would keep the folder; anything else does.
    removeLeftovers(native);
    // remove() on a folder is rmdir: it refuses a folder that is not empty.
    fs::remove(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
}

} // namespace platform
