#include "tests/TestSupport.h"

#include "platform/FileSystem.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <functional>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <sys/stat.h>
#endif

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

// The error names the operation, the native path (below m_r) and the system's reason.
#define VERIFY_FILE_ERROR(call, wantOp, wantPath, err)                                             \
    try {                                                                                          \
        call;                                                                                      \
        QFAIL("no FileError from " #call);                                                         \
    } catch (const FileError &e) {                                                                 \
        QCOMPARE(e.describe(), QString("Cannot %1 %2: %3")                                         \
                                   .arg(wantOp, QDir::toNativeSeparators(m_r + wantPath),          \
                                        QString::fromLocal8Bit(std::strerror(err))));              \
    }

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
        QCOMPARE(fsys.nativePath("d:\\Stuff"), prefix + "/dosdevices/d:/Stuff");
        QCOMPARE(fsys.nativePath(m_r + "\\PREFIX\\Drive_C\\program files\\"),
                 prefix + "/drive_c/Program Files");
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
        VERIFY_FILE_ERROR(m_fs.makeFolder(at("NEW")), "create folder", "/New", EEXIST);
        VERIFY_FILE_ERROR(m_fs.makeFolder(at("Gone\\Sub")), "create folder", "/Gone/Sub", ENOENT);
        // removeFolder takes empty folders only, deleteFile files only.
        QVERIFY(writeFile(m_r + "/New/inside.dat", "y"));
        VERIFY_FILE_ERROR(m_fs.removeFolder(at("new")), "remove folder", "/New", ENOTEMPTY);
        VERIFY_FILE_ERROR(m_fs.removeFolder(at("New\\inside.dat")), "remove folder",
                          "/New/inside.dat", ENOTDIR);
        VERIFY_FILE_ERROR(m_fs.deleteFile(at("New")), "delete", "/New", EISDIR);
        m_fs.deleteFile(at("new\\INSIDE.DAT"));
        VERIFY_FILE_ERROR(m_fs.deleteFile(at("New\\inside.dat")), "delete", "/New/inside.dat",
                          ENOENT);
        m_fs.removeFolder(at("NEW\\"));
        QVERIFY(!QFileInfo::exists(m_r + "/New"));
    }

    void copyReplacesOrKeepsTheDestination()
    {
        const QByteArray data = bigContent('a');
        QVERIFY(writeFile(m_r + "/source.bin", data));
        // Failures leave the old file and no temporary behind.
        VERIFY_FILE_ERROR(m_fs.copyFile(at("nope.bin"), at("Dest\\target.dat")), "copy",
                          "/nope.bin", ENOENT);
        VERIFY_FILE_ERROR(m_fs.copyFile(at("dest"), at("Dest\\target.dat")), "copy", "/Dest",
                          EISDIR);
        VERIFY_FILE_ERROR(m_fs.copyFile(at("source.bin"), at("Gone\\target.dat")), copySource(),
                          "/Gone/target.dat", ENOENT);
        VERIFY_FILE_ERROR(m_fs.copyFile(at("source.bin"), at("Dest\\sub")), copySource(),
                          "/Dest/Sub", EISDIR);
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), QByteArray("old"));
        QCOMPARE(entries(m_r + "/Dest"), QStringList({"Sub", "Target.DAT"}));

        // The existing file is replaced under its own spelling, no second file.
        m_fs.copyFile(at("SOURCE.bin"), at("dest\\target.dat"));
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), data);
        m_fs.copyFile(at("Dest\\Target.DAT"), at("DEST\\TARGET.DAT")); // onto itself
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), data);
#ifdef Q_OS_LINUX
        // Holding the same bytes, the destination is not written at all; with
        // its last byte off, it is replaced.
        const auto stamp = [&] {
            struct stat st {};
            ::stat(QFile::encodeName(m_r + "/Dest/Target.DAT").constData(), &st);
            return std::pair(st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
        };
        const auto before = stamp();
        m_fs.copyFile(at("source.bin"), at("Dest\\Target.DAT"));
        QCOMPARE(stamp(), before);
        QByteArray changed = data;
        changed.back() ^= 1;
        QVERIFY(writeFile(m_r + "/source.bin", changed));
        m_fs.copyFile(at("source.bin"), at("Dest\\Target.DAT"));
        QVERIFY(stamp() != before);
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), changed);
#endif
        QCOMPARE(entries(m_r + "/Dest"), QStringList({"Sub", "Target.DAT"}));
    }

    void replaceNeverLeavesTheDestinationMissing()
    {
#ifndef Q_OS_LINUX
        QSKIP("watches the folder with inotify");
#else
        // The only thing that may happen to the destination's name is that a
        // finished file is renamed onto it: no delete first, no write in place.
        QVERIFY(writeFile(m_r + "/source.bin", bigContent('i')));
        const int fd = ::inotify_init1(IN_NONBLOCK);
        QVERIFY(fd >= 0);
        QVERIFY(::inotify_add_watch(fd, QFile::encodeName(m_r + "/Dest").constData(), IN_ALL_EVENTS)
                >= 0);
        m_fs.copyFile(m_r + "\\source.bin", m_r + "\\Dest\\Target.DAT");
        QStringList seen;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            for (char *p = buffer; p < buffer + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(p);
                if (e->len && QByteArray(e->name) == "Target.DAT")
                    seen << QString::number(e->mask, 16);
                p += sizeof(inotify_event) + e->len;
            }
        }
        ::close(fd);
        QCOMPARE(seen, QStringList{QString::number(IN_MOVED_TO, 16)});
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), bigContent('i'));
#endif
    }

    void copyWorksWhereTheTemporaryFolderIsAnotherDisk()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs a second file system at /dev/shm");
#else
        QTemporaryDir elsewhere("/dev/shm/vertz-XXXXXX");
        struct stat a {
        }, b{};
        if (!elsewhere.isValid() || ::stat(QFile::encodeName(elsewhere.path()), &a) != 0
            || ::stat(QFile::encodeName(m_r), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system here");
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(elsewhere.path()));
        QVERIFY(writeFile(m_r + "/source.bin", "fresh"));
        // Restores TMPDIR however the copy ends.
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTmp); });
        try {
            m_fs.copyFile(at("source.bin"), at("Dest\\Target.DAT"));
        } catch (const FileError &e) {
            QFAIL(e.what());
        }
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), QByteArray("fresh"));
#endif
    }

    void failedWritesKeepTheDestination()
    {
#ifndef Q_OS_UNIX
        QSKIP("read-only folders and size limits are checked on POSIX systems only");
#else
        const QByteArray data = bigContent('s');
        QVERIFY(writeFile(m_r + "/source.bin", data));
        {
            ScopedPermissions locked(m_r + "/Dest", ScopedPermissions::readOnly);
            AsPlainUser user;
            VERIFY_FILE_ERROR(m_fs.copyFile(at("source.bin"), at("Dest\\target.dat")), copySource(),
                              "/Dest/Target.DAT", EACCES);
        }
        {
            // A write cut short without an error, as on a full disk; the limit
            // cuts the last write, after which nothing else would fail.
            FileSizeLimit limit(data.size() - 10);
            QVERIFY(limit.ok());
            VERIFY_FILE_ERROR(m_fs.copyFile(at("source.bin"), at("Dest\\target.dat")), copySource(),
                              "/Dest/Target.DAT", EFBIG);
        }
        QCOMPARE(readFile(m_r + "/Dest/Target.DAT"), QByteArray("old"));
        QCOMPARE(entries(m_r + "/Dest"), QStringList({"Sub", "Target.DAT"}));
#endif
    }

    void wildcardsListAndDeleteInOneFolder()
    {
        const QString list = m_r + "/List";
        QVERIFY(QDir().mkpath(list + "/sub.txt") && QDir().mkpath(m_r + "/Outside"));
        for (const char *name :
             {"a.txt", "B.TXT", "c.dat", "noext", ".hidden.txt", "sub.txt/inner.txt"})
            QVERIFY(writeFile(list + '/' + name, name));
        QVERIFY(writeFile(m_r + "/Outside/target.txt", "t"));
        QVERIFY(QFile::link(list + "/sub.txt", list + "/dirlink.txt"));
        QVERIFY(QFile::link(m_r + "/Outside/target.txt", list + "/filelink.txt"));
        QVERIFY(QFile::link(list + "/gone", list + "/broken.txt"));

        // Folders, links to folders and broken links are not files; a link to a
        // file and a hidden file are. Sorted ignoring case.
        QCOMPARE(m_fs.listFiles(m_r + "\\list\\*.*"),
                 QStringList({".hidden.txt", "a.txt", "B.TXT", "c.dat", "filelink.txt", "noext"}));
        QCOMPARE(m_fs.listFiles(m_r + "\\List\\?.txt"), QStringList({"a.txt", "B.TXT"}));
        QCOMPARE(m_fs.listFiles(m_r + "\\List\\*A*"), QStringList({"a.txt", "c.dat"}));
        QCOMPARE(m_fs.listFiles(m_r + "\\List\\b*.t?t"), QStringList({"B.TXT"}));
        VERIFY_FILE_ERROR(m_fs.listFiles(at("Gone\\*.*")), "list", "/Gone", ENOENT);

        // The link to a file goes, its target stays; neither the link to a
        // folder nor the subfolder is entered.
        m_fs.deleteFiles(m_r + "\\list\\*.TXT");
        QCOMPARE(entries(list),
                 QStringList({"broken.txt", "c.dat", "dirlink.txt", "noext", "sub.txt"}));
        QCOMPARE(entries(list + "/sub.txt"), QStringList({"inner.txt"}));
        QCOMPARE(entries(m_r + "/Outside"), QStringList({"target.txt"}));
        m_fs.deleteFiles(m_r + "\\List\\*.zip");
        VERIFY_FILE_ERROR(m_fs.deleteFiles(at("Gone\\*.*")), "delete files in", "/Gone", ENOENT);
    }

    void qtBoxesShowAndAnswer()
    {
        platform::QtDialogs dialogs;
        // A message: exact text and title, a long informative text cut.
        QString text, title, informative;
        whenModal<QMessageBox>([&](QMessageBox *box) {
            text = box->text();
            title = box->windowTitle();
            informative = box->informativeText();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.message("Error!", "OMG TEH ERROR", QString(5000, 'p'));
        QCOMPARE(text, QString("Error!"));
        QCOMPARE(title, QString("OMG TEH ERROR"));
        QCOMPARE(informative, QString(1000, 'p') + "…");

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

        // An input box gives what was typed, or nothing on Cancel.
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
