#include "platform/FolderReading.h"

#include "platform/FileError.h"
#include "platform/NameEncoding.h"
#include <QDir>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#ifdef Q_OS_WIN
#include <QDirIterator>
#include <QFileInfo>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace platform {

void NameList::append(QStringView name, bool exact)
{
    m_text.append(name);
    m_ends.append(quint32(m_text.size()) | (exact ? 0u : inexactBit));
}

QStringView NameList::at(qsizetype i) const
{
    const qsizetype b = begin(i);
    return QStringView(m_text).mid(b, (m_ends[i] & ~inexactBit) - b);
}

qsizetype NameList::indexOf(QStringView name) const
{
    for (qsizetype i = 0; i < size(); ++i) {
        if (at(i) == name)
            return i;
    }
    return -1;
}

void NameList::appendEncoded(QByteArrayView bytes)
{
    const char *p = bytes.data();
    quint64 high = 0;
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, sizeof word);
        high |= word;
    }
    for (; i < bytes.size(); ++i)
        high |= uchar(p[i]);
    // ASCII, nearly every name: straight into the text, no decoding to check.
    if (!(high & 0x8080808080808080u)) {
        const qsizetype start = m_text.size();
        m_text.resize(start + bytes.size());
        char16_t *out = reinterpret_cast<char16_t *>(m_text.data()) + start;
        for (qsizetype j = 0; j < bytes.size(); ++j)
            out[j] = uchar(p[j]);
        m_ends.append(quint32(m_text.size()));
        return;
    }
    // A leading byte-order mark is part of the name, not a marker to drop.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                                    | QStringDecoder::Flag::Stateless);
    append(QString(decode(bytes)), bytes.isValidUtf8());
}

namespace {

// Folding ASCII, and nothing else: enough on a name Qt folded already.
inline char16_t foldAscii(char16_t u)
{
    return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
}

// Writes the key of a name whose units are folded but for ASCII; gives its end.
char *writeKey(QStringView name, char *out)
{
    for (const QChar c : name) {
        const char16_t u = foldAscii(c.unicode());
        if (u < 0x80) {
            *out++ = char(u);
        } else {
            *out++ = char(0x80 | u >> 14);
            *out++ = char(0x80 | (u >> 7 & 0x7f));
            *out++ = char(0x80 | (u & 0x7f));
        }
    }
    return out;
}

} // namespace

void NameList::sortIgnoringCase()
{
    // Each name is folded once into a key of bytes in the order of the
    // folded code units: ASCII one byte a unit, any other unit three bytes
    // of 0x80 and up. Keys are padded with zero bytes (no name holds one) to
    // whole 8-byte words, compared a word at a time; the first two, all of
    // most names, are held in the entry sorted. Ties go by the names' own
    // units.
    struct Entry {
        quint64 head[2];
        quint32 key, words, name;
    };
    const qsizetype n = size();
    // Zero-filled as it grows, so each key comes padded.
    std::vector<char> keys(size_t(m_text.size()) + 8 * size_t(n));
    const auto room = [&keys](size_t need) {
        if (keys.size() < need)
            keys.resize(std::max(need, 2 * keys.size()));
        return keys.data();
    };
    std::vector<Entry> entries(static_cast<size_t>(n));
    size_t used = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QStringView name = at(i);
        const size_t start = used;
        char *key = room(start + 3 * size_t(name.size()) + 16) + start;
        size_t length = size_t(writeKey(name, key) - key);
        // Not all ASCII: folded by Qt, and written again.
        if (length != size_t(name.size())) {
            std::memset(key, 0, length);
            const QString folded = name.toString().toCaseFolded();
            key = room(start + 3 * size_t(folded.size()) + 16) + start;
            length = size_t(writeKey(folded, key) - key);
        }
        used = start + (length + 7) / 8 * 8;
        entries[size_t(i)] = {{qFromBigEndian<quint64>(key), qFromBigEndian<quint64>(key + 8)},
                              quint32(start / 8),
                              quint32((length + 7) / 8),
                              quint32(i)};
    }
    const char *key = keys.data();
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.head[0] != b.head[0] || a.head[1] != b.head[1])
            return a.head[0] != b.head[0] ? a.head[0] < b.head[0] : a.head[1] < b.head[1];
        for (quint32 w = 2, common = std::min(a.words, b.words); w < common; ++w) {
            quint64 x, y;
            std::memcpy(&x, key + 8 * (size_t(a.key) + w), sizeof x);
            std::memcpy(&y, key + 8 * (size_t(b.key) + w), sizeof y);
            if (x != y)
                return qFromBigEndian(x) < qFromBigEndian(y);
        }
        if (a.words != b.words)
            return a.words < b.words;
        const int c = at(a.name).compare(at(b.name));
        return c != 0 ? c < 0 : a.name < b.name;
    });
    // Reserved first: a growing size would round the capacity up.
    NameList sorted;
    sorted.m_text.reserve(m_text.size());
    sorted.m_text.resize(m_text.size());
    sorted.m_ends.reserve(n);
    sorted.m_ends.resize(n);
    const char16_t *text = reinterpret_cast<const char16_t *>(m_text.utf16());
    char16_t *out = reinterpret_cast<char16_t *>(sorted.m_text.data());
    quint32 *ends = sorted.m_ends.data();
    quint32 end = 0;
    for (const Entry &e : entries) {
        const quint32 b = quint32(begin(e.name)), length = (m_ends.at(e.name) & ~inexactBit) - b;
        std::memcpy(out + end, text + b, length * sizeof(char16_t));
        end += length;
        *ends++ = end | (m_ends.at(e.name) & inexactBit);
    }
    *this = std::move(sorted);
}

#ifdef Q_OS_WIN
FolderContents readFolder(const QString &nativeFolder, bool sorted)
{
    if (!QFileInfo(nativeFolder).isDir())
        throw FileError(QStringLiteral("list"), QDir::toNativeSeparators(nativeFolder),
                        QStringLiteral("not a folder"));
    FolderContents contents;
    QDirIterator it(nativeFolder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isFile())
            contents.files.append(info.fileName(), true);
        else if (info.isDir() && !info.isSymbolicLink() && !info.isJunction())
            contents.folders.append(info.fileName(), true);
    }
    if (sorted) {
        contents.files.sortIgnoringCase();
        contents.folders.sortIgnoringCase();
    }
    return contents;
}
#else
FolderContents readFolder(const QString &nativeFolder, bool sorted)
{
    // readdir gives the raw bytes of each name (so a name that does not
    // decode can be told apart) and mostly its kind without a stat.
    DIR *dir = ::opendir(encodePath(nativeFolder).constData());
    if (!dir)
        throw FileError(QStringLiteral("list"), QDir::toNativeSeparators(nativeFolder),
                        std::error_code(errno, std::generic_category()));
    const int fd = ::dirfd(dir);
    FolderContents contents;
    while (const dirent *entry = ::readdir(dir)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN) {
            if (::fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISREG(st.st_mode)   ? DT_REG
                   : S_ISDIR(st.st_mode) ? DT_DIR
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
        }
        bool isFile = type == DT_REG;
        const bool isFolder = type == DT_DIR;
        if (type == DT_LNK)
            isFile = ::fstatat(fd, raw, &st, 0) == 0 && S_ISREG(st.st_mode);
        if (!isFile && !isFolder)
            continue;
        (isFile ? contents.files : contents.folders)
            .appendEncoded(QByteArrayView(raw, qsizetype(std::strlen(raw))));
    }
    ::closedir(dir);
    if (sorted) {
        contents.files.sortIgnoringCase();
        contents.folders.sortIgnoringCase();
    }
    return contents;
}
#endif

EntryKind entryKind(const QString &nativePath)
{
    namespace fs = std::filesystem;
#ifdef Q_OS_WIN
    const fs::path p(nativePath.toStdWString());
#else
    const fs::path p(encodePath(nativePath).toStdString());
#endif
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (ec || !fs::exists(st))
        return EntryKind::Missing;
    if (fs::is_symlink(st))
        return EntryKind::Link;
    if (fs::is_regular_file(st))
        return EntryKind::File;
    if (fs::is_directory(st))
        return EntryKind::Folder;
    return EntryKind::Other;
}

} // namespace platform
