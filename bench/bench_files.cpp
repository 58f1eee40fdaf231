// Timings of the file work and the folder lists on large folders.
//
// Not a test: no timing is ever checked. Each operation's result is checked,
// though, so a number never stands for a run that failed or found nothing.
// All data is made in a temporary folder ($TMPDIR, else the system's) and
// removed at the end.

#include "bench/BenchSupport.h"
#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "platform/FileSystem.h"
#include "settings/ModSettings.h"
#include "tests/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int manyFiles = 20000;
constexpr int manyFolders = 2000;
constexpr int bigFileMb = 50;

// Six components below the root; every one has a lower-case letter, so the
// upper-cased spelling differs from the disk in each.
const QString deepFolder = QStringLiteral("Game\\Data\\anims\\tricks\\custom\\");
const QString deepFile = QStringLiteral("Anim_12344.ska");

using bench::check;
using bench::fail;

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
}

void makeFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        fail(QStringLiteral("cannot create folder %1").arg(path));
}

// 20,000 names in the mixed spellings a game folder has; half of them end in
// ".ska" in one case or another.
void fillWithFiles(const QString &folder)
{
    static const char *const extensions[] = {"ska", "Ska", "dat", "tex"};
    makeFolder(folder);
    for (int i = 0; i < manyFiles; ++i)
        writeFile(QStringLiteral("%1/Anim_%2.%3")
                      .arg(folder)
                      .arg(i, 5, 10, QLatin1Char('0'))
                      .arg(QLatin1String(extensions[i % 4])),
                  QByteArray());
}

class Table {
public:
    Table()
    {
        std::printf("%-58s %5s %11s %9s\n", "benchmark", "reps", "median ms", "min ms");
        std::fflush(stdout);
    }

    // One untimed round first (caches warm, one-time work such as the board
    // backup done), then reps timed rounds. The between function runs untimed
    // before each round, for the set-up a round needs.
    void measure(const char *name, int reps, const std::function<void()> &run,
                 const std::function<void()> &between = {})
    {
        std::vector<double> ms;
        for (int i = -1; i < reps; ++i) {
            if (between)
                between();
            QElapsedTimer timer;
            timer.start();
            run();
            const double elapsed = timer.nsecsElapsed() / 1e6;
            if (i >= 0)
                ms.push_back(elapsed);
        }
        std::sort(ms.begin(), ms.end());
        const size_t n = ms.size();
        const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
        std::printf("%-58s %5d %11.3f %9.3f\n", name, reps, median, ms.front());
        std::fflush(stdout);
    }
};

void benchListFiles(Table &table, platform::FileSystem &fs, const QString &root)
{
    const QString folder = root + deepFolder;
    table.measure("FileSystem::listFiles *.* (20,000 files)", 21, [&] {
        check(fs.listFiles(folder + QStringLiteral("*.*")).size() == manyFiles,
              QStringLiteral("listFiles *.* missed files"));
    });
    table.measure("FileSystem::listFiles *.ska (20,000 files, 10,000 match)", 21, [&] {
        check(fs.listFiles(folder + QStringLiteral("*.ska")).size() == manyFiles / 2,
              QStringLiteral("listFiles *.ska missed files"));
    });
}

void benchNativePath(Table &table, platform::FileSystem &fs, const QString &nativeRoot,
                     const QString &root)
{
    const QString expected
        = QDir::cleanPath(nativeRoot + u'/' + QString(deepFolder + deepFile).replace(u'\\', u'/'));
    const QString exact = root + deepFolder + deepFile;
    const QString otherCase = root + QString(deepFolder + deepFile).toUpper();
    table.measure("FileSystem::nativePath, exact spelling", 201, [&] {
        check(fs.nativePath(exact) == expected,
              QStringLiteral("nativePath: wrong path for ") + exact);
    });
    table.measure("FileSystem::nativePath, 6 components in other case", 21, [&] {
        check(fs.nativePath(otherCase) == expected,
              QStringLiteral("nativePath: wrong path for ") + otherCase);
    });
    // A file not there yet (a copy's new destination, an exists check) also
    // scans its folder once, looking for another spelling.
    const QString missing = root + deepFolder + QStringLiteral("New_file.ska");
    table.measure("FileSystem::nativePath, missing file among 20,000", 21, [&] {
        check(fs.nativePath(missing).endsWith(QLatin1String("/custom/New_file.ska")),
              QStringLiteral("nativePath: wrong path for ") + missing);
    });
}

void benchLists(Table &table, const QString &nativeRoot)
{
    // One folder with both kinds of entries: the file list skips the
    // folders, the folder list skips the files.
    const QString big = nativeRoot + QStringLiteral("/lists/big");
    const QString small = nativeRoot + QStringLiteral("/lists/small");
    fillWithFiles(big);
    for (int i = 0; i < manyFolders; ++i)
        makeFolder(QStringLiteral("%1/Folder_%2").arg(big).arg(i, 4, 10, QLatin1Char('0')));
    makeFolder(small + QStringLiteral("/sub"));
    writeFile(small + QStringLiteral("/one.ska"), QByteArray());

    // Shown, like on the tricks page; the paint that follows a change runs
    // untimed between rounds so it never piles up.
    FileList files;
    FolderList folders;
    files.resize(200, 300);
    folders.resize(200, 300);
    files.show();
    folders.show();
    QApplication::processEvents();

    const int chain = QDir::cleanPath(big).count(u'/') + 1; // the root, then each folder
    table.measure(
        "FileList::trySetPath (20,000 files, 2,000 folders)", 11,
        [&] {
            check(files.trySetPath(big) && files.count() == manyFiles,
                  QStringLiteral("FileList: wrong entries"));
        },
        [&] {
            files.trySetPath(small);
            QApplication::processEvents();
        });
    files.setFileName(QStringLiteral("Anim_10000.ska"));
    check(files.fileName() == QStringLiteral("Anim_10000.ska"),
          QStringLiteral("FileList: no selection"));
    table.measure(
        "FileList::refresh, selection kept (20,000 files)", 11,
        [&] {
            files.refresh();
            check(files.fileName() == QStringLiteral("Anim_10000.ska"),
                  QStringLiteral("FileList: selection lost"));
        },
        [] { QApplication::processEvents(); });
    table.measure(
        "FolderList::trySetPath (20,000 files, 2,000 folders)", 11,
        [&] {
            check(folders.trySetPath(big) && folders.count() == chain + manyFolders,
                  QStringLiteral("FolderList: wrong entries (%1)").arg(folders.count()));
        },
        [&] {
            folders.trySetPath(small);
            QApplication::processEvents();
        });
}

void benchCopy(Table &table, platform::FileSystem &fs, const QString &nativeRoot,
               const QString &root)
{
    const QString folder = nativeRoot + QStringLiteral("/copy");
    makeFolder(folder);
    // Varied content, so no file system can keep it sparse or shared.
    {
        QFile f(folder + QStringLiteral("/source.bin"));
        check(f.open(QIODevice::WriteOnly), QStringLiteral("cannot write the copy source"));
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (int mb = 0; mb < bigFileMb; ++mb) {
            for (qsizetype i = 0; i < chunk.size(); ++i)
                chunk[i] = char((i * 131 + mb * 7) >> 3);
            check(f.write(chunk) == chunk.size(), QStringLiteral("cannot write the copy source"));
        }
    }
    const qint64 size = qint64(bigFileMb) << 20;
    const QString from = root + QStringLiteral("copy\\source.bin");
    const QString to = root + QStringLiteral("copy\\target.bin");
    // The warm-up round makes the destination, so every timed round replaces it.
    table.measure("FileSystem::copyFile, 50 MB over an existing file", 11, [&] {
        fs.copyFile(from, to);
        check(QFileInfo(folder + QStringLiteral("/target.bin")).size() == size,
              QStringLiteral("copyFile: wrong size"));
    });

    // For comparison: the same replacing copy done by the standard library
    // (kernel-side copy), to a temporary name then renamed over the destination.
    namespace sfs = std::filesystem;
    const sfs::path source
        = QFile::encodeName(folder + QStringLiteral("/source.bin")).toStdString();
    const sfs::path temp = QFile::encodeName(folder + QStringLiteral("/.reference")).toStdString();
    const sfs::path target
        = QFile::encodeName(folder + QStringLiteral("/reference.bin")).toStdString();
    table.measure("  for comparison: std::filesystem::copy_file + rename", 11, [&] {
        sfs::copy_file(source, temp, sfs::copy_options::overwrite_existing);
        sfs::rename(temp, target);
        check(sfs::file_size(target) == sfs::file_size(source),
              QStringLiteral("copy_file: wrong size"));
    });
}

void benchSettings(Table &table, const QString &nativeRoot)
{
    const QString work = nativeRoot + QStringLiteral("/work");
    makeFolder(work);
    const QString oldCwd = QDir::currentPath();
    check(QDir::setCurrent(work), QStringLiteral("cannot enter %1").arg(work));

    ScriptedDialogs dialogs;
    ModSettings saved;
    saved.fullBoard = 3;
    saved.demoMode = 1;
    table.measure("saveSettings + loadSettings", 51, [&] {
        check(saveSettings(saved, dialogs), QStringLiteral("saveSettings failed"));
        ModSettings loaded;
        loadSettings(loaded, dialogs);
        check(loaded.fullBoard.equals(3) && loaded.isDemo()
                  && loaded.gameRoot == QLatin1String(defaultDemoInstallDir),
              QStringLiteral("the settings did not come back"));
    });
    check(dialogs.shown.isEmpty(), QStringLiteral("the settings showed a message"));
    QDir::setCurrent(oldCwd);
}

void benchBoardSwap(Table &table, platform::FileSystem &fs, const QString &nativeRoot)
{
    const QString install = nativeRoot + QStringLiteral("/game");
    fixture::makeInstall(install, fixture::Variant::Full);
    const QString root = fixture::gameRootOf(install);
    const QString models = QLatin1String(board::modelsFolder);
    const QString gameBoard
        = board::boardFileName(QStringLiteral("default"), QStringLiteral("cas"), false);

    int round = 0;
    table.measure("board::swapBoard, full game, two boards in turn", 21, [&] {
        const QString key = round++ % 2 ? QStringLiteral("hover") : QStringLiteral("banana");
        board::swapBoard(fs, root, false, key);
        // The game's board file now holds the chosen board's content.
        QFile f(fixture::nativePathOf(install, models + gameBoard));
        check(f.open(QIODevice::ReadOnly)
                  && f.readAll()
                         == fixture::contentOf(
                             fixture::Variant::Full,
                             models + board::boardFileName(key, QStringLiteral("cas"), false)),
              QStringLiteral("swapBoard: wrong board in place"));
    });
}

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv, "bench_files", [](const QString &nativeRoot) {
        const QString root = fixture::gameRootOf(nativeRoot);
        // No drive letters are used, so the prefix never matters.
        platform::FileSystem fs(nativeRoot + QStringLiteral("/no-wine-prefix"));
        fillWithFiles(nativeRoot + u'/' + QString(deepFolder).replace(u'\\', u'/'));
        Table table;
        benchListFiles(table, fs, root);
        benchNativePath(table, fs, nativeRoot, root);
        benchLists(table, nativeRoot);
        benchSettings(table, nativeRoot);
        benchBoardSwap(table, fs, nativeRoot);
        // Last: the disk is still writing out its gigabyte for a while after,
        // which would slow whatever came next.
        benchCopy(table, fs, nativeRoot, root);
    });
}
