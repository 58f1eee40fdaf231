#include "ui/AppStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace ui {

namespace {

// An icon made by its style only when something first needs its pictures.
class DeferredIcon : public QIconEngine {
public:
    DeferredIcon(const QStyle *style, QStyle::StandardPixmap which, const QWidget *widget)
        : m_style(const_cast<QStyle *>(style)), m_which(which),
          m_widget(const_cast<QWidget *>(widget))
    {
    }

    QIconEngine *clone() const override { return new DeferredIcon(*this); }
    QString key() const override { return QStringLiteral("DeferredIcon"); }
    // The style always has these arrows; asking must not make them.
    bool isNull() override { return false; }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return real().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return real().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return real().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return real().availableSizes(mode, state);
    }

private:
    QIcon &real()
    {
        if (!m_made) {
            m_made = true;
            if (m_style)
                m_icon = m_style->standardIcon(m_which, nullptr, m_widget);
        }
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget;
    bool m_made = false;
    QIcon m_icon;
};

} // namespace

AppStyle::AppStyle(QStyle *platformStyle) : QProxyStyle(platformStyle) {}

// The analyzer takes the new style for leaked: QApplication::setStyle owns it.
void AppStyle::install()
{
    if (!qobject_cast<AppStyle *>(QApplication::style()))
        QApplication::setStyle(new AppStyle(QApplication::style()));
} // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks)

QIcon AppStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                             const QWidget *widget) const
{
    if (!option
        && (icon == SP_ToolBarHorizontalExtensionButton
            || icon == SP_ToolBarVerticalExtensionButton))
        return QIcon(new DeferredIcon(baseStyle(), icon, widget));
    return QProxyStyle::standardIcon(icon, option, widget);
}

QString AppStyle::platformStyleName()
{
    const QStyle *style = QApplication::style();
    if (const auto *proxy = qobject_cast<const QProxyStyle *>(style))
        style = proxy->baseStyle();
    return style->name();
}

} // namespace ui
