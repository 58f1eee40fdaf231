#include "gamestate/LegacyHash.h"

#include <QtEndian>

#include <cstring>

namespace gamestate {

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

void LegacyHasher::addStripe(const uchar *stripe)
{
    for (qsizetype i = 0; i < 4; ++i)
        m_lane[i] = mixIn(m_lane[i], qFromLittleEndian<quint64>(stripe + 8 * i));
}

void LegacyHasher::add(QByteArrayView bytes)
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

platform::ContentHash LegacyHasher::result() const
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
    const quint64 high = avalanche(a);
    return platform::ContentHash::fromHalves(high, avalanche(b ^ high));
}

platform::ContentHash LegacyHasher::of(QByteArrayView bytes)
{
    LegacyHasher hasher;
    hasher.add(bytes);
    return hasher.result();
}

} // namespace gamestate
