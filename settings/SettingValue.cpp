#include "settings/SettingValue.h"

#include <limits>

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

static bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::optional<int> SettingValue::toNumber() const
{
    switch (m_state) {
    case State::Unset:
        return 0;
    case State::Number:
        return m_number;
    case State::Text:
        break;
    }
    qsizetype i = 0, end = m_text.size();
    while (i < end && isBlank(m_text[i]))
        ++i;
    while (end > i && isBlank(m_text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (m_text[i] == '-' || m_text[i] == '+')) {
        negative = m_text[i] == '-';
        ++i;
    }
    if (i == end)
        return std::nullopt;
    long long n = 0;
    for (; i < end; ++i) {
        const char c = m_text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
        // Anything past the int range is as unusable as letters.
        if (n > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        n = -n;
    if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(n);
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
