#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace ui {

// The pictures of a page, read from their files when first asked for: a page
// shows one of them at a time, and decoding all at start-up would slow the
// window's first appearance. Indices run from 0, as in a QList.
class ImageList {
public:
    explicit ImageList(QStringList files);

    qsizetype size() const { return m_files.size(); }
    // The picture at i, decoded now if it never was.
    const QPixmap &operator[](qsizetype i) const;
    // The same, or a null picture for an index out of range.
    QPixmap value(qsizetype i) const;
    // How many pictures were decoded so far.
    qsizetype decodedCount() const;

private:
    QStringList m_files;
    mutable QList<QPixmap> m_pictures;
    mutable QList<bool> m_decoded;
};

} // namespace ui
