#pragma once

#include "platform/FileStamp.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// 128 bits that stand for a file's content (XXH3-128): equal contents give
// equal hashes, and a change anywhere gives another one but for a chance of
// one in 2^64 or so. Made to notice what a game update, another tool or a
// failing disk changed, at the speed of reading; not to stand against a
// forger.
class ContentHash {
public:
    ContentHash() = default; // none: equals no hash of any content

    static ContentHash of(QByteArrayView bytes);
    // 32 lower-case hexadecimal digits; none for anything else.
    static ContentHash fromHex(QByteArrayView hex);
    QByteArray toHex() const;
    bool isNull() const { return !m_set; }

    friend bool operator==(const ContentHash &, const ContentHash &) = default;

    static ContentHash fromHalves(quint64 high, quint64 low);

private:
    quint64 m_high = 0;
    quint64 m_low = 0;
    bool m_set = false;
};

// Hashes content given in pieces of any size; the same bytes give the same
// hash however they are cut.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;
    void add(QByteArrayView bytes);
    ContentHash result() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

struct HashedFile {
    FileStamp stamp; // none when the file changed while it was read
    ContentHash hash;
};

// Reads a native file once and hashes it, with its stamp. Nothing when no
// plain file is there or it cannot be read; never waits on a pipe. Also
// sees the bytes as they are read, where given.
std::optional<HashedFile> hashFile(const QString &nativePath,
                                   const std::function<void(QByteArrayView)> &also = {});

} // namespace platform
