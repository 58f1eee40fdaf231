#include "app/AppIdentity.h"

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <utility>

namespace {

// The window icon, drawn as square pictures of several sizes, each decoded
// the first time a size it serves is asked for: a start decodes only what
// the platform asks for (none offscreen, two on Windows), not all seven.
class IconPictures : public QIconEngine {
public:
    // (edge in pixels, file) in the order the sizes are listed.
    explicit IconPictures(QList<std::pair<int, QString>> pictures) : m_pictures(std::move(pictures))
    {
        m_decoded.resize(m_pictures.size());
    }

    QIconEngine *clone() const override { return new IconPictures(*this); }
    QString key() const override { return QStringLiteral("IconPictures"); }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const auto &picture : std::as_const(m_pictures))
            sizes.append(QSize(picture.first, picture.first));
        return sizes;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const qsizetype i = pick(size);
        if (i < 0)
            return {};
        const int edge = m_pictures[i].first;
        return QSize(edge, edge).boundedTo(size);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        const qsizetype i = pick(size);
        if (i < 0 || size.isEmpty())
            return {};
        if (m_decoded[i].isNull()) {
            // Told the format, without probing: a probe loads every image plugin.
            QImageReader reader(m_pictures[i].second, "png");
            reader.setAutoDetectImageFormat(false);
            m_decoded[i] = QPixmap::fromImage(reader.read());
        }
        QPixmap picture = m_decoded[i];
        if (picture.width() > size.width() || picture.height() > size.height())
            picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode != QIcon::Normal) {
            const QStyleOption option;
            const QPixmap generated
                = QApplication::style()->generatedIconPixmap(mode, picture, &option);
            if (!generated.isNull())
                picture = generated;
        }
        return picture;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

private:
    // Whether a picture of edge suits want better than one of have: it fills
    // want and have does not or is larger, or neither fills and it is larger.
    static bool better(int edge, int have, int want)
    {
        return (edge >= want && (have < want || edge < have)) || (have < want && edge > have);
    }

    // The smallest picture that fills size, else the largest.
    qsizetype pick(const QSize &size) const
    {
        const int want = qMax(size.width(), size.height());
        qsizetype best = -1;
        for (qsizetype i = 0; i < m_pictures.size(); ++i) {
            const int edge = m_pictures[i].first;
            if (best < 0 || better(edge, m_pictures[best].first, want))
                best = i;
        }
        return best;
    }

    QList<std::pair<int, QString>> m_pictures;
    QList<QPixmap> m_decoded;
};

} // namespace

void setUpAppName()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vertz Mod Utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VERTZ_VERSION));
}

void setUpAppIdentity()
{
    setUpAppName();
    // Lets a Wayland desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VERTZ_APP_ID));
    // "vertzmod-<edge>.png", one a size.
    QList<std::pair<int, QString>> pictures;
    for (const int edge : {VERTZ_ICON_SIZES})
        pictures.append({edge, QStringLiteral(":/icons/vertzmod-%1.png").arg(edge)});
    QApplication::setWindowIcon(QIcon(new IconPictures(std::move(pictures))));
}
