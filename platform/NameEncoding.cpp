#include "platform/NameEncoding.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace platform {

namespace detail {

fs::path toFsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(encodePath(path).toStdString());
#endif
}

} // namespace detail

#ifdef Q_OS_WIN
namespace {
// Marks a stored path written as UTF-8: the system's code page could not hold it.
const QByteArray utf8Mark("\xEF\xBB\xBF");
} // namespace
#endif

QByteArray encodePath(const QString &path)
{
#ifdef Q_OS_WIN
    // The system's code page, as earlier versions wrote, where it holds every
    // character; a name it cannot hold would come back as another name.
    const QByteArray local = path.toLocal8Bit();
    if (QString::fromLocal8Bit(local) == path)
        return local;
    return utf8Mark + path.toUtf8();
#else
    // Nearly every path is ASCII: one conversion, no look at each character.
    if (std::all_of(path.cbegin(), path.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return path.toLatin1();
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path[i].unicode();
        char32_t cp = u;
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && path[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(u, path[++i].unicode());
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += char(u - 0xDC00); // a byte carried through decodePath
            continue;
        } else if (QChar::isSurrogate(u)) {
            cp = 0xFFFD;
        }
        if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
        } else {
            if (cp < 0x10000) {
                out += char(0xE0 | (cp >> 12));
            } else {
                out += char(0xF0 | (cp >> 18));
                out += char(0x80 | ((cp >> 12) & 0x3F));
            }
            out += char(0x80 | ((cp >> 6) & 0x3F));
        }
        out += char(0x80 | (cp & 0x3F));
    }
    return out;
#endif
}

QString decodePath(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return bytes.startsWith(utf8Mark) ? QString::fromUtf8(bytes.mid(utf8Mark.size()))
                                      : QString::fromLocal8Bit(bytes);
#else
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        const int len = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        char32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, encoded surrogates and values past U+10FFFF are no UTF-8.
        if (ok
            && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
                || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += QChar(char16_t(0xDC00 + c));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        i += len;
    }
    return out;
#endif
}

} // namespace platform
