#include "tests/DeliveredFiles.h"
#include "tests/MainWindowBench.h"

#include "app/AppIdentity.h"
#include "app/frmMod.h"
#include "mods/board/BoardPage.h"
#include "mods/levels/LevelsPage.h"
#include "platform/WorkingFolderLock.h"
#include "ui/Look.h"
#include "ui/QtDialogs.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLockFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using fixture::Variant;
using ui::twips;

// The main window and the options dialog opened from its menu: the start,
// the pages and their sizes, the menu's windows, and when the window brings
// itself up to date. What the pages then show and do the random test follows.
class TestMainWindow : public QObject, MainWindowBench {
    Q_OBJECT

    QString m_full, m_demo; // game roots

    // Both installs, the delivered files, and a settings file with lines 3 to 13 as given.
    void install(QList<int> numbers = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1})
    {
        m_full = m_bench->makeGame(Variant::Full, "full");
        m_demo = m_bench->makeGame(Variant::Demo, "demo");
        TestBench::writeIni(TestBench::ini(m_full, m_demo, numbers));
        QVERIFY(copyDeliveredFiles());
    }
    // The page frame seen in the page area.
    QString frontPage()
    {
        QWidget *body = m_window->centralWidget();
        QWidget *hit = body->childAt(QPoint(twips(60) + 10, twips(360) + 40));
        while (hit && hit->parentWidget() != body)
            hit = hit->parentWidget();
        return hit ? hit->objectName() : QString();
    }
    // The names of the program's windows on screen, sorted.
    static QStringList shownWindows()
    {
        QStringList names;
        for (QWidget *t : QApplication::topLevelWidgets()) {
            if (t->isVisible())
                names << t->objectName();
        }
        names.sort();
        return names;
    }
    QPlainTextEdit *folderBox() { return m_dialog->findChild<QPlainTextEdit *>("txtVertzDir"); }
    void type(const QString &text)
    {
        QTest::keyClick(folderBox(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(folderBox(), Qt::Key_Delete);
        QTest::keyClicks(folderBox(), text);
    }
    QString shown() { return folderBox()->toPlainText(); }
    // The full game's first board file, and what board 3 puts there.
    QString cas()
    {
        return fixture::nativePathOf(m_bench->path("full"),
                                     fixture::boardFolder + "board_defaultcas.dat");
    }
    static QByteArray longCas()
    {
        return fixture::contentOf(Variant::Full, fixture::boardFolder + "board_longcas.dat");
    }
    // The game's own: a re-application may replace it, where a file changed
    // since would be left alone.
    static QByteArray ownCas()
    {
        return fixture::contentOf(Variant::Full, fixture::boardFolder + "board_defaultcas.dat");
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench(); }
    void cleanup()
    {
        delete m_dialog.data();
        tearDownBench();
    }

    void firstRun_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("input"); // title | prompt | default
        QTest::newRow("full game, typed without backslash")
            << false << "Vertz Rail Tour"
            << "Vertz Install Directory | Where is Vertz installed? | "
               "C:\\Program Files\\Harbrook\\Vertz Rail Tour\\";
        QTest::newRow("demo, spaces and accents")
            << true << "Démo Führer/Vertz Demo"
            << "Vertz Demo Install Directory | Where is the Vertz Demo installed? | "
               "C:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\";
    }
    void firstRun()
    {
        QFETCH(bool, demo);
        QFETCH(QString, folder);
        QFETCH(QString, input);
        const QString root = m_bench->makeGame(demo ? Variant::Demo : Variant::Full, folder);
        m_dialogs.questionAnswers = {demo};
        m_dialogs.inputAnswers = {demo ? root : root.chopped(1)};
        QVERIFY(load());
        QStringList asked; // and no message: the board step found the game
        for (const auto &d : m_dialogs.shown)
            asked << d.title + " | " + d.text
                         + (d.kind == ScriptedDialogs::Kind::Input ? " | " + d.defaultText : "");
        QCOMPARE(asked,
                 QStringList({"Demo Version Check | Are you using the demo version?", input}));
        // The board put back at the end of the start saved the answers.
        QCOMPARE(TestBench::iniLine(demo ? 2 : 1), root.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(demo ? " 1" : " 0"));
    }

    void firstRunEndsOrTellsWithoutWriting()
    {
        // Cancel ends the program before anything is written.
        m_dialogs.questionAnswers = {true};
        QVERIFY(!load());
        QCOMPARE(m_dialogs.shown.size(), 2);
        QVERIFY(QDir::current().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

        // A folder that holds no game: the board step says so and saves nothing.
        m_dialogs = ScriptedDialogs();
        m_dialogs.inputAnswers = {"/no/such/vertz"};
        QVERIFY(load());
        QCOMPARE(m_ctx->settings.fullInstallDir, QString("/no/such/vertz\\"));
        QCOMPARE(m_dialogs.said(), QStringList{"Error! Directory not found. | OMG TEH ERROR"});
        QCOMPARE(TestBench::readIni(), QByteArray("<missing>"));
    }

    void oneRunningCopyPerWorkingFolder_data()
    {
        QTest::addColumn<QString>("lock"); // what lies where the lock file goes
        QTest::addColumn<QString>("text"); // in the informative text; none: it starts
        QTest::newRow("held by a running copy") << "held"
                                                << "Vertz Mod Utility is already running:";
#ifdef Q_OS_UNIX // a link made on Windows is a shortcut file
        QTest::newRow("a link") << "link"
                                << "is a link;";
#endif
        QTest::newRow("left empty by a kill") << "empty"
                                              << "";
        QTest::newRow("left by a kill, with this run's number") << "ours"
                                                                << "";
        QTest::newRow("left by a kill as it removed a stale one") << "removing"
                                                                  << "";
    }
    // A second copy ends before it touches anything; what a killed one left
    // is taken over (a killed one's lock: the random test's kills).
    void oneRunningCopyPerWorkingFolder()
    {
        QFETCH(QString, lock);
        QFETCH(QString, text);
        install();
        const QString name = platform::WorkingFolderLock::fileName;
        QLockFile running(name);
        QByteArray left; // "ours": what a run with this process's number left
        if (lock == "ours" || lock == "removing") {
            QVERIFY(running.tryLock());
            left = readFile(name);
            running.unlock();
        }
        if (lock == "removing") {
            // Held by a run that has ended, killed as it made the lock under
            // which a stale one is removed: that one is left empty.
            QProcess ended;
            ended.start(QCoreApplication::applicationFilePath(), {"-functions"});
            QVERIFY(ended.waitForStarted());
            left = QByteArray::number(ended.processId()) + left.mid(left.indexOf('\n'));
            QVERIFY(ended.waitForFinished());
            QVERIFY(writeFile(name + ".rmlock", ""));
        }
        QVERIFY(lock == "held"   ? running.tryLock()
                : lock == "link" ? QFile::link(m_bench->path("full"), name)
                                 : writeFile(name, left));
        const auto work = snapshot("."), game = snapshot(m_bench->path("full"));
        QCOMPARE(load(), text.isEmpty());
        QCOMPARE(m_dialogs.said(),
                 text.isEmpty() ? QStringList() : QStringList{"Error! | OMG TEH ERROR"});
        if (text.isEmpty())
            return;
        QVERIFY2(m_dialogs.shown[0].informative.contains(text),
                 qPrintable(m_dialogs.shown[0].informative));
        QCOMPARE(snapshot("."), work);
        QCOMPARE(snapshot(m_bench->path("full")), game);
        if (lock != "held")
            return;
        // A copy in another working folder holds the install: this one starts and writes nothing.
        running.unlock();
        QLockFile other(m_bench->path("full") + '/' + name);
        QVERIFY(other.tryLock());
        QVERIFY(load());
        m_window->fraBoard->Board_DblClick(3);
        QCOMPARE(m_dialogs.said().size(), 3);
        QVERIFY(
            m_dialogs.shown[1].informative.contains(QString("(process %1) works on the install in")
                                                        .arg(QCoreApplication::applicationPid())));
        QCOMPARE(readFile(cas()), ownCas());
    }

    // What the random test cannot see of the tabs: only the picture on
    // screen is read at start-up, a second visit to the Display page sets no
    // box, the Tricks lists start at the trick root, and nothing on a page
    // lies under the status bar.
    void tabsSetWhatTheyMust()
    {
        install({0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0}); // full game: HUD hidden
        QVERIFY(start());
        QCOMPARE(m_window->fraBoard->ilsPreview.decodedCount()
                     + m_window->fraLevels->ilsMotox.decodedCount(),
                 1);
        // The start blanks the HUD stored as hidden (a run killed before its
        // files changed leaves it so); the tabs then change nothing.
        QCOMPARE(readFile(fixture::nativePathOf(
                     m_bench->path("full"), "Game\\data\\images\\PanelSprites\\specialimg.dat")),
                 readFile("blank.dat"));
        QSignalSpy hudToggles(control<QCheckBox>("chkHud"), &QCheckBox::toggled);
        for (const int tab : {1, 3, 0, 3})
            clickTab(tab);
        QCOMPARE(hudToggles.size(), 0);
        QVERIFY(!control<QCheckBox>("chkHud")->isChecked());
        const QString anims = QDir::toNativeSeparators(
            fixture::nativePathOf(m_bench->path("full"), "Game\\data\\anims"));
        QCOMPARE(control<QWidget>("Dir1")->property("path").toString(), anims);
        QCOMPARE(control<QWidget>("Dir2")->property("path").toString(), anims);
        QWidget *label = control<QWidget>("Label1");
        QVERIFY(label->mapTo(m_window.get(), QPoint(0, label->height())).y()
                <= control<QWidget>("StatusBar1")->geometry().top());
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void tricksWithoutAnimsFolder()
    {
        install();
        QVERIFY(QDir(fixture::nativePathOf(m_bench->path("full"), "Game\\data\\anims"))
                    .removeRecursively());
        QVERIFY(start());
        const QSize before = m_window->frameGeometry().size();
        clickTab(1);
        QCOMPARE(m_dialogs.said(), QStringList{"Hey Vertz isn't installed there! | OMG TEH ERROR"});
        QCOMPARE(m_window->TabStrip1->currentIndex(), 1);
        QCOMPARE(frontPage(), QString("fraBoard"));
        QCOMPARE(m_window->frameGeometry().size(), before);
        for (const char *list : {"Dir1", "File1", "Dir2", "File2"}) {
            const auto *view = control<QAbstractItemView>(list);
            QVERIFY(view->model() && view->model()->rowCount() == 0 && view->selectionModel());
        }
    }

    void menuWindowsOpenOnceAndExitClosesAll()
    {
        install();
        QVERIFY(start());
        choose(m_window->mnuHelp->menuAction(), m_window->mnuAbout);
        choose(m_window->mnuHelp->menuAction(), m_window->mnuAbout);
        choose(m_window->mnuOptions);
        choose(m_window->mnuHelp->menuAction(), m_window->mnuModEx);
        choose(m_window->mnuFile->menuAction(), m_window->mnuGameFiles);
        choose(m_window->mnuFile->menuAction(), m_window->mnuGameFiles);
        const QStringList all = {"frmAbout", "frmGameFiles", "frmHelp", "frmMod", "frmOptions"};
        QCOMPARE(shownWindows(), all);
        // A closed window comes back anew.
        for (QWidget *t : QApplication::topLevelWidgets()) {
            if (t->objectName() == QLatin1String("frmHelp"))
                t->close();
        }
        QTRY_COMPARE(shownWindows(),
                     QStringList({"frmAbout", "frmGameFiles", "frmMod", "frmOptions"}));
        choose(m_window->mnuHelp->menuAction(), m_window->mnuModEx);
        QCOMPARE(shownWindows(), all);
        // The menu bar's overflow arrow, made when first drawn, is the platform style's.
        const auto *arrow = m_window->menuBar()->findChild<QToolButton *>("qt_menubar_ext_button");
        const auto *style = qobject_cast<const QProxyStyle *>(QApplication::style());
        QVERIFY(arrow && style);
        QCOMPARE(arrow->icon().pixmap(16).toImage(),
                 style->baseStyle()
                     ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                     .pixmap(16)
                     .toImage());
        choose(m_window->mnuFile->menuAction(), m_window->mnuExit);
        QVERIFY(shownWindows().isEmpty());
    }

    // Each size of the window icon is its own picture, the sizes between
    // scaled down from the next larger one.
    void windowIconPictures()
    {
        setUpAppIdentity();
        const QIcon icon = QApplication::windowIcon();
        // A pixmap may hold its alpha premultiplied: compared as such, no
        // rounding tells them apart.
        const auto picture = [](const QImage &i) {
            return i.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        for (const int edge : {16, 256})
            QCOMPARE(picture(icon.pixmap(edge).toImage()),
                     picture(QImage(QString(":/icons/vertzmod-%1.png").arg(edge))));
        QCOMPARE(icon.pixmap(20).size(), QSize(20, 20));
    }

    // Back in the window, the Tricks lists show what is new in their folder,
    // and keep what they show when it has gone.
    void tricksListsFollowTheFolder()
    {
        install();
        QVERIFY(start());
        clickTab(1);
        const auto listed = [this](const char *list, const QString &name) {
            const QAbstractItemModel *model = control<QAbstractItemView>(list)->model();
            return !model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchContains)
                        .isEmpty();
        };
        const QString anims = fixture::nativePathOf(m_bench->path("full"), "Game\\data\\anims");
        QVERIFY(QDir(anims).mkdir("newtricks") && writeFile(anims + "/newtrick.ska", "new"));
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QVERIFY(listed("Dir1", "newtricks") && listed("File1", "newtrick.ska"));
        QVERIFY(QDir(anims).removeRecursively());
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QVERIFY(listed("Dir1", "newtricks") && listed("File1", "newtrick.ska"));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    // Restore mode left after a switch to the demo, which has no trick
    // backups: a copy goes where the lower list shows, not where the backup
    // list last led.
    void copyAfterSwitchInRestoreMode()
    {
        install();
        const auto in = [this](const char *v, const QString &rel) {
            return fixture::nativePathOf(m_bench->path(v), "Game\\data\\anims\\" + rel);
        };
        QVERIFY(QDir().mkpath(in("full", "trickbackup\\grab")));
        QVERIFY(
            QFile::copy(in("full", "grab\\indy.ska"), in("full", "trickbackup\\grab\\indy.ska")));
        QVERIFY(start());
        clickTab(1);
        clickOn(control("cmdRestore"));
        control<QWidget>("Dir1")->setProperty("path", in("full", "trickbackup\\grab"));
        QVERIFY(openOptions());
        click("chkDemo");
        QVERIFY(leaveWith("cmdOK"));
        clickOn(control("cmdRestore"));
        control<QWidget>("File1")->setProperty("fileName", "kickflip.ska");
        control<QWidget>("File2")->setProperty("fileName", "ollie.ska");
        clickOn(control("cmdCopy"));
        QCOMPARE(readFile(in("demo", "ollie.ska")),
                 fixture::contentOf(Variant::Demo, "Game\\data\\anims\\kickflip.ska"));
    }

    void optionsFolderTextAndClosing()
    {
        install();
        QVERIFY(start());
        QVERIFY(openOptions());
        const QPoint centre = m_dialog->screen()->geometry().center();
        QVERIFY((m_dialog->frameGeometry().center() - centre).manhattanLength() <= 2);
        QVERIFY(!m_dialog->findChild<QPushButton *>("cmdOK")->isDefault());

        // A line break would split the settings file's lines; a no-break space
        // stays; the last backslash comes on its own.
        type(QStringLiteral(u"D:\\Old\u00a0Games"));
        QTest::keyClick(folderBox(), Qt::Key_Return);
        QTest::keyClicks(folderBox(), "Vertz");
        click("cmdApply");
        const QByteArray typed = QStringLiteral(u"D:\\Old\u00a0GamesVertz\\").toLocal8Bit();
        QCOMPARE(TestBench::iniLine(1), typed);
        QCOMPARE(TestBench::iniLine(2), m_demo.toLocal8Bit());

        // Chosen again while open: the same dialog, not read again.
        type("unsaved");
        QPointer<QWidget> first = m_dialog;
        QVERIFY(openOptions());
        QCOMPARE(m_dialog, first);
        QCOMPARE(shown(), QString("unsaved"));
        QTest::keyClick(m_dialog, Qt::Key_Escape);
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(TestBench::iniLine(1), typed);

        // Every opening starts from the file; OK stores and closes, and stores
        // a folder the player left alone exactly as it was.
        const QString odd = QStringLiteral(u"E:\\Vertz\u00a0Rail\u2028Tour\\");
        TestBench::writeIni(TestBench::ini(odd, m_demo, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QVERIFY(openOptions());
        QVERIFY(shown().startsWith("E:\\Vertz"));
        QVERIFY(leaveWith("cmdOK"));
        QCOMPARE(platform::decodePath(TestBench::iniLine(1)), odd);
    }

    void refreshOnlyAfterOurWindowsAndTheFirstShow()
    {
        install({3, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(load());
        QCOMPARE(readFile(cas()), longCas());
        QVERIFY(writeFile(cas(), ownCas()));
        // Right after the show, before any activation, which a window system
        // may never send; and not again when it comes.
        m_window->show();
        QCOMPARE(readFile(cas()), longCas());
        QVERIFY(writeFile(cas(), ownCas()));
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(readFile(cas()), ownCas());

        // Back from one of our message boxes, as a window manager would.
        QVERIFY(writeFile(cas(), ownCas()));
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        ui::QtDialogs().message("Hello", "Vertz");
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(readFile(cas()), ownCas());

        // From the dialog away to another application, then back to the main window.
        QVERIFY(openOptions());
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(readFile(cas()), ownCas());

        // Straight from the dialog to the main window.
        m_dialog->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_dialog.data());
        m_window->activateWindow();
        QTRY_COMPARE(readFile(cas()), longCas());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
