#include "platform/WorkingFolderLock.h"

#include "platform/FileError.h"
#include "platform/NameEncoding.h"
#include "platform/OwnFiles.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
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
void requireWritableFolder(const QString &folder)
{
    const QString pattern = QStringLiteral(".vertz-probe-XXXXXX");
    QTemporaryFile probe(folder.isEmpty() ? pattern : folder + u'/' + pattern);
    const QByteArray bytes(64, 'x');
    if (probe.open() && probe.write(bytes) == bytes.size() && probe.flush())
        return;
    throw FileError(QStringLiteral("write in"),
                    QDir::toNativeSeparators(folder.isEmpty() ? workingFolder() : folder),
                    probe.errorString());
}

// The folder locks this process holds, by lock file: a second taker in the
// process shares the first one's.
QHash<QString, std::weak_ptr<QLockFile>> folderLocks;
QMutex folderLocksMutex;

QString keyOf(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::cleanPath(path).toCaseFolded();
#else
    return QDir::cleanPath(path);
#endif
}

} // namespace

const QString WorkingFolderLock::fileName = QStringLiteral(".vertz-running.lock");

WorkingFolderLock::WorkingFolderLock() = default;
WorkingFolderLock::WorkingFolderLock(const QString &folder)
    : m_folder(QDir::fromNativeSeparators(folder))
{
}
WorkingFolderLock::~WorkingFolderLock() = default;

bool WorkingFolderLock::canLock(const QString &folder)
{
    const QString path = QDir::fromNativeSeparators(folder);
#ifndef Q_OS_WIN
    if (QFile::encodeName(path) != encodePath(path))
        return false;
#endif
    return QFileInfo(path).isDir();
}

bool WorkingFolderLock::take()
{
    m_lock.reset();
    m_holder = 0;
    const QString op = m_folder.isEmpty() ? QStringLiteral("lock the working folder with")
                                          : QStringLiteral("lock the install with");
    // The lock file is read to see who holds it, and to remove a stale one
    // a second lock file beside it is made: a pipe there would be waited on.
    requireOwnFile(op, fileName, m_folder);
    requireOwnFile(op, fileName + QStringLiteral(".rmlock"), m_folder);

    // By bare names: Qt's own decoding of the folder's path may not lead back to it.
    const QString name = m_folder.isEmpty()        ? fileName
                         : m_folder.endsWith(u'/') ? m_folder + fileName
                                                   : m_folder + u'/' + fileName;
    const QString path
        = QDir::toNativeSeparators(m_folder.isEmpty() ? workingFolder() + u'/' + fileName : name);
    const QMutexLocker guard(&folderLocksMutex);
    if (!m_folder.isEmpty()) {
        m_lock = folderLocks.value(keyOf(name)).lock();
        if (m_lock)
            return true;
    }
    auto lock = std::make_shared<QLockFile>(name);
    // Held as long as the program runs: stale only when its process is gone.
    lock->setStaleLockTime(0);
    bool cleared = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (lock->tryLock(0)) {
            m_lock = lock;
            // An install may lie in the working folder: its lock is this one.
            folderLocks.insert(keyOf(m_folder.isEmpty() ? workingFolder() + u'/' + fileName : name),
                               lock);
            return true;
        }
        if (lock->error() != QLockFile::LockFailedError) {
            const auto code = lock->error() == QLockFile::PermissionError
                                  ? std::errc::permission_denied
                                  : std::errc::io_error;
            throw FileError(QStringLiteral("create"), path, std::make_error_code(code));
        }
        // A stale lock is removed under a second lock beside it. A run killed
        // as it made that one leaves it empty, which would count as held for
        // half a minute: a running holder keeps it locked against removal.
        if (const QFileInfo rm(name + QStringLiteral(".rmlock"));
            !cleared && rm.exists() && rm.size() == 0
            && QLockFile(rm.filePath()).removeStaleLockFile()) {
            cleared = true;
            continue;
        }
        QString host;
        if (lock->getLockInfo(&m_holder, &host, nullptr)) {
            // Left by a killed run whose number this process has now (a new
            // Wine server numbers from the start again): no one holds it.
#ifdef Q_OS_WIN
            const QString here = qEnvironmentVariable("COMPUTERNAME"); // as the lock names it
#else
            const QString here = QSysInfo::machineHostName();
#endif
            const bool ours = m_holder == QCoreApplication::applicationPid();
            if (!ours || (!host.isEmpty() && host != here) || !lock->removeStaleLockFile()) {
                if ((host.isEmpty() || host == here) && (ours || processGone(m_holder))) {
                    lock.reset();
                    requireWritableFolder(m_folder);
                }
                break;
            }
            continue;
        }
        // Nothing readable in it: a program killed while writing it. A running
        // holder keeps it locked against removal, so only a dead one's goes.
        if (!lock->removeStaleLockFile())
            break;
    }
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
