#pragma once

#include "platform/Dialogs.h"

namespace ui {

// Application-modal Qt boxes with the exact texts and titles.
class QtDialogs : public platform::Dialogs {
public:
    void message(const QString &text, const QString &title,
                 const QString &informative = QString()) override;
    bool question(const QString &text, const QString &title) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
};

} // namespace ui
