#include "app/frmMod.h"

#include "app/frmGameFiles.h"
#include "context/AppContext.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmHelp.h"
#include "dialogs/frmOptions.h"
#include "mods/board/BoardPage.h"
#include "mods/display/DisplayPage.h"
#include "mods/levels/LevelsPage.h"
#include "mods/tricks/TricksPage.h"
#include "platform/FileError.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/FormStyle.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>

#include <exception>

using ui::twips;

namespace {
constexpr int smallStripWidth = 2895, smallStripHeight = 3585;
constexpr int smallWindowWidth = 2985, smallWindowHeight = 4530;
constexpr int largeStripWidth = 6300, largeStripHeight = 5400;
constexpr int largeWindowWidth = 6400, largeWindowHeight = 6360;
} // namespace

frmMod::frmMod(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmMod"));
    setWindowTitle(QStringLiteral("Vertz Mod Utility"));

    auto *body = new QWidget(this);
    setCentralWidget(body);

    TabStrip1 = ui::named<QTabWidget>(body, "TabStrip1");
    struct Tab {
        const char *caption;
        const char *key;
        const char *tip;
    };
    const Tab tabs[] = {{"Board", "board", "Board Shape Mod"},
                        {"Tricks", "tricks", "Trick Mod"},
                        {"Levels", "Levels", "Level Mods"},
                        {"Display", "Display", nullptr}};
    for (const Tab &t : tabs) {
        const int i = TabStrip1->addTab(new QWidget, QString::fromLatin1(t.caption));
        TabStrip1->tabBar()->setTabData(i, QString::fromLatin1(t.key));
        if (t.tip)
            TabStrip1->setTabToolTip(i, QString::fromLatin1(t.tip));
    }
    TabStrip1->setAutoFillBackground(true);
    // Four tabs must fit the narrow pages without scroll arrows.
    TabStrip1->tabBar()->setStyle(ui::FormStyle::instance());
    TabStrip1->setUsesScrollButtons(false);
    TabStrip1->setGeometry(0, 0, twips(smallStripWidth), twips(smallStripHeight));

    fraBoard = new BoardPage(ctx, body);
    fraTricks = new TricksPage(ctx, body);
    fraLevels = new LevelsPage(ctx, body);
    fraDisplay = new DisplayPage(ctx, body);
    ui::placeTwips(fraBoard, 60, 360, 2775, 3165);
    ui::placeTwips(fraTricks, 60, 360, 6135, 4935);
    ui::placeTwips(fraLevels, 60, 360, 2775, 3165);
    ui::placeTwips(fraDisplay, 60, 360, 2775, 3165);
    // The largest page lies behind the tab strip until it is chosen.
    fraTricks->lower();
    bringToFront(fraBoard);
    // The caption sits on the frame line, so controls placed near the top
    // stay clear of it; the frame fills its own background below the line.
    for (QGroupBox *page : pages()) {
        page->setStyle(ui::FormStyle::instance());
        page->setAutoFillBackground(false);
    }

    StatusBar1 = ui::named<QStatusBar>(this, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(twips(300));
    statusPanel = new QLabel(QStringLiteral("Modding Full Version"), StatusBar1);
    statusPanel->setObjectName(QStringLiteral("Panel1"));
    StatusBar1->addWidget(statusPanel, 1);
    StatusBar1->setProperty("simpleText", QStringLiteral("More features coming soon!"));
    setStatusBar(StatusBar1);

    QMenuBar *bar = menuBar();
    const auto item = [](auto *it, const char *name) {
        it->setObjectName(QLatin1String(name));
        return it;
    };
    mnuFile = item(bar->addMenu(QStringLiteral("File")), "mnuFile");
    mnuGameFiles = item(mnuFile->addAction(QStringLiteral("Game Files\u2026")), "mnuGameFiles");
    mnuExit = item(mnuFile->addAction(QStringLiteral("Exit")), "mnuExit");
    mnuOptions = item(bar->addAction(QStringLiteral("Options")), "mnuOptions");
    mnuHelp = item(bar->addMenu(QStringLiteral("Help")), "mnuHelp");
    mnuModEx = item(mnuHelp->addAction(QStringLiteral("Mod Explainations")), "mnuModEx");
    mnuAbout = item(mnuHelp->addAction(QStringLiteral("About")), "mnuAbout");
    connect(mnuGameFiles, &QAction::triggered, this, &frmMod::mnuGameFiles_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMod::mnuExit_Click);
    connect(mnuOptions, &QAction::triggered, this, &frmMod::mnuOptions_Click);
    connect(mnuModEx, &QAction::triggered, this, &frmMod::mnuModEx_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMod::mnuAbout_Click);

    connect(TabStrip1, &QTabWidget::currentChanged, this, [this] { TabStrip1_Click(); });

    // In the panel's place for a while: the player sees it without having
    // to answer. The bar hides the panel itself only when it is on screen
    // already, which it is not at the start.
    ctx.record.onSkipped = [window = QPointer<frmMod>(this)](const QString &text) {
        if (!window)
            return;
        window->statusPanel->hide();
        window->StatusBar1->showMessage(text, 30000);
    };
    connect(StatusBar1, &QStatusBar::messageChanged, statusPanel, [this](const QString &text) {
        if (text.isEmpty())
            statusPanel->show();
    });

    // Only the copy of the program holding an install's lock changes its files.
    ctx.record.mayWrite = [window = QPointer<frmMod>(this)](const QString &root) {
        return !window || window->holdsInstall(root);
    };

    // Where the player comes from when this window is activated: the focus
    // signal follows the activation, so at that moment it still tells which
    // window was active before. A popup menu leaves its window the active one.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        if (!focused)
            return;
        const QWidget *active = QApplication::activeWindow();
        m_secondaryWasActive = active
                               && (active == m_options || active == m_help || active == m_about
                                   || active == m_gameFiles);
    });
    // Coming back from another application is no change within the program.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    m_secondaryWasActive = false;
            });

    resize(twips(smallStripWidth),
           bar->sizeHint().height() + twips(smallStripHeight) + StatusBar1->height());
    setFixedSize(size());
}

frmMod::~frmMod()
{
    // The secondary windows have no owner; they go with the program.
    for (QWidget *window : {m_options.data(), m_help.data(), m_about.data(), m_gameFiles.data()})
        delete window;
}

bool frmMod::Form_Load()
{
    if (!claimWorkingFolder())
        return false;
    bringToFront(fraBoard);

    // 500 twips left of and above the centred position, frame included.
    ui::centreWhenShown(this, {-twips(500), -twips(500)});

    if (QFile::exists(QString::fromLatin1(settingsFileName))) {
        m_ctx.loadSettings();
        fraLevels->showStoredState();
    } else if (!askFirstRun()) {
        m_lock.release();
        return false;
    }
    claimInstall();
    reapplyStoredBoard();
    // A run killed half-way through blanking an element left it stored as
    // blanked: put right now, not only once the Display page is chosen.
    fraDisplay->showStoredState();
    return true;
}

void frmMod::claimInstall()
{
    const QString native = m_ctx.files.nativePath(m_ctx.settings.gameRoot);
    if (m_installLock && native == m_install)
        return;
    m_installLock.reset();
    m_install = native;
    m_installLock = std::make_unique<platform::WorkingFolderLock>(native);
    if (!platform::WorkingFolderLock::canLock(native))
        return;
    try {
        if (m_installLock->take())
            return;
    } catch (const platform::FileError &e) {
        m_ctx.error(e.explain());
        return;
    }
    const qint64 pid = m_installLock->holder();
    m_ctx.error(
        QStringLiteral("Another copy of the program%1 works on the install in %2. Two at once "
                       "would mix up their changes to its game files: changes to them are "
                       "refused until that copy closes.")
            .arg(pid > 0 ? QStringLiteral(" (process %1)").arg(pid) : QString(),
                 QDir::toNativeSeparators(native)));
}

bool frmMod::holdsInstall(const QString &gameRoot)
{
    claimInstall();
    if (m_ctx.files.nativePath(gameRoot) != m_install)
        return false;
    if (!m_installLock->held() && platform::WorkingFolderLock::canLock(m_install)) {
        try {
            m_installLock->take();
        } catch (const platform::FileError &) {
            return false;
        }
    }
    return m_installLock->held() || !platform::WorkingFolderLock::canLock(m_install);
}

bool frmMod::claimWorkingFolder()
{
    try {
        if (m_lock.take())
            return true;
    } catch (const platform::FileError &e) {
        m_ctx.error(e.explain());
        return false;
    }
    const QString holder
        = m_lock.holder() > 0 ? QStringLiteral(" (process %1)").arg(m_lock.holder()) : QString();
    m_ctx.error(
        QStringLiteral("Vertz Mod Utility is already running: another copy of the program%1 "
                       "works in the folder %2. Two at once would mix up their changes to the "
                       "game's files: use the window that is open.")
            .arg(holder, QDir::toNativeSeparators(QDir::currentPath())));
    m_lock.bringHolderForward();
    return false;
}

void frmMod::reapplyStoredBoard()
{
    ModSettings &s = m_ctx.settings;
    if (s.fullBoard.isEmpty())
        s.fullBoard = 0;
    if (s.demoBoard.isEmpty())
        s.demoBoard = 0;
    fraBoard->reapplyStored();
}

void frmMod::setVisible(bool visible)
{
    QMainWindow::setVisible(visible);
    // Not left to the activation, which a window system without a window
    // manager, or one that keeps new windows in the back, never sends.
    if (visible && !m_shownOnce) {
        m_shownOnce = true;
        Form_Activate();
    }
}

bool frmMod::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // Not after one of our message boxes, nor back from another application;
    // the first activation follows the first show, which refreshed already.
    if (event->type() == QEvent::WindowActivate && isVisible() && m_secondaryWasActive)
        Form_Activate();
    return handled;
}

bool frmMod::eventFilter(QObject *watched, QEvent *event)
{
    // A secondary window closing hands activation back to this one, which
    // without a window manager nothing else would do. Not while another
    // window of ours or another application is active.
    if (event->type() == QEvent::Hide && !event->spontaneous() && isVisible()
        && QGuiApplication::applicationState() == Qt::ApplicationActive) {
        const QWidget *active = QApplication::activeWindow();
        if (!active || active == watched)
            activateWindow();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMod::Form_Activate()
{
    claimInstall();
    ModSettings &s = m_ctx.settings;
    // A failing step is skipped without a word; the board step reports its
    // own failure.
    const auto step = [](const auto &run) {
        try {
            run();
        } catch (const std::exception &) {
        }
    };
    step([&] {
        statusPanel->setText(s.demoMode.equals(0) ? QStringLiteral("Modding Full Version")
                                                  : QStringLiteral("Modding Demo Version"));
    });

    switch (TabStrip1->currentIndex() + 1) {
    case 1:
        step([&] { reapplyStoredBoard(); });
        break;
    case 2:
        fraTricks->rereadFolders();
        break;
    case 3:
        fraLevels->offerFor(s.demoMode.equals(1));
        if (!s.demoMode.equals(1))
            fraLevels->showStoredModes();
        break;
    case 4:
        step([&] { fraDisplay->showStoredState(); });
        break;
    default:
        break;
    }
}

bool frmMod::askFirstRun()
{
    // The working folder stays where it is on every system: it holds the data
    // files and the settings the answers are saved to.
    ModSettings &s = m_ctx.settings;
    if (m_ctx.dialogs.question(QStringLiteral("Are you using the demo version?"),
                               QStringLiteral("Demo Version Check")))
        s.demoMode = 1;

    const bool demo = !s.demoMode.equals(0);
    QString answer = demo
                         ? m_ctx.dialogs.input(QStringLiteral("Where is the Vertz Demo installed?"),
                                               QStringLiteral("Vertz Demo Install Directory"),
                                               QString::fromLatin1(defaultDemoInstallDir))
                         : m_ctx.dialogs.input(QStringLiteral("Where is Vertz installed?"),
                                               QStringLiteral("Vertz Install Directory"),
                                               QString::fromLatin1(defaultFullInstallDir));
    if (answer.isEmpty())
        return false;
    if (!answer.endsWith(QLatin1Char('\\')))
        answer += QLatin1Char('\\');
    (demo ? s.demoInstallDir : s.fullInstallDir) = answer;
    s.gameRoot = answer;
    return true;
}

void frmMod::TabStrip1_Click()
{
    const ModSettings &s = m_ctx.settings;
    fraLevels->offerFor(s.isDemo());

    switch (TabStrip1->currentIndex() + 1) {
    case 1:
        bringToFront(fraBoard);
        break;
    case 2: {
        const auto showTrickRoot = [this](const QString &root) {
            if (fraTricks->showTrickRoot(root))
                return true;
            m_ctx.dialogs.message(
                QStringLiteral("Hey Vertz isn't installed there!"), QString::fromLatin1(errorTitle),
                QStringLiteral("The folder %1 does not exist.").arg(fraTricks->trickFolder(root)));
            return false;
        };
        if (!showTrickRoot(s.gameRoot))
            return;
        bringToFront(fraTricks);
        setPageSizes(true);
        showTrickRoot(s.isDemo() ? s.demoInstallDir : s.gameRoot);
        return;
    }
    case 3:
        fraLevels->lockModesWhileOff();
        bringToFront(fraLevels);
        break;
    case 4:
        fraDisplay->showStoredState();
        bringToFront(fraDisplay);
        break;
    default:
        return;
    }
    fraTricks->lower();
    setPageSizes(false);
}

QList<QGroupBox *> frmMod::pages() const
{
    return {fraBoard, fraTricks, fraLevels, fraDisplay};
}

void frmMod::bringToFront(QWidget *page)
{
    // Only the page in front is shown: the pages' captions and the window's
    // margins around the tab strip would otherwise show the pages behind.
    for (QGroupBox *p : pages())
        p->setVisible(p == page);
    page->raise();
}

void frmMod::setPageSizes(bool large)
{
    TabStrip1->resize(twips(large ? largeStripWidth : smallStripWidth),
                      twips(large ? largeStripHeight : smallStripHeight));
    const QSize frame = frameGeometry().size() - geometry().size();
    const int needHeight
        = menuBar()->sizeHint().height() + TabStrip1->height() + StatusBar1->height();
    setFixedSize(
        qMax(twips(large ? largeWindowWidth : smallWindowWidth) - frame.width(),
             TabStrip1->width()),
        qMax(twips(large ? largeWindowHeight : smallWindowHeight) - frame.height(), needHeight));
}

template <typename W> void frmMod::showSecondary(QPointer<QWidget> &window)
{
    // A closed window may still wait for its deletion; it is gone all the same.
    if (!window || !window->isVisible()) {
        window = new W(m_ctx);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->installEventFilter(this);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMod::mnuExit_Click()
{
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void frmMod::mnuOptions_Click()
{
    showSecondary<frmOptions>(m_options);
    // Options read the settings file again: what it says of MotoX goes on the page.
    fraLevels->showStoredState();
}

void frmMod::mnuModEx_Click()
{
    showSecondary<frmHelp>(m_help);
}

void frmMod::mnuAbout_Click()
{
    showSecondary<frmAbout>(m_about);
}

void frmMod::mnuGameFiles_Click()
{
    showSecondary<frmGameFiles>(m_gameFiles);
    connect(static_cast<frmGameFiles *>(m_gameFiles.data()), &frmGameFiles::restored, this,
            &frmMod::followRestore, Qt::UniqueConnection);
}

void frmMod::followRestore()
{
    reapplyStoredBoard();
    fraLevels->showStoredState();
    fraDisplay->showStoredState();
    // No backup is left to browse.
    if (fraTricks->restoreMode())
        fraTricks->cmdRestore_Click();
}
