#pragma once

#include <QString>

#include <system_error>

namespace platform {

// Tests only: makes chosen steps of the file operations fail as the system
// would, with the same FileError (operation, path, the system's reason).
class FaultInjector {
public:
    // The steps that can fail, each on the native path the operation names:
    // opening a copy's source, creating its temporary file beside the
    // destination, writing it, renaming it over the destination; deleting a
    // file; creating and removing a folder; syncing a copy's temporary to
    // disk (on the destination's path).
    enum class Step { Read, Create, Write, Rename, Delete, MakeFolder, RemoveFolder, Sync };
    virtual ~FaultInjector() = default;
    // A code makes the step fail with it before it changes anything of its own.
    virtual std::error_code failure(Step step, const QString &nativePath) = 0;
};

} // namespace platform
