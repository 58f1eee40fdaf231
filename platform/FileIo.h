#pragma once

#include "platform/FileError.h"

#include <QFile>
#include <QString>

#include <system_error>

namespace platform::detail {

// Opens a native path, by its bytes outside Windows. Reading never waits on
// a pipe; writing creates a new file (NewOnly) with the usual permissions.
bool openFile(QFile &file, const QString &native, QIODevice::OpenMode mode, OpenFailure *why);
// Put a file's bytes, or the names in a native folder, on disk; a file
// system that cannot sync is no failure.
std::error_code syncFile(QFile &file);
std::error_code syncFolder(const QString &folder);
// Has the system start writing a file's bytes out without waiting for them,
// so that the disk works while the next file is copied; a later syncFile
// waits and reports.
void startWriteOut(QFile &file);

} // namespace platform::detail
