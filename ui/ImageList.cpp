#include "ui/ImageList.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <utility>

namespace ui {

ImageList::ImageList(QStringList files)
    : m_files(std::move(files)), m_pictures(m_files.size()), m_decoded(m_files.size(), false)
{
}

const QPixmap &ImageList::operator[](qsizetype i) const
{
    if (!m_decoded[i]) {
        // Told the format by the name, without probing: a probe loads every image plugin.
        QImageReader reader(m_files[i], QFileInfo(m_files[i]).suffix().toLatin1());
        reader.setAutoDetectImageFormat(false);
        m_pictures[i] = QPixmap::fromImage(reader.read());
        m_decoded[i] = true;
    }
    return m_pictures[i];
}

QPixmap ImageList::value(qsizetype i) const
{
    return i >= 0 && i < size() ? (*this)[i] : QPixmap();
}

qsizetype ImageList::decodedCount() const
{
    return std::count(m_decoded.cbegin(), m_decoded.cend(), true);
}

} // namespace ui
