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

#include <algorithm>
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
// A decimal number of a field, signed where allowed, that fits its type,
// read up to the colon that ends it (or the end of the text); p is left
// there. Read in place, as a record holds thousands of them.
template <typename T> bool readNumber(const char *&p, const char *end, T *out)
{
    constexpr quint64 most = std::numeric_limits<quint64>::max();
    const bool negative = std::is_signed_v<T> && p < end && *p == '-';
    p += negative;
    const char *const digits = p;
    quint64 n = 0;
    for (; p < end && *p != ':'; ++p) {
        const quint64 digit = quint64(uchar(*p) - uchar('0'));
        if (digit > 9 || n > most / 10 || (n == most / 10 && digit > most % 10))
            return false;
        n = n * 10 + digit;
    }
    if (p == digits || n > quint64(std::numeric_limits<T>::max()) + quint64(negative))
        return false;
    *out = negative ? T(0 - n) : T(n);
    return true;
}
} // namespace

FileStamp FileStamp::fromText(QByteArrayView text)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    // Each of the first four fields ends in a colon, the last at the end.
    const auto next = [&](bool last) { return last ? p == end : p < end && *p++ == ':'; };
    FileStamp s;
    const bool ok = readNumber(p, end, &s.size) && next(false) && readNumber(p, end, &s.modified)
                    && next(false) && readNumber(p, end, &s.changed) && next(false)
                    && readNumber(p, end, &s.file) && next(false) && readNumber(p, end, &s.device)
                    && next(true) && s.size >= 0;
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
    for (const auto &folder : std::as_const(m_folders)) {
        if (folder.second >= 0)
            ::close(folder.second);
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
    const QStringView folder = QStringView(nativePath).first(slash);
    // A look goes back and forth between a few folders: the latest first.
    int fd = -1;
    qsizetype at = m_folders.size();
    while (at > 0 && m_folders[at - 1].first != folder)
        --at;
    if (at > 0) {
        fd = m_folders[at - 1].second;
    } else {
        // A few folders are open at a time.
        if (m_folders.size() >= 16) {
            for (const auto &open : std::as_const(m_folders)) {
                if (open.second >= 0)
                    ::close(open.second);
            }
            m_folders.clear();
        }
        const QString name = folder.toString();
        fd = ::open(encodePath(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_folders.append({name, fd});
    }
    if (fd < 0)
        return stampOf(nativePath);
    // An ASCII name is its own encoding: no conversion for each file.
    const QStringView name = QStringView(nativePath).sliced(slash + 1);
    char ascii[256];
    QByteArray encoded;
    const char *path = ascii;
    if (name.size() < qsizetype(sizeof ascii)
        && std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (qsizetype i = 0; i < name.size(); ++i)
            ascii[i] = char(name[i].unicode());
        ascii[name.size()] = 0;
    } else {
        encoded = encodePath(name.toString());
        path = encoded.constData();
    }
    struct stat st;
    FileStamp s;
    if (::fstatat(fd, path, &st, 0) == 0)
        s = stampOf(st);
    return s;
#endif
}

} // namespace platform
