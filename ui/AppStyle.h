#pragma once

#include <QProxyStyle>

namespace ui {

// The application's style: the platform's own, except that the menu bar's
// extension arrow is decoded the first time it is drawn. Qt's menu bar asks
// for that arrow as it is made, and decoding it then would load every
// image-format plugin at each start, for an arrow that shows only when the
// menus do not fit the window.
class AppStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Wraps the application's current style; does nothing if it already is one.
    static void install();

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;

    // The name of the style the platform chose, this wrapper aside.
    static QString platformStyleName();

private:
    explicit AppStyle(QStyle *platformStyle);
};

} // namespace ui
