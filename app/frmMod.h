#pragma once

#include "platform/WorkingFolderLock.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class AppContext;
class BoardPage;
class DisplayPage;
class LevelsPage;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class TricksPage;

// The main window: a tab strip with the four mod pages, menus and status bar.
class frmMod : public QMainWindow {
    Q_OBJECT

public:
    explicit frmMod(AppContext &ctx, QWidget *parent = nullptr);
    ~frmMod() override;

    // Runs once before the window is first shown: makes sure no other copy
    // of the program works in the working folder, places the window, reads
    // the settings or asks the first-run questions, and puts the stored board
    // back. False when the program must end: another copy runs, or the
    // player cancelled.
    bool Form_Load();
    // Runs right after the window is first shown, and when it becomes active
    // after another window of the program: locks the install now in use,
    // shows the variant and brings the page in front up to date with the
    // settings. Reports no failure but the install held by another copy.
    void Form_Activate();

    void setVisible(bool visible) override;

    void TabStrip1_Click();
    void mnuExit_Click();
    void mnuOptions_Click();
    void mnuModEx_Click();
    void mnuAbout_Click();
    void mnuGameFiles_Click();

    QTabWidget *TabStrip1;
    BoardPage *fraBoard;
    TricksPage *fraTricks;
    LevelsPage *fraLevels;
    DisplayPage *fraDisplay;
    QStatusBar *StatusBar1;
    QLabel *statusPanel;
    QMenu *mnuFile;
    QAction *mnuGameFiles;
    QAction *mnuExit;
    QAction *mnuOptions;
    QMenu *mnuHelp;
    QAction *mnuModEx;
    QAction *mnuAbout;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool askFirstRun();
    // Empty board fields become 0, then the stored board goes into the game again.
    void reapplyStoredBoard();
    QList<QGroupBox *> pages() const;
    void bringToFront(QWidget *page);
    // Resizes the tab strip, and the whole window, frame included, never
    // below what the menu, the tab strip and the status bar need.
    void setPageSizes(bool large);
    template <typename W> void showSecondary(QPointer<QWidget> &window);
    // After Restore Everything: the pages show the settings it left.
    void followRestore();

    // Claims the working folder for this run; tells the player when another
    // copy of the program has it.
    bool claimWorkingFolder();
    // Locks the install in use when it is another than the one locked last;
    // tells the player when another copy of the program has it.
    void claimInstall();
    // Whether this window holds the lock of that install, taking it once its
    // holder has ended. One with no folder to lock in has nothing to keep.
    bool holdsInstall(const QString &gameRoot);

    AppContext &m_ctx;
    platform::WorkingFolderLock m_lock;
    std::unique_ptr<platform::WorkingFolderLock> m_installLock;
    QString m_install; // native path of the install m_installLock is for
    QPointer<QWidget> m_options;
    QPointer<QWidget> m_help;
    QPointer<QWidget> m_about;
    QPointer<QWidget> m_gameFiles;
    bool m_shownOnce = false;
    // Whether the window of ours active last was a secondary window, so that
    // activating this one now means the player came back from it.
    bool m_secondaryWasActive = false;
};
