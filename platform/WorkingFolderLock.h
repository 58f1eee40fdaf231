#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// Keeps the working folder to one running program at a time: two would
// interleave their steps on the same game files. The lock is a file in the
// folder naming the process that holds it; one left by a killed program is
// taken over. Given a folder, it locks that one instead (an install, which
// programs of several working folders may share); there one process may
// take it any number of times.
class WorkingFolderLock {
public:
    WorkingFolderLock();
    // A native path.
    explicit WorkingFolderLock(const QString &folder);
    ~WorkingFolderLock();
    WorkingFolderLock(const WorkingFolderLock &) = delete;
    WorkingFolderLock &operator=(const WorkingFolderLock &) = delete;

    // Takes the lock. False when another running program holds it. A link, a
    // folder or a special file in the lock file's place is refused with a
    // FileError, never followed or waited on, and so is a lock file that
    // cannot be made.
    bool take();
    // Removes the lock file again; taking it later is allowed.
    void release();
    bool held() const { return bool(m_lock); }
    // Whether a lock file can be made in the folder at all: it exists, and
    // Qt can name it (outside Windows, a name no valid UTF-8 cannot be).
    static bool canLock(const QString &folder);
    // The process holding the lock when take() failed; 0 when unknown.
    qint64 holder() const { return m_holder; }
    // Brings the holder's window to the front where the system lets another
    // program do so (Windows); elsewhere nothing happens.
    void bringHolderForward() const;

    // Bare name, in the working folder or the folder given.
    static const QString fileName;

private:
    QString m_folder; // empty: the working folder
    std::shared_ptr<QLockFile> m_lock;
    qint64 m_holder = 0;
};

} // namespace platform
