#pragma once

#include <QString>

namespace platform {

// Everything the program tells or asks the player goes through here, so tests
// can answer it.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with one OK button. informative carries what failed
    // (path and the system's reason) below a fixed message text.
    virtual void message(const QString &text, const QString &title,
                         const QString &informative = QString())
        = 0;
    // Yes/No, Yes being the default button. True for Yes.
    virtual bool question(const QString &text, const QString &title) = 0;
    // One line of text; the empty text on Cancel.
    virtual QString input(const QString &prompt, const QString &title, const QString &defaultText)
        = 0;
};

} // namespace platform
