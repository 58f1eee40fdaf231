#include "platform/FolderReading.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>
#include <bit>
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

// Code-unit order of two folded keys, compared four units at a time.
bool keyLess(const char16_t *x, quint32 xn, const char16_t *y, quint32 yn, bool *equal)
{
    const quint32 n = std::min(xn, yn);
    quint32 i = 0;
    for (; i + 4 <= n; i += 4) {
        quint64 a, b;
        std::memcpy(&a, x + i, sizeof a);
        std::memcpy(&b, y + i, sizeof b);
        if (a != b) {
            // The first unit that differs, in memory order.
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(a ^ b)
                                                                       : std::countl_zero(a ^ b);
            const quint32 at = i + quint32(bit / 16);
            *equal = false;
            return x[at] < y[at];
        }
    }
    for (; i < n; ++i) {
        if (x[i] != y[i]) {
            *equal = false;
            return x[i] < y[i];
        }
    }
    *equal = xn == yn;
    return xn < yn;
}

} // namespace

void NameList::sortIgnoringCase()
{
    // Each name is folded once (ASCII by itself, the rest as Qt folds it).
    // Most comparisons are settled by four key units packed in one number,
    // taken after the start every key shares; the rest compare in line.
    struct Entry {
        quint64 prefix;
        quint32 key, keyLength, name;
    };
    const qsizetype n = size();
    // An ASCII name's key lies where the name does: one pass folds them all.
    // A name holding anything else is folded again whole, its key put last.
    const size_t length = static_cast<size_t>(m_text.size());
    std::vector<char16_t> keys(length);
    std::vector<Entry> entries(static_cast<size_t>(n));
    const char16_t *text = reinterpret_cast<const char16_t *>(m_text.utf16());
    char16_t high = 0;
    for (size_t j = 0; j < length; ++j) {
        const char16_t u = text[j];
        high |= u;
        keys[j] = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 b = quint32(begin(i)), e = m_ends.at(i) & ~inexactBit;
        Entry &entry = entries[size_t(i)];
        entry = {0, b, e - b, quint32(i)};
        if (high < 0x80 || std::all_of(text + b, text + e, [](char16_t u) { return u < 0x80; }))
            continue;
        const QString folded = at(i).toString().toCaseFolded();
        entry.key = quint32(keys.size());
        entry.keyLength = quint32(folded.size());
        keys.insert(keys.end(), folded.utf16(), folded.utf16() + folded.size());
    }
    const char16_t *k = keys.data();
    quint32 shared = n > 0 ? entries[0].keyLength : 0;
    for (const Entry &e : entries) {
        quint32 j = 0;
        while (j < shared && j < e.keyLength && k[e.key + j] == k[entries[0].key + j])
            ++j;
        shared = j;
    }
    for (Entry &e : entries) {
        // Past its end a key reads as zero, which no name holds.
        for (quint32 j = shared; j < shared + 4; ++j)
            e.prefix = e.prefix << 16 | (j < e.keyLength ? k[e.key + j] : 0u);
    }
    const quint32 decided = shared + 4;
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const quint32 from = std::min({decided, a.keyLength, b.keyLength});
        bool equal;
        const bool less = keyLess(k + a.key + from, a.keyLength - from, k + b.key + from,
                                  b.keyLength - from, &equal);
        if (!equal)
            return less;
        const int c = at(a.name).compare(at(b.name));
        return c != 0 ? c < 0 : a.name < b.name;
    });
    // Reserved first: a growing size would round the capacity up.
    NameList sorted;
    sorted.m_text.reserve(m_text.size());
    sorted.m_text.resize(m_text.size());
    sorted.m_ends.reserve(n);
    sorted.m_ends.resize(n);
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
FolderContents readFolder(const QString &nativeFolder)
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
    contents.files.sortIgnoringCase();
    contents.folders.sortIgnoringCase();
    return contents;
}
#else
FolderContents readFolder(const QString &nativeFolder)
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
    contents.files.sortIgnoringCase();
    contents.folders.sortIgnoringCase();
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
