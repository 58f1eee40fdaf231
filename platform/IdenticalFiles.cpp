#include "platform/IdenticalFiles.h"

#include "platform/FileError.h"
#include "platform/NameEncoding.h"
#include "platform/OwnFiles.h"
#include <algorithm>
#include <chrono>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

namespace {

// Enough for every file the mods put back at a start, and a few hundred more.
constexpr qsizetype maxPairs = 512;
constexpr qint64 maxFileSize = 1 << 20;
constexpr qint64 settleSeconds = 2;

// Whether the stamp's last change lies settleSeconds back. Its times are the
// system's: 100 ns steps since 1601 on Windows, nanoseconds since 1970 elsewhere.
bool isSettled(const FileStamp &s)
{
    if (s.isNull())
        return false;
#ifdef Q_OS_WIN
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const qint64 ticks = qint64((quint64(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return s.changed < ticks - settleSeconds * 10000000;
#else
    const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    return s.changed < now - settleSeconds * 1000000000;
#endif
}

} // namespace

void IdenticalFiles::keepIn(const QString &fileName)
{
    m_fileName = fileName;
    std::optional<QByteArray> text;
    try {
        text = readOwnFile(fileName, maxFileSize);
    } catch (const FileError &) {
    }
    if (!text)
        return;
    for (const QByteArray &line : text->split('\n')) {
        const QList<QByteArray> stamps = line.split(' ');
        if (stamps.size() != 2)
            continue;
        const FileStamp a = FileStamp::fromText(stamps[0]), b = FileStamp::fromText(stamps[1]);
        if (!contains(a, b) && !a.isNull() && !b.isNull() && m_pairs.size() < maxPairs)
            m_pairs.append({a, b});
    }
}

bool IdenticalFiles::contains(const FileStamp &a, const FileStamp &b) const
{
    return !a.isNull() && !b.isNull()
           && std::any_of(m_pairs.begin(), m_pairs.end(), [&](const auto &pair) {
                  return (pair.first == a && pair.second == b)
                         || (pair.first == b && pair.second == a);
              });
}

void IdenticalFiles::add(const FileStamp &a, const FileStamp &b)
{
    if (!isSettled(a) || !isSettled(b) || contains(a, b))
        return;
    if (m_pairs.size() >= maxPairs)
        m_pairs.removeFirst();
    m_pairs.append({a, b});
    m_changed = true;
}

void IdenticalFiles::save()
{
    if (m_fileName.isEmpty() || !m_changed)
        return;
    m_changed = false;
    QByteArray text;
    for (const auto &pair : std::as_const(m_pairs))
        text += pair.first.toText() + ' ' + pair.second.toText() + '\n';
    // What cannot be written costs comparisons in the next run, nothing more.
    try {
        requireOwnFile(QStringLiteral("write"), m_fileName);
        writeOwnFile(m_fileName, text);
    } catch (const FileError &) {
    }
}

} // namespace platform
