#include "platform/ContentHash.h"

#include "platform/FileError.h"
#include "platform/FileIo.h"
#include "platform/NameEncoding.h"
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <array>
#include <vector>

#ifdef Q_OS_WIN
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

// Held apart from the header: the state is large and wants its alignment.
struct ContentHasher::State {
    XXH3_state_t xxh;
};

ContentHasher::ContentHasher() : m_state(std::make_unique<State>())
{
    XXH3_128bits_reset(&m_state->xxh);
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::add(QByteArrayView bytes)
{
    XXH3_128bits_update(&m_state->xxh, bytes.data(), size_t(bytes.size()));
}

ContentHash ContentHasher::result() const
{
    const XXH128_hash_t h = XXH3_128bits_digest(&m_state->xxh);
    return ContentHash::fromHalves(h.high64, h.low64);
}

ContentHash ContentHash::fromHalves(quint64 high, quint64 low)
{
    ContentHash h;
    h.m_high = high;
    h.m_low = low;
    h.m_set = true;
    return h;
}

ContentHash ContentHash::of(QByteArrayView bytes)
{
    const XXH128_hash_t h = XXH3_128bits(bytes.data(), size_t(bytes.size()));
    return fromHalves(h.high64, h.low64);
}

ContentHash ContentHash::fromHex(QByteArrayView hex)
{
    ContentHash h;
    if (hex.size() != 32)
        return h;
    // A record holds four hashes a line: read by table, bad digits gathered.
    static constexpr auto digits = [] {
        std::array<quint8, 256> t{};
        t.fill(0xff);
        for (int c = '0'; c <= '9'; ++c)
            t[size_t(c)] = quint8(c - '0');
        for (int c = 'a'; c <= 'f'; ++c)
            t[size_t(c)] = quint8(c - 'a' + 10);
        return t;
    }();
    quint8 bad = 0;
    for (int i = 0; i < 32; ++i) {
        const quint8 digit = digits[uchar(hex[i])];
        bad |= digit;
        quint64 &half = i < 16 ? h.m_high : h.m_low;
        half = (half << 4) | quint64(digit & 0xf);
    }
    if (bad & 0xf0)
        return ContentHash();
    h.m_set = true;
    return h;
}

QByteArray ContentHash::toHex() const
{
    if (!m_set)
        return {};
    QByteArray hex(32, Qt::Uninitialized);
    char *out = hex.data();
    for (int i = 0; i < 32; ++i) {
        const quint64 half = i < 16 ? m_high : m_low;
        out[i] = "0123456789abcdef"[(half >> (60 - 4 * (i % 16))) & 0xf];
    }
    return hex;
}

std::optional<HashedFile> hashFile(const QString &nativePath,
                                   const std::function<void(QByteArrayView)> &also)
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
        if (also)
            also(QByteArrayView(buffer.data(), got));
    }
    const FileStamp after = stampOfHandle(handle);
#else
    const int fd = ::open(encodePath(nativePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    const FileStamp before = ::fstat(fd, &st) == 0 ? stampOf(st) : FileStamp();
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
        if (also)
            also(QByteArrayView(buffer.data(), got));
    }
    const FileStamp after = ok && ::fstat(fd, &st) == 0 ? stampOf(st) : FileStamp();
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
