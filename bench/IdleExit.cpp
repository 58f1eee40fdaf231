// Linked into the start-up benchmark's copies of the programs only: ends the
// process the first time its event loop is about to wait while a window of it
// is shown and active, that is, when the player would see an idle window. The
// benchmark times the process from its start to that exit. With
// VERTZ_BENCH_TAB=n set, that first idle moment chooses tab n of the window's
// tab strip instead, as a click would, and the next one ends the process.
// With VERTZ_BENCH_ACTION naming a menu command, that first idle moment runs
// it instead, and the process ends once another window is active and idle.
// With VERTZ_BENCH_PEAK naming a file, the process writes its peak resident
// size there (kB) as it ends, and the bytes it read (rchar).

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// This process's own peak: what a parent's rusage tells also counts the image
// the process was forked from.
void reportPeak()
{
#ifdef Q_OS_LINUX
    const char *file = std::getenv("VERTZ_BENCH_PEAK");
    FILE *status = file ? std::fopen("/proc/self/status", "r") : nullptr;
    if (!status)
        return;
    char line[256];
    long kb = -1;
    long long read = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    if (FILE *io = std::fopen("/proc/self/io", "r")) {
        while (std::fgets(line, sizeof line, io)) {
            if (std::strncmp(line, "rchar:", 6) == 0)
                read = std::strtoll(line + 6, nullptr, 10);
        }
        std::fclose(io);
    }
    if (FILE *out = std::fopen(file, "w")) {
        std::fprintf(out, "%ld %lld\n", kb, read);
        std::fclose(out);
    }
#endif
}

void exitWhenIdle()
{
    static int tab = qEnvironmentVariableIntValue("VERTZ_BENCH_TAB");
    static QString action = qEnvironmentVariable("VERTZ_BENCH_ACTION");
    static QWidget *opener = nullptr;
    // Queued, so the event loop is running when the hook goes on.
    QTimer::singleShot(0, qApp, [] {
        QObject::connect(
            QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [] {
                QWidget *active = QApplication::activeWindow();
                if (!active || !active->isVisible())
                    return;
                auto *tabs = active->findChild<QTabWidget *>();
                if (tab > 0 && tabs) {
                    // The switch runs from the event loop, as a click's would.
                    QTimer::singleShot(0, tabs,
                                       [tabs, index = tab] { tabs->setCurrentIndex(index); });
                    tab = 0;
                    return;
                }
                if (auto *command
                    = action.isEmpty() ? nullptr : active->findChild<QAction *>(action)) {
                    QTimer::singleShot(0, command, [command] { command->trigger(); });
                    action.clear();
                    opener = active;
                    return;
                }
                // The window the command opens, once it is shown and active.
                if (opener && active == opener)
                    return;
                reportPeak();
                std::fflush(nullptr);
                std::_Exit(0);
            });
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(exitWhenIdle)
