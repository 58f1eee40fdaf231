#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// Records every dialog and hands out queued answers, for tests.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Question, Input };
    struct Shown {
        Kind kind;
        QString text;
        QString title;
        QString informative; // messages only
        QString defaultText; // inputs only
    };

    // Answers are used in order; a question or input without a queued answer
    // gets No or the empty text (Cancel).
    QList<bool> questionAnswers;
    QStringList inputAnswers;
    QList<Shown> shown;

    void message(const QString &text, const QString &title,
                 const QString &informative = QString()) override;
    bool question(const QString &text, const QString &title) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;

    QList<Shown> messages() const;
};

} // namespace platform
