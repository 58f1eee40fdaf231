#include "platform/WorkingFolderLock.h"

#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace platform {

namespace {
bool emptyLockRemoved(const QString &path)
{
    const QFileInfo file(path);
    QLockFile lock(path);
    return file.exists() && file.size() == 0 && lock.removeStaleLockFile();
}

// Whether no process of that number runs on this machine.
bool processGone(qint64 pid)
{
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

// A stale lock that stays is no running copy when the folder cannot take a
// file: that is the reason to tell.
void requireWritableFolder()
{
    QTemporaryFile probe(QStringLiteral(".vertz-probe-XXXXXX"));
    const QByteArray bytes(64, 'x');
    if (probe.open() && probe.write(bytes) == bytes.size() && probe.flush())
        return;
    throw FileError(QStringLiteral("write in"), QDir::toNativeSeparators(workingFolder()),
                    probe.errorString());
}

} // namespace

const QString WorkingFolderLock::fileName = QStringLiteral(".vertz-running.lock");

WorkingFolderLock::WorkingFolderLock() = default;
WorkingFolderLock::~WorkingFolderLock() = default;

bool WorkingFolderLock::take()
{
    const QString op = QStringLiteral("lock the working folder with");
    // The lock file is read to see who holds it, and to remove a stale one
    // a second lock file beside it is made: a pipe there would be waited on.
    requireOwnFile(op, fileName);
    requireOwnFile(op, fileName + QStringLiteral(".rmlock"));

    // By bare names: Qt's own decoding of the folder's path may not lead back to it.
    const QString path = QDir::toNativeSeparators(workingFolder() + u'/' + fileName);
    m_lock = std::make_unique<QLockFile>(fileName);
    // Held as long as the program runs: stale only when its process is gone.
    m_lock->setStaleLockTime(0);
    m_holder = 0;
    bool cleared = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_lock->tryLock(0))
            return true;
        if (m_lock->error() != QLockFile::LockFailedError) {
            const auto code = m_lock->error() == QLockFile::PermissionError
                                  ? std::errc::permission_denied
                                  : std::errc::io_error;
            m_lock.reset();
            throw FileError(QStringLiteral("create"), path, std::make_error_code(code));
        }
        // A stale lock is removed under a second lock beside it. A run killed
        // as it made that one leaves it empty, which would count as held for
        // half a minute: a running holder keeps it locked against removal.
        if (!cleared && emptyLockRemoved(fileName + QStringLiteral(".rmlock"))) {
            cleared = true;
            continue;
        }
        QString host;
        if (m_lock->getLockInfo(&m_holder, &host, nullptr)) {
            // Left by a killed run whose number this process has now (a new
            // Wine server numbers from the start again): no one holds it.
#ifdef Q_OS_WIN
            const QString here = qEnvironmentVariable("COMPUTERNAME"); // as the lock names it
#else
            const QString here = QSysInfo::machineHostName();
#endif
            const bool ours = m_holder == QCoreApplication::applicationPid();
            if (!ours || (!host.isEmpty() && host != here) || !m_lock->removeStaleLockFile()) {
                if ((host.isEmpty() || host == here) && (ours || processGone(m_holder))) {
                    m_lock.reset();
                    requireWritableFolder();
                }
                break;
            }
            continue;
        }
        // Nothing readable in it: a program killed while writing it. A running
        // holder keeps it locked against removal, so only a dead one's goes.
        if (!m_lock->removeStaleLockFile())
            break;
    }
    m_lock.reset();
    return false;
}

void WorkingFolderLock::release()
{
    m_lock.reset();
}

#ifdef Q_OS_WIN
namespace {
struct WindowSearch {
    DWORD process;
    HWND found;
};

// Top-level windows come front to back: the first of the holder's is the one
// its player used last.
BOOL CALLBACK findHolderWindow(HWND window, LPARAM search)
{
    auto *s = reinterpret_cast<WindowSearch *>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != s->process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
        return TRUE;
    s->found = window;
    return FALSE;
}
} // namespace

void WorkingFolderLock::bringHolderForward() const
{
    WindowSearch search{DWORD(m_holder), nullptr};
    if (m_holder <= 0)
        return;
    EnumWindows(findHolderWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return;
    if (IsIconic(search.found))
        ShowWindow(search.found, SW_RESTORE);
    // Allowed while this program is in front, as it is after its player
    // closed its message.
    SetForegroundWindow(search.found);
}
#else
void WorkingFolderLock::bringHolderForward() const {}
#endif

} // namespace platform
