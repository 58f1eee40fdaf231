#include "platform/FileStamp.h"

#include "platform/FileSystem.h"
#include "platform/FileSystemDetail.h"

#include <QDir>
#include <QList>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>

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

FileStamp FileStamp::fromText(QByteArrayView text)
{
    // Read in place, without a list of pieces: a record holds thousands.
    QByteArrayView fields[5];
    int n = 0;
    for (qsizetype start = 0; n < 5; ++n) {
        const qsizetype colon = text.indexOf(':', start);
        if ((colon < 0) != (n == 4))
            return {};
        fields[n] = text.sliced(start, (colon < 0 ? text.size() : colon) - start);
        start = colon + 1;
    }
    bool ok[5] = {};
    FileStamp s;
    s.size = fields[0].toLongLong(&ok[0]);
    s.modified = fields[1].toLongLong(&ok[1]);
    s.changed = fields[2].toLongLong(&ok[2]);
    s.file = fields[3].toULongLong(&ok[3]);
    s.device = fields[4].toULongLong(&ok[4]);
    return std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) && s.size >= 0
               ? s
               : FileStamp();
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
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO times;
    const bool read = ::GetFileInformationByHandle(h, &info)
                      && ::GetFileInformationByHandleEx(h, FileBasicInfo, &times, sizeof times);
    ::CloseHandle(h);
    if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return s;
    s.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    s.modified = times.LastWriteTime.QuadPart;
    s.changed = times.ChangeTime.QuadPart;
    s.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.device = info.dwVolumeSerialNumber;
#else
    struct stat st;
    if (::stat(encodePath(nativePath).constData(), &st) == 0)
        s = detail::stampOf(st);
#endif
    return s;
}

#ifndef Q_OS_WIN
FileStamp detail::stampOf(const struct stat &st)
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

} // namespace platform
