#include "platform/Temporaries.h"

#include "platform/FileError.h"
#include "platform/FileIo.h"
#include "platform/NameEncoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace platform {

QString temporaryNameFor(QStringView fileName, int attempt)
{
    // FNV-1a: the same digits from the same name on every system and version.
    quint32 h = 2166136261u;
    const auto mix = [&h](quint32 byte) {
        h ^= byte;
        h *= 16777619u;
    };
    for (const QChar c : fileName.toString().toCaseFolded()) {
        mix(c.unicode() & 0xFF);
        mix(c.unicode() >> 8);
    }
    mix(quint32(attempt));
    return QStringLiteral(".vertz-%1").arg(h, 8, 16, QLatin1Char('0'));
}

bool isCopyLeftover(QStringView name)
{
    return name.size() == 15 && name.startsWith(QLatin1String(".vertz-"))
           && std::all_of(name.begin() + 7, name.end(), [](QChar c) {
                  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
              });
}

namespace detail {

void removeLeftovers(const QString &folder)
{
#ifdef Q_OS_WIN
    // Without a name filter: one would build a regular expression per call.
    QStringList leftovers;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (isCopyLeftover(it.fileName()) && !it.fileInfo().isSymLink())
            leftovers.append(it.filePath());
    }
    for (const QString &path : std::as_const(leftovers))
        QFile::remove(path);
#else
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return;
    const int fd = ::dirfd(dir);
    std::vector<QByteArray> leftovers;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st;
        if (std::strncmp(entry->d_name, ".vertz-", 7) == 0
            && isCopyLeftover(QString::fromLatin1(entry->d_name))
            && ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            leftovers.emplace_back(entry->d_name);
    }
    for (const QByteArray &name : leftovers)
        ::unlinkat(fd, name.constData(), 0);
    ::closedir(dir);
#endif
}

constexpr int temporaryAttempts = 16;

bool temporariesApart(const QStringList &fileNames)
{
    QHash<QString, qsizetype> owner;
    for (qsizetype i = 0; i < fileNames.size(); ++i) {
        for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
            const QString temp = temporaryNameFor(fileNames[i], attempt);
            if (owner.value(temp, i) != i)
                return false;
            owner.insert(temp, i);
        }
    }
    return true;
}

void removeLeftoverOf(const QString &folder, QStringView name)
{
    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        const fs::path temp = toFsPath(folder + temporaryNameFor(name, attempt));
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(temp, ec);
        if (!fs::exists(st))
            return;
        if (fs::is_regular_file(st)) {
            fs::remove(temp, ec);
            return;
        }
    }
}

QString createTemporary(QFile &out, const QString &folder, QStringView name, const QString &op,
                        const QString &path)
{
    for (int attempt = 0, cleared = -1;;) {
        QString temp = folder + temporaryNameFor(name, attempt);
        OpenFailure why;
        if (openFile(out, temp, QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                     &why))
            return temp;
        // A plain file of the name is what a killed copy or save left: it
        // goes, once. Anything else (a link, a folder): the next name.
        std::error_code ec;
        if (why.code == std::errc::file_exists && cleared != attempt
            && fs::is_regular_file(fs::symlink_status(toFsPath(temp), ec))) {
            fs::remove(toFsPath(temp), ec);
            cleared = attempt;
            continue;
        }
        if (++attempt >= temporaryAttempts || why.code != std::errc::file_exists)
            throw openError(op, path, why);
    }
}

} // namespace detail

} // namespace platform
