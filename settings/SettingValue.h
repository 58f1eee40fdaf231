#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A numeric settings field. It is unset until something assigns it, holds a
// line of the settings file exactly as read (so an untouched line is written
// back byte for byte), or holds a number the program assigned.
class SettingValue {
public:
    enum class State { Unset, Text, Number };

    SettingValue() = default;
    static SettingValue fromText(const QByteArray &line);
    static SettingValue fromNumber(int n);

    State state() const { return m_state; }
    // Unset or the empty text: the fields that receive a default on saving.
    bool isEmpty() const;

    // The whole number this value stands for: unset is 0, text is converted
    // with blanks around the digits ignored. Nothing for text that is not a
    // whole number.
    std::optional<int> toNumber() const;
    int toNumber(int fallback) const { return toNumber().value_or(fallback); }
    // Compares as a number; text that is no number equals nothing.
    bool equals(int n) const;

    // The line as written to the settings file: text as read, numbers in
    // print form (" 1 ") or, for the variant line, sign form (" 1").
    QByteArray printForm() const;
    QByteArray signForm() const;

    SettingValue &operator=(int n) { return *this = fromNumber(n); }

private:
    State m_state = State::Unset;
    QByteArray m_text;
    int m_number = 0;
};
