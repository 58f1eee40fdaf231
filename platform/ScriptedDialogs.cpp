#include "platform/ScriptedDialogs.h"

namespace platform {

void ScriptedDialogs::message(const QString &text, const QString &title, const QString &informative)
{
    shown.append({Kind::Message, text, title, informative, QString()});
}

bool ScriptedDialogs::question(const QString &text, const QString &title)
{
    shown.append({Kind::Question, text, title, QString(), QString()});
    return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title,
                               const QString &defaultText)
{
    shown.append({Kind::Input, prompt, title, QString(), defaultText});
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

QList<ScriptedDialogs::Shown> ScriptedDialogs::messages() const
{
    QList<Shown> result;
    for (const Shown &s : shown) {
        if (s.kind == Kind::Message)
            result.append(s);
    }
    return result;
}

} // namespace platform
