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

void FileSystem::copyOpened(Source &source, const QString &to)
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
    };
    if (same || m_identical->contains(fromStamp, toStamp)) {
        removeLeftoverOf(folder, name);
        return;
    }
    HashCache &hashes = *m_hashes;
    const ContentHash fromHash = hashes.find(fromStamp);
    const ContentHash toHash = hashes.find(toStamp);
    if (!fromHash.isNull() && !toHash.isNull()) {
        if (fromHash == toHash) {
            leaveAsItIs();
            return;
        }
    } else if (toHash.isNull() && !toStamp.isNull() && !fromStamp.isNull()
               && fromStamp.size == toStamp.size) {
        // Nothing tells them apart but their bytes: read up to the first
        // difference. Files of different sizes differ, and where only the
        // destination's hash is known, the copy's own hash tells.
        QFile dest;
        OpenFailure why;
        if (openFile(dest, target, QIODevice::ReadOnly | QIODevice::Unbuffered, &why)
            && hashes.sameContent(in, fromStamp, dest, toStamp)) {
            leaveAsItIs();
            return;
        }
    }
    if (in.pos() != 0 && !in.seek(0))
        throw FileError(copyOp, shown(source.path), in.errorString());

    if (const std::error_code fault = injected(FaultInjector::Step::Create, target))
        throw FileError(copyToOp, shown(target), fault);
    QFile out;
    const QString temp = createTemporary(out, folder, name, copyToOp, shown(target));
    auto discard = [&] {
        out.close();
        std::error_code ignored;
        fs::remove(toFsPath(temp), ignored);
    };
    auto fail = [&](const std::error_code &code, const QString &reason = QString()) {
        discard();
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
            if (got < 0) {
                const QString reason = in.errorString();
                discard();
                throw FileError(copyOp, shown(source.path), reason);
            }
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
        discard();
        m_identical->add(fromStamp, toStamp);
        return;
    }
    // The bytes reach the disk before the name does: a power cut never
    // leaves an empty backup, nor a game file replaced by one.
    std::error_code synced = injected(FaultInjector::Step::Sync, target);
    if (!synced)
        synced = syncFile(out);
    if (synced)
        fail(synced);
    out.close();
    if (out.error() != QFileDevice::NoError)
        fail(codeOf(std::errc::io_error), out.errorString());

    if (*m_replacing) {
        try {
            (*m_replacing)(target, content);
        } catch (...) {
            discard();
            throw;
        }
    }
    const FileStamp made = stampOf(temp);
    if (const std::error_code fault = injected(FaultInjector::Step::Rename, target))
        fail(fault);
    fs::rename(toFsPath(temp), toFsPath(target), ec);
    if (ec)
        fail(ec);
    // The rename gives the file a new change time: its stamp is taken
    // after, and kept only if it is still the file written.
    if (const FileStamp now = stampOf(target); now.file == made.file && now.device == made.device)
        hashes.add(now, content);
    // The rename itself is kept only once its folder is synced: a backup
    // counts from then on, before the game file it stands for is replaced.
    if (const std::error_code code = syncFolder(folder))
        throw FileError(copyToOp, shown(target), code);
}

} // namespace platform
