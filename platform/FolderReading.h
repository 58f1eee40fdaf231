#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace platform {

// Names of one kind in a folder, back to back in one string: a few bytes a
// name on top of its characters, where a list widget item costs hundreds.
// Copies share their data.
class NameList {
public:
    // Sorted ignoring case, ties in code-unit order, as the lists show them.
    // A name marked inexact is the system's best reading of bytes that are
    // not valid in its encoding: no path built from it reaches the entry.
    void append(QStringView name, bool exact);
    // A name as the system gives it, in UTF-8 (outside Windows), decoded once.
    void appendEncoded(QByteArrayView bytes);
    void sortIgnoringCase();

    qsizetype size() const { return m_ends.size(); }
    bool isEmpty() const { return m_ends.isEmpty(); }
    QStringView at(qsizetype i) const;
    bool isExact(qsizetype i) const { return !(m_ends[i] & inexactBit); }
    // The row of a name spelled exactly so, or -1.
    qsizetype indexOf(QStringView name) const;

private:
    static constexpr quint32 inexactBit = 0x80000000u;
    qsizetype begin(qsizetype i) const { return i == 0 ? 0 : (m_ends[i - 1] & ~inexactBit); }

    QString m_text;
    QList<quint32> m_ends;
};

// What a folder holds, as the trick lists show it: plain files and links to
// plain files (the game reads a link as its target), and real subfolders.
// Links to folders are left out, so no list leads through one; so are
// special files and broken links.
struct FolderContents {
    NameList files;
    NameList folders;
};

// Reads a native folder once. Throws FileError ("list") when it cannot be read.
// Unsorted for a reader that looks at every name alone.
FolderContents readFolder(const QString &nativeFolder, bool sorted = true);

// What a native path names, without following a final link.
enum class EntryKind { Missing, File, Folder, Link, Other };
EntryKind entryKind(const QString &nativePath);

} // namespace platform
