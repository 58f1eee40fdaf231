#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

// Records every dialog and hands out queued answers: the tests' player.
class ScriptedDialogs : public platform::Dialogs {
public:
    enum class Kind { Message, Question, Input };
    struct Shown {
        Kind kind;
        QString text;
        QString title;
        QString informative; // messages only
        QString defaultText; // inputs only
    };

    // Used in order; a question or input with nothing queued gets No or the
    // empty text (Cancel).
    QList<bool> questionAnswers;
    QStringList inputAnswers;
    QList<Shown> shown;

    void message(const QString &text, const QString &title,
                 const QString &informative = QString()) override
    {
        shown.append({Kind::Message, text, title, informative, {}});
    }
    bool question(const QString &text, const QString &title) override
    {
        shown.append({Kind::Question, text, title, {}, {}});
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        shown.append({Kind::Input, prompt, title, {}, defaultText});
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }

    QList<Shown> messages() const
    {
        QList<Shown> result;
        for (const Shown &s : shown) {
            if (s.kind == Kind::Message)
                result.append(s);
        }
        return result;
    }
    // The messages from the nth on, each as "text | title".
    QStringList said(qsizetype from = 0) const
    {
        QStringList texts;
        for (const Shown &s : messages().mid(from))
            texts << s.text + " | " + s.title;
        return texts;
    }
};
