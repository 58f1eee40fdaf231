#include "platform/FileStamp.h"

#include "platform/NameEncoding.h"
#include <QDir>
#include <QList>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <limits>
#include <type_traits>

namespace platform {

QByteArray FileStamp::toText() const
{
    if (isNull())
        return {};
    QByteArray text;
    for (const qint64 n : {size, modified, changed})
        text += QByteArray::number(n) + ':';
    return text + QByteArray::number(file) + ':' + QByteArray::number(device);
}

namespace {
// A decimal number, signed where allowed, that fits its type; read in place,
// as a record holds thousands of them.
template <typename T> bool readNumber(QByteArrayView text, T *out)
{
    const bool negative = std::is_signed_v<T> && text.startsWith('-');
    const QByteArrayView digits = negative ? text.sliced(1) : text;
    if (digits.isEmpty())
        return false;
    quint64 n = 0;
    for (const char c : digits) {
        const quint64 digit = quint64(c - '0');
        if (c < '0' || c > '9' || n > (std::numeric_limits<quint64>::max() - digit) / 10)
            return false;
        n = n * 10 + digit;
    }
    if (n > quint64(std::numeric_limits<T>::max()) + quint64(negative))
        return false;
    *out = negative ? T(0 - n) : T(n);
    return true;
}
} // namespace

FileStamp FileStamp::fromText(QByteArrayView text)
{
    QByteArrayView fields[5];
    for (qsizetype n = 0, start = 0; n < 5; ++n) {
        const qsizetype colon = text.indexOf(':', start);
        if ((colon < 0) != (n == 4))
            return {};
        fields[n] = text.sliced(start, (colon < 0 ? text.size() : colon) - start);
        start = colon + 1;
    }
    FileStamp s;
    const bool ok = readNumber(fields[0], &s.size) && readNumber(fields[1], &s.modified)
                    && readNumber(fields[2], &s.changed) && readNumber(fields[3], &s.file)
                    && readNumber(fields[4], &s.device) && s.size >= 0;
    return ok ? s : FileStamp();
}

FileStamp stampOf(const QString &nativePath)
{
    FileStamp s;
#ifdef Q_OS_WIN
    const QString path = QDir::toNativeSeparators(nativePath);
    const HANDLE h = ::CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return s;
    s = stampOfHandle(h);
    ::CloseHandle(h);
#else
    struct stat st;
    if (::stat(encodePath(nativePath).constData(), &st) == 0)
        s = stampOf(st);
#endif
    return s;
}

#ifdef Q_OS_WIN
FileStamp stampOfHandle(void *handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO times;
    if (!::GetFileInformationByHandle(handle, &info)
        || !::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    FileStamp s;
    s.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    s.modified = times.LastWriteTime.QuadPart;
    s.changed = times.ChangeTime.QuadPart;
    s.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.device = info.dwVolumeSerialNumber;
    return s;
}
#else
FileStamp stampOf(const struct stat &st)
{
    FileStamp s;
    if (!S_ISREG(st.st_mode))
        return s;
    const auto nanoseconds
        = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    s.size = qint64(st.st_size);
    s.modified = nanoseconds(st.st_mtim);
    s.changed = nanoseconds(st.st_ctim);
    s.file = quint64(st.st_ino);
    s.device = quint64(st.st_dev);
    return s;
}
#endif

FolderStamps::~FolderStamps()
{
#ifndef Q_OS_WIN
    for (const int fd : std::as_const(m_folders)) {
        if (fd >= 0)
            ::close(fd);
    }
#endif
}

FileStamp FolderStamps::of(const QString &nativePath)
{
#ifdef Q_OS_WIN
    return stampOf(nativePath);
#else
    const qsizetype slash = nativePath.lastIndexOf(u'/');
    if (slash <= 0)
        return stampOf(nativePath);
    const QString folder = nativePath.left(slash);
    auto at = m_folders.constFind(folder);
    if (at == m_folders.constEnd()) {
        // A few folders are open at a time.
        if (m_folders.size() >= 16) {
            for (const int fd : std::as_const(m_folders)) {
                if (fd >= 0)
                    ::close(fd);
            }
            m_folders.clear();
        }
        at = m_folders.insert(
            folder, ::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (*at < 0)
        return stampOf(nativePath);
    struct stat st;
    FileStamp s;
    if (::fstatat(*at, encodePath(nativePath.mid(slash + 1)).constData(), &st, 0) == 0)
        s = stampOf(st);
    return s;
#endif
}

} // namespace platform
