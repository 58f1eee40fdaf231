#pragma once

#include "platform/ContentHash.h"

#include <QByteArrayView>

namespace gamestate {

// The content hash of records of version 1, kept only to read such a record
// once and move its hashes to today's.
class LegacyHasher {
public:
    void add(QByteArrayView bytes);
    platform::ContentHash result() const;
    static platform::ContentHash of(QByteArrayView bytes);

private:
    void addStripe(const uchar *stripe);

    quint64 m_lane[4] = {0x9E3779B185EBCA87ull + 0xC2B2AE3D27D4EB4Full, 0xC2B2AE3D27D4EB4Full, 0,
                         0 - 0x9E3779B185EBCA87ull};
    uchar m_pending[32] = {};
    int m_pendingSize = 0;
    quint64 m_total = 0;
};

} // namespace gamestate
