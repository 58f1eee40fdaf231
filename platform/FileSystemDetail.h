#pragma once

// What the files behind FileSystem.h share among themselves; nothing else
// includes it.

#include "platform/FileStamp.h"
#include "platform/FileSystem.h"

#include <QFile>
#include <QString>
#include <QStringView>

#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace platform {

struct FileSystem::Source {
    QString path; // native
    QFile file;
#ifndef Q_OS_WIN
    struct stat opened; // of the open file
#endif
};

namespace detail {

// NameEncoding.cpp
std::filesystem::path toFsPath(const QString &path);

// FileError.cpp
QString shown(const QString &nativePath);
std::error_code codeOf(std::errc code);
std::error_code lastError();

// Why opening a file failed: the system's code where there is one.
struct OpenFailure {
    QString reason;
    std::error_code code;
};

FileError openError(const QString &op, const QString &path, const OpenFailure &why);

// FileSystem.cpp
bool openFile(QFile &file, const QString &native, QIODevice::OpenMode mode, OpenFailure *why);
// Put a file's bytes, or the names in a native folder, on disk; a file
// system that cannot sync is no failure.
std::error_code syncFile(QFile &file);
std::error_code syncFolder(const QString &folder);

// FileStamp.cpp: the stamp of an open file's HANDLE, or of what a stat()
// described; none unless a plain file.
#ifdef Q_OS_WIN
FileStamp stampOfHandle(void *handle);
#else
FileStamp stampOf(const struct stat &st);
#endif

// AtomicCopy.cpp
void removeLeftovers(const QString &folder);
void removeLeftoverOf(const QString &folder, QStringView name);
QString createTemporary(QFile &out, const QString &folder, QStringView name, const QString &op,
                        const QString &path);

} // namespace detail

} // namespace platform
