#include "tests/TestSupport.h"

#include "tests/FaultInjection.h"

#include "platform/ContentHash.h"
#include "platform/FileSystem.h"
#include "platform/FolderReading.h"
#include "platform/Temporaries.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

using platform::FileError;
using platform::FileSystem;

namespace {

// Everything in a folder, temporaries included.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Longer than one copy buffer and not a multiple of it.
QByteArray bigContent(char seed)
{
    QByteArray data(3 * 1024 * 1024 + 123, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(seed + i * 7 + i / 4096);
    return data;
}

// The call must fail naming the operation, the native path and the system's reason.
#ifdef Q_OS_WIN
// Windows words its own reasons: the kind of failure is what is compared.
#define FAILS_WITH(call, wantOp, wantPath, err)                                                    \
    try {                                                                                          \
        call;                                                                                      \
        QFAIL("no FileError from " #call);                                                         \
    } catch (const FileError &e) {                                                                 \
        QCOMPARE(e.describe().section(": ", 0, 0),                                                 \
                 QString("Cannot %1 %2").arg(wantOp, QDir::toNativeSeparators(m_r + wantPath)));   \
        QVERIFY2(e.code() == std::errc(err), qPrintable(e.describe()));                            \
    }
#else
#define FAILS_WITH(call, wantOp, wantPath, err)                                                    \
    try {                                                                                          \
        call;                                                                                      \
        QFAIL("no FileError from " #call);                                                         \
    } catch (const FileError &e) {                                                                 \
        QCOMPARE(e.describe(), QString("Cannot %1 %2: %3")                                         \
                                   .arg(wantOp, QDir::toNativeSeparators(m_r + wantPath),          \
                                        QString::fromLocal8Bit(std::strerror(err))));              \
    }
#endif

// Acts on the modal box of type W once its event loop runs.
template <typename W> void whenModal(std::function<void(W *)> act)
{
    QTimer::singleShot(0, [act] { act(qobject_cast<W *>(QApplication::activeModalWidget())); });
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_r; // a folder to work in, native
    FileSystem m_fs;

    // A game path below the work folder.
    QString at(const QString &rel) const { return m_r + '\\' + rel; }
    // A copy onto the destination file, spelled in another case.
    void copy(const QString &from, const QString &to = "DEST\\target.dat")
    {
        m_fs.copyFile(at(from), at(to));
    }
    QString copySource() const
    {
        return "copy " + QDir::toNativeSeparators(m_r + "/source.bin") + " to";
    }

private slots:
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_r = m_bench->path("r");
        QVERIFY(QDir().mkpath(m_r + "/Dest/Sub"));
        QVERIFY(writeFile(m_r + "/Dest/Target.DAT", "old"));
    }
    void cleanup() { m_bench.reset(); }

    void mapsGamePaths()
    {
#ifdef Q_OS_WIN
        QSKIP("game paths are used as they are on Windows");
#endif
        // A prefix laid out as Wine does: dosdevices/c: links to ../drive_c.
        const QString prefix = m_r + "/prefix";
        const QString models = prefix + "/drive_c/Program Files/Game/Data/Models/Skater_M";
        QVERIFY(QDir().mkpath(models) && QDir().mkpath(prefix + "/dosdevices"));
        QVERIFY(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
        QVERIFY(writeFile(models + "/Board.TXT", "b"));
        FileSystem fsys(prefix);
        const QString c = prefix + "/dosdevices/c:";

        // Every existing level matched ignoring case, through the drive link.
        QCOMPARE(fsys.nativePath("C:\\program files\\GAME\\data\\models\\skater_m\\board.txt"),
                 c + "/Program Files/Game/Data/Models/Skater_M/Board.TXT");
        // New components keep their spelling; doubled and trailing separators go.
        QCOMPARE(fsys.nativePath("c:\\PROGRAM FILES\\\\game\\New\\data\\"),
                 c + "/Program Files/Game/New/data");
        // Several spellings of one name: the exact one, else the first in order.
        QVERIFY(QDir().mkpath(m_r + "/Dup/abc") && QDir().mkpath(m_r + "/Dup/ABC"));
        QCOMPARE(fsys.nativePath(m_r + "/dup/abc"), m_r + "/Dup/abc");
        QCOMPARE(fsys.nativePath(m_r + "/dup/Abc"), m_r + "/Dup/ABC");
        // Relative paths start in the working folder as it is at call time.
        QVERIFY(QDir::setCurrent(models));
        QCOMPARE(fsys.nativePath("board.txt"), models + "/Board.TXT");
    }

    void folderAndDeleteOperations()
    {
        m_fs.makeFolder(at("New"));
        QVERIFY(m_fs.folderExists(at("NEW\\")) && !m_fs.fileExists(at("new")));
        QVERIFY(m_fs.fileExists(at("dest\\target.dat"))
                && !m_fs.folderExists(at("dest\\target.dat")));
        FAILS_WITH(m_fs.makeFolder(at("NEW")), "create folder", "/New", EEXIST);
        FAILS_WITH(m_fs.makeFolder(at("Gone\\Sub")), "create folder", "/Gone/Sub", ENOENT);
        // removeFolder takes empty folders only, deleteFile files only.
        QVERIFY(writeFile(m_r + "/New/inside.dat", "y"));
        FAILS_WITH(m_fs.removeFolder(at("new")), "remove folder", "/New", ENOTEMPTY);
        FAILS_WITH(m_fs.removeFolder(at("New\\inside.dat")), "remove folder", "/New/inside.dat",
                   ENOTDIR);
        FAILS_WITH(m_fs.deleteFile(at("New")), "delete", "/New", EISDIR);
        m_fs.deleteFile(at("new\\INSIDE.DAT"));
        FAILS_WITH(m_fs.deleteFile(at("New\\inside.dat")), "delete", "/New/inside.dat", ENOENT);
        m_fs.removeFolder(at("NEW\\"));
        QVERIFY(!QFileInfo::exists(m_r + "/New"));
    }

    void copyReplacesTheDestination()
    {
        const QByteArray data = bigContent('a');
        QVERIFY(writeFile(m_r + "/source.bin", data));
#ifdef Q_OS_LINUX
        // A temporary made in the temporary folder, another disk here, could
        // not be renamed into place.
        QTemporaryDir elsewhere("/dev/shm/vertz-XXXXXX");
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(elsewhere.path()));
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTmp); });
#endif
        // The existing file is replaced under its own spelling, no second file;
        // a source that differs only in its last byte replaces it again.
        copy("SOURCE.bin");
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), data);
        QCOMPARE(entries(m_r + "/Dest"), QStringList({"Sub", "Target.DAT"}));
        QByteArray changed = data;
        changed.back() ^= 1;
        QVERIFY(writeFile(m_r + "/source.bin", changed));
        copy("source.bin");
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), changed);
        // Nor is that last byte missed where no hash is known and the two
        // are compared.
        QVERIFY(writeFile(m_r + "/Dest/Target.DAT", data));
        FileSystem fresh;
        fresh.copyFile(at("source.bin"), at("Dest\\target.dat"));
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), changed);
        // Two copies at once onto names whose temporaries meet: each file
        // gets its own bytes.
        const QString a = "p572888", b = "p1804500";
        QCOMPARE(platform::temporaryNameFor(a), platform::temporaryNameFor(b));
        QVERIFY(writeFile(m_r + "/y.bin", "y"));
        m_fs.copyFiles({{at("source.bin"), at("Dest\\" + a)}, {at("y.bin"), at("Dest\\" + b)}});
        QCOMPARE(readFile(m_r + "/Dest/" + a), changed);
        QCOMPARE(readFile(m_r + "/Dest/" + b), QByteArray("y"));
    }

    // Failures name the side at fault, and leave the old file and no temporary
    // behind.
    void failedCopiesKeepTheDestination()
    {
        const QByteArray data = bigContent('s');
        QVERIFY(writeFile(m_r + "/source.bin", data));
        FAILS_WITH(copy("nope.bin"), "copy", "/nope.bin", ENOENT);
        FAILS_WITH(copy("dest"), "copy", "/Dest", EISDIR);
        FAILS_WITH(copy("source.bin", "Gone\\target.dat"), copySource(), "/Gone/target.dat",
                   ENOENT);
        FAILS_WITH(copy("source.bin", "Dest\\sub"), copySource(), "/Dest/Sub", EISDIR);
#ifdef Q_OS_UNIX
        {
            ScopedPermissions locked(m_r + "/Dest", ScopedPermissions::readOnly);
            AsPlainUser user;
            FAILS_WITH(copy("source.bin"), copySource(), "/Dest/Target.DAT", EACCES);
        }
        {
            // A write cut short without an error, as on a full disk; the limit
            // cuts the last write, after which nothing else would fail.
            FileSizeLimit limit(data.size() - 10);
            QVERIFY(limit.ok());
            FAILS_WITH(copy("source.bin"), copySource(), "/Dest/Target.DAT", EFBIG);
        }
#endif
#ifdef Q_OS_LINUX
        // A source that is not as long as it said, as one changed while copied.
        FAILS_WITH(m_fs.copyFile("/proc/self/stat", at("Dest\\target.dat")),
                   "copy /proc/self/stat to", "/Dest/Target.DAT", EIO);
#endif
        // Bytes that could not be synced never get the destination's name.
        Faults faults;
        faults.step = Faults::Step::Sync;
        faults.code = std::make_error_code(std::errc::io_error);
        FileSystem syncing;
        syncing.setFaultInjector(&faults);
        FAILS_WITH(syncing.copyFile(at("source.bin"), at("Dest\\target.dat")), copySource(),
                   "/Dest/Target.DAT", EIO);
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), QByteArray("old"));
        QCOMPARE(entries(m_r + "/Dest"), QStringList({"Sub", "Target.DAT"}));
    }

    // A pair found identical is trusted while neither file changes, also in
    // the next run; a change that keeps size and modification time still
    // tells, by the change time.
    void identicalFilesAreComparedAgainOnceChanged()
    {
        const QString from = m_r + "/from.dat", onto = m_r + "/onto.dat";
        QVERIFY(writeFile(from, "same") && writeFile(onto, "same"));
        QTest::qSleep(2100); // only files settled for 2 s are trusted
        m_fs.keepIdenticalIn("identical");
        m_fs.copyFile(from, onto);
        const std::filesystem::path path = QFile::encodeName(onto).toStdString();
        const auto modified = std::filesystem::last_write_time(path);
        QVERIFY(writeFile(onto, "diff"));
        std::filesystem::last_write_time(path, modified);
        FileSystem next;
        next.keepIdenticalIn("identical");
        next.copyFile(from, onto);
        QCOMPARE(readFile(onto), QByteArray("same"));
        // Past the hash's 32-byte stripes and its 8-byte words, the last byte still tells.
        for (const int size : {5000, 5001, 5024}) {
            QByteArray bytes(size, 'v');
            QVERIFY(writeFile(from, bytes) && writeFile(onto, bytes.replace(size - 1, 1, "w")));
            QVERIFY(platform::hashFile(from)->hash != platform::hashFile(onto)->hash);
        }
    }

    void folderListsSortIgnoringCase()
    {
        // Folded with letters outside ASCII, ties in code-unit order: once
        // mixed, once all sharing a start, some ending within the part
        // compared first. Every name valid UTF-8 reads back exact.
        const QList<QList<const char16_t *>> sets
            = {{u"anim_10.ska", u"Anim_9.ska", u"b", u"anim", u"\u00c9clair.ska", u"eclair.ska",
                u"Zeta", u"\u212aelvin", u"kelvin", u"\u00df", u"ss", u"\u00e9clairs.ska"},
               {u"Anim_0", u"anim_0A", u"ANIM_0b.ska", u"anim_0a.SKA", u"Anim_0ab", u"anim_00",
                u"Anim_0\u00c9", u"anim_0\u00e9t\u00e9", u"ANIM_0ABCDEFGH", u"anim_0abcdZ",
                u"anim_0abcdy"}};
        for (const auto &set : sets) {
            const QString dir = m_r + "/Sorted" + QString::number(set.size());
            QVERIFY(QDir().mkpath(dir + "/Sub"));
            QStringList names;
            for (const char16_t *name : set) {
                names << QString::fromUtf16(name);
                QVERIFY(writeFile(dir + '/' + names.last(), "x"));
            }
            std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
                const int c = a.toCaseFolded().compare(b.toCaseFolded());
                return c != 0 ? c < 0 : a < b;
            });
            const platform::FolderContents read = platform::readFolder(dir);
            QStringList got;
            for (qsizetype i = 0; i < read.files.size(); ++i) {
                got << read.files.at(i).toString();
                QVERIFY(read.files.isExact(i));
            }
            QCOMPARE(got, names);
        }
    }

    void filesListedAndDeletedInOneFolder()
    {
        const QString list = m_r + "/List";
        QVERIFY(QDir().mkpath(list + "/sub.txt") && QDir().mkpath(m_r + "/Outside"));
        for (const char *name :
             {"a.txt", "B.TXT", "c.dat", "noext", ".hidden.txt", "sub.txt/inner.txt"})
            QVERIFY(writeFile(list + '/' + name, name));
        QVERIFY(writeFile(m_r + "/Outside/target.txt", "t"));
        // Links only where the system makes them (on Windows, a shortcut file).
        const QStringList links = {"broken.txt", "dirlink.txt", "filelink.txt"};
        const auto withLinks = [&links](QStringList names) {
#ifdef Q_OS_WIN
            names.removeIf([&links](const QString &name) { return links.contains(name); });
#else
            Q_UNUSED(links);
#endif
            return names;
        };
#ifndef Q_OS_WIN
        QVERIFY(QFile::link(list + "/sub.txt", list + "/dirlink.txt"));
        QVERIFY(QFile::link(m_r + "/Outside/target.txt", list + "/filelink.txt"));
        QVERIFY(QFile::link(list + "/gone", list + "/broken.txt"));
#endif

        // Folders, links to folders and broken links are not files; a link to a
        // file and a hidden file are. The link to a file goes, its target stays; neither the link
        // to a folder nor the subfolder is entered.
        m_fs.deleteFilesIn(m_r + "\\list\\", {"C.DAT"});
        QCOMPARE(entries(list), withLinks({"broken.txt", "c.dat", "dirlink.txt", "sub.txt"}));
        QCOMPARE(entries(list + "/sub.txt"), QStringList({"inner.txt"}));
        QCOMPARE(entries(m_r + "/Outside"), QStringList({"target.txt"}));
        FAILS_WITH(m_fs.deleteFilesIn(at("Gone")), "delete files in", "/Gone", ENOENT);
    }

    void qtBoxesShowAndAnswer()
    {
        ui::QtDialogs dialogs;
        // A message: exact text and title, a long informative text cut.
        QStringList seen;
        whenModal<QMessageBox>([&](QMessageBox *box) {
            seen = {box->text(), box->windowTitle(), box->informativeText()};
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.message("Error!", "OMG TEH ERROR", QString(5000, 'p'));
        QCOMPARE(seen.mid(0, 2), QStringList({"Error!", "OMG TEH ERROR"}));
        QVERIFY(seen.value(2).size() < 5000 && seen.value(2).endsWith("…"));

        // The answer is the button clicked, Yes being the default.
        for (const auto answer : {QMessageBox::Yes, QMessageBox::No}) {
            bool yesIsDefault = false;
            whenModal<QMessageBox>([&, answer](QMessageBox *box) {
                yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
                box->button(answer)->click();
            });
            QCOMPARE(dialogs.question("Restore?", "Vertz Q"), answer == QMessageBox::Yes);
            QVERIFY(yesIsDefault);
        }

        // An input box shows the default and gives what was typed, or nothing on
        // Cancel.
        for (const bool accept : {true, false}) {
            QString shownDefault;
            whenModal<QInputDialog>([&, accept](QInputDialog *box) {
                shownDefault = box->textValue();
                box->setTextValue("D:\\Games\\Vertz\\");
                accept ? box->accept() : box->reject();
            });
            QCOMPARE(dialogs.input("Where?", "Folder", "C:\\x\\"),
                     accept ? QString("D:\\Games\\Vertz\\") : QString());
            QCOMPARE(shownDefault, QString("C:\\x\\"));
        }
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
