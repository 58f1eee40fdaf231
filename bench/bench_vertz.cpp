// What a player feels, each beside its floor measured in the same run: the
// start-up and its memory, the Tricks page on large folders, a board swap of
// large model files, a display removal and restore, and the start-up with
// large parts already in place.
//
// Not a test: no timing is checked. Every round's result is, so a number never
// stands for a run that failed. Rows and their floors run interleaved, round
// by round, so a load that comes and goes weighs on both alike. All data is
// made in one temporary folder ($TMPDIR, else the system's) and removed at
// the end, also after a failure.

#include "app/GameFiles.h"
#include "bench/BenchSupport.h"
#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/tricks/FileList.h"
#include "mods/tricks/FolderList.h"
#include "mods/tricks/TrickCopy.h"
#include "mods/tricks/TricksPage.h"
#include "platform/FileSystem.h"
#include "settings/AppContext.h"
#include "tests/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct ProcessRun {
    double ms = 0;
    double peakMb = 0;
    double writtenMb = 0;
};

// Runs a program to its end in folder, its output dropped; killed after 60 s.
ProcessRun runProcess(const QString &folder, const QStringList &argv)
{
    std::vector<QByteArray> args;
    for (const QString &a : argv)
        args.push_back(QFile::encodeName(a));
    std::vector<char *> cargs;
    for (QByteArray &a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(folder);

    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Their warnings would break up the table; their exit status counts.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
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
    check(WIFEXITED(status) && WEXITSTATUS(status) == 0,
          QStringLiteral("%1 ended badly (status %2)").arg(argv.join(u' ')).arg(status));
    r.peakMb = usage.ru_maxrss / 1024.0;
    r.writtenMb = usage.ru_oublock * 512.0 / (1 << 20);
    return r;
}

// Writes nothing dirty into the next round's time.
void syncDisk()
{
    ::sync();
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

void benchStartUp(const Programs &p, const QString &base, const QString &bigInstall, int bigBoard)
{
    const QString small = base + QStringLiteral("/small-game");
    fixture::makeInstall(small, fixture::Variant::Full);
    makeWorkFolder(base + QStringLiteral("/work-small"), small, boardIndex("hover"));
    makeWorkFolder(base + QStringLiteral("/work-big"), bigInstall, bigBoard);
    makeWorkFolder(base + QStringLiteral("/work-minimal"), small, 0);

    // What the start-up must read with the parts in place: each part and
    // its copy in the game, once at load and once at the first activation.
    const QString key = QLatin1String(board::catalogue[bigBoard].key);
    const auto compareParts = [&] {
        double ms = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
                ms += runProcess(bigInstall, {QStringLiteral("/usr/bin/cmp"),
                                              partPath(bigInstall, key, QLatin1String(part)),
                                              partPath(bigInstall, QStringLiteral("default"),
                                                       QLatin1String(part))})
                          .ms;
            }
        }
        return ms;
    };

    std::vector<double> minMs, minMb, smallMs, smallMb, bigMs, bigMb, bigWritten, bigFloor;
    const int reps = 11;
    for (int i = -1; i < reps; ++i) {
        const ProcessRun m = runProcess(base + QStringLiteral("/work-minimal"), {p.minimal});
        const ProcessRun s = runProcess(base + QStringLiteral("/work-small"), {p.vertz});
        const ProcessRun b = runProcess(base + QStringLiteral("/work-big"), {p.vertz});
        const double cmpMs = compareParts();
        if (i < 0)
            continue;
        bigFloor.push_back(s.ms + cmpMs);
        minMs.push_back(m.ms);
        minMb.push_back(m.peakMb);
        smallMs.push_back(s.ms);
        smallMb.push_back(s.peakMb);
        bigMs.push_back(b.ms);
        bigMb.push_back(b.peakMb);
        bigWritten.push_back(b.writtenMb);
    }
    printRow("start-up to an idle window", median(smallMs), "minimal Qt main window", median(minMs),
             "ms");
    printRow("peak memory at start-up", median(smallMb), "minimal Qt main window", median(minMb),
             "MB");
    printRow("start-up, five 64 MB parts already in place", median(bigMs),
             "start-up with small parts + cmp of the parts, twice", median(bigFloor), "ms");
    std::printf("| (written by that start-up: %.1f MB a run) | | | | |\n", median(bigWritten));
    check(boardInPlace(bigInstall, QLatin1String(board::catalogue[bigBoard].key)),
          QStringLiteral("the start-up changed the board"));
}

// The least any list must do: read every entry of the folder once.
int readEntries(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    check(dir != nullptr, QStringLiteral("cannot read ") + QFile::decodeName(folder));
    int n = 0;
    while (::readdir(dir))
        ++n;
    ::closedir(dir);
    return n;
}

void benchTricks(const QString &base, int files)
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
        check(readEntries(trickBytes) == files + 3, QStringLiteral("readdir missed entries"));
    };

    // A new page each round, as the first choice of the tab finds it; the tab
    // switch shows the root twice.
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
        },
        [] {}, floor, &changeMs, &floor2Ms);
    check(dialogs.shown.isEmpty(), QStringLiteral("the Tricks page showed a message"));

    const QString n = QLocale(QLocale::English).toString(files);
    printRow(qPrintable(QStringLiteral("open the Tricks page, %1 files").arg(n)), median(openMs),
             "reading the folder once", median(floorMs), "ms");
    printRow(qPrintable(QStringLiteral("Dir1 into the folder, File1 follows, %1 files").arg(n)),
             median(changeMs), "reading the folder once", median(floor2Ms), "ms");
    page.reset();

    // The heap a shown file list holds, against the names' own characters.
    const size_t before = mallinfo2().uordblks;
    {
        FileList list;
        check(list.trySetPath(trick) && list.count() == files,
              QStringLiteral("FileList missed files"));
        list.resize(170, 150);
        list.show();
        QApplication::processEvents();
        const double held = double(mallinfo2().uordblks - before);
        const double names = double(files) * QStringLiteral("Anim_000000.ska").size() * 2;
        printRow(qPrintable(QStringLiteral("heap of a shown file list, %1 files").arg(n)),
                 held / 1024, "the names' characters (UTF-16)", names / 1024, "KB");
    }
    QDir(install).removeRecursively();
}

// An atomic replacing copy done directly: the least the display mods must do.
void plainCopy(const sfs::path &from, const sfs::path &to)
{
    const sfs::path temp = to.parent_path() / ".bench-temp";
    sfs::copy_file(from, temp, sfs::copy_options::overwrite_existing);
    sfs::rename(temp, to);
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
                sfs::copy_file(game, backupFolder / name.toStdString(),
                               sfs::copy_options::overwrite_existing);
                plainCopy(blank, game);
            }
            for (const QString &name : names) {
                plainCopy(backupFolder / name.toStdString(), nativeOf(folder + name));
                sfs::remove(backupFolder / name.toStdString());
            }
        },
        &modMs, &floorMs);
    QDir::setCurrent(oldCwd);
    printRow("HUD removed and restored (8 images)", median(modMs), "the same copies, done directly",
             median(floorMs), "ms");
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
    for (int i = 0; i < replaced; ++i) {
        QFile f(many + u'/' + name(i));
        check(f.open(QIODevice::WriteOnly)
                  && f.write(QByteArray(16 << 10, char('a' + i % 26)) + QByteArray::number(i)) > 0,
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
    std::vector<double> runMs, floorMs;
    interleaved(
        3, modTheProgramsWay,
        [&] {
            const gamefiles::RestoreReport report = gamefiles::restoreEverything(ctx, root, false);
            check(report.restored == replaced + 5 && report.failed.isEmpty() && restored(),
                  QStringLiteral("Restore Everything left something: ") + report.details());
        },
        modDirectly,
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
            check(restored(), QStringLiteral("the floor left something"));
        },
        &runMs, &floorMs);
    printRow("Restore Everything, five 64 MB parts and 1,000 of 100,000 tricks", median(runMs),
             "the same copies, done directly", median(floorMs), "ms");

    // What --status reads: nothing with the record; each file once without.
    modTheProgramsWay();
    const double before = readMb();
    const auto withRecord = gamefiles::look(ctx, root, false);
    const double read = readMb() - before;
    QFile::remove(QLatin1String(gamestate::Record::fileName));
    ctx.record.load();
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

void benchSwap(const QString &install)
{
    platform::FileSystem fs;
    const QString root = fixture::gameRootOf(install);
    // cp of one board's five parts over the game's, as five commands.
    const auto cpBoard = [&](const QString &key) {
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            runProcess(install,
                       {QStringLiteral("/bin/cp"), partPath(install, key, QLatin1String(part)),
                        partPath(install, QStringLiteral("default"), QLatin1String(part))});
        }
        check(boardInPlace(install, key), QStringLiteral("cp: wrong board in place"));
    };
    // Every round changes every part: cp puts banana in, the swap hover, and so on.
    std::vector<double> swapMs, cpMs;
    interleaved(
        5, syncDisk,
        [&] {
            board::swapBoard(fs, root, false, QStringLiteral("hover"));
            check(boardInPlace(install, QStringLiteral("hover")),
                  QStringLiteral("swapBoard: wrong board in place"));
        },
        syncDisk, [&] { cpBoard(QStringLiteral("banana")); }, &swapMs, &cpMs);
    printRow("board swap, five 64 MB parts", median(swapMs), "cp of the same five files",
             median(cpMs), "ms");
    check(!QFileInfo::exists(fixture::nativePathOf(install, fixture::boardFolder + "temp")),
          QStringLiteral("the swap left a staging folder"));
}

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv, "bench_vertz", [](const QString &base) {
        const QString here = QCoreApplication::applicationDirPath();
        const Programs programs{here + QStringLiteral("/bench_vertzmod"),
                                here + QStringLiteral("/bench_minimal")};
        std::printf(
            "| measurement | median | floor | floor median | ratio |\n|---|---:|---|---:|---:|\n");
        // The large board first: the start-up rows need it in place.
        const QString big = base + QStringLiteral("/big-game");
        fixture::makeInstall(big, fixture::Variant::Full);
        for (const char *key : {"default", "hover", "banana"})
            makeLargeParts(big, QLatin1String(key));
        platform::FileSystem fs;
        board::swapBoard(fs, fixture::gameRootOf(big), false, QStringLiteral("hover"));
        syncDisk();

        benchStartUp(programs, base, big, boardIndex("hover"));
        for (int files : {1000, 20000, 100000})
            benchTricks(base, files);
        benchDisplay(base);
        benchRestoreEverything(base, big);
        // Last: the disk goes on writing for a while after.
        benchSwap(big);
    });
}
