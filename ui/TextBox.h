#pragma once

#include <QPlainTextEdit>

// A read-only multi-line text box without scroll bars. Its text is written
// with CR LF line breaks, as the program's fixed texts are; the box itself
// keeps plain line feeds.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    explicit TextBox(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
};
