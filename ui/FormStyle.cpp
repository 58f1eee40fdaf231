#include "ui/FormStyle.h"

#include "ui/AppStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

namespace ui {

namespace {
// Where the frame's line runs below the top, and the caption's indent and
// its free space on either side. Above the line the frame is see-through.
constexpr int lineTop = 6, captionLeft = 6, captionPadding = 4;
} // namespace

FormStyle::FormStyle() : QProxyStyle(QStyleFactory::create(AppStyle::platformStyleName()))
{
    setParent(qApp);
}

FormStyle *FormStyle::instance()
{
    static FormStyle *style = new FormStyle;
    return style;
}

void FormStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                   QPainter *painter, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect r = box->rect;
    const QFontMetrics &fm = box->fontMetrics;
    const QRect caption(r.left() + captionLeft, r.top(),
                        fm.horizontalAdvance(box->text) + 2 * captionPadding, fm.height());
    painter->save();
    painter->fillRect(r.adjusted(0, lineTop, 0, 0), box->palette.window());
    // The line breaks where the caption is.
    painter->setClipRegion(QRegion(r) - QRegion(caption));
    painter->setPen(box->palette.color(QPalette::Mid));
    painter->drawRect(r.adjusted(0, lineTop, -1, -1));
    painter->restore();
    drawItemText(painter, caption.adjusted(captionPadding, 0, -captionPadding, 0),
                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->palette,
                 box->state & State_Enabled, box->text, QPalette::WindowText);
}

int FormStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                           const QWidget *widget) const
{
    switch (metric) {
    case PM_RadioButtonLabelSpacing:
        return 2;
    // Tabs tight around their captions.
    case PM_TabBarTabHSpace:
        return 10;
    case PM_TabBarTabVSpace:
        return 6;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace ui
