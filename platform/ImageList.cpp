#include "platform/ImageList.h"

#include <algorithm>
#include <utility>

namespace platform {

ImageList::ImageList(QStringList files)
    : m_files(std::move(files)), m_pictures(m_files.size()), m_decoded(m_files.size(), false)
{
}

const QPixmap &ImageList::operator[](qsizetype i) const
{
    if (!m_decoded[i]) {
        m_pictures[i] = QPixmap(m_files[i]);
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

} // namespace platform
