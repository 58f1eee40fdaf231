#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <utility>

#ifndef Q_OS_WIN
struct stat;
#endif

namespace platform {

// What tells one version of a file from another without reading it: size,
// modification and change times, file and device number. Any write to the
// file, a truncation or a modification time set anew changes its change
// time, which the system sets from its clock and no ordinary program sets
// back; a file put in its place by a rename has another file number. An equal
// stamp means the content is the one it had when the stamp was taken.
// Times are the system's own: nanoseconds since 1970, on Windows 100 ns
// steps since 1601.
struct FileStamp {
    qint64 size = -1; // -1: none
    qint64 modified = 0;
    qint64 changed = 0;
    quint64 file = 0;
    quint64 device = 0;

    bool isNull() const { return size < 0; }
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
    // "size:modified:changed:file:device"; none reads back from anything else.
    QByteArray toText() const;
    static FileStamp fromText(QByteArrayView text);
};

// The stamp of the plain file a native path names, through a link; none
// when no plain file is there.
FileStamp stampOf(const QString &nativePath);
// The stamp of an open file's HANDLE, or of what a stat() described; none
// unless a plain file.
#ifdef Q_OS_WIN
FileStamp stampOfHandle(void *handle);
#else
FileStamp stampOf(const struct ::stat &st);
#endif

// Stamps of many files in a few folders, as stampOf gives them: each folder
// is opened once and each file looked up there by its name alone, so a look
// over thousands of files does not walk their whole paths each time.
class FolderStamps {
public:
    FolderStamps() = default;
    ~FolderStamps();
    FolderStamps(const FolderStamps &) = delete;
    FolderStamps &operator=(const FolderStamps &) = delete;
    FileStamp of(const QString &nativePath);

private:
    // Native folder and its descriptor, -1 when it cannot be opened.
    QList<std::pair<QString, int>> m_folders;
};

} // namespace platform
