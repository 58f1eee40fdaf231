#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// The program's own file by bare name in the working folder (the settings
// file). Reading gives nothing when no file is there, or it cannot be opened;
// writing may go ahead when requireOwnFile returns. A link, a folder or a
// special file in its place is refused with a FileError for operation op:
// never followed, written into or waited on.
std::optional<QByteArray> readOwnFile(const QString &name, qint64 maxSize,
                                      const QString &folder = {});
// The working folder's path. Outside Windows its bytes are decoded as
// decodePath does, so that a name not valid as UTF-8 leads back to it.
QString workingFolder();
// With a folder (a native path): the file of that name in it instead.
void requireOwnFile(const QString &op, const QString &name, const QString &folder = {});

// Replaces the program's own file (bare name in the working folder) by data,
// whole and atomically: written to a temporary beside it, synced, renamed
// over it; what a killed save left goes first. A file already holding data
// is left as it is, and so is a read-only one (FileError). Call
// requireOwnFile first. Throws FileError ("write") with the reason.
void writeOwnFile(const QString &name, const QByteArray &data, const QString &folder = {});
// Adds data at the end of an own file that is there, synced before it
// returns. Throws FileError ("write"), also when no plain file is there.
void appendOwnFile(const QString &name, const QByteArray &data, const QString &folder);
// Renames an own file (never what a link points to) or removes it; a file
// already gone is no failure to remove. Throw FileError.
void renameOwnFile(const QString &name, const QString &to, const QString &folder);
void removeOwnFile(const QString &name, const QString &folder);

} // namespace platform
