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

} // namespace platform::detail
