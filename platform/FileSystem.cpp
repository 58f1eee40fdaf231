#include "platform/FileSystem.h"

#include "platform/FileIo.h"
#include "platform/FolderReading.h"
#include "platform/HashCache.h"
#include "platform/IdenticalFiles.h"
#include "platform/NameEncoding.h"
#include "platform/Temporaries.h"

#include <QDir>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace platform {

using namespace detail;

namespace {

// Refuses for op what is no plain file at native (a link is followed), whose
// kind a look-up found: a plain file costs no second look.
void requirePlainFile(EntryKind kind, const QString &op, const QString &native)
{
    if (kind == EntryKind::File)
        return;
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
    if (!fs::is_regular_file(st))
        throw FileError(
            op, shown(native),
            codeOf(fs::is_directory(st) ? std::errc::is_a_directory : std::errc::invalid_argument));
}

} // namespace

FileSystem::FileSystem() : FileSystem(qEnvironmentVariable("WINEPREFIX"))
{
    if (m_winePrefix.isEmpty())
        m_winePrefix = QDir::homePath() + QStringLiteral("/.wine");
}

FileSystem::FileSystem(QString winePrefix)
    : m_winePrefix(std::move(winePrefix)), m_identical(std::make_shared<IdenticalFiles>()),
      m_hashes(std::make_shared<HashCache>()), m_replacing(std::make_shared<Replacing>())
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool FileSystem::sameEntry(const QString &a, const QString &b) const
{
    std::error_code ec;
    return fs::equivalent(toFsPath(nativePath(a)), toFsPath(nativePath(b)), ec);
}

bool FileSystem::fileExists(const QString &path) const
{
    EntryKind kind;
    const QString native = nativePath(path, &kind);
    std::error_code ec;
    return kind == EntryKind::File
           || (kind == EntryKind::Link && fs::is_regular_file(fs::status(toFsPath(native), ec)));
}

bool FileSystem::folderExists(const QString &path) const
{
    std::error_code ec;
    return fs::is_directory(fs::status(toFsPath(nativePath(path)), ec));
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

void FileSystem::openSource(const QString &from, Source &source) const
{
    EntryKind kind;
    source.path = nativePath(from, &kind);
    const QString copyOp = QStringLiteral("copy");
    requirePlainFile(kind, copyOp, source.path);
    if (const std::error_code fault = injected(FaultInjector::Step::Read, source.path))
        throw FileError(copyOp, shown(source.path), fault);
    OpenFailure why;
    if (!openFile(source.file, source.path, QIODevice::ReadOnly | QIODevice::Unbuffered, &why))
        throw openError(copyOp, shown(source.path), why);
#ifndef Q_OS_WIN
    // Whatever took its place since the look above is read only if it is a plain file.
    if (::fstat(source.file.handle(), &source.opened) != 0 || !S_ISREG(source.opened.st_mode))
        throw FileError(copyOp, shown(source.path), codeOf(std::errc::invalid_argument));
#endif
}

FileSystem::Replacing FileSystem::onReplacing(Replacing told)
{
    return std::exchange(*m_replacing, std::move(told));
}

void FileSystem::keepIdenticalIn(const QString &fileName)
{
    m_identical->keepIn(fileName);
}

void FileSystem::deleteFile(const QString &path)
{
    EntryKind kind;
    const QString native = nativePath(path, &kind);
    const QString op = QStringLiteral("delete");
    requirePlainFile(kind, op, native);
    std::error_code ec;
    if (const std::error_code fault = injected(FaultInjector::Step::Delete, native))
        throw FileError(op, shown(native), fault);
    // Removes a link itself, never what it points to.
    fs::remove(toFsPath(native), ec);
    if (ec)
        throw FileError(op, shown(native), ec);
}

// Plain files go, and links to plain files (the game sees a link as the
// file it points to); links to folders and broken links stay. Dot-files
// count: a copy cut short by a crash leaves one, and a folder holding it
// could otherwise never be emptied and removed.
void FileSystem::deleteFilesIn(const QString &folderPath, const QStringList &keep)
{
    const QString folder = nativePath(folderPath);
    const QString op = QStringLiteral("delete files in");
    std::error_code ec;
    const fs::file_status st = fs::status(toFsPath(folder), ec);
    if (ec)
        throw FileError(op, shown(folder), ec);
    if (!fs::is_directory(st))
        throw FileError(op, shown(folder), codeOf(std::errc::not_a_directory));
    QStringList names;
#ifdef Q_OS_WIN
    names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
#else
    // By bytes, so names that are no valid UTF-8 keep them.
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        throw FileError(op, shown(folder), lastError());
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st;
        if (entry->d_type == DT_REG
            || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
                && ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)))
            names.append(decodePath(QByteArray(entry->d_name)));
    }
    ::closedir(dir);
#endif
    for (const QString &name : std::as_const(names)) {
        if (keep.contains(name, Qt::CaseInsensitive))
            continue;
        const QString file = folder + u'/' + name;
        ec = injected(FaultInjector::Step::Delete, file);
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
    // Some systems give a lack of permission as the reason; the folder's
    // contents are the one that helps.
    std::error_code listing;
    if (ec && ec != std::errc::directory_not_empty && !fs::is_empty(toFsPath(native), listing)
        && !listing)
        ec = codeOf(std::errc::directory_not_empty);
    if (ec)
        throw FileError(op, shown(native), ec);
}

} // namespace platform
