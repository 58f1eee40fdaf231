#include "platform/OwnFiles.h"

#include "platform/FileError.h"
#include "platform/FileIo.h"
#include "platform/NameEncoding.h"
#include "platform/Temporaries.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace platform {

using namespace detail;

QString workingFolder()
{
#ifdef Q_OS_WIN
    return QDir::currentPath();
#else
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    return ec ? QDir::currentPath() : decodePath(QByteArray::fromStdString(here.native()));
#endif
}

namespace {
// An own file's path; a root folder ends in its separator already.
QString ownPath(const QString &name, const QString &folder = {})
{
    const QString here = folder.isEmpty() ? workingFolder() : QDir::fromNativeSeparators(folder);
    return here.endsWith(u'/') ? here + name : here + u'/' + name;
}

// Opens the own file for op: a link or special file in its place, or put
// there since the look, is refused, not followed or waited on.
bool openOwnFile(QFile &file, const QString &op, const QString &name, const QString &folder,
                 QIODevice::OpenMode mode)
{
    requireOwnFile(op, name, folder);
    const QString path = ownPath(name, folder);
#ifdef Q_OS_WIN
    if (mode & QIODevice::Append) {
        file.setFileName(path);
        return file.open(mode);
    }
    OpenFailure why;
    return openFile(file, path, mode, &why);
#else
    const int flags = (mode & QIODevice::Append) ? O_WRONLY | O_APPEND : O_RDONLY | O_NONBLOCK;
    const int fd = ::open(encodePath(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        throw FileError(op, shown(path), QStringLiteral("It is not a plain file"),
                        codeOf(std::errc::invalid_argument));
    }
    return file.open(fd, mode, QFileDevice::AutoCloseHandle) || (::close(fd), false);
#endif
}
} // namespace

void requireOwnFile(const QString &op, const QString &name, const QString &folder)
{
    const QString path = ownPath(name, folder);
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

std::optional<QByteArray> readOwnFile(const QString &name, qint64 maxSize, const QString &folder)
{
    QFile file;
    if (!openOwnFile(file, QStringLiteral("read"), name, folder, QIODevice::ReadOnly))
        return std::nullopt;
    // read(n) sets n bytes aside first: a settings file of 300 bytes need not
    // cost a megabyte.
    return file.read(std::min(maxSize, file.size()));
}

void writeOwnFile(const QString &name, const QByteArray &data, const QString &folder)
{
    const QString path = ownPath(name, folder);
    const QString here = path.left(path.size() - name.size());
    const QString op = QStringLiteral("write");
    removeLeftoverOf(here, name);
    // Most saves (every start makes some) change nothing: they write nothing.
    if (readOwnFile(name, data.size() + 1, folder) == data)
        return;
    // A file the player made read-only is not replaced, whoever runs the
    // program; any other keeps its permissions.
    std::error_code ec;
    const fs::file_status was = fs::status(toFsPath(path), ec);
    const bool exists = fs::exists(was);
    if (exists && (was.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw FileError(op, shown(path),
                        QStringLiteral("Existing file %1 is not writable").arg(name));
    QFile out;
    const QString temp = createTemporary(out, here, name, op, shown(path));
    QString reason;
    // A short write under a size limit is no error to QFile: never install a truncated file.
    if (out.write(data) != data.size())
        reason = out.error() != QFileDevice::NoError ? out.errorString()
                                                     : QStringLiteral("the disk is full");
    else if (const std::error_code synced = syncFile(out))
        reason = QString::fromLocal8Bit(synced.message());
    out.close();
    if (reason.isEmpty() && exists)
        fs::permissions(toFsPath(temp), was.permissions(), ec);
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

void renameOwnFile(const QString &name, const QString &to, const QString &folder)
{
    std::error_code ec;
    fs::rename(toFsPath(ownPath(name, folder)), toFsPath(ownPath(to, folder)), ec);
    if (ec)
        throw FileError(QStringLiteral("rename"), shown(ownPath(name, folder)), ec);
}

void removeOwnFile(const QString &name, const QString &folder)
{
    std::error_code ec;
    if (!fs::remove(toFsPath(ownPath(name, folder)), ec) && ec)
        throw FileError(QStringLiteral("delete"), shown(ownPath(name, folder)), ec);
}

void appendOwnFile(const QString &name, const QByteArray &data, const QString &folder)
{
    const QString op = QStringLiteral("write");
    QFile file;
    if (!openOwnFile(file, op, name, folder, QIODevice::WriteOnly | QIODevice::Append))
        throw FileError(op, shown(ownPath(name, folder)), QStringLiteral("It cannot be opened"));
    // One write: a kill leaves the line whole or cut short, never another's bytes in it.
    QString reason;
    if (file.write(data) != data.size() || !file.flush())
        reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QStringLiteral("the disk is full");
    else if (const std::error_code synced = syncFile(file))
        reason = QString::fromLocal8Bit(synced.message());
    if (!reason.isEmpty())
        throw FileError(op, shown(ownPath(name, folder)), reason);
}

} // namespace platform
