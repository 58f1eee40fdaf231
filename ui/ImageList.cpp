#include "ui/ImageList.h"

#include <QImage>
#include <QResource>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// A binary PPM picture stored uncompressed among the program's resources,
// shown straight from the program's image: no decoder, and no image-format
// plugin loaded to find one. Null for anything else.
QPixmap storedPicture(const QString &file)
{
    const QResource resource(file);
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return {};
    const auto *data = reinterpret_cast<const char *>(resource.data());
    const qint64 size = resource.size();
    // "P6", width, height and 255, separated by single white spaces.
    qint64 at = 0;
    const auto number = [&]() -> qint64 {
        if (at >= size || (data[at] != ' ' && data[at] != '\n'))
            return -1;
        ++at;
        qint64 n = 0;
        const qint64 first = at;
        while (at < size && data[at] >= '0' && data[at] <= '9' && at - first < 6)
            n = n * 10 + (data[at++] - '0');
        return at > first ? n : -1;
    };
    if (size < 2 || data[0] != 'P' || data[1] != '6')
        return {};
    at = 2;
    const qint64 width = number(), height = number(), maximum = number();
    if (width <= 0 || height <= 0 || maximum != 255 || at >= size || data[at] != '\n'
        || size - at - 1 != width * height * 3)
        return {};
    const QImage image(reinterpret_cast<const uchar *>(data + at + 1), int(width), int(height),
                       width * 3, QImage::Format_RGB888);
    return QPixmap::fromImage(image);
}

} // namespace

ImageList::ImageList(QStringList files)
    : m_files(std::move(files)), m_pictures(m_files.size()), m_decoded(m_files.size(), false)
{
}

const QPixmap &ImageList::operator[](qsizetype i) const
{
    if (!m_decoded[i]) {
        m_pictures[i] = storedPicture(m_files[i]);
        if (m_pictures[i].isNull())
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
