#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// Keeps the working folder to one running program at a time: two would
// interleave their steps on the same game files. The lock is a file in the
// folder naming the process that holds it; one left by a killed program is
// taken over.
class WorkingFolderLock {
public:
    WorkingFolderLock();
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
    // The process holding the lock when take() failed; 0 when unknown.
    qint64 holder() const { return m_holder; }
    // Brings the holder's window to the front where the system lets another
    // program do so (Windows); elsewhere nothing happens.
    void bringHolderForward() const;

    // Bare name, in the working folder.
    static const QString fileName;

private:
    std::unique_ptr<QLockFile> m_lock;
    qint64 m_holder = 0;
};

} // namespace platform
