#pragma once

#include <QString>

#include <stdexcept>
#include <system_error>

namespace platform {

// A failed file operation: what was tried, on which path, and what the system said.
class FileError : public std::runtime_error {
public:
    FileError(QString operation, QString path, QString reason, std::error_code code = {});
    // The reason is the system's message for code.
    FileError(QString operation, QString path, std::error_code code);

    const QString &operation() const { return m_operation; }
    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }
    // "Cannot <operation> <path>: <reason>", for a message's informative text.
    // The path is native. A copy names its source as the path when the source
    // is at fault ("copy", source), else "copy <source> to" and the destination.
    QString describe() const;
    // What a player reads: the cause in plain words where the system's code
    // tells it ("The disk is full."), then a blank line and describe().
    QString explain() const;
    // The system's error behind the failure; empty for the program's own refusals.
    std::error_code code() const { return m_code; }

private:
    QString m_operation;
    QString m_path;
    QString m_reason;
    std::error_code m_code;
};

namespace detail {

// A native path as a FileError shows it.
QString shown(const QString &nativePath);
std::error_code codeOf(std::errc code);
std::error_code lastError();

// Why opening a file failed: the system's code where there is one.
struct OpenFailure {
    QString reason;
    std::error_code code;
};

FileError openError(const QString &op, const QString &path, const OpenFailure &why);

} // namespace detail

} // namespace platform
