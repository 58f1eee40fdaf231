// Timings and memory of the Tricks page's lists on large trick folders.
//
// Not a test: no timing is ever checked. Each round's result is checked, so a
// number never stands for a run that failed or listed the wrong folder. All
// data is made in a temporary folder ($TMPDIR, else the system's) and removed
// at the end.

#include "bench/BenchSupport.h"
#include "context/AppContext.h"
#include "mods/tricks/TricksPage.h"
#include "tests/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using bench::check;
using bench::fillTrickFolder;

struct Result {
    double median = 0, min = 0;
};

// One untimed round first, then reps timed ones; the before function runs
// untimed ahead of each.
Result measure(int reps, const std::function<void()> &run, const std::function<void()> &before)
{
    std::vector<double> ms;
    for (int i = -1; i < reps; ++i) {
        before();
        QElapsedTimer timer;
        timer.start();
        run();
        if (i >= 0)
            ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return {n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2, ms.front()};
}

void benchPage(const QString &base, int files)
{
    const QString install = QStringLiteral("%1/game%2").arg(base).arg(files);
    const QString trick = install + QStringLiteral("/Game/data/anims");
    fillTrickFolder(trick, files);
    ScriptedDialogs dialogs;
    AppContext ctx(dialogs, platform::FileSystem(base + QStringLiteral("/no-wine-prefix")));
    ctx.settings.gameRoot = fixture::gameRootOf(install);
    const int reps = files > 20000 ? 7 : 21;

    // A new page each round, as the tab switch finds it the first time.
    std::unique_ptr<TricksPage> page;
    int reads = 0;
    const Result open = measure(
        reps,
        [&] {
            const int before = page->folderReads();
            check(page->showTrickRoot(ctx.settings.gameRoot)
                      && page->showTrickRoot(ctx.settings.gameRoot),
                  QStringLiteral("showTrickRoot failed"));
            reads = page->folderReads() - before;
            check(page->File1->count() == files && page->File2->count() == files,
                  QStringLiteral("the file lists missed files"));
        },
        [&] {
            page.reset();
            page = std::make_unique<TricksPage>(ctx);
            page->resize(410, 330);
            page->show();
            QApplication::processEvents();
        });
    std::printf("%-44s %8d %5d %11.1f %9.1f %6d\n", "open the Tricks page (showTrickRoot twice)",
                files, reps, open.median, open.min, reads);

    const Result change = measure(
        reps,
        [&] {
            const int before = page->folderReads();
            page->Dir1->setPath(trick);
            reads = page->folderReads() - before;
            check(page->File1->count() == files, QStringLiteral("File1 missed files"));
        },
        [&] {
            page->Dir1->setPath(trick + QStringLiteral("/sub"));
            QApplication::processEvents();
        });
    std::printf("%-44s %8d %5d %11.1f %9.1f %6d\n", "Dir1 into the folder (File1 follows)", files,
                reps, change.median, change.min, reads);
    std::fflush(stdout);
    check(dialogs.shown.isEmpty(), QStringLiteral("the page showed a message"));
}

#ifdef __GLIBC__
size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// Heap growth while a list of the folder's names is alive and shown.
void benchMemory(const QString &base, int files)
{
    const QString folder = QStringLiteral("%1/game%2/Game/data/anims").arg(base).arg(files);
    auto bytesPerName = [&](const std::function<QWidget *()> &make) {
        const size_t before = heapInUse();
        std::unique_ptr<QWidget> list(make());
        list->resize(170, 150);
        list->show();
        QApplication::processEvents();
        return double(heapInUse() - before) / files;
    };
    const double ours = bytesPerName([&] {
        auto *list = new FileList;
        check(list->trySetPath(folder) && list->count() == files,
              QStringLiteral("FileList missed files"));
        return list;
    });
    // The plain way, for comparison: a QListWidget, one item a name.
    const double items = bytesPerName([&] {
        auto *list = new QListWidget;
        list->setUniformItemSizes(true);
        list->addItems(QDir(folder).entryList(QDir::Files));
        check(list->count() == files, QStringLiteral("QListWidget missed files"));
        return list;
    });
    std::printf("\nheap per name with %d names: FileList %.0f bytes, QListWidget %.0f bytes\n",
                files, ours, items);
}
#endif

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv, "bench_tricks", [](const QString &base) {
        std::printf("%-44s %8s %5s %11s %9s %6s\n", "benchmark", "files", "reps", "median ms",
                    "min ms", "reads");
        for (int files : {1000, 20000, 100000})
            benchPage(base, files);
#ifdef __GLIBC__
        benchMemory(base, 100000);
#endif
    });
}
