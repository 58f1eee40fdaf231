#pragma once

#include "platform/FileStamp.h"

#include <QList>
#include <QString>

#include <utility>

namespace platform {

// Pairs of files found to hold the same bytes, by their stamps: while
// neither stamp changes, neither content did (see FileStamp), and the pair
// need not be read again. Only stamps whose change lies 2 s back are kept:
// file systems keep times in steps of up to 2 s, and a change within the
// step of the comparison could otherwise share its stamp.
//
// Kept in memory, and in the program's own file when one is named: a stamp
// holds across runs as it does within one, since no write, truncation or
// new modification time leaves a file's change time as it was. A damaged or
// missing file only costs comparisons; a link or special file in its place
// is neither read nor written through.
class IdenticalFiles {
public:
    // Reads the pairs kept in the file of that bare name in the working
    // folder, and keeps them there from now on.
    void keepIn(const QString &fileName);

    bool contains(const FileStamp &a, const FileStamp &b) const;
    // Remembers a pair found identical; unsettled or missing stamps are not kept.
    void add(const FileStamp &a, const FileStamp &b);
    // Writes the pairs to the file, if one is named and they changed.
    void save();

private:
    QList<std::pair<FileStamp, FileStamp>> m_pairs; // oldest first
    QString m_fileName;
    bool m_changed = false;
};

} // namespace platform
