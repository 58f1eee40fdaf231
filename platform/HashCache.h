#pragma once

#include "platform/ContentHash.h"
#include "platform/FileStamp.h"

#include <QHash>
#include <QString>

#include <optional>

class QFile;

namespace platform {

size_t qHash(const FileStamp &stamp, size_t seed = 0);

// The content hashes of file versions met in this run, by stamp: while a
// file keeps its stamp its content is the one hashed (see FileStamp), so no
// version is read twice for its hash. The record and the copies share one
// (FileSystem::hashes): a copy hashes what it copies and tells the hash of
// the file it wrote, so neither is read again. In memory only.
class HashCache {
public:
    // The hash known for the version the stamp names; none when unknown.
    ContentHash find(const FileStamp &stamp) const;
    // Remembers a version's hash; a missing stamp or hash is not kept.
    void add(const FileStamp &stamp, const ContentHash &hash);
    // The hash of the plain file at a native path: known, or read once.
    std::optional<HashedFile> hashOf(const QString &nativePath);
    // Whether two native files hold the same bytes: by their hashes where
    // both are known, else read side by side up to the first difference;
    // read to the end, both versions' hashes are kept.
    bool sameContent(const QString &nativeA, const QString &nativeB);
    // The same for two open files of known stamps, read from their starts.
    bool sameContent(QFile &a, const FileStamp &stampA, QFile &b, const FileStamp &stampB);

private:
    QHash<FileStamp, ContentHash> m_hashes;
};

} // namespace platform
