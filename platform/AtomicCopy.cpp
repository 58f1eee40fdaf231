#include "platform/FileSystem.h"

#include "platform/FileIo.h"
#include "platform/FileStamp.h"
#include "platform/FolderReading.h"
#include "platform/HashCache.h"
#include "platform/IdenticalFiles.h"
#include "platform/NameEncoding.h"
#include "platform/Temporaries.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace fs = std::filesystem;

namespace platform {

using namespace detail;

namespace {

constexpr qint64 copyChunk = 1 << 20;

enum class KernelCopy { Done, Failed, Unsupported };

// Has the system copy the bytes of file in into the empty file out: a clone
// sharing the extents where the file system can, else an in-kernel copy;
// *written is then the size of out. Unsupported (and nothing written) where
// neither works; Failed with errno set.
KernelCopy kernelCopy(QFile &in, QFile &out, qint64 *written)
{
#ifdef Q_OS_LINUX
    const int from = in.handle(), to = out.handle();
    if (::ioctl(to, FICLONE, from) == 0) {
        struct stat st;
        *written = ::fstat(to, &st) == 0 ? qint64(st.st_size) : -1;
        return KernelCopy::Done;
    }
    loff_t offset = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, size_t(1) << 30, 0);
        if (n > 0)
            continue;
        if (n == 0) {
            *written = qint64(offset);
            return KernelCopy::Done;
        }
        if (errno == EINTR)
            continue;
        // Another file system, or one without the call: nothing is written yet.
        if (offset == 0
            && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
            return KernelCopy::Unsupported;
        return KernelCopy::Failed;
    }
#else
    Q_UNUSED(in);
    Q_UNUSED(out);
    Q_UNUSED(written);
    return KernelCopy::Unsupported;
#endif
}
} // namespace

// A copy written to its temporary beside the destination, not yet in
// place: the temporary goes with it unless it was renamed into place.
struct FileSystem::Staged {
    QString target; // native
    QString folder; // native, ending in '/'
    QString op;
    QFile out;
    QString temp; // empty once in place
    ContentHash content;

    Staged() = default;
    Staged(const Staged &) = delete;
    Staged &operator=(const Staged &) = delete;
    ~Staged()
    {
        if (temp.isEmpty())
            return;
        out.close();
        std::error_code ignored;
        fs::remove(toFsPath(temp), ignored);
    }
};

void FileSystem::copyFile(const QString &from, const QString &to)
{
    copyFiles({{from, to}});
}

void FileSystem::copyFiles(const QList<std::pair<QString, QString>> &copies)
{
    std::vector<std::unique_ptr<Source>> sources;
    for (const auto &copy : copies) {
        sources.push_back(std::make_unique<Source>());
        openSource(copy.first, *sources.back());
    }
    // Copies whose temporaries could meet go in one at a time: staged side
    // by side, one would take the other's temporary for a leftover.
    const auto fileNames = [&copies] {
        QStringList names;
        for (const auto &[from, to] : copies)
            names << to.mid(std::max(to.lastIndexOf(u'\\'), to.lastIndexOf(u'/')) + 1);
        return names;
    };
    const bool apart = copies.size() < 2 || temporariesApart(fileNames());
    std::vector<std::unique_ptr<Staged>> staged;
    for (size_t i = 0; i < sources.size(); ++i) {
        if (std::unique_ptr<Staged> copy = stage(*sources[i], copies[qsizetype(i)].second))
            staged.push_back(std::move(copy));
        if (!apart) {
            place(staged);
            staged.clear();
        }
    }
    place(staged);
    m_identical->save();
}

std::unique_ptr<FileSystem::Staged> FileSystem::stage(Source &source, const QString &to)
{
    const QString copyOp = QStringLiteral("copy");
    const QString copyToOp = QStringLiteral("copy %1 to").arg(shown(source.path));
    QFile &in = source.file;

    // Writing a file onto itself through a temporary would be harmless, but
    // there is nothing to do. Nor when the destination already holds these
    // bytes: putting a state back that is in place then costs reads, no
    // writes, and none while neither file changed since. The stamps come
    // first, so a change during the comparison shows as one.
    // A link in the destination's place is replaced, never trusted.
    std::error_code ec;
#ifdef Q_OS_WIN
    const QString target = nativePath(to);
    const bool same = fs::equivalent(toFsPath(source.path), toFsPath(target), ec);
    // Windows lets no one replace a file while it is open: the path's stamp is the open source's.
    const FileStamp fromStamp = same ? FileStamp() : stampOf(source.path);
    const FileStamp toStamp = same || fs::is_symlink(fs::symlink_status(toFsPath(target), ec))
                                  ? FileStamp()
                                  : stampOf(target);
    const qint64 size = in.size();
#else
    // One look at each, as a small copy pays for every one: the source as it
    // was opened (a file renamed into its place since is another one) and the
    // destination as its look-up found it, not through a link.
    EntryKind kind;
    FileStamp toStamp;
    const QString target = lookUp(to, &kind, &toStamp);
    const FileStamp fromStamp = stampOf(source.opened);
    const bool same = kind == EntryKind::Link
                          ? fs::equivalent(toFsPath(source.path), toFsPath(target), ec)
                          : !toStamp.isNull() && toStamp.file == fromStamp.file
                                && toStamp.device == fromStamp.device;
    const qint64 size = fromStamp.size;
#endif
    const QFileInfo targetInfo(target);
    const QString name = targetInfo.fileName();
    QString folder = targetInfo.path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    // Even a copy with nothing to do tidies what a killed one left; one that
    // writes finds it where its own temporary goes.
    const auto leaveAsItIs = [&] {
        m_identical->add(fromStamp, toStamp);
        removeLeftoverOf(folder, name);
        return nullptr;
    };
    if (same || m_identical->contains(fromStamp, toStamp)) {
        removeLeftoverOf(folder, name);
        return nullptr;
    }
    HashCache &hashes = *m_hashes;
    const ContentHash fromHash = hashes.find(fromStamp);
    const ContentHash toHash = hashes.find(toStamp);
    if (!fromHash.isNull() && !toHash.isNull()) {
        if (fromHash == toHash)
            return leaveAsItIs();
    } else if (toHash.isNull() && !toStamp.isNull() && !fromStamp.isNull()
               && fromStamp.size == toStamp.size) {
        // Nothing tells them apart but their bytes: read up to the first
        // difference. Files of different sizes differ, and where only the
        // destination's hash is known, the copy's own hash tells.
        QFile dest;
        OpenFailure why;
        if (openFile(dest, target, QIODevice::ReadOnly | QIODevice::Unbuffered, &why)
            && hashes.sameContent(in, fromStamp, dest, toStamp))
            return leaveAsItIs();
    }
    if (in.pos() != 0 && !in.seek(0))
        throw FileError(copyOp, shown(source.path), in.errorString());

    if (const std::error_code fault = injected(FaultInjector::Step::Create, target))
        throw FileError(copyToOp, shown(target), fault);
    auto staged = std::make_unique<Staged>();
    staged->target = target;
    staged->folder = folder;
    staged->op = copyToOp;
    QFile &out = staged->out;
    staged->temp = createTemporary(out, folder, name, copyToOp, shown(target));
    // Throwing drops the staged copy and its temporary with it.
    const auto fail = [&](const std::error_code &code, const QString &reason = QString()) {
        throw reason.isEmpty() ? FileError(copyToOp, shown(target), code)
                               : FileError(copyToOp, shown(target), reason, code);
    };

    // A source of unknown content is hashed as it is copied, so nothing
    // reads it again for its hash; the system's copy does not show the bytes.
    const bool hashing = fromHash.isNull();
    ContentHasher hasher;
    qint64 written = 0;
    switch (hashing ? KernelCopy::Unsupported : kernelCopy(in, out, &written)) {
    case KernelCopy::Done:
        break;
    case KernelCopy::Failed:
        fail(lastError());
        break;
    case KernelCopy::Unsupported: {
        // A short write is no error to QFile; writing the rest once more either
        // makes progress or reports the system's reason (disk full, size limit).
        // Most files the mods copy are small: no megabyte to set aside for them.
        QByteArray buffer(qBound<qint64>(1, size + 1, copyChunk), Qt::Uninitialized);
        for (;;) {
            const qint64 got = in.read(buffer.data(), buffer.size());
            if (got < 0)
                throw FileError(copyOp, shown(source.path), in.errorString());
            if (got == 0)
                break;
            if (hashing)
                hasher.add(QByteArrayView(buffer.constData(), got));
            for (qint64 done = 0; done < got;) {
                errno = 0;
                const qint64 put = out.write(buffer.constData() + done, got - done);
                if (put <= 0) {
                    const std::error_code code = errno ? lastError() : codeOf(std::errc::io_error);
                    fail(code, out.errorString().isEmpty() ? QString() : out.errorString());
                }
                done += put;
            }
            written += got;
        }
        break;
    }
    }
    if (const std::error_code fault = injected(FaultInjector::Step::Write, target))
        fail(fault);
    // Whatever path the bytes took, a copy of another size than its source
    // when opened is no copy.
    if (written != size)
        fail(codeOf(std::errc::io_error));
    const ContentHash content = hashing ? hasher.result() : fromHash;
    if (hashing) {
        // The source's hash only while it stayed the version of its stamp.
#ifdef Q_OS_WIN
        const FileStamp after = stampOf(source.path);
#else
        struct stat st;
        const FileStamp after = ::fstat(in.handle(), &st) == 0 ? stampOf(st) : FileStamp();
#endif
        if (after == fromStamp)
            hashes.add(fromStamp, content);
    }
    if (!toHash.isNull() && content == toHash) {
        m_identical->add(fromStamp, toStamp);
        return nullptr;
    }
    staged->content = content;
    startWriteOut(out);
    return staged;
}

void FileSystem::place(std::vector<std::unique_ptr<Staged>> &staged)
{
    // The bytes reach the disk before any name does: a power cut never
    // leaves an empty backup, nor a game file replaced by one. All are
    // synced before the first rename, so a failure leaves every
    // destination as it was.
    for (const auto &copy : staged) {
        std::error_code synced = injected(FaultInjector::Step::Sync, copy->target);
        if (!synced)
            synced = syncFile(copy->out);
        if (synced)
            throw FileError(copy->op, shown(copy->target), synced);
        copy->out.close();
        if (copy->out.error() != QFileDevice::NoError)
            throw FileError(copy->op, shown(copy->target), copy->out.errorString(),
                            codeOf(std::errc::io_error));
    }
    // A rename is kept only once its folder is synced: a backup counts from
    // then on, before the game file it stands for is replaced. The folders
    // of the renames done are synced even when a later one fails.
    std::vector<const Staged *> placed;
    const auto syncFolders = [&]() -> std::error_code {
        QStringList folders;
        std::error_code first;
        for (const Staged *copy : placed) {
            if (folders.contains(copy->folder))
                continue;
            folders << copy->folder;
            if (const std::error_code code = syncFolder(copy->folder); code && !first)
                first = code;
        }
        return first;
    };
    try {
        for (const auto &copy : staged) {
            if (*m_replacing)
                (*m_replacing)(copy->target, copy->content);
            const FileStamp made = stampOf(copy->temp);
            std::error_code ec = injected(FaultInjector::Step::Rename, copy->target);
            if (!ec)
                fs::rename(toFsPath(copy->temp), toFsPath(copy->target), ec);
            if (ec)
                throw FileError(copy->op, shown(copy->target), ec);
            copy->temp.clear();
            placed.push_back(copy.get());
            // The rename gives the file a new change time: its stamp is taken
            // after, and kept only if it is still the file written.
            if (const FileStamp now = stampOf(copy->target);
                now.file == made.file && now.device == made.device)
                m_hashes->add(now, copy->content);
        }
    } catch (...) {
        syncFolders();
        throw;
    }
    if (const std::error_code code = syncFolders())
        throw FileError(staged.back()->op, shown(staged.back()->target), code);
}

} // namespace platform
