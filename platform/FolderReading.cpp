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

// Folding ASCII, and nothing else: enough on a name Qt folded already.
inline char16_t foldAscii(char16_t u)
{
    return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
}

// Code-unit order of two keys folded as they are read; four units at a time
// pass while they are equal.
bool keyLess(const char16_t *x, quint32 xn, const char16_t *y, quint32 yn, bool *equal)
{
    const quint32 n = std::min(xn, yn);
    for (quint32 i = 0; i < n; ++i) {
        if (i + 4 <= n) {
            quint64 a, b;
            std::memcpy(&a, x + i, sizeof a);
            std::memcpy(&b, y + i, sizeof b);
            if (a == b) {
                i += 3;
                continue;
            }
        }
        const char16_t fx = foldAscii(x[i]), fy = foldAscii(y[i]);
        if (fx != fy) {
            *equal = false;
            return fx < fy;
        }
    }
    *equal = xn == yn;
    return xn < yn;
}

} // namespace

void NameList::sortIgnoringCase()
{
    // A name is compared on its key, the name folded: an ASCII name is its
    // own key, folded as it is read; any other is folded by Qt once, into a
    // buffer of its own. Most comparisons are settled by four key units
    // packed in one number, taken after the start every key shares.
    struct Entry {
        quint64 prefix;
        quint32 name;
        quint32 folded; // its key's index in spans, or none
    };
    constexpr quint32 none = ~0u;
    const qsizetype n = size();
    const char16_t *text = reinterpret_cast<const char16_t *>(m_text.utf16());
    char16_t high = 0;
    for (qsizetype j = 0; j < m_text.size(); ++j)
        high |= text[j];
    std::vector<Entry> entries(static_cast<size_t>(n));
    std::vector<char16_t> foldedText;
    std::vector<std::pair<quint32, quint32>> spans; // (start, length) in foldedText
    for (qsizetype i = 0; i < n; ++i) {
        entries[size_t(i)] = {0, quint32(i), none};
        const QStringView name = at(i);
        if (high < 0x80
            || std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
            continue;
        const QString folded = name.toString().toCaseFolded();
        entries[size_t(i)].folded = quint32(spans.size());
        spans.emplace_back(quint32(foldedText.size()), quint32(folded.size()));
        foldedText.insert(foldedText.end(), folded.utf16(), folded.utf16() + folded.size());
    }
    const auto key = [&](const Entry &e) -> std::pair<const char16_t *, quint32> {
        if (e.folded != none)
            return {foldedText.data() + spans[e.folded].first, spans[e.folded].second};
        const quint32 b = quint32(begin(e.name));
        return {text + b, (m_ends.at(e.name) & ~inexactBit) - b};
    };
    quint32 shared = n > 0 ? key(entries[0]).second : 0;
    const char16_t *first = n > 0 ? key(entries[0]).first : nullptr;
    for (const Entry &e : entries) {
        const auto [k, length] = key(e);
        quint32 j = 0;
        while (j < shared && j < length && foldAscii(k[j]) == foldAscii(first[j]))
            ++j;
        shared = j;
    }
    for (Entry &e : entries) {
        const auto [k, length] = key(e);
        // Past its end a key reads as zero, which no name holds.
        for (quint32 j = shared; j < shared + 4; ++j)
            e.prefix = e.prefix << 16 | (j < length ? foldAscii(k[j]) : 0u);
    }
    const quint32 decided = shared + 4;
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const auto [ka, la] = key(a);
        const auto [kb, lb] = key(b);
        const quint32 from = std::min({decided, la, lb});
        bool equal;
        const bool less = keyLess(ka + from, la - from, kb + from, lb - from, &equal);
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
