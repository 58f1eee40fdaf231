#pragma once

#include "ui/AppStyle.h"

#include <QApplication>
#include <QFont>

// The windows are fixed designs measured for a small dialog font; the program
// and its tests use the same one so what is tested is what is seen.
inline void setUpLook()
{
    ui::AppStyle::install();
    QFont font = QApplication::font();
    font.setPixelSize(11);
    font.setStretch(QFont::SemiCondensed);
    QApplication::setFont(font);
}
