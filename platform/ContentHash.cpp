#include "platform/ContentHash.h"

#include "platform/FileSystem.h"
#include "platform/FileSystemDetail.h"

#include <QtEndian>

#include <cstring>
#include <vector>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFile>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// Four lanes of 64-bit multiply and rotate over 32-byte stripes, then a
// mix of the lanes and the tail into two halves that avalanche apart.
constexpr quint64 k1 = 0x9E3779B185EBCA87ull;
constexpr quint64 k2 = 0xC2B2AE3D27D4EB4Full;
constexpr quint64 k3 = 0x165667B19E3779F9ull;
constexpr quint64 k4 = 0x85EBCA77C2B2AE63ull;
constexpr quint64 k5 = 0x27D4EB2F165667C5ull;

inline quint64 rotl(quint64 x, int r)
{
    return (x << r) | (x >> (64 - r));
}

inline quint64 mixIn(quint64 lane, quint64 word)
{
    return rotl(lane + word * k2, 31) * k1;
}

inline quint64 avalanche(quint64 h)
{
    h ^= h >> 33;
    h *= k2;
    h ^= h >> 29;
    h *= k3;
    h ^= h >> 32;
    return h;
}

} // namespace

ContentHasher::ContentHasher() : m_lane{k1 + k2, k2, 0, 0 - k1} {}

void ContentHasher::addStripe(const uchar *stripe)
{
    for (int i = 0; i < 4; ++i)
        m_lane[i] = mixIn(m_lane[i], qFromLittleEndian<quint64>(stripe + 8 * i));
}

void ContentHasher::add(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    qsizetype n = bytes.size();
    m_total += quint64(n);
    if (m_pendingSize > 0) {
        const int take = int(qMin<qsizetype>(32 - m_pendingSize, n));
        std::memcpy(m_pending + m_pendingSize, p, size_t(take));
        m_pendingSize += take;
        p += take;
        n -= take;
        if (m_pendingSize < 32)
            return;
        addStripe(m_pending);
        m_pendingSize = 0;
    }
    for (; n >= 32; p += 32, n -= 32)
        addStripe(p);
    std::memcpy(m_pending, p, size_t(n));
    m_pendingSize = int(n);
}

ContentHash ContentHasher::result() const
{
    quint64 a = rotl(m_lane[0], 1) + rotl(m_lane[1], 7) + rotl(m_lane[2], 12) + rotl(m_lane[3], 18);
    quint64 b = m_lane[0] ^ rotl(m_lane[1], 17) ^ rotl(m_lane[2], 31) ^ rotl(m_lane[3], 45);
    for (const quint64 lane : m_lane) {
        a = (a ^ mixIn(0, lane)) * k1 + k4;
        b = rotl(b + lane * k3, 29) * k2 + k5;
    }
    a += m_total;
    b ^= m_total * k5;
    int i = 0;
    for (; i + 8 <= m_pendingSize; i += 8) {
        const quint64 w = qFromLittleEndian<quint64>(m_pending + i);
        a = rotl(a ^ mixIn(0, w), 27) * k1 + k4;
        b = rotl(b ^ (w * k3), 29) * k2 + k1;
    }
    for (; i < m_pendingSize; ++i) {
        a = rotl(a ^ (m_pending[i] * k5), 11) * k1;
        b = rotl(b ^ (m_pending[i] * k1), 13) * k3;
    }
    ContentHash h;
    h.m_high = avalanche(a);
    h.m_low = avalanche(b ^ h.m_high);
    h.m_set = true;
    return h;
}

ContentHash ContentHash::of(QByteArrayView bytes)
{
    ContentHasher hasher;
    hasher.add(bytes);
    return hasher.result();
}

ContentHash ContentHash::fromHex(QByteArrayView hex)
{
    ContentHash h;
    if (hex.size() != 32)
        return h;
    for (int i = 0; i < 32; ++i) {
        const char c = hex[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return ContentHash();
        quint64 &half = i < 16 ? h.m_high : h.m_low;
        half = (half << 4) | quint64(digit);
    }
    h.m_set = true;
    return h;
}

QByteArray ContentHash::toHex() const
{
    if (!m_set)
        return {};
    return QByteArray::number(m_high, 16).rightJustified(16, '0')
           + QByteArray::number(m_low, 16).rightJustified(16, '0');
}

namespace {

#ifdef Q_OS_WIN
FileStamp stampOfHandle(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandle(h, &info)
        || !::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    FileStamp s;
    s.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    s.modified = basic.LastWriteTime.QuadPart;
    s.changed = basic.ChangeTime.QuadPart;
    s.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.device = info.dwVolumeSerialNumber;
    return s;
}
#endif

} // namespace

std::optional<HashedFile> hashFile(const QString &nativePath)
{
    constexpr qint64 chunk = 1 << 20;
    std::vector<char> buffer;
    ContentHasher hasher;
    HashedFile result;
#ifdef Q_OS_WIN
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()));
    const FileStamp before = stampOfHandle(handle);
    if (before.isNull())
        return std::nullopt;
    // Most files the mods change are small: no megabyte to set aside for them.
    buffer.resize(size_t(qBound<qint64>(1, before.size + 1, chunk)));
    for (;;) {
        const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        hasher.add(QByteArrayView(buffer.data(), got));
    }
    const FileStamp after = stampOfHandle(handle);
#else
    const int fd = ::open(encodePath(nativePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    const FileStamp before = ::fstat(fd, &st) == 0 ? detail::stampOf(st) : FileStamp();
    bool ok = !before.isNull();
    // Most files the mods change are small: no megabyte to set aside for them.
    buffer.resize(size_t(qBound<qint64>(1, before.size + 1, chunk)));
    while (ok) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        hasher.add(QByteArrayView(buffer.data(), got));
    }
    const FileStamp after = ok && ::fstat(fd, &st) == 0 ? detail::stampOf(st) : FileStamp();
    ::close(fd);
    if (!ok)
        return std::nullopt;
#endif
    // Written to while read: the hash is of no one version, the stamp not to be trusted.
    if (after == before)
        result.stamp = before;
    result.hash = hasher.result();
    return result;
}

} // namespace platform
