#include "platform/HashCache.h"

#include "platform/FileError.h"
#include "platform/FileIo.h"
#include "platform/NameEncoding.h"
#include <QFile>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Enough for every file of a Restore Everything of tens of thousands of tricks.
constexpr qsizetype maxHashes = 1 << 17;
// Files that differ mostly differ early: a small first piece, then large ones.
constexpr qint64 firstPiece = 64 << 10;
constexpr qint64 piece = 1 << 20;

// Reads up to size bytes, fewer only at the end of the file; -1 on failure.
qint64 readFully(QFile &file, char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(data + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

size_t qHash(const FileStamp &s, size_t seed)
{
    return qHashMulti(seed, s.size, s.modified, s.changed, s.file, s.device);
}

ContentHash HashCache::find(const FileStamp &stamp) const
{
    return stamp.isNull() ? ContentHash() : m_hashes.value(stamp);
}

void HashCache::add(const FileStamp &stamp, const ContentHash &hash)
{
    if (stamp.isNull() || hash.isNull())
        return;
    if (m_hashes.size() >= maxHashes && !m_hashes.contains(stamp))
        m_hashes.clear();
    m_hashes.insert(stamp, hash);
}

std::optional<HashedFile> HashCache::hashOf(const QString &nativePath)
{
    const FileStamp now = stampOf(nativePath);
    if (now.isNull())
        return std::nullopt;
    if (const ContentHash known = find(now); !known.isNull())
        return HashedFile{now, known};
    const auto read = hashFile(nativePath);
    if (read)
        add(read->stamp, read->hash);
    return read;
}

bool HashCache::sameContent(const QString &nativeA, const QString &nativeB)
{
    // The stamps come first, so a change during the reading shows as one.
    const FileStamp a = stampOf(nativeA), b = stampOf(nativeB);
    if (a.isNull() || b.isNull() || a.size != b.size)
        return false;
    if (a.file == b.file && a.device == b.device)
        return true;
    QFile fa, fb;
    detail::OpenFailure why;
    return detail::openFile(fa, nativeA, QIODevice::ReadOnly | QIODevice::Unbuffered, &why)
           && detail::openFile(fb, nativeB, QIODevice::ReadOnly | QIODevice::Unbuffered, &why)
           && sameContent(fa, a, fb, b);
}

bool HashCache::sameContent(QFile &a, const FileStamp &stampA, QFile &b, const FileStamp &stampB)
{
    const ContentHash ha = find(stampA), hb = find(stampB);
    if (!ha.isNull() && !hb.isNull())
        return ha == hb;
    const qint64 size = std::max(stampA.size, stampB.size);
    if (stampA.isNull() || stampB.isNull() || stampA.size != stampB.size || !a.seek(0)
        || !b.seek(0))
        return false;
    ContentHasher hasher;
    QByteArray x(std::min(piece, size), Qt::Uninitialized), y(x.size(), Qt::Uninitialized);
    for (qint64 done = 0; done < size;) {
        const qint64 want = std::min(done == 0 ? firstPiece : piece, size - done);
        if (readFully(a, x.data(), want) != want || readFully(b, y.data(), want) != want
            || std::memcmp(x.constData(), y.constData(), size_t(want)) != 0)
            return false;
        hasher.add(QByteArrayView(x.constData(), want));
        done += want;
    }
    // Nothing more in either: a file grown since its stamp is another version.
    char more;
    if (a.read(&more, 1) != 0 || b.read(&more, 1) != 0)
        return false;
    const ContentHash h = hasher.result();
    add(stampA, h);
    add(stampB, h);
    return true;
}

} // namespace platform
