#include "platform/FileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifndef Q_OS_WIN
#include <dirent.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace platform {

namespace {

fs::path toFsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}

QString shown(const QString &nativePath)
{
    return QDir::toNativeSeparators(nativePath);
}

QString reasonOf(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message());
}

QString reasonOf(std::errc code)
{
    return reasonOf(std::make_error_code(code));
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
// The existing entry of folder whose name matches name ignoring case; the
// first in code-unit order if several do. Plain readdir: a 20,000-entry
// folder takes about a third of QDirIterator's time.
QString matchIgnoringCase(const QString &folder, QStringView name)
{
    QString best;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return best;
    while (const dirent *entry = ::readdir(dir)) {
        const QString candidate = QFile::decodeName(entry->d_name);
        if (candidate.compare(name, Qt::CaseInsensitive) == 0
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
        throw FileError(operation, shown(folder), reasonOf(ec));
    if (!fs::is_directory(st))
        throw FileError(operation, shown(folder), reasonOf(std::errc::not_a_directory));
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
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (everything || wildcardMatches(folded, name.toCaseFolded()))
            names.append(name);
    }
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
    QFile out(target);
    if (!out.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || out.size() != size || !in.seek(0))
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

FileError::FileError(QString operation, QString path, QString reason)
    : std::runtime_error(
        QStringLiteral("Cannot %1 %2: %3").arg(operation, path, reason).toStdString()),
      m_operation(std::move(operation)), m_path(std::move(path)), m_reason(std::move(reason))
{
}

QString FileError::describe() const
{
    return QStringLiteral("Cannot %1 %2: %3").arg(m_operation, m_path, m_reason);
}

FileSystem::FileSystem()
{
    m_winePrefix = qEnvironmentVariable("WINEPREFIX");
    if (m_winePrefix.isEmpty())
        m_winePrefix = QDir::homePath() + QStringLiteral("/.wine");
}

FileSystem::FileSystem(QString winePrefix) : m_winePrefix(std::move(winePrefix)) {}

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
    const auto parts = QStringView(path).mid(start).split(u'/', Qt::SkipEmptyParts);
    for (const QStringView part : parts) {
        const QString parent = result;
        if (!result.endsWith(u'/'))
            result += u'/';
        result += part;
        if (!lookUp)
            continue;
        std::error_code ec;
        if (fs::exists(fs::symlink_status(toFsPath(result), ec)))
            continue;
        const QString best = matchIgnoringCase(parent, part);
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

bool FileSystem::fileExists(const QString &path) const
{
    return QFileInfo(nativePath(path)).isFile();
}

bool FileSystem::folderExists(const QString &path) const
{
    return QFileInfo(nativePath(path)).isDir();
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
    std::error_code ec;
    // create_directory succeeds quietly on an existing folder; that is a failure here.
    if (!fs::create_directory(toFsPath(native), ec))
        throw FileError(QStringLiteral("create folder"), shown(native),
                        ec ? reasonOf(ec) : reasonOf(std::errc::file_exists));
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
    if (fs::is_symlink(st))
        throw FileError(QStringLiteral("use folder"), shown(native),
                        QStringLiteral("A link is in its place"));
    if (!fs::is_directory(st))
        throw FileError(QStringLiteral("use folder"), shown(native),
                        reasonOf(std::errc::not_a_directory));
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
        throw FileError(copyOp, shown(source.path), reasonOf(ec));
    if (!fs::is_regular_file(st))
        throw FileError(copyOp, shown(source.path),
                        reasonOf(fs::is_directory(st) ? std::errc::is_a_directory
                                                      : std::errc::invalid_argument));
    source.file.setFileName(source.path);
    if (!source.file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw FileError(copyOp, shown(source.path), source.file.errorString());
}

void FileSystem::copyFile(const QString &from, const QString &to)
{
    Source source;
    openSource(from, source);
    copyOpened(source, to);
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
}

void FileSystem::copyOpened(Source &source, const QString &to)
{
    const QString target = nativePath(to);
    const QString copyOp = QStringLiteral("copy");
    const QString copyToOp = QStringLiteral("copy %1 to").arg(shown(source.path));
    QFile &in = source.file;

    // Writing a file onto itself through a temporary would be harmless, but
    // there is nothing to do.
    std::error_code ec;
    if (fs::equivalent(toFsPath(source.path), toFsPath(target), ec))
        return;
    // Nor when the destination already holds these bytes: putting a state
    // back that is in place then costs reads, no writes.
    if (holdsSameBytes(in, target)) {
        in.seek(0);
        return;
    }
    if (!in.seek(0))
        throw FileError(copyOp, shown(source.path), in.errorString());

    // NewOnly creates with the usual permissions (umask), unlike QTemporaryFile's 0600.
    QString folder = QFileInfo(target).path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QFile out;
    for (int attempt = 0;; ++attempt) {
        out.setFileName(
            folder
            + QStringLiteral(".vertz-%1")
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        if (attempt >= 16 || !out.exists())
            throw FileError(copyToOp, shown(target), out.errorString());
    }
    const QString temp = out.fileName();
    auto discard = [&] {
        out.close();
        QFile::remove(temp);
    };
    auto fail = [&](const QString &reason) {
        discard();
        throw FileError(copyToOp, shown(target), reason);
    };

    switch (kernelCopy(in, out)) {
    case KernelCopy::Done:
        break;
    case KernelCopy::Failed:
        fail(reasonOf(std::error_code(errno, std::generic_category())));
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
                const qint64 put = out.write(buffer.constData() + done, got - done);
                if (put <= 0)
                    fail(out.errorString().isEmpty() ? reasonOf(std::errc::io_error)
                                                     : out.errorString());
                done += put;
            }
        }
        break;
    }
    }
    // Whatever path the bytes took, a copy shorter than its source is no copy.
    if (out.size() != in.size())
        fail(reasonOf(std::errc::io_error));
    out.close();
    if (out.error() != QFileDevice::NoError)
        fail(out.errorString());

    fs::rename(toFsPath(temp), toFsPath(target), ec);
    if (ec)
        fail(reasonOf(ec));
}

void FileSystem::deleteFile(const QString &path)
{
    const QString native = nativePath(path);
    const QString op = QStringLiteral("delete");
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), reasonOf(ec));
    if (!fs::is_regular_file(st))
        throw FileError(op, shown(native),
                        reasonOf(fs::is_directory(st) ? std::errc::is_a_directory
                                                      : std::errc::invalid_argument));
    // Removes a link itself, never what it points to.
    fs::remove(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), reasonOf(ec));
}

void FileSystem::deleteFiles(const QString &pattern)
{
    QString folderPath, wildcard;
    splitPattern(pattern, &folderPath, &wildcard);
    const QString folder = nativePath(folderPath);
    const QStringList names = matchingFiles(QStringLiteral("delete files in"), folder, wildcard);
    for (const QString &name : names) {
        const QString file = folder + u'/' + name;
        std::error_code ec;
        // Only names listed in this folder are removed, and removing a link
        // removes the link: nothing outside the folder is touched.
        fs::remove(toFsPath(file), ec);
        if (ec)
            throw FileError(QStringLiteral("delete"), shown(file), reasonOf(ec));
    }
}

void FileSystem::removeFolder(const QString &path)
{
    const QString native = nativePath(path);
    const QString op = QStringLiteral("remove folder");
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), reasonOf(ec));
    if (!fs::is_directory(st))
        throw FileError(op, shown(native), reasonOf(std::errc::not_a_directory));
    // remove() on a folder is rmdir: it refuses a folder that is not empty.
    fs::remove(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), reasonOf(ec));
}

} // namespace platform
