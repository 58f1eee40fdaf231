#include "platform/FileSystem.h"
#include "platform/QtDialogs.h"
#include "tests/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using platform::FileError;
using platform::FileSystem;

namespace {

QString sysReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write(data) == data.size(), qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

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

std::optional<FileError> failure(const std::function<void()> &op)
{
    try {
        op();
    } catch (const FileError &e) {
        return e;
    }
    return std::nullopt;
}

QString copyTo(const QString &source)
{
    return "copy " + QDir::toNativeSeparators(source) + " to";
}

// The error names the operation, the native path and the system's reason.
#define VERIFY_FILE_ERROR(call, wantOp, wantPath, wantReason)                                      \
    do {                                                                                           \
        const auto e = failure([&] { call; });                                                     \
        QVERIFY2(e.has_value(), "no FileError from " #call);                                       \
        const QString path = QDir::toNativeSeparators(wantPath);                                   \
        QCOMPARE(e->operation(), QString(wantOp));                                                 \
        QCOMPARE(e->path(), path);                                                                 \
        QCOMPARE(e->reason(), QString(wantReason));                                                \
        QCOMPARE(e->describe(),                                                                    \
                 "Cannot " + QString(wantOp) + ' ' + path + ": " + QString(wantReason));           \
    } while (false)

// Calls act on the modal box of type W once the event loop shows it.
template <typename W> void whenModal(std::function<void(W *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

    QString m_startFolder;
    std::optional<QTemporaryDir> m_tmp;
    QString root() const { return m_tmp->path(); }

private slots:
    void init()
    {
        m_startFolder = QDir::currentPath();
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
    }
    void cleanup()
    {
        QDir::setCurrent(m_startFolder);
        m_tmp.reset();
    }

    void mapsGamePaths();
    void folderFileAndDeleteOperations();
    void copyReplacesOrKeepsDestination();
    void copyIntoReadOnlyFolderKeepsDestination();
    void copyShortWriteKeepsDestination();
    void listFilesMatchesWildcards();
    void deleteFilesStaysInFolder();
    void qtQuestionBox();
};

void PlatformTest::mapsGamePaths()
{
#ifdef Q_OS_WIN
    QSKIP("Game paths are used as they are on Windows");
#endif
    // A prefix laid out as Wine does: dosdevices/c: links to ../drive_c.
    const QString prefix = root() + "/prefix";
    const QString models = prefix + "/drive_c/Program Files/Game/Data/Models/Skater_M";
    QVERIFY(QDir().mkpath(models));
    QVERIFY(QDir().mkpath(prefix + "/dosdevices"));
    QVERIFY(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
    writeFile(models + "/Board.TXT", "b");
    FileSystem fsys(prefix);
    const QString c = prefix + "/dosdevices/c:";

    // Every existing level matched ignoring case, through the drive link.
    QCOMPARE(fsys.nativePath("C:\\program files\\GAME\\data\\models\\skater_m\\board.txt"),
             c + "/Program Files/Game/Data/Models/Skater_M/Board.TXT");
    // New components keep their spelling; doubled and trailing separators go.
    QCOMPARE(fsys.nativePath("c:\\PROGRAM FILES\\\\game\\New\\data\\"),
             c + "/Program Files/Game/New/data");
    QCOMPARE(fsys.nativePath("C:\\"), c);
    QCOMPARE(fsys.nativePath("d:\\Stuff"), prefix + "/dosdevices/d:/Stuff");
    // Absolute paths are taken as they are, still ignoring case.
    QCOMPARE(fsys.nativePath(root() + "\\PREFIX\\Drive_C\\program files\\"),
             prefix + "/drive_c/Program Files");

    // Several spellings of one name: the exact one, else the first in order.
    QVERIFY(QDir().mkpath(root() + "/Dup/abc"));
    QVERIFY(QDir().mkpath(root() + "/Dup/ABC"));
    QCOMPARE(fsys.nativePath(root() + "/dup/abc"), root() + "/Dup/abc");
    QCOMPARE(fsys.nativePath(root() + "/dup/Abc"), root() + "/Dup/ABC");

    // Relative paths start in the working folder as it is at call time.
    QVERIFY(QDir::setCurrent(prefix + "/drive_c"));
    QCOMPARE(fsys.nativePath("PROGRAM FILES\\game"), QDir::currentPath() + "/Program Files/Game");
    QVERIFY(QDir::setCurrent(models));
    QCOMPARE(fsys.nativePath("board.txt"), QDir::currentPath() + "/Board.TXT");
}

void PlatformTest::folderFileAndDeleteOperations()
{
    FileSystem fsys;
    const QString r = root();
    writeFile(r + "/file.txt", "x");
    QVERIFY(QFile::link(r + "/file.txt", r + "/filelink"));
    QVERIFY(QFile::link(r + "/missing", r + "/broken"));

    fsys.makeFolder(r + "\\New");
    QVERIFY(QFileInfo(r + "/New").isDir());
    VERIFY_FILE_ERROR(fsys.makeFolder(r + "\\NEW"), "create folder", r + "/New", sysReason(EEXIST));
    VERIFY_FILE_ERROR(fsys.makeFolder(r + "\\File.TXT"), "create folder", r + "/file.txt",
                      sysReason(EEXIST));
    VERIFY_FILE_ERROR(fsys.makeFolder(r + "\\Gone\\Sub"), "create folder", r + "/Gone/Sub",
                      sysReason(ENOENT));

    QVERIFY(fsys.fileExists(r + "\\FILE.TXT") && fsys.fileExists(r + "\\filelink"));
    QVERIFY(!fsys.fileExists(r + "\\new") && !fsys.fileExists(r + "\\broken"));
    QVERIFY(fsys.folderExists(r + "\\NEW\\") && !fsys.folderExists(r + "\\file.txt"));
    QVERIFY(!fsys.fileExists(r + "\\gone") && !fsys.folderExists(r + "\\gone"));

    // removeFolder takes empty folders only and never deletes a file.
    writeFile(r + "/New/inside.dat", "y");
    VERIFY_FILE_ERROR(fsys.removeFolder(r + "\\new"), "remove folder", r + "/New",
                      sysReason(ENOTEMPTY));
    VERIFY_FILE_ERROR(fsys.removeFolder(r + "\\file.txt"), "remove folder", r + "/file.txt",
                      sysReason(ENOTDIR));
    QVERIFY(QFile::exists(r + "/file.txt"));

    // deleteFile takes files only and never removes a folder.
    fsys.deleteFile(r + "\\new\\INSIDE.DAT");
    QVERIFY(!QFile::exists(r + "/New/inside.dat"));
    VERIFY_FILE_ERROR(fsys.deleteFile(r + "\\New\\inside.dat"), "delete", r + "/New/inside.dat",
                      sysReason(ENOENT));
    VERIFY_FILE_ERROR(fsys.deleteFile(r + "\\New"), "delete", r + "/New", sysReason(EISDIR));

    fsys.removeFolder(r + "\\NEW\\");
    QVERIFY(!QFileInfo::exists(r + "/New"));
    VERIFY_FILE_ERROR(fsys.removeFolder(r + "\\New"), "remove folder", r + "/New",
                      sysReason(ENOENT));
}

void PlatformTest::copyReplacesOrKeepsDestination()
{
    FileSystem fsys;
    const QString r = root();
    const QByteArray data = bigContent('a');
    writeFile(r + "/source.bin", data);
    QVERIFY(QDir().mkpath(r + "/Dest/Sub"));
    writeFile(r + "/Dest/Target.DAT", "old");

    // Failures leave the old file and no temporary behind.
    VERIFY_FILE_ERROR(fsys.copyFile(r + "\\nope.bin", r + "\\Dest\\target.dat"), "copy",
                      r + "/nope.bin", sysReason(ENOENT));
    VERIFY_FILE_ERROR(fsys.copyFile(r + "\\dest", r + "\\Dest\\target.dat"), "copy", r + "/Dest",
                      sysReason(EISDIR));
    VERIFY_FILE_ERROR(fsys.copyFile(r + "\\source.bin", r + "\\Gone\\target.dat"),
                      copyTo(r + "/source.bin"), r + "/Gone/target.dat", sysReason(ENOENT));
    VERIFY_FILE_ERROR(fsys.copyFile(r + "\\source.bin", r + "\\Dest\\sub"),
                      copyTo(r + "/source.bin"), r + "/Dest/Sub", sysReason(EISDIR));
    QCOMPARE(readFile(r + "/Dest/Target.DAT"), QByteArray("old"));
    QCOMPARE(entries(r + "/Dest"), QStringList({"Sub", "Target.DAT"}));

    fsys.copyFile(r + "\\SOURCE.bin", r + "\\dest\\Copy.bin");
    QCOMPARE(readFile(r + "/Dest/Copy.bin"), data);
    // The existing file is replaced under its own spelling, no second file.
    fsys.copyFile(r + "\\source.bin", r + "\\dest\\target.dat");
    QCOMPARE(readFile(r + "/Dest/Target.DAT"), data);
    // Onto itself: left intact.
    fsys.copyFile(r + "\\Dest\\Target.DAT", r + "\\DEST\\TARGET.DAT");
    QCOMPARE(readFile(r + "/Dest/Target.DAT"), data);
    QCOMPARE(entries(r + "/Dest"), QStringList({"Copy.bin", "Sub", "Target.DAT"}));
}

void PlatformTest::copyIntoReadOnlyFolderKeepsDestination()
{
#ifndef Q_OS_UNIX
    QSKIP("read-only folders are checked on POSIX systems only");
#endif
    FileSystem fsys;
    const QString r = root();
    writeFile(r + "/source.bin", "new");
    QVERIFY(QDir().mkdir(r + "/Dest"));
    writeFile(r + "/Dest/target.dat", "old");
    QVERIFY(QFile::setPermissions(r + "/Dest", QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                                   | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(r, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                         | QFile::ReadOther | QFile::ExeOther));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(r + "/Dest", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    {
        PermissionsApply asUser;
        VERIFY_FILE_ERROR(fsys.copyFile(r + "\\source.bin", r + "\\Dest\\target.dat"),
                          copyTo(r + "/source.bin"), r + "/Dest/target.dat", sysReason(EACCES));
    }
    QCOMPARE(readFile(r + "/Dest/target.dat"), QByteArray("old"));
    QCOMPARE(entries(r + "/Dest"), QStringList({"target.dat"}));
}

void PlatformTest::copyShortWriteKeepsDestination()
{
#ifndef Q_OS_LINUX
    QSKIP("needs a file-size limit");
#else
    // Under a size limit a write stops short without an error; the copy must
    // notice, report the system's reason and leave the old file. The limit
    // cuts the last write, after which nothing else would fail.
    FileSystem fsys;
    const QString r = root();
    const QByteArray data = bigContent('s');
    writeFile(r + "/source.bin", data);
    QVERIFY(QDir().mkdir(r + "/Dest"));
    writeFile(r + "/Dest/target.dat", "old");

    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(data.size() - 10);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto e = failure([&] { fsys.copyFile(r + "\\source.bin", r + "\\Dest\\target.dat"); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(e.has_value());
    QCOMPARE(e->reason(), sysReason(EFBIG));
    QCOMPARE(readFile(r + "/Dest/target.dat"), QByteArray("old"));
    QCOMPARE(entries(r + "/Dest"), QStringList({"target.dat"}));
#endif
}

void PlatformTest::listFilesMatchesWildcards()
{
    FileSystem fsys;
    const QString r = root();
    const QString list = r + "/List";
    QVERIFY(QDir().mkpath(list + "/sub.txt"));
    for (const char *name : {"a.txt", "B.TXT", "c.dat", "noext", ".hidden.txt"})
        writeFile(list + '/' + name, name);
    QVERIFY(QFile::link(list + "/sub.txt", list + "/dirlink.txt"));
    QVERIFY(QFile::link(list + "/a.txt", list + "/filelink.txt"));
    QVERIFY(QFile::link(list + "/gone", list + "/broken.txt"));

    // Folders, links to folders and broken links are not files here; a link
    // to a file and a hidden file are. Sorted ignoring case.
    QCOMPARE(fsys.listFiles(r + "\\list\\*.*"),
             QStringList({".hidden.txt", "a.txt", "B.TXT", "c.dat", "filelink.txt", "noext"}));
    QCOMPARE(fsys.listFiles(r + "\\LIST\\*.Txt"),
             QStringList({".hidden.txt", "a.txt", "B.TXT", "filelink.txt"}));
    QCOMPARE(fsys.listFiles(r + "\\List\\?.txt"), QStringList({"a.txt", "B.TXT"}));
    QCOMPARE(fsys.listFiles(r + "\\List\\*A*"), QStringList({"a.txt", "c.dat"}));
    QCOMPARE(fsys.listFiles(r + "\\List\\b*.t?t"), QStringList({"B.TXT"}));
    QCOMPARE(fsys.listFiles(r + "\\List\\*"), fsys.listFiles(r + "\\List\\*.*"));
    QCOMPARE(fsys.listFiles(r + "\\List\\*.x"), QStringList());

    VERIFY_FILE_ERROR(fsys.listFiles(r + "\\Gone\\*.*"), "list", r + "/Gone", sysReason(ENOENT));
    VERIFY_FILE_ERROR(fsys.listFiles(r + "\\List\\c.dat\\*.*"), "list", list + "/c.dat",
                      sysReason(ENOTDIR));
}

void PlatformTest::deleteFilesStaysInFolder()
{
    FileSystem fsys;
    const QString r = root();
    QVERIFY(QDir().mkpath(r + "/Outside"));
    QVERIFY(QDir().mkpath(r + "/Del/sub.txt"));
    for (const char *name : {"Outside/keep.txt", "Outside/target.txt", "Del/sub.txt/inner.txt",
                             "Del/one.TXT", "Del/two.txt", "Del/stay.dat"})
        writeFile(r + '/' + name, name);
    QVERIFY(QFile::link(r + "/Outside", r + "/Del/out.txt"));
    QVERIFY(QFile::link(r + "/Outside/target.txt", r + "/Del/lnk.txt"));

    fsys.deleteFiles(r + "\\del\\*.TXT");
    // The link to a file goes, its target stays; neither the link to a folder
    // nor the subfolder is entered.
    QCOMPARE(entries(r + "/Del"), QStringList({"out.txt", "stay.dat", "sub.txt"}));
    QCOMPARE(entries(r + "/Del/sub.txt"), QStringList({"inner.txt"}));
    QCOMPARE(entries(r + "/Outside"), QStringList({"keep.txt", "target.txt"}));

    fsys.deleteFiles(r + "\\Del\\*.zip");
    QCOMPARE(entries(r + "/Del").size(), 3);
    VERIFY_FILE_ERROR(fsys.deleteFiles(r + "\\Gone\\*.*"), "delete files in", r + "/Gone",
                      sysReason(ENOENT));
}

void PlatformTest::qtQuestionBox()
{
    // The answer is the button clicked; exec()'s result would say NoButton.
    for (const auto answer : {QMessageBox::Yes, QMessageBox::No}) {
        QString text, title;
        bool yesIsDefault = false;
        whenModal<QMessageBox>([&, answer](QMessageBox *box) {
            text = box->text();
            title = box->windowTitle();
            yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
            box->button(answer)->click();
        });
        QCOMPARE(platform::QtDialogs().question("Restore?", "Vertz Q"), answer == QMessageBox::Yes);
        QCOMPARE(text, QString("Restore?"));
        QCOMPARE(title, QString("Vertz Q"));
        QVERIFY(yesIsDefault);
    }
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
