// Linked into the start-up benchmark's copies of the programs only: ends the
// process the first time its event loop is about to wait while a window of it
// is shown and active, that is, when the player would see an idle window. The
// benchmark times the process from its start to that exit.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

void exitWhenIdle()
{
    // Queued, so the event loop is running when the hook goes on.
    QTimer::singleShot(0, qApp, [] {
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, [] {
                             const QWidget *active = QApplication::activeWindow();
                             if (active && active->isVisible()) {
                                 std::fflush(nullptr);
                                 std::_Exit(0);
                             }
                         });
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(exitWhenIdle)
