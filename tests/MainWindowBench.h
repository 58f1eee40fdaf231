#pragma once

#include "tests/TestSupport.h"

#include "app/frmMod.h"
#include "context/AppContext.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <functional>

// The main window with its context, started as main() starts it, in a fresh
// test bench; the test classes of the main window derive from it.
class MainWindowBench {
protected:
    std::unique_ptr<TestBench> m_bench;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<frmMod> m_window;
    QPointer<QWidget> m_dialog; // the options dialog once opened

    // For init() and cleanup().
    void setUpBench()
    {
        m_bench = std::make_unique<TestBench>();
        m_dialogs = ScriptedDialogs();
    }
    void tearDownBench()
    {
        m_window.reset();
        m_ctx.reset();
        m_bench.reset();
    }
    // The load step alone; false when the player cancelled.
    // prepare may change the context before the window is made.
    bool load(const std::function<void(AppContext &)> &prepare = {})
    {
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        if (prepare)
            prepare(*m_ctx);
        m_window = std::make_unique<frmMod>(*m_ctx);
        return m_window->Form_Load();
    }
    // The load step, then the window on screen.
    bool start()
    {
        if (!load())
            return false;
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }
    // A control of the main window, and a click on it as a player's.
    template <typename T = QAbstractButton> T *control(const QString &name)
    {
        return m_window->findChild<T *>(name);
    }
    static void clickOn(QWidget *w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    }
    // Points a folder list of the Tricks page and its file list at a file below folder.
    void pointAt(const char *dirList, const char *fileList, const QString &folder, QString rel)
    {
        rel.replace('\\', '/');
        control<QWidget>(dirList)->setProperty(
            "path",
            QDir::toNativeSeparators(QDir::cleanPath(folder + '/' + rel.section('/', 0, -2))));
        control<QWidget>(fileList)->setProperty("fileName", rel.section('/', -1));
    }
    void clickTab(int index)
    {
        QTabBar *bar = m_window->TabStrip1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Chooses a command as a player does: on the menu bar, then in its menu if it has one.
    void choose(QAction *inBar, QAction *command = nullptr)
    {
        QMenuBar *bar = m_window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(inBar).center());
        if (command) {
            QMenu *menu = inBar->menu();
            QTRY_VERIFY(menu->isVisible());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(command).center());
        }
    }
    // Chooses Options on the menu bar; true once the dialog is up and active.
    bool openOptions()
    {
        choose(m_window->mnuOptions);
        m_dialog = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("frmOptions") && w->isVisible())
                m_dialog = w;
        }
        return m_dialog && QTest::qWaitForWindowActive(m_dialog);
    }
    // Clicks a button or check box of the dialog on its caption.
    void click(const char *name)
    {
        auto *button = m_dialog->findChild<QAbstractButton *>(QLatin1String(name));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, button->height() / 2));
    }
    // Closes the dialog with a button; true once the main window is active again.
    bool leaveWith(const char *name)
    {
        click(name);
        return QTest::qWaitFor([this] {
            return (!m_dialog || !m_dialog->isVisible())
                   && QApplication::activeWindow() == m_window.get();
        });
    }
};
