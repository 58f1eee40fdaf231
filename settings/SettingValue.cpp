#include "settings/SettingValue.h"

#include <algorithm>

SettingValue SettingValue::fromText(const QByteArray &line)
{
    SettingValue v;
    v.m_state = State::Text;
    v.m_text = line;
    return v;
}

SettingValue SettingValue::fromNumber(int n)
{
    SettingValue v;
    v.m_state = State::Number;
    v.m_number = n;
    return v;
}

bool SettingValue::isEmpty() const
{
    return m_state == State::Unset || (m_state == State::Text && m_text.isEmpty());
}

std::optional<int> SettingValue::toNumber() const
{
    if (m_state != State::Text)
        return m_state == State::Number ? m_number : 0;
    // Blanks are spaces and tabs alone; Qt would skip other white space too.
    if (std::any_of(m_text.begin(), m_text.end(), [](char c) {
            return c != ' ' && c != '\t' && c != '+' && c != '-' && (c < '0' || c > '9');
        }))
        return std::nullopt;
    // Anything past the int range is as unusable as letters.
    bool ok = false;
    const int n = m_text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

bool SettingValue::equals(int n) const
{
    const auto v = toNumber();
    return v && *v == n;
}

static QByteArray signed_(int n)
{
    return n < 0 ? QByteArray::number(n) : ' ' + QByteArray::number(n);
}

QByteArray SettingValue::printForm() const
{
    if (m_state == State::Text)
        return m_text;
    return signed_(m_state == State::Number ? m_number : 0) + ' ';
}

QByteArray SettingValue::signForm() const
{
    if (m_state == State::Text) {
        const auto n = toNumber();
        return n ? signed_(*n) : m_text;
    }
    return signed_(m_state == State::Number ? m_number : 0);
}
