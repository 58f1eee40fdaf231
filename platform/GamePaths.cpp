#include "platform/FileStamp.h"
#include "platform/FileSystem.h"
#include "platform/FolderReading.h"
#include "platform/NameEncoding.h"
#include "platform/OwnFiles.h"

#include <QDir>

#include <algorithm>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace platform {

using namespace detail;

namespace {

#ifdef Q_OS_WIN
// The name of the entry a path leads to as the disk spells it; null if there
// is none.
QString spellingOnDisk(const QString &path)
{
    WIN32_FIND_DATAW found;
    const HANDLE h = ::FindFirstFileW(
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), &found);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    ::FindClose(h);
    return QString::fromWCharArray(found.cFileName);
}
#else
// The existing entry of folder other than name whose name matches name
// ignoring case; the first in code-unit order if several do. Plain readdir,
// not QDirIterator, which does more for each entry of a folder of thousands.
QString matchIgnoringCase(const QString &folder, QStringView name)
{
    QString best;
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return best;
    // Most names are ASCII: two ASCII names match only at the same length and
    // letter for letter, which needs no decoding of the names that do not.
    const auto ascii = [](char16_t c) { return c < 0x80; };
    const bool asciiName = std::all_of(name.utf16(), name.utf16() + name.size(), ascii);
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    const auto differsInAscii = [&](const char *entryName) {
        qsizetype i = 0;
        for (; entryName[i]; ++i) {
            const auto c = char16_t(static_cast<unsigned char>(entryName[i]));
            if (!ascii(c))
                return false; // decoded and compared in full
            if (i >= name.size() || lower(c) != lower(name[i].unicode()))
                return true;
        }
        return i != name.size();
    };
    while (const dirent *entry = ::readdir(dir)) {
        if (asciiName && differsInAscii(entry->d_name))
            continue;
        const QString candidate = decodePath(QByteArray(entry->d_name));
        if (candidate.compare(name, Qt::CaseInsensitive) == 0 && candidate != name
            && (best.isNull() || candidate < best))
            best = candidate;
    }
    ::closedir(dir);
    return best;
}

EntryKind kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return EntryKind::Link;
    if (S_ISREG(mode))
        return EntryKind::File;
    return S_ISDIR(mode) ? EntryKind::Folder : EntryKind::Other;
}
#endif

} // namespace

QString FileSystem::nativePath(const QString &gamePath, EntryKind *kind) const
{
    return lookUp(gamePath, kind, nullptr);
}

QString FileSystem::lookUp(const QString &gamePath, EntryKind *kind, FileStamp *stamp) const
{
#ifdef Q_OS_WIN
    if (gamePath.isEmpty())
        return QDir::currentPath();
    QString path = QDir::fromNativeSeparators(gamePath);
    if (path.size() == 2 && path[1] == u':')
        path += u'/';
    if (QDir::isRelativePath(path))
        path = QDir::currentPath() + u'/' + path;
    // Names are found ignoring case; what is there is named as the disk
    // spells it, in messages and lists alike.
    qsizetype start = path.indexOf(u'/') + 1;
    if (path.startsWith(QLatin1String("//"))) { // a share: //server/share/
        const qsizetype server = path.indexOf(u'/', 2);
        const qsizetype share = server < 0 ? -1 : path.indexOf(u'/', server + 1);
        start = share < 0 ? path.size() : share + 1;
    }
    QString result = path.left(start);
    bool lookUp = true;
    for (const QStringView part : QStringView(path).mid(start).split(u'/', Qt::SkipEmptyParts)) {
        if (!result.endsWith(u'/'))
            result += u'/';
        const qsizetype at = result.size();
        result += part;
        if (!lookUp || part == u"." || part == u".." || part.contains(u'*') || part.contains(u'?'))
            continue;
        const QString onDisk = spellingOnDisk(result);
        if (onDisk.isNull())
            lookUp = false;
        else
            result.replace(at, part.size(), onDisk);
    }
    if (kind)
        *kind = entryKind(result);
    if (stamp)
        *stamp = stampOf(result);
    return result;
#else
    const auto separator = [](QChar c) { return c == u'/' || c == u'\\'; };
    QString result;
    qsizetype start = 0;
    if (gamePath.size() >= 2 && gamePath[1] == u':' && gamePath[0].isLetter()
        && gamePath[0].unicode() < 128) {
        result = m_winePrefix + QStringLiteral("/dosdevices/") + gamePath[0].toLower() + u':';
        start = 2;
    } else if (!gamePath.isEmpty() && separator(gamePath[0])) {
        result = QStringLiteral("/");
    } else {
        result = workingFolder();
    }

    // A path that exists as spelt needs no look-up of its folders: the
    // system found each of them exactly on its way to the last. Built in one
    // pass: every copy of a large folder looks up each of its files.
    const QStringView rest = QStringView(gamePath).mid(start);
    QString asSpelt;
    asSpelt.reserve(result.size() + rest.size() + 1);
    asSpelt += result;
    for (qsizetype i = 0, end = 0; i < rest.size(); i = end) {
        if (separator(rest[i])) {
            end = i + 1;
            continue;
        }
        end = i;
        while (end < rest.size() && !separator(rest[end]))
            ++end;
        if (!asSpelt.endsWith(u'/'))
            asSpelt += u'/';
        asSpelt += rest.sliced(i, end - i);
    }
    struct stat st;
    const auto there = [&st](const QString &native) {
        return ::lstat(encodePath(native).constData(), &st) == 0;
    };
    const auto tell = [&](bool found) {
        if (kind)
            *kind = found ? kindOf(st.st_mode) : EntryKind::Missing;
        if (stamp)
            *stamp = found ? stampOf(st) : FileStamp();
    };
    if (there(asSpelt)) {
        tell(true);
        return asSpelt;
    }

    // Once a component exists in no spelling, nothing below it can exist:
    // the rest keeps its spelling without further look-ups. Scanning the
    // parent is the slow path, taken only when the exact spelling is missing.
    bool lookUp = true;
    QString path = rest.toString();
    path.replace(u'\\', u'/');
    for (const QStringView part : QStringView(path).split(u'/', Qt::SkipEmptyParts)) {
        const QString parent = result;
        if (!result.endsWith(u'/'))
            result += u'/';
        result += part;
        if (!lookUp)
            continue;
        if (there(result))
            continue;
        // Another spelling there may belong to another name (see keepingSpelling).
        QString best = matchIgnoringCase(parent, part);
        if (!best.isNull() && m_keepSpelling
            && (*m_keepSpelling)(parent,
                                 QStringView(gamePath).first(
                                     start + (part.data() - path.constData()) + part.size())))
            best.clear();
        if (best.isNull()) {
            lookUp = false;
        } else {
            result.chop(part.size());
            result += best;
        }
    }
    if (kind || stamp)
        tell(lookUp && there(result));
    return result;
#endif
}

FileSystem FileSystem::keepingSpelling(KeepSpelling keep) const
{
    FileSystem view = *this;
    view.m_keepSpelling = keep ? std::make_shared<const KeepSpelling>(std::move(keep)) : nullptr;
    return view;
}

} // namespace platform
