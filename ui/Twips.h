#pragma once

#include <QWidget>

namespace ui {

// The windows are designed in twips; 15 twips make one device-independent pixel.
constexpr int twips(int t)
{
    return (t * 2 + 15) / 30;
}

template <typename T> T *placeTwips(T *w, int left, int top, int width, int height)
{
    w->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return w;
}

// A control of a fixed design: created in parent under its contract name.
template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// The same, showing text.
template <typename T> T *named(QWidget *parent, const char *name, const QString &text)
{
    T *w = named<T>(parent, name);
    w->setText(text);
    return w;
}

} // namespace ui
