#include "platform/FileError.h"

#include <QDir>

#include <cerrno>
#include <system_error>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

namespace detail {

QString shown(const QString &nativePath)
{
    return QDir::toNativeSeparators(nativePath);
}

std::error_code codeOf(std::errc code)
{
#ifdef Q_OS_WIN
    // The system's own code, so that the reason reads in its words; it still
    // compares equal to code.
    static const std::pair<std::errc, DWORD> windows[] = {
        {std::errc::no_such_file_or_directory, ERROR_FILE_NOT_FOUND},
        {std::errc::file_exists, ERROR_ALREADY_EXISTS},
        {std::errc::not_a_directory, ERROR_DIRECTORY},
        {std::errc::directory_not_empty, ERROR_DIR_NOT_EMPTY},
        {std::errc::permission_denied, ERROR_ACCESS_DENIED},
        {std::errc::no_space_on_device, ERROR_DISK_FULL},
        {std::errc::filename_too_long, ERROR_FILENAME_EXCED_RANGE},
        {std::errc::device_or_resource_busy, ERROR_SHARING_VIOLATION},
    };
    for (const auto &[errc, win] : windows) {
        const std::error_code system(int(win), std::system_category());
        if (errc == code && system == code)
            return system;
    }
#endif
    return std::make_error_code(code);
}

std::error_code lastError()
{
    return std::error_code(errno, std::generic_category());
}

FileError openError(const QString &op, const QString &path, const OpenFailure &why)
{
    return why.code ? FileError(op, path, why.code) : FileError(op, path, why.reason);
}

} // namespace detail

FileError::FileError(QString operation, QString path, QString reason, std::error_code code)
    : std::runtime_error(
        QStringLiteral("Cannot %1 %2: %3").arg(operation, path, reason).toStdString()),
      m_operation(std::move(operation)), m_path(std::move(path)), m_reason(std::move(reason)),
      m_code(code)
{
}

FileError::FileError(QString operation, QString path, std::error_code code)
    : FileError(std::move(operation), std::move(path), QString::fromLocal8Bit(code.message()), code)
{
}

QString FileError::describe() const
{
    return QStringLiteral("Cannot %1 %2: %3").arg(m_operation, m_path, m_reason);
}

QString FileError::explain() const
{
    const std::error_code &c = m_code;
    // Operations whose path is read, not written.
    const bool reading
        = m_operation == QLatin1String("copy") || m_operation == QLatin1String("list");
    const bool folder = m_operation == QLatin1String("list")
                        || m_operation.startsWith(QLatin1String("delete files"))
                        || m_operation.contains(QLatin1String("folder"));
    QString cause;
    if (c == std::errc::no_space_on_device
#ifdef EDQUOT
        || c.value() == EDQUOT
#endif
    )
        cause = QStringLiteral("The disk is full.");
    else if (c == std::errc::file_too_large)
        cause = QStringLiteral("The file is too large to be written there.");
    else if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        cause = reading ? QStringLiteral("No permission to read %1.").arg(m_path)
                        : QStringLiteral("No permission to write %1.").arg(m_path);
    else if (c == std::errc::read_only_file_system)
        cause = QStringLiteral("The disk holding %1 is read-only.").arg(m_path);
    else if (c == std::errc::no_such_file_or_directory)
        cause = m_operation == QLatin1String("create folder")
                    ? QStringLiteral("The folder that should hold %1 is missing.").arg(m_path)
                : folder ? QStringLiteral("The folder %1 is missing.").arg(m_path)
                         : QStringLiteral("The file %1 is missing.").arg(m_path);
    else if (c == std::errc::not_a_directory)
        cause = QStringLiteral("A part of %1 is not a folder.").arg(m_path);
    else if (c == std::errc::too_many_symbolic_link_levels)
        cause = QStringLiteral("%1 is a link; the program never follows a link where it "
                               "keeps its own files.")
                    .arg(m_path);
    else if (c == std::errc::is_a_directory)
        cause = QStringLiteral("%1 is a folder, not a file.").arg(m_path);
    else if (c == std::errc::invalid_argument)
        cause = QStringLiteral("%1 is not a plain file.").arg(m_path);
    else if (c == std::errc::file_exists)
        cause = QStringLiteral("%1 is already there.").arg(m_path);
    else if (c == std::errc::device_or_resource_busy || c == std::errc::text_file_busy)
        cause = QStringLiteral("%1 is in use by another program.").arg(m_path);
    else if (c == std::errc::io_error)
        cause = QStringLiteral("The disk could not be read or written.");
    else if (c == std::errc::filename_too_long)
        cause = QStringLiteral("The name %1 is too long.").arg(m_path);
    return cause.isEmpty() ? describe() : cause + QStringLiteral("\n\n") + describe();
}

} // namespace platform
