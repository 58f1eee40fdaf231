#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>

namespace platform {

// The bytes the system names a native path by, and the path of such bytes.
// Outside Windows names are UTF-8, and a byte that is not valid there (a
// Latin-1 folder name) travels as one lone surrogate U+DC80..U+DCFF, so any
// name survives the round trip. On Windows: the system's code page.
QByteArray encodePath(const QString &path);
QString decodePath(const QByteArray &bytes);

namespace detail {
// The path std::filesystem takes for a native path, with the same bytes.
std::filesystem::path toFsPath(const QString &path);
} // namespace detail

} // namespace platform
