#include "platform/FileIo.h"

#include "platform/NameEncoding.h"

#include <cerrno>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform::detail {

bool openFile(QFile &file, const QString &native, QIODevice::OpenMode mode, OpenFailure *why)
{
#ifdef Q_OS_WIN
    const bool write = mode & QIODevice::WriteOnly;
    const HANDLE h = ::CreateFileW(
        reinterpret_cast<const wchar_t *>(native.utf16()), write ? GENERIC_WRITE : GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, write ? CREATE_NEW : OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    const int fd = h == INVALID_HANDLE_VALUE
                       ? -1
                       : ::_open_osfhandle(intptr_t(h),
                                           write ? _O_WRONLY | _O_BINARY : _O_RDONLY | _O_BINARY);
    if (fd < 0 || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        why->code = std::error_code(int(::GetLastError()), std::system_category());
        why->reason = QString::fromLocal8Bit(why->code.message());
        if (fd >= 0)
            ::_close(fd);
        else if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        return false;
    }
    return true;
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

#ifndef Q_OS_WIN
namespace {
// Syncs an open descriptor; a file system that cannot sync is no failure.
std::error_code syncDescriptor(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EINVAL || errno == EOPNOTSUPP)
            return {};
        return lastError();
    }
    return {};
}
} // namespace
#endif

std::error_code syncFile(QFile &file)
{
#ifdef Q_OS_WIN
    if (::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()))))
        return {};
    const DWORD code = ::GetLastError();
    // A file system without the call: nothing to sync.
    return code == ERROR_INVALID_FUNCTION ? std::error_code()
                                          : std::error_code(int(code), std::system_category());
#else
    return syncDescriptor(file.handle());
#endif
}

void startWriteOut(QFile &file)
{
#ifdef Q_OS_LINUX
    ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}

std::error_code syncFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    // Windows has no way to sync a folder.
    Q_UNUSED(folder);
    return {};
#else
    const int fd = ::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the player may write to but not read cannot be synced: no failure.
    if (fd < 0)
        return {};
    const std::error_code code = syncDescriptor(fd);
    ::close(fd);
    return code;
#endif
}

} // namespace platform::detail
