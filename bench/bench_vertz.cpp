// What a player feels, each beside its floor measured in the same run: the
// start-up and its memory, the start-up with large parts already in place,
// the Tricks page on large folders (the tab switch, the lists, the memory), a
// small trick copy into a large folder, a display removal and restore, and a
// board swap of large model files. A floor does the same work as its row by
// the fastest means a careful programmer would use.
//
// Not a test: no timing is checked. Every round's result is, so a number never
// stands for a run that failed. Rows and their floors run interleaved, round
// by round, so a load that comes and goes weighs on both alike. All data is
// made in one temporary folder ($TMPDIR, else the system's) and removed at
// the end, also after a failure.

#include "app/GameFiles.h"
#include "app/frmGameFiles.h"
#include "app/frmMod.h"
#include "bench/BenchSupport.h"
#include "context/AppContext.h"
#include "gamestate/Record.h"
#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/tricks/TrickCopy.h"
#include "mods/tricks/TricksPage.h"
#include "platform/FileSystem.h"
#include "platform/WorkingFolderLock.h"
#include "tests/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringListModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define VERTZ_CALLGRIND 1
#endif

namespace {

namespace sfs = std::filesystem;

constexpr int partMb = 64;

using bench::check;
using bench::fail;
using bench::fillTrickFolder;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// One line of the table: a row and its floor.
void printRow(const char *what, double value, const char *floorWhat, double floor, const char *unit)
{
    std::printf("| %s | %.1f %s | %s | %.1f %s | %.2f× |\n", what, value, unit, floorWhat, floor,
                unit, value / floor);
    std::fflush(stdout);
}

// Times run and floor in turn, each after its own untimed set-up, one untimed
// round of both first.
void interleaved(int reps, const std::function<void()> &before, const std::function<void()> &run,
                 const std::function<void()> &beforeFloor, const std::function<void()> &floor,
                 std::vector<double> *runMs, std::vector<double> *floorMs)
{
    for (int i = -1; i < reps; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        run();
        const double a = msSince(t);
        beforeFloor();
        t.start();
        floor();
        const double b = msSince(t);
        if (i >= 0) {
            runMs->push_back(a);
            floorMs->push_back(b);
        }
    }
}

// ---- processes ----------------------------------------------------------

// Where the programs report their own peak resident size (IdleExit.cpp): the
// rusage of a child counts the image it was forked from, this process.
QByteArray peakReport;

struct ProcessRun {
    double ms = 0;
    double cpuMs = 0; // user and system time: what a load from other jobs hardly moves
    double peakMb = 0;
    double writtenMb = 0;
    double readMb = 0; // through read() and the kernel's copies (rchar)
};

// Runs a program to its end in folder, its output dropped; killed after 60 s.
// env: "NAME=value" settings added to its environment.
// exitCode: the status it must end with.
ProcessRun runProcess(const QString &folder, const QStringList &argv,
                      const std::vector<const char *> &env = {}, int exitCode = 0)
{
    std::vector<QByteArray> args;
    for (const QString &a : argv)
        args.push_back(QFile::encodeName(a));
    std::vector<char *> cargs;
    for (QByteArray &a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(folder);
    const QByteArray peakSetting = "VERTZ_BENCH_PEAK=" + peakReport;
    ::unlink(peakReport.constData());
    // The last run ended at once when idle, keeping its working-folder lock; a
    // player's start finds none, as a closed program removes it.
    QFile::remove(folder + u'/' + platform::WorkingFolderLock::fileName);

    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Their warnings would break up the table; their exit status counts.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::putenv(const_cast<char *>(peakSetting.constData()));
        for (const char *setting : env)
            ::putenv(const_cast<char *>(setting));
        if (::chdir(dir.constData()) == 0) {
            ::alarm(60);
            ::execv(cargs[0], cargs.data());
        }
        ::_exit(127);
    }
    check(pid > 0, QStringLiteral("cannot start ") + argv[0]);
    int status = 0;
    rusage usage{};
    check(::wait4(pid, &status, 0, &usage) == pid, QStringLiteral("lost ") + argv[0]);
    ProcessRun r;
    r.ms = msSince(t);
    const auto msOf = [](const timeval &v) { return v.tv_sec * 1e3 + v.tv_usec / 1e3; };
    r.cpuMs = msOf(usage.ru_utime) + msOf(usage.ru_stime);
    check(WIFEXITED(status) && WEXITSTATUS(status) == exitCode,
          QStringLiteral("%1 ended badly (status %2)").arg(argv.join(u' ')).arg(status));
    QFile peak(QFile::decodeName(peakReport));
    // A command-line run shows no window, so it never idles and reports no peak.
    if (peak.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> report = peak.readAll().simplified().split(' ');
        r.peakMb = report.value(0).toDouble() / 1024.0;
        r.readMb = report.value(1).toDouble() / (1 << 20);
    } else {
        check(argv.size() > 1, argv[0] + QStringLiteral(" reported no peak"));
    }
    r.writtenMb = usage.ru_oublock * 512.0 / (1 << 20);
    return r;
}

// Writes nothing dirty into the next round's time.
void syncDisk()
{
    ::sync();
}

// An atomic replacing copy done directly, the fastest plain way: the
// kernel's copy into a new file beside the destination, then a rename over it.
void plainCopy(const sfs::path &from, const sfs::path &to, bool synced = false)
{
    const sfs::path temp = to.parent_path() / ".bench-temp";
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    check(in >= 0 && out >= 0, QStringLiteral("cannot open for a copy"));
    ssize_t n;
    while ((n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0)) > 0) {
    }
    check(n == 0 && (!synced || ::fsync(out) == 0) && ::close(out) == 0,
          QStringLiteral("copy failed"));
    ::close(in);
    check(::rename(temp.c_str(), to.c_str()) == 0, QStringLiteral("rename failed"));
    if (synced) {
        const int folder = ::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        check(folder >= 0 && ::fsync(folder) == 0 && ::close(folder) == 0,
              QStringLiteral("folder sync failed"));
    }
}

// ---- game installs ------------------------------------------------------

// A working folder whose settings point at the full game in install, with
// the given board stored.
void makeWorkFolder(const QString &work, const QString &install, int board)
{
    check(QDir().mkpath(work), QStringLiteral("cannot make ") + work);
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);
    ScriptedDialogs dialogs;
    ModSettings s;
    s.fullInstallDir = fixture::gameRootOf(install);
    s.fullBoard = board;
    s.demoMode = 0;
    const bool saved = saveSettings(s, dialogs);
    QDir::setCurrent(oldCwd);
    check(saved, QStringLiteral("cannot write the settings in ") + work);
}

int boardIndex(const char *key)
{
    for (int i = 0; i < board::boardCount; ++i) {
        if (qstrcmp(board::catalogue[i].key, key) == 0)
            return i;
    }
    fail(QStringLiteral("no board ") + QLatin1String(key));
}

QString partPath(const QString &install, const QString &key, const QString &part)
{
    return fixture::nativePathOf(
        install, fixture::boardFolder + fixture::boardFile(fixture::Variant::Full, key, part));
}

// Replaces the five parts of key by partMb of content of their own each.
void makeLargeParts(const QString &install, const QString &key)
{
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    quint32 x = qHash(key) | 1;
    for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
        QFile f(partPath(install, key, QLatin1String(part)));
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate),
              QStringLiteral("cannot write ") + f.fileName());
        for (int mb = 0; mb < partMb; ++mb) {
            auto *words = reinterpret_cast<quint32 *>(chunk.data());
            for (qsizetype i = 0; i < chunk.size() / 4; ++i) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                words[i] = x;
            }
            check(f.write(chunk) == chunk.size(), QStringLiteral("cannot write ") + f.fileName());
        }
    }
}

bool boardInPlace(const QString &install, const QString &key)
{
    QFile a(partPath(install, QStringLiteral("default"), QStringLiteral("usg")));
    QFile b(partPath(install, key, QStringLiteral("usg")));
    return a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.size() == b.size()
           && a.read(1 << 20) == b.read(1 << 20);
}

// ---- rows ---------------------------------------------------------------

struct Programs {
    QString vertz;   // the program, ending when idle
    QString minimal; // the floor
};

// Whether the five parts of key hold the same bytes as the game's, read the
// fastest plain way: both files in large chunks, compared in memory.
bool partsEqual(const QString &install, const QString &key)
{
    static std::vector<char> a(4 << 20), b(4 << 20);
    bool equal = true;
    for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
        const int fa
            = ::open(QFile::encodeName(partPath(install, key, QLatin1String(part))), O_RDONLY);
        const int fb = ::open(
            QFile::encodeName(partPath(install, QStringLiteral("default"), QLatin1String(part))),
            O_RDONLY);
        check(fa >= 0 && fb >= 0, QStringLiteral("cannot open the parts"));
        for (;;) {
            const ssize_t na = ::read(fa, a.data(), a.size());
            const ssize_t nb = ::read(fb, b.data(), b.size());
            if (na != nb || na < 0 || std::memcmp(a.data(), b.data(), size_t(na)) != 0) {
                equal = false;
                break;
            }
            if (na == 0)
                break;
        }
        ::close(fa);
        ::close(fb);
    }
    return equal;
}

void benchStartUp(const Programs &p, const QString &base, const QString &bigInstall, int bigBoard)
{
    const QString small = base + QStringLiteral("/small-game");
    fixture::makeInstall(small, fixture::Variant::Full);
    makeWorkFolder(base + QStringLiteral("/work-small"), small, boardIndex("hover"));
    makeWorkFolder(base + QStringLiteral("/work-big"), bigInstall, bigBoard);
    makeWorkFolder(base + QStringLiteral("/work-minimal"), small, 0);

    // The start-up beside the minimal window, their rounds alone. A start is
    // short, single starts wander, and a slow spell of the machine can last a
    // few dozen rounds: many rounds.
    std::vector<double> minMs, minCpu, minMb, smallMs, smallCpu, smallMb;
    for (int i = -1; i < 201; ++i) {
        const ProcessRun m = runProcess(base + QStringLiteral("/work-minimal"), {p.minimal});
        const ProcessRun s = runProcess(base + QStringLiteral("/work-small"), {p.vertz});
        if (i < 0)
            continue;
        minMs.push_back(m.ms);
        minCpu.push_back(m.cpuMs);
        minMb.push_back(m.peakMb);
        smallMs.push_back(s.ms);
        smallCpu.push_back(s.cpuMs);
        smallMb.push_back(s.peakMb);
    }

    // What a start with the parts in place must read at most: one comparison
    // of each part with its copy in the game, done in this process.
    const QString key = QLatin1String(board::catalogue[bigBoard].key);
    // A first run finds no pairs of files kept as identical and compares
    // the parts once; a later run reads the pairs it kept.
    const QString kept = base + QStringLiteral("/work-big/vertzmod.verified");
    std::vector<double> smallAgainMs, firstMs, laterMs, written, bigFloor;
    for (int i = -1; i < 21; ++i) {
        const ProcessRun s = runProcess(base + QStringLiteral("/work-small"), {p.vertz});
        // On the pairs the last round's first run kept, before this round's
        // reads of the large parts push the libraries out of the cache.
        const ProcessRun later = runProcess(base + QStringLiteral("/work-big"), {p.vertz});
        QFile::remove(kept);
        const ProcessRun first = runProcess(base + QStringLiteral("/work-big"), {p.vertz});
        QElapsedTimer t;
        t.start();
        check(partsEqual(bigInstall, key), QStringLiteral("the parts in place differ"));
        const double compareMs = msSince(t);
        if (i < 0)
            continue;
        bigFloor.push_back(s.ms + compareMs);
        smallAgainMs.push_back(s.ms);
        firstMs.push_back(first.ms);
        laterMs.push_back(later.ms);
        written.push_back(first.writtenMb + later.writtenMb);
    }
    check(QFileInfo::exists(kept), QStringLiteral("no pairs of identical files were kept"));
    printRow("start-up to an idle window", median(smallMs), "minimal Qt main window", median(minMs),
             "ms");
    printRow("CPU time of that start-up", median(smallCpu), "minimal Qt main window",
             median(minCpu), "ms");
    printRow("peak memory at start-up", median(smallMb), "minimal Qt main window", median(minMb),
             "MB");
    printRow("start-up, five 64 MB parts in place, first run", median(firstMs),
             "start-up with small parts + one comparison of the parts", median(bigFloor), "ms");
    printRow("the same, later runs (identical pairs kept)", median(laterMs),
             "start-up with small parts", median(smallAgainMs), "ms");
    std::printf("| (written by those two start-ups: %.1f MB a round) | | | | |\n", median(written));
    check(boardInPlace(bigInstall, key), QStringLiteral("the start-up changed the board"));
}

// The least any sorted listing does: read the folder once, keep the names
// back to back with their folded keys (the names here are ASCII, so folding
// is per byte), and sort the files on the keys, compared by memcmp. Gives the
// files, sorted.
std::vector<std::string> readSorted(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    check(dir != nullptr, QStringLiteral("cannot read ") + QFile::decodeName(folder));
    struct Name {
        quint32 at, length;
    };
    std::string text, keys;
    std::vector<Name> files;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG)
            continue;
        const size_t length = std::strlen(entry->d_name);
        files.push_back({quint32(text.size()), quint32(length)});
        text.append(entry->d_name, length);
        for (size_t i = 0; i < length; ++i) {
            const char c = entry->d_name[i];
            keys.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
        }
    }
    ::closedir(dir);
    const char *k = keys.data(), *t = text.data();
    std::sort(files.begin(), files.end(), [&](const Name &a, const Name &b) {
        const int c = std::memcmp(k + a.at, k + b.at, std::min(a.length, b.length));
        if (c != 0 || a.length != b.length)
            return c != 0 ? c < 0 : a.length < b.length;
        return std::memcmp(t + a.at, t + b.at, a.length) < 0;
    });
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const Name &f : files)
        names.emplace_back(t + f.at, f.length);
    return names;
}

// Sorted names as rows, each made a string only when a view draws it.
class NamesModel : public QAbstractListModel {
public:
    std::vector<std::string> names;
    void reset(std::vector<std::string> sorted)
    {
        beginResetModel();
        names = std::move(sorted);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(names.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const std::string &n = names[size_t(index.row())];
        return QString::fromUtf8(n.data(), qsizetype(n.size()));
    }
};

// The least a main window like ours does to switch to a tab that lists a
// folder: show the page with the folder's files in two lists and its
// subfolders in two more (ours has a source and a destination pair), read and
// sorted on the first switch as ours does, and grow the window to the page.
class MinimalTabs : public QMainWindow {
public:
    explicit MinimalTabs(const QByteArray &folder)
    {
        menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Exit"));
        tabs = new QTabWidget;
        for (const char *caption : {"Board", "Tricks", "Levels", "Display"})
            tabs->addTab(new QWidget, QString::fromLatin1(caption));
        for (int i = 0; i < 4; ++i) {
            auto *list = new QListView(tabs->widget(1));
            list->setUniformItemSizes(true);
            list->setModel(i % 2 ? static_cast<QAbstractItemModel *>(&model) : &folders);
            list->setGeometry(i % 2 ? 172 : 4, 10 + i / 2 * 160, 165, 140);
        }
        setCentralWidget(tabs);
        statusBar()->showMessage(QStringLiteral("Modding Full Version"));
        connect(tabs, &QTabWidget::currentChanged, this, [this, folder](int index) {
            if (index == 1) {
                if (model.names.empty()) {
                    model.reset(readSorted(folder));
                    folders.setStringList(QFile::decodeName(folder).split(u'/')
                                          << QStringLiteral("sub"));
                }
                setFixedSize(427, 424);
            } else {
                setFixedSize(199, 302);
            }
        });
        setFixedSize(199, 302);
    }
    QTabWidget *tabs;
    NamesModel model;
    QStringListModel folders;
};

// The tab switch of the main window into a Tricks page of files files, from
// the click to the painted page, beside a minimal program's.
void benchTabSwitch(const QString &base, int files)
{
    const QString install = QStringLiteral("%1/tabs%2").arg(base).arg(files);
    fixture::makeInstall(install, fixture::Variant::Full);
    const QString trick = fixture::nativePathOf(install, QStringLiteral("Game\\data\\anims"));
    fillTrickFolder(trick, files);
    const QByteArray trickBytes = QFile::encodeName(trick);
    const size_t expected = readSorted(trickBytes).size();

    // The window saves its settings in the working folder.
    const QString work = install + QStringLiteral("-work");
    check(QDir().mkpath(work), QStringLiteral("cannot make ") + work);
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);
    ScriptedDialogs dialogs;
    AppContext ctx(dialogs, platform::FileSystem(base + QStringLiteral("/no-wine-prefix")));
    ctx.settings.fullInstallDir = fixture::gameRootOf(install);
    ctx.settings.gameRoot = ctx.settings.fullInstallDir;
    ctx.settings.demoMode = 0;
    frmMod window(ctx);
    window.show();
    MinimalTabs minimal(trickBytes);
    minimal.show();
    QApplication::processEvents();

    const auto switchTo = [](QTabWidget *tabs, int index) {
        tabs->setCurrentIndex(index);
        QApplication::processEvents();
    };
    std::vector<double> ourMs, minimalMs;
    interleaved(
        21, [&] { switchTo(window.TabStrip1, 0); },
        [&] {
            switchTo(window.TabStrip1, 1);
            check(size_t(window.fraTricks->File2->count()) == expected,
                  QStringLiteral("the Tricks page missed files"));
        },
        [&] { switchTo(minimal.tabs, 0); },
        [&] {
            switchTo(minimal.tabs, 1);
            check(size_t(minimal.model.rowCount()) == expected,
                  QStringLiteral("the minimal list missed files"));
        },
        &ourMs, &minimalMs);

    // Back to the window on the Tricks page: its activation refreshes the
    // four lists, beside one reading of the folder.
    std::vector<double> backMs, floorMs;
    interleaved(
        21, [] {},
        [&] {
            window.Form_Activate();
            QApplication::processEvents();
            check(size_t(window.fraTricks->File1->count()) == expected,
                  QStringLiteral("the refreshed list missed files"));
        },
        [] {},
        [&] {
            check(readSorted(trickBytes).size() == expected,
                  QStringLiteral("readdir missed entries"));
        },
        &backMs, &floorMs);
    QDir::setCurrent(oldCwd);
    check(dialogs.shown.isEmpty(), QStringLiteral("the main window showed a message"));
    const QString n = QLocale(QLocale::English).toString(files);
    printRow(qPrintable(QStringLiteral("tab switch to the Tricks page, %1 files, painted").arg(n)),
             median(ourMs), "a minimal program's tab switch to a list of the folder",
             median(minimalMs), "ms");
    printRow(qPrintable(
                 QStringLiteral("back to the window on the Tricks page, %1 files, lists refreshed")
                     .arg(n)),
             median(backMs), "readdir + case-folded sort", median(floorMs), "ms");
}

// A trick of 16 KB copied over one in a folder of files files, the
// destination already backed up (so the command makes one replacing copy),
// against that copy and its rename done directly.
void benchSmallCopy(platform::FileSystem &fs, const QString &install, const QString &trick,
                    const QString &n)
{
    const QString root = fixture::gameRootOf(install);
    QByteArray content(16 << 10, 'a');
    for (const char *name : {"a.ska", "b.ska"}) {
        QFile f(trick + QStringLiteral("/sub/") + QLatin1String(name));
        check(f.open(QIODevice::WriteOnly) && f.write(content) == content.size(),
              QStringLiteral("cannot write ") + f.fileName());
        content.fill('b');
    }
    const QString target = QStringLiteral("Anim_000500.ska");
    const sfs::path targetPath = QFile::encodeName(trick + u'/' + target).toStdString();
    const sfs::path sub = QFile::encodeName(trick + QStringLiteral("/sub")).toStdString();
    // The first copy backs the destination up.
    tricks::copyTrick(fs, root, QStringLiteral("sub"), QStringLiteral("a.ska"), QString(), target);
    const auto holds = [&](char c) {
        QFile f(trick + u'/' + target);
        return f.open(QIODevice::ReadOnly) && f.read(1) == QByteArray(1, c);
    };
    // Every copy changes the destination: the row puts b in, the floor a.
    // Synced, the floor's copy is on disk before its rename and the rename
    // after it, as the program's is.
    for (const bool synced : {false, true}) {
        std::vector<double> copyMs, floorMs;
        interleaved(
            21, [] {},
            [&] {
                tricks::copyTrick(fs, root, QStringLiteral("sub"), QStringLiteral("b.ska"),
                                  QString(), target);
            },
            [&] { check(holds('b'), QStringLiteral("the trick copy did not land")); },
            [&] { plainCopy(sub / "a.ska", targetPath, synced); }, &copyMs, &floorMs);
        check(holds('a'), QStringLiteral("the floor's copy did not land"));
        printRow(synced ? "the same copy"
                        : qPrintable(
                            QStringLiteral("trick copy of 16 KB into a folder of %1 files").arg(n)),
                 median(copyMs),
                 synced ? "the copy synced, its rename, the folder synced"
                        : "the copy and rename alone",
                 median(floorMs), "ms");
    }
}

void benchTricks(const Programs &p, const QString &base, int files)
{
    const QString install = QStringLiteral("%1/tricks%2").arg(base).arg(files);
    const QString trick = install + QStringLiteral("/Game/data/anims");
    fillTrickFolder(trick, files);
    const QByteArray trickBytes = QFile::encodeName(trick);
    ScriptedDialogs dialogs;
    AppContext ctx(dialogs, platform::FileSystem(base + QStringLiteral("/no-wine-prefix")));
    ctx.settings.gameRoot = fixture::gameRootOf(install);
    const int reps = files > 20000 ? 7 : 21;
    const auto floor = [&] {
        check(readSorted(trickBytes).size() == size_t(files),
              QStringLiteral("readdir missed entries"));
    };

    // A new page each round, as the first choice of the tab finds it; the tab
    // switch shows the root twice. Timed to the painted lists.
    std::unique_ptr<TricksPage> page;
    std::vector<double> openMs, changeMs, floorMs, floor2Ms;
    interleaved(
        reps,
        [&] {
            page.reset();
            page = std::make_unique<TricksPage>(ctx);
            page->resize(410, 330);
            page->show();
            QApplication::processEvents();
        },
        [&] {
            check(page->showTrickRoot(ctx.settings.gameRoot)
                      && page->showTrickRoot(ctx.settings.gameRoot) && page->File1->count() == files
                      && page->File2->count() == files,
                  QStringLiteral("the Tricks page missed files"));
            QApplication::processEvents();
        },
        [] {}, floor, &openMs, &floorMs);
    interleaved(
        reps,
        [&] {
            page->Dir1->setPath(trick + QStringLiteral("/sub"));
            QApplication::processEvents();
        },
        [&] {
            page->Dir1->setPath(trick);
            check(page->File1->count() == files, QStringLiteral("File1 missed files"));
            QApplication::processEvents();
        },
        [] {}, floor, &changeMs, &floor2Ms);
    check(dialogs.shown.isEmpty(), QStringLiteral("the Tricks page showed a message"));

    const QString n = QLocale(QLocale::English).toString(files);
    printRow(qPrintable(QStringLiteral("open the Tricks page, %1 files, painted").arg(n)),
             median(openMs), "readdir + case-folded sort", median(floorMs), "ms");
    printRow(qPrintable(QStringLiteral("Dir1 into the folder, File1 follows, %1 files").arg(n)),
             median(changeMs), "readdir + case-folded sort", median(floor2Ms), "ms");
    page.reset();

    // The heap a shown file list holds, against the names' own characters.
    const double names = double(files) * QStringLiteral("Anim_000000.ska").size() * 2;
    const size_t before = mallinfo2().uordblks;
    {
        FileList list;
        check(list.trySetPath(trick) && list.count() == files,
              QStringLiteral("FileList missed files"));
        list.resize(170, 150);
        list.show();
        QApplication::processEvents();
        const double held = double(mallinfo2().uordblks - before);
        printRow(qPrintable(QStringLiteral("heap of a shown file list, %1 files").arg(n)),
                 held / 1024, "the names' characters (UTF-16)", names / 1024, "KB");
    }

    if (files != 20000)
        benchSmallCopy(ctx.files, install, trick, n);

    // The whole program on the Tricks page, its peak resident memory beside
    // the minimal window's plus the names' characters, the least any list of
    // them holds. The fixture's own few files and folders come on top.
    if (files == 100000) {
        fixture::makeInstall(install, fixture::Variant::Full);
        const QString work = base + QStringLiteral("/work-tricks");
        makeWorkFolder(work, install, 0);
        std::vector<double> ourMb, minimalMb;
        for (int i = -1; i < 5; ++i) {
            const ProcessRun r = runProcess(work, {p.vertz}, {"VERTZ_BENCH_TAB=1"});
            const ProcessRun m = runProcess(work, {p.minimal}, {"VERTZ_BENCH_TAB=1"});
            if (i >= 0) {
                ourMb.push_back(r.peakMb);
                minimalMb.push_back(m.peakMb + names / (1 << 20));
            }
        }
        printRow(qPrintable(QStringLiteral("peak memory on the Tricks page, %1 files").arg(n)),
                 median(ourMb), "minimal Qt main window + the names' characters", median(minimalMb),
                 "MB");
    }
    QDir(install).removeRecursively();
}

// ---- instructions -------------------------------------------------------

// Instructions are counted by callgrind, as this machine has no counters to
// read: a copy of this program runs under it with "--count install", where
// countVisit counts one first visit of a new Tricks page and one floor, each
// after an uncounted round of its own, and dumps each count.
int countVisit(int argc, char **argv)
{
#ifdef VERTZ_CALLGRIND
    QApplication app(argc, argv);
    try {
        const QString install = QFile::decodeName(argv[2]);
        const QByteArray trick = QFile::encodeName(install + QStringLiteral("/Game/data/anims"));
        ScriptedDialogs dialogs;
        AppContext ctx(dialogs, platform::FileSystem(install + QStringLiteral("/no-wine-prefix")));
        ctx.settings.gameRoot = fixture::gameRootOf(install);
        const qsizetype files = qsizetype(readSorted(trick).size());
        for (int round = 0; round < 2; ++round) {
            TricksPage page(ctx);
            page.resize(410, 330);
            page.show();
            QApplication::processEvents();
            if (round == 1)
                CALLGRIND_START_INSTRUMENTATION;
            const bool shown = page.showTrickRoot(ctx.settings.gameRoot)
                               && page.showTrickRoot(ctx.settings.gameRoot);
            QApplication::processEvents();
            if (round == 1)
                CALLGRIND_DUMP_STATS_AT("page");
            const size_t sorted = readSorted(trick).size();
            if (round == 1)
                CALLGRIND_DUMP_STATS_AT("floor");
            check(shown && page.File1->count() == files && page.File2->count() == files
                      && sorted == size_t(files),
                  QStringLiteral("the Tricks page missed files"));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_vertz --count: %s\n", e.what());
        return 1;
    }
    return 0;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return 1;
#endif
}

// count files of names like words ("qUarbElixo.ska"), mixed case, of 4 to 15
// letters: no start that most of them share.
void fillWordFolder(const QString &folder, int count)
{
    check(QDir().mkpath(folder + QStringLiteral("/sub")), QStringLiteral("cannot make ") + folder);
    quint32 x = 2463534242u;
    QSet<QString> made;
    while (made.size() < count) {
        QString name;
        for (int i = 0, n = 0;; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            if (i == 0)
                n = 4 + int(x % 12);
            else if (i > n)
                break;
            else
                name += QChar(((x >> 8) % 4 == 0 ? u'A' : u'a') + (x >> 12) % 26);
        }
        name += QStringLiteral(".ska");
        if (made.contains(name.toLower()))
            continue;
        made.insert(name.toLower());
        QFile f(folder + u'/' + name);
        check(f.open(QIODevice::WriteOnly), QStringLiteral("cannot write in ") + folder);
    }
}

// The first visit of the Tricks page to a folder of 100,000 numbered names,
// and of as many words, in instructions beside the floor's.
void benchInstructions(const QString &base)
{
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
#ifndef VERTZ_CALLGRIND
    if (true) {
#else
    if (valgrind.isEmpty()) {
#endif
        std::printf("| (instructions not counted: no valgrind and its callgrind.h) | | | | |\n");
        return;
    }
    const QString numbered = base + QStringLiteral("/numbered100000");
    fillTrickFolder(numbered + QStringLiteral("/Game/data/anims"), 100000);
    const QString words = base + QStringLiteral("/words100000");
    fillWordFolder(words + QStringLiteral("/Game/data/anims"), 100000);
    for (const auto &[install, what] :
         {std::pair{numbered, "100,000 numbered files"}, std::pair{words, "100,000 words"}}) {
        const QString out = base + QStringLiteral("/callgrind.out");
        QProcess run;
        run.start(valgrind,
                  {QStringLiteral("-q"), QStringLiteral("--tool=callgrind"),
                   QStringLiteral("--instr-atstart=no"),
                   QStringLiteral("--callgrind-out-file=") + out,
                   QCoreApplication::applicationFilePath(), QStringLiteral("--count"), install});
        check(run.waitForFinished(600000) && run.exitStatus() == QProcess::NormalExit
                  && run.exitCode() == 0,
              QStringLiteral("the count under callgrind failed: ")
                  + QString::fromLocal8Bit(run.readAllStandardError()));
        // Each dump's file holds its count on its "totals:" line.
        const auto count = [&](int dump) {
            QFile f(out + u'.' + QString::number(dump));
            check(f.open(QIODevice::ReadOnly), QStringLiteral("no callgrind dump ") + f.fileName());
            const QByteArray text = f.readAll();
            const qsizetype at = text.indexOf("\ntotals: ");
            check(at >= 0, QStringLiteral("no totals in ") + f.fileName());
            return text.mid(at + 9, text.indexOf('\n', at + 1) - at - 9).toDouble() / 1e6;
        };
        printRow(qPrintable(QStringLiteral("open the Tricks page, %1, instructions").arg(what)),
                 count(1), "readdir + case-folded sort", count(2), "M");
        for (const QString &name : QDir(base).entryList({QStringLiteral("callgrind.out*")}))
            QFile::remove(base + u'/' + name);
    }
    QDir(numbered).removeRecursively();
    QDir(words).removeRecursively();
}

// ---- Game Files window --------------------------------------------------

double threadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The floor's list: each file's path and state word, in a flat table.
class StatusTable : public QAbstractTableModel {
public:
    QList<gamestate::FileStatus> files;
    void reset(QList<gamestate::FileStatus> list)
    {
        beginResetModel();
        files = std::move(list);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(files.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const gamestate::FileStatus &f = files[index.row()];
        return index.column() == 0 ? f.game : gamestate::stateWord(f.state);
    }
};

// The Game Files window over a record of 20,000 tricks, from the menu
// command to the painted, active window, in CPU time beside a floor that
// looks at each file and backup once (lstat) and shows the list in a tree
// view; then the program's peak memory with the window open, beside its
// start on the same record.
void benchGameFiles(const Programs &p, const QString &base)
{
    constexpr int entries = 20000;
    const QString install = base + QStringLiteral("/gamefiles-game");
    fixture::makeInstall(install, fixture::Variant::Full);
    const QString anims = fixture::nativePathOf(install, QStringLiteral("Game\\data\\anims"));
    const QString many = anims + QStringLiteral("/many");
    const QString saved = anims + QStringLiteral("/trickbackup/many");
    check(QDir().mkpath(many) && QDir().mkpath(saved), QStringLiteral("cannot make ") + saved);
    for (int i = 0; i < entries; ++i) {
        const QString name = QStringLiteral("/Trick_%1.ska").arg(i, 6, 10, QLatin1Char('0'));
        QFile game(many + name), backup(saved + name);
        check(game.open(QIODevice::WriteOnly) && game.write("modded " + QByteArray::number(i)) > 0
                  && backup.open(QIODevice::WriteOnly)
                  && backup.write("original " + QByteArray::number(i)) > 0,
              QStringLiteral("cannot write ") + game.fileName());
    }
    const QString work = base + QStringLiteral("/gamefiles-work");
    makeWorkFolder(work, install, 0);
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);
    ScriptedDialogs dialogs;
    AppContext ctx(dialogs, platform::FileSystem(base + QStringLiteral("/no-wine-prefix")));
    ctx.loadSettings();
    ctx.settings.gameRoot = ctx.settings.fullInstallDir;
    // The backups found are taken in as the program's own: the record holds them all.
    const QList<gamestate::FileStatus> list = gamefiles::look(ctx, ctx.settings.gameRoot, false);
    check(list.size() >= entries, QStringLiteral("the record lacks tricks"));
    std::vector<QByteArray> stated;
    for (const gamestate::FileStatus &f : list) {
        stated.push_back(QFile::encodeName(fixture::nativePathOf(install, f.game)));
        stated.push_back(QFile::encodeName(fixture::nativePathOf(install, f.backup)));
    }

    // The window in this process, gone with its hold on the install before
    // the program is started on it.
    {
        frmMod window(ctx);
        window.show();
        QApplication::processEvents();
        QDialog floorWindow;
        StatusTable table;
        auto *view = new QTreeView(&floorWindow);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setModel(&table);
        (new QVBoxLayout(&floorWindow))->addWidget(view);
        floorWindow.resize(560, 380);

        std::vector<double> ourMs, floorMs, lookMs;
        for (int i = -1; i < 21; ++i) {
            double t = threadCpuMs();
            window.mnuGameFiles->trigger();
            QApplication::processEvents();
            const double ours = threadCpuMs() - t;
            QWidget *files = QApplication::activeWindow();
            check(files && files->objectName() == QLatin1String("frmGameFiles"),
                  QStringLiteral("the Game Files window is not active"));
            files->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QApplication::processEvents();

            t = threadCpuMs();
            struct stat st;
            for (const QByteArray &path : stated)
                check(::lstat(path.constData(), &st) == 0, QStringLiteral("a file is missing"));
            table.reset(list);
            floorWindow.show();
            floorWindow.activateWindow();
            QApplication::processEvents();
            const double floor = threadCpuMs() - t;
            check(floorWindow.isActiveWindow(), QStringLiteral("the floor's window is not active"));
            floorWindow.hide();
            table.reset({});
            QApplication::processEvents();

            t = threadCpuMs();
            const qsizetype looked = gamefiles::look(ctx, ctx.settings.gameRoot, false).size();
            check(looked >= entries, QStringLiteral("the look lost files"));
            if (i >= 0) {
                lookMs.push_back(threadCpuMs() - t);
                ourMs.push_back(ours);
                floorMs.push_back(floor);
            }
        }
        check(dialogs.shown.isEmpty(), QStringLiteral("the Game Files window showed a message"));
        printRow("Game Files window, 20,000 files recorded, open to painted (CPU)", median(ourMs),
                 "lstat of each file and backup + a tree view of the list", median(floorMs), "ms");
        std::printf("| (of which the record's look, `gamefiles::look` alone: %.1f ms) | | | | |\n",
                    median(lookMs));
    }

    std::vector<double> openMb, startMb, openCpu, startCpu;
    for (int i = -1; i < 5; ++i) {
        const ProcessRun opened = runProcess(work, {p.vertz}, {"VERTZ_BENCH_ACTION=mnuGameFiles"});
        const ProcessRun started = runProcess(work, {p.vertz});
        if (i >= 0) {
            openMb.push_back(opened.peakMb);
            startMb.push_back(started.peakMb);
            openCpu.push_back(opened.cpuMs);
            startCpu.push_back(started.cpuMs);
        }
    }
    QDir::setCurrent(oldCwd);
    printRow("peak memory with the Game Files window open, 20,000 files recorded", median(openMb),
             "the program's start on the same record", median(startMb), "MB");
    std::printf("| (CPU time of those runs: %.1f ms with the window, %.1f ms without) | | | | |\n",
                median(openCpu), median(startCpu));
    QDir(install).removeRecursively();
}

void benchDisplay(const QString &base)
{
    const QString install = base + QStringLiteral("/display-game");
    fixture::makeInstall(install, fixture::Variant::Full);
    const QString work = base + QStringLiteral("/display-work");
    check(QDir().mkpath(work), QStringLiteral("cannot make ") + work);
    check(QFile::copy(QStringLiteral(VERTZ_DATA_DIR "/blank.dat"),
                      work + QStringLiteral("/blank.dat")),
          QStringLiteral("cannot copy blank.dat"));
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);

    platform::FileSystem fs(base + QStringLiteral("/no-wine-prefix"));
    const QString root = fixture::gameRootOf(install);
    const display::ElementFiles &hud = display::filesOf(display::Element::Hud);
    const QStringList names = display::fileNames(display::Element::Hud, false);
    const QString folder = QLatin1String(hud.folder) + u'\\';
    const QString backup = QLatin1String(hud.backupFolder);
    const auto nativeOf = [&](const QString &rel) {
        return sfs::path(QFile::encodeName(fixture::nativePathOf(install, rel)).toStdString());
    };
    const sfs::path blank = QFile::encodeName(work + QStringLiteral("/blank.dat")).toStdString();
    const QByteArray firstImage = fixture::contentOf(fixture::Variant::Full, folder + names[0]);

    // Synced, each of the floor's copies is on disk before its rename and
    // the rename after it, as the program's are.
    for (const bool synced : {false, true}) {
        std::vector<double> modMs, floorMs;
        interleaved(
            21, [] {},
            [&] {
                display::setShown(fs, root, false, display::Element::Hud, false);
                display::setShown(fs, root, false, display::Element::Hud, true);
                QFile f(fixture::nativePathOf(install, folder + names[0]));
                check(f.open(QIODevice::ReadOnly) && f.readAll() == firstImage,
                      QStringLiteral("the HUD did not come back"));
            },
            [] {},
            [&] {
                // Back each image up, blank it, put it back, drop the backup.
                const sfs::path backupFolder = nativeOf(backup);
                sfs::create_directories(backupFolder);
                for (const QString &name : names) {
                    const sfs::path game = nativeOf(folder + name);
                    if (synced)
                        plainCopy(game, backupFolder / name.toStdString(), true);
                    else
                        sfs::copy_file(game, backupFolder / name.toStdString(),
                                       sfs::copy_options::overwrite_existing);
                    plainCopy(blank, game, synced);
                }
                for (const QString &name : names) {
                    plainCopy(backupFolder / name.toStdString(), nativeOf(folder + name), synced);
                    sfs::remove(backupFolder / name.toStdString());
                }
            },
            &modMs, &floorMs);
        printRow(synced ? "the same" : "HUD removed and restored (8 images)", median(modMs),
                 synced ? "the same copies, each synced before its rename, the folder after"
                        : "the same copies, done directly",
                 median(floorMs), "ms");
    }
    QDir::setCurrent(oldCwd);
    QDir(install).removeRecursively();
}

// What the process has read through read() so far (Linux's rchar).
double readMb()
{
    QFile io(QStringLiteral("/proc/self/io"));
    check(io.open(QIODevice::ReadOnly), QStringLiteral("cannot read /proc/self/io"));
    const QByteArray text = io.readAll();
    const qsizetype at = text.indexOf("rchar: ");
    return text.mid(at + 7, text.indexOf('\n', at) - at - 7).toDouble() / (1 << 20);
}

// Restore Everything on the large board and 1,000 tricks replaced in a folder
// of 100,000, against the same copies done directly. Each round is modded
// anew first, the program's way for its row (so its record is as a player's
// would be) and directly for the floor.
void benchRestoreEverything(const QString &base, const QString &install)
{
    constexpr int files = 100000, replaced = 1000;
    const QString many
        = fixture::nativePathOf(install, QStringLiteral("Game\\data\\anims")) + "/many";
    fillTrickFolder(many, files);
    const QByteArray trick(16 << 10, 'k');
    const auto name = [](int i) {
        return QStringLiteral("Anim_%1.ska").arg(i * (files / replaced), 6, 10, QLatin1Char('0'));
    };
    // Of the trick's size, as one trick replaced by another often is: only
    // the content tells them apart.
    for (int i = 0; i < replaced; ++i) {
        QFile f(many + u'/' + name(i));
        const QByteArray number = QByteArray::number(i);
        check(f.open(QIODevice::WriteOnly)
                  && f.write(number + QByteArray(trick.size() - number.size(), char('a' + i % 26)))
                         == trick.size(),
              QStringLiteral("cannot write ") + f.fileName());
    }
    QFile source(many + QStringLiteral("/source.ska"));
    check(source.open(QIODevice::WriteOnly) && source.write(trick) == trick.size(),
          QStringLiteral("cannot write the source trick"));
    source.close();
    const QString work = base + QStringLiteral("/restore-work");
    makeWorkFolder(work, install, boardIndex("hover"));
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);

    ScriptedDialogs dialogs;
    AppContext ctx(dialogs);
    ctx.loadSettings();
    const QString root = fixture::gameRootOf(install);
    const QString backups
        = fixture::nativePathOf(install, QStringLiteral("Game\\data\\anims\\trickbackup"));
    const QString models = fixture::nativePathOf(install, fixture::boardFolder);
    const auto file
        = [](const QString &path) { return sfs::path(QFile::encodeName(path).toStdString()); };
    const auto modTheProgramsWay = [&] {
        const auto change = [&](QList<gamestate::Place> places, const std::function<void()> &work) {
            gamestate::Change c(ctx.record, ctx.files, root, false, std::move(places));
            work();
            c.done();
        };
        change(board::places(root, false, QStringLiteral("hover")),
               [&] { board::swapBoard(ctx.files, root, false, QStringLiteral("hover")); });
        for (int i = 0; i < replaced; ++i) {
            change({tricks::replacement(root, QStringLiteral("many"), QStringLiteral("source.ska"),
                                        QStringLiteral("many"), name(i))},
                   [&] {
                       tricks::copyTrick(ctx.files, root, QStringLiteral("many"),
                                         QStringLiteral("source.ska"), QStringLiteral("many"),
                                         name(i));
                   });
        }
        syncDisk();
    };
    const auto modDirectly = [&] {
        sfs::create_directories(file(backups + QStringLiteral("/many")));
        for (int i = 0; i < replaced; ++i) {
            sfs::copy_file(file(many + u'/' + name(i)),
                           file(backups + QStringLiteral("/many/") + name(i)));
            plainCopy(file(many + QStringLiteral("/source.ska")), file(many + u'/' + name(i)));
        }
        for (const char *part : {"cas", "col", "skin", "tex", "usg"})
            plainCopy(file(partPath(install, QStringLiteral("hover"), QLatin1String(part))),
                      file(partPath(install, QStringLiteral("default"), QLatin1String(part))));
        syncDisk();
    };
    const auto restored = [&] {
        QFile first(many + u'/' + name(0));
        return !boardInPlace(install, QStringLiteral("hover")) && first.open(QIODevice::ReadOnly)
               && first.readAll() != trick && !QFileInfo::exists(backups + QStringLiteral("/many"));
    };
    std::vector<double> runMs, floorMs, runRead, floorRead;
    double mark = 0;
    interleaved(
        9,
        [&] {
            modTheProgramsWay();
            mark = readMb();
        },
        [&] {
            const gamefiles::RestoreReport report = gamefiles::restoreEverything(ctx, root, false);
            runRead.push_back(readMb() - mark);
            check(report.restored == replaced + 5 && report.failed.isEmpty() && restored(),
                  QStringLiteral("Restore Everything left something: ") + report.details());
        },
        [&] {
            modDirectly();
            mark = readMb();
        },
        [&] {
            for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
                const QString game
                    = partPath(install, QStringLiteral("default"), QLatin1String(part));
                plainCopy(
                    file(models + QStringLiteral("/boardbakup/") + QFileInfo(game).fileName()),
                    file(game));
            }
            for (int i = 0; i < replaced; ++i) {
                const sfs::path saved = file(backups + QStringLiteral("/many/") + name(i));
                plainCopy(saved, file(many + u'/' + name(i)));
                sfs::remove(saved);
            }
            sfs::remove(file(backups + QStringLiteral("/many")));
            floorRead.push_back(readMb() - mark);
            check(restored(), QStringLiteral("the floor left something"));
        },
        &runMs, &floorMs);
    printRow("Restore Everything, five 64 MB parts and 1,000 of 100,000 tricks", median(runMs),
             "the same copies, done directly", median(floorMs), "ms");
    printRow("(read by that Restore Everything)", median(runRead), "the copies back read",
             median(floorRead), "MB");

    // What --status reads: nothing with the record; each file once without.
    modTheProgramsWay();
    const double before = readMb();
    const auto withRecord = gamefiles::look(ctx, root, false);
    const double read = readMb() - before;
    // As a new run finds it: no record, nothing hashed.
    for (const auto mod : {gamestate::Mod::Board, gamestate::Mod::Tricks, gamestate::Mod::Level,
                           gamestate::Mod::Display})
        QFile::remove(ctx.files.nativePath(root) + u'/' + gamestate::Record::fileNameOf(mod));
    ctx.record.load();
    ctx.files = platform::FileSystem();
    const double again = readMb();
    const auto rebuilt = gamefiles::look(ctx, root, false);
    const double reread = readMb() - again;
    check(withRecord.size() == rebuilt.size() && rebuilt.size() >= replaced + 5,
          QStringLiteral("--status lost files"));
    const double held = (5.0 * partMb * 2) + 2.0 * replaced * trick.size() / (1 << 20);
    std::printf("| (--status read %.1f MB with the record, %.1f MB with it deleted; the files and "
                "backups hold %.1f MB) | | | | |\n",
                read, reread, held);
    gamefiles::restoreEverything(ctx, root, false);
    QDir::setCurrent(oldCwd);
    QDir(many).removeRecursively();
}

// The first start on a fresh install with five 64 MB parts in place: no
// backup, record or kept pairs yet, the game's own board stored, so the
// start backs the parts up. Then, in a program that started so, the first
// swap to a board never swapped in. Each beside the same copies done
// directly, and what it read beside what those copies read.
void benchFirstRun(const Programs &p, const QString &base)
{
    const QString install = base + QStringLiteral("/fresh-game");
    const QString small = base + QStringLiteral("/fresh-small");
    fixture::makeInstall(install, fixture::Variant::Full);
    fixture::makeInstall(small, fixture::Variant::Full);
    for (const char *key : {"default", "hover"})
        makeLargeParts(install, QLatin1String(key));
    const QString work = base + QStringLiteral("/work-fresh");
    const QString smallWork = base + QStringLiteral("/work-fresh-small");
    makeWorkFolder(work, install, 0);
    makeWorkFolder(smallWork, small, 0);
    const QString models = fixture::nativePathOf(install, fixture::boardFolder);
    const QString backups = models + QStringLiteral("/boardbakup/");
    const auto file
        = [](const QString &path) { return sfs::path(QFile::encodeName(path).toStdString()); };
    const auto part = [&](const char *key, const char *name) {
        return partPath(install, QLatin1String(key), QLatin1String(name));
    };
    const auto backupOf
        = [&](const char *name) { return backups + QFileInfo(part("default", name)).fileName(); };
    const char *const parts[] = {"cas", "col", "skin", "tex", "usg"};
    // No backup, record or pair kept: as the install and the working folder
    // were before the program's first start.
    const auto makeFresh = [&](const QString &folder, const QString &installed) {
        QDir(fixture::nativePathOf(installed, fixture::boardFolder + QStringLiteral("boardbakup")))
            .removeRecursively();
        for (const auto mod : {gamestate::Mod::Board, gamestate::Mod::Tricks, gamestate::Mod::Level,
                               gamestate::Mod::Display})
            QFile::remove(installed + u'/' + gamestate::Record::fileNameOf(mod));
        QFile::remove(folder + QStringLiteral("/vertzmod.verified"));
    };
    const auto backedUp = [&] {
        for (const char *name : parts) {
            QFile a(part("default", name)), b(backupOf(name));
            if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)
                || b.size() != qint64(partMb) << 20 || a.read(1 << 20) != b.read(1 << 20))
                return false;
        }
        return true;
    };

    std::vector<double> startMs, floorMs, startRead, floorRead;
    for (int i = -1; i < 7; ++i) {
        makeFresh(work, install);
        makeFresh(smallWork, small);
        syncDisk();
        const ProcessRun first = runProcess(work, {p.vertz});
        check(backedUp(), QStringLiteral("the first start backed the parts up wrong"));
        makeFresh(work, install);
        syncDisk();
        const ProcessRun s = runProcess(smallWork, {p.vertz});
        const double before = readMb();
        QElapsedTimer t;
        t.start();
        sfs::create_directories(file(backups));
        for (const char *name : parts)
            plainCopy(file(part("default", name)), file(backupOf(name)));
        const double copyMs = msSince(t);
        const double copyRead = readMb() - before;
        check(backedUp(), QStringLiteral("the floor backed the parts up wrong"));
        if (i < 0)
            continue;
        startMs.push_back(first.ms);
        startRead.push_back(first.readMb);
        floorMs.push_back(s.ms + copyMs);
        floorRead.push_back(copyRead);
    }
    printRow("first start on a fresh install, five 64 MB parts", median(startMs),
             "start-up with small parts + the five backups done directly", median(floorMs), "ms");
    printRow("(read by that first start)", median(startRead), "the backups' copies read",
             median(floorRead), "MB");

    // The swap, in a program whose first start backed the parts up: a new
    // record and file system each round, so the new board is new to both.
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter ") + work);
    const QString root = fixture::gameRootOf(install);
    const auto defaultBack = [&] {
        if (QFileInfo::exists(backupOf("usg"))) {
            for (const char *name : parts)
                plainCopy(file(backupOf(name)), file(part("default", name)));
        }
    };
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<AppContext> ctx;
    const auto change = [&](const QString &key) {
        gamestate::Change c(ctx->record, ctx->files, root, false, board::places(root, false, key));
        check(c.admitted(), QStringLiteral("the gate refused ") + key);
        board::swapBoard(ctx->files, root, false, key);
        c.done();
    };
    std::vector<double> swapMs, copyMs, swapRead, copyRead;
    double mark = 0;
    interleaved(
        7,
        [&] {
            defaultBack();
            makeFresh(work, install);
            ctx.reset();
            dialogs = std::make_unique<ScriptedDialogs>();
            ctx = std::make_unique<AppContext>(*dialogs);
            ctx->loadSettings();
            {
                const gamestate::Reapplying reapplying(ctx->record);
                change(QStringLiteral("default"));
            }
            syncDisk();
            mark = readMb();
        },
        [&] {
            change(QStringLiteral("hover"));
            swapRead.push_back(readMb() - mark);
            check(boardInPlace(install, QStringLiteral("hover")) && dialogs->shown.isEmpty(),
                  QStringLiteral("the first swap went wrong"));
        },
        [&] {
            defaultBack();
            syncDisk();
            mark = readMb();
        },
        [&] {
            for (const char *name : parts)
                plainCopy(file(part("hover", name)), file(part("default", name)));
            copyRead.push_back(readMb() - mark);
            check(boardInPlace(install, QStringLiteral("hover")),
                  QStringLiteral("the floor's swap went wrong"));
        },
        &swapMs, &copyMs);
    ctx.reset();
    QDir::setCurrent(oldCwd);
    // The untimed round's reads are in too: bytes read do not wander.
    printRow("first swap to a board never swapped in, five 64 MB parts", median(swapMs),
             "the same copies and renames, done directly", median(copyMs), "ms");
    printRow("(read by that swap)", median(swapRead), "the copies read", median(copyRead), "MB");
    QDir(install).removeRecursively();
    QDir(small).removeRecursively();
}

void benchSwap(const QString &install)
{
    platform::FileSystem fs;
    const QString root = fixture::gameRootOf(install);
    // The five atomic replacing copies, done directly; synced, each is on
    // disk before its rename and the rename after it, as the swap's are.
    const auto copyBoard = [&](const QString &key, bool synced) {
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            plainCopy(
                QFile::encodeName(partPath(install, key, QLatin1String(part))).toStdString(),
                QFile::encodeName(partPath(install, QStringLiteral("default"), QLatin1String(part)))
                    .toStdString(),
                synced);
        }
        check(boardInPlace(install, key), QStringLiteral("copies: wrong board in place"));
    };
    // Every round changes every part: the floor puts banana in, the swap hover, and so on.
    const auto swap = [&] {
        board::swapBoard(fs, root, false, QStringLiteral("hover"));
        check(boardInPlace(install, QStringLiteral("hover")),
              QStringLiteral("swapBoard: wrong board in place"));
    };
    for (const bool synced : {false, true}) {
        std::vector<double> swapMs, cpMs;
        interleaved(
            9, syncDisk, swap, syncDisk, [&] { copyBoard(QStringLiteral("banana"), synced); },
            &swapMs, &cpMs);
        printRow(synced ? "the same swap" : "board swap, five 64 MB parts", median(swapMs),
                 synced ? "the same copies, each synced before its rename, the folder after"
                        : "the same copies and renames, done directly",
                 median(cpMs), "ms");
    }
    check(!QFileInfo::exists(fixture::nativePathOf(install, fixture::boardFolder + "temp")),
          QStringLiteral("the swap left a staging folder"));
}

} // namespace

// ---- the record at scale -------------------------------------------------

double cpuMsOfSelf()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3
           + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// An install whose record holds entries tricks, each backed up and holding
// other bytes now, taken in by one look; its work folder stores a board.
QString makeRecordedInstall(const QString &base, int entries)
{
    const QString install = base + QStringLiteral("/record-%1").arg(entries);
    fixture::makeInstall(install, fixture::Variant::Full);
    const QString anims = fixture::nativePathOf(install, QStringLiteral("Game\\data\\anims"));
    check(QDir().mkpath(anims + QStringLiteral("/many"))
              && QDir().mkpath(anims + QStringLiteral("/trickbackup/many"))
              && QDir().mkpath(anims + QStringLiteral("/sub")),
          QStringLiteral("cannot make the trick folders"));
    for (int i = 0; i < entries; ++i) {
        const QString name = QStringLiteral("/many/Anim_%1.ska").arg(i, 6, 10, QLatin1Char('0'));
        QFile game(anims + name), backup(anims + QStringLiteral("/trickbackup") + name);
        check(game.open(QIODevice::WriteOnly) && game.write("copied " + QByteArray::number(i)) > 0
                  && backup.open(QIODevice::WriteOnly)
                  && backup.write("the game's " + QByteArray::number(i)) > 0,
              QStringLiteral("cannot write ") + game.fileName());
    }
    for (const char c : {'a', 'b'}) {
        QFile f(anims + QStringLiteral("/sub/%1.ska").arg(QLatin1Char(c)));
        check(f.open(QIODevice::WriteOnly) && f.write(QByteArray(16 << 10, c)) > 0,
              QStringLiteral("cannot write ") + f.fileName());
    }
    const QString work = base + QStringLiteral("/work-record-%1").arg(entries);
    makeWorkFolder(work, install, boardIndex("hover"));
    return install;
}

// A trick copy as the page makes it, through the gate, the record loaded.
void benchRecord(const Programs &p, const QString &base)
{
    const QString oldCwd = QDir::currentPath();
    struct Side {
        QString install, work, root;
        std::unique_ptr<ScriptedDialogs> dialogs;
        std::unique_ptr<AppContext> ctx;
        int round = 0;
    };
    Side sides[2];
    const int sizes[2] = {20, 20000};
    for (int i = 0; i < 2; ++i) {
        Side &s = sides[i];
        s.install = makeRecordedInstall(base, sizes[i]);
        s.work = base + QStringLiteral("/work-record-%1").arg(sizes[i]);
        s.root = fixture::gameRootOf(s.install);
        check(QDir::setCurrent(s.work), QStringLiteral("cannot enter ") + s.work);
        s.dialogs = std::make_unique<ScriptedDialogs>();
        s.ctx = std::make_unique<AppContext>(*s.dialogs);
        s.ctx->loadSettings();
        s.dialogs->questionAnswers = {true};
        check(gamefiles::look(*s.ctx, s.root, false).size() >= sizes[i],
              QStringLiteral("the record took in too little"));
    }
    const auto click = [&](Side &s) {
        const QString from = s.round++ % 2 ? QStringLiteral("a.ska") : QStringLiteral("b.ska");
        s.dialogs->questionAnswers = {true};
        gamestate::Change change(
            s.ctx->record, s.ctx->files, s.root, false,
            {tricks::replacement(s.root, QStringLiteral("sub"), from, QStringLiteral("many"),
                                 QStringLiteral("Anim_000007.ska"))});
        check(change.admitted(), QStringLiteral("the gate refused the copy"));
        tricks::copyTrick(s.ctx->files, s.root, QStringLiteral("sub"), from, QStringLiteral("many"),
                          QStringLiteral("Anim_000007.ska"));
        change.done();
    };
    std::vector<double> bigMs, smallMs;
    interleaved(
        31, [] {}, [&] { click(sides[1]); }, [] {}, [&] { click(sides[0]); }, &bigMs, &smallMs);
    printRow("trick copy click, record of 20,000 entries", median(bigMs),
             "the same click, record of 20", median(smallMs), "ms");
    const qint64 recordSize
        = QFileInfo(sides[1].install + QStringLiteral("/vertzmod-tricks.rec")).size();
    sides[0].ctx.reset();
    sides[1].ctx.reset();
    QDir::setCurrent(oldCwd);

    // The start reads the records of what it puts back, not the tricks'.
    const QString record = sides[1].install + QStringLiteral("/vertzmod-tricks.rec");
    std::vector<double> withCpu, withoutCpu, withMb, withoutMb;
    for (int i = -1; i < 41; ++i) {
        const ProcessRun w = runProcess(sides[1].work, {p.vertz});
        check(QFile::rename(record, record + QStringLiteral(".aside")),
              QStringLiteral("cannot set the record aside"));
        const ProcessRun o = runProcess(sides[1].work, {p.vertz});
        check(QFile::rename(record + QStringLiteral(".aside"), record),
              QStringLiteral("cannot put the record back"));
        if (i < 0)
            continue;
        withCpu.push_back(w.cpuMs), withMb.push_back(w.peakMb);
        withoutCpu.push_back(o.cpuMs), withoutMb.push_back(o.peakMb);
    }
    printRow("CPU time of a start, record of 20,000 trick entries", median(withCpu),
             "the same start without it", median(withoutCpu), "ms");
    printRow("peak memory of that start", median(withMb), "the same start without it",
             median(withoutMb), "MB");

    // --status: the program's whole run, against reading the record and
    // looking at every file it names, in this process.
    std::vector<double> statusCpu, floorCpu;
    for (int i = -1; i < 21; ++i) {
        // Files that are not the game's own: it ends with 1.
        const ProcessRun r
            = runProcess(sides[1].work, {p.vertz, QStringLiteral("--status")}, {}, 1);
        const double before = cpuMsOfSelf();
        QFile f(record);
        check(f.open(QIODevice::ReadOnly), QStringLiteral("cannot read the record"));
        const QByteArray text = f.readAll();
        const QByteArray root = QFile::encodeName(sides[1].install) + '/';
        int looked = 0;
        for (const QByteArray &line : text.split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() < 6 || fields[0] != "file")
                continue;
            for (const int at : {4, 5}) {
                struct stat st;
                looked += ::lstat((root + QByteArray::fromPercentEncoding(fields[at])).constData(),
                                  &st)
                          == 0;
            }
        }
        check(looked >= 40000, QStringLiteral("the floor found %1 files").arg(looked));
        if (i < 0)
            continue;
        statusCpu.push_back(r.cpuMs);
        floorCpu.push_back(cpuMsOfSelf() - before);
    }
    printRow("CPU time of --status, record of 20,000 entries", median(statusCpu),
             "reading the record and an lstat of every path in it", median(floorCpu), "ms");
    std::printf("| (the tricks' record: %.1f MB) | | | | |\n", recordSize / double(1 << 20));
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--count") == 0)
        return countVisit(argc, argv);
    // The offscreen platform notes every fixed-size window; the table stays readable.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        if (!text.contains(QLatin1String("propagateSizeHints"))
            && !text.contains(QLatin1String("does not support raise()")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    return bench::run(argc, argv, "bench_vertz", [](const QString &base) {
        peakReport = QFile::encodeName(base + QStringLiteral("/peak"));
        const QString here = QCoreApplication::applicationDirPath();
        const Programs programs{here + QStringLiteral("/bench_vertzmod"),
                                here + QStringLiteral("/bench_minimal")};
        std::printf(
            "| measurement | median | floor | floor median | ratio |\n|---|---:|---|---:|---:|\n");
        // VERTZ_BENCH=restore,swap (say) runs those groups only.
        const QStringList only
            = qEnvironmentVariable("VERTZ_BENCH").split(u',', Qt::SkipEmptyParts);
        const auto wanted = [&](const char *group) {
            return only.isEmpty() || only.contains(QLatin1String(group));
        };
        // The large board first, for the rows that need it in place.
        const QString big = base + QStringLiteral("/big-game");
        if (wanted("startup") || wanted("restore") || wanted("swap")) {
            fixture::makeInstall(big, fixture::Variant::Full);
            for (const char *key : {"default", "hover", "banana"})
                makeLargeParts(big, QLatin1String(key));
            platform::FileSystem fs;
            board::swapBoard(fs, fixture::gameRootOf(big), false, QStringLiteral("hover"));
            syncDisk();
        }

        if (wanted("startup"))
            benchStartUp(programs, base, big, boardIndex("hover"));
        for (int files : {1000, 100000}) {
            if (wanted("tabs"))
                benchTabSwitch(base, files);
        }
        for (int files : {1000, 20000, 100000}) {
            if (wanted("tricks"))
                benchTricks(programs, base, files);
        }
        if (wanted("instructions"))
            benchInstructions(base);
        if (wanted("gamefiles"))
            benchGameFiles(programs, base);
        if (wanted("display"))
            benchDisplay(base);
        if (wanted("record"))
            benchRecord(programs, base);
        if (wanted("firstrun"))
            benchFirstRun(programs, base);
        if (wanted("restore"))
            benchRestoreEverything(base, big);
        // Last: the disk goes on writing for a while after.
        if (wanted("swap"))
            benchSwap(big);
    });
}
