#pragma once

#include <QProxyStyle>

namespace ui {

// Where the fixed forms look otherwise than the platform's style draws them:
// a frame's caption sits on its line at the top left, an option button's
// caption close to its mark, so the widest fits, and tabs close around their
// captions, so four fit the narrow pages. Set on those widgets alone
// (QWidget::setStyle); one shared instance, owned by the application. A
// style, not style sheets: those slow every start.
class FormStyle : public QProxyStyle {
    Q_OBJECT

public:
    static FormStyle *instance();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

private:
    FormStyle();
};

} // namespace ui
