#include "tests/MainWindowBench.h"

#include "app/frmMod.h"
#include "mods/board/BoardPage.h"
#include "mods/levels/LevelsPage.h"
#include "platform/Look.h"
#include "platform/Twips.h"
#include "platform/WorkingFolderLock.h"
#include "settings/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLockFile>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

using platform::twips;

// Finds a control by its name, failing the test (not the program) when it is missing.
#define FIND(var, Type, name)                                                                      \
    auto *var = m_window->findChild<Type *>(name);                                                 \
    QVERIFY2(var, name)

class TestMainWindow : public QObject, MainWindowBench {
    Q_OBJECT

    // Settings for a full game install in the bench and a demo folder that is no install.
    QString installFullGame(QList<int> numbers = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1})
    {
        const QString root = m_bench->makeGame(fixture::Variant::Full, "game");
        TestBench::writeIni(TestBench::ini(root, m_bench->path("nodemo\\"), numbers));
        return root;
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
    QSize outerSize() { return m_window->frameGeometry().size(); }
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

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench(); }
    void cleanup() { tearDownBench(); }

    void firstRun_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("input"); // title, prompt, default
        QTest::newRow("full game, typed without backslash")
            << false << "Vertz Rail Tour"
            << QStringList{"Vertz Install Directory", "Where is Vertz installed?",
                           "C:\\Program Files\\Harbrook\\Vertz Rail Tour\\"};
        QTest::newRow("demo, spaces and accents")
            << true << "Démo Führer/Vertz Demo"
            << QStringList{"Vertz Demo Install Directory", "Where is the Vertz Demo installed?",
                           "C:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\"};
    }
    void firstRun()
    {
        QFETCH(bool, demo);
        QFETCH(QString, folder);
        QFETCH(QStringList, input);
        const QString root
            = m_bench->makeGame(demo ? fixture::Variant::Demo : fixture::Variant::Full, folder);
        m_dialogs.questionAnswers = {demo};
        m_dialogs.inputAnswers = {demo ? root : root.chopped(1)};
        QVERIFY(load());

        QCOMPARE(m_dialogs.shown.size(), 2); // the board step found the game
        const auto &q = m_dialogs.shown[0], &in = m_dialogs.shown[1];
        QCOMPARE(q.kind, ScriptedDialogs::Kind::Question);
        QCOMPARE(QStringList({q.title, q.text}),
                 QStringList({"Demo Version Check", "Are you using the demo version?"}));
        QCOMPARE(in.kind, ScriptedDialogs::Kind::Input);
        QCOMPARE(QStringList({in.title, in.text, in.defaultText}), input);
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
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error! Directory not found."));
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
    }
    // A second copy ends before it touches anything; what a killed one left
    // is taken over (a killed one's lock: the random test's kills).
    void oneRunningCopyPerWorkingFolder()
    {
        QFETCH(QString, lock);
        QFETCH(QString, text);
        installFullGame();
        const QString name = platform::WorkingFolderLock::fileName;
        QLockFile running(name);
        QVERIFY(lock == "held"   ? running.tryLock()
                : lock == "link" ? QFile::link(m_bench->path("game"), name)
                                 : writeFile(name, ""));
        const auto work = snapshot("."), install = snapshot(m_bench->path("game"));
        QCOMPARE(load(), text.isEmpty());
        QCOMPARE(m_dialogs.messages().size(), text.isEmpty() ? 0 : 1);
        if (text.isEmpty())
            return;
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error!"));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QVERIFY2(m_dialogs.messages()[0].informative.contains(text),
                 qPrintable(m_dialogs.messages()[0].informative));
        QCOMPARE(snapshot("."), work);
        QCOMPARE(snapshot(m_bench->path("game")), install);
    }

    void damagedSettingsFileStartsWithoutQuestions()
    {
        TestBench::writeIni(QByteArray(10 * 1024 * 1024, 'x'));
        QVERIFY(start());
        // The junk became a folder that holds no game: the board step says so at
        // the start and again at the first activation, asking nothing.
        QCOMPARE(m_dialogs.messages().size(), 2);
        QCOMPARE(m_dialogs.shown.size(), 2);
        QVERIFY(TestBench::readIni().endsWith(" 1 \r\n 1 \r\n"));
    }

    void tabsBringTheirPageAndSize()
    {
        // Full game: balance 1, hud 0, font 1.
        installFullGame({0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0});
        QVERIFY(QFile::copy(VERTZ_DATA_DIR "/blank.dat", "blank.dat"));
        QVERIFY(start());
        QCOMPARE(frontPage(), QString("fraBoard"));
        // Of the nine pictures only the one on screen was read at start-up.
        QCOMPARE(m_window->fraBoard->ilsPreview.decodedCount()
                     + m_window->fraLevels->ilsMotox.decodedCount(),
                 1);
        clickTab(1);
        QCOMPARE(frontPage(), QString("fraTricks"));
        QCOMPARE(outerSize(), QSize(twips(6400), twips(6360)));
        const QString anims = QDir::toNativeSeparators(
            fixture::nativePathOf(m_bench->path("game"), "Game\\data\\anims"));
        FIND(dir1, QWidget, "Dir1");
        FIND(dir2, QWidget, "Dir2");
        QCOMPARE(dir1->property("path").toString(), anims);
        QCOMPARE(dir2->property("path").toString(), anims);
        clickTab(2);
        QCOMPARE(frontPage(), QString("fraLevels"));
        QCOMPARE(outerSize(), QSize(twips(2985), twips(4530)));

        // The display boxes show the variant in use; a second visit changes nothing.
        FIND(balance, QCheckBox, "chkBalance");
        FIND(hud, QCheckBox, "chkHud");
        FIND(font, QCheckBox, "chkFont");
        QSignalSpy hudToggles(hud, &QCheckBox::toggled);
        clickTab(3);
        QCOMPARE(frontPage(), QString("fraDisplay"));
        QVERIFY(balance->isChecked() && !hud->isChecked() && font->isChecked());
        // Nothing on a page is hidden by the status bar.
        FIND(label, QWidget, "Label1");
        FIND(status, QWidget, "StatusBar1");
        QVERIFY(label->mapTo(m_window.get(), QPoint(0, label->height())).y()
                <= status->geometry().top());
        clickTab(0);
        QCOMPARE(frontPage(), QString("fraBoard"));
        clickTab(3);
        QCOMPARE(hudToggles.size(), 1);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void tricksWithoutAnimsFolder()
    {
        installFullGame();
        QVERIFY(QDir(fixture::nativePathOf(m_bench->path("game"), "Game\\data\\anims"))
                    .removeRecursively());
        QVERIFY(start());
        const QSize before = outerSize();
        clickTab(1);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Hey Vertz isn't installed there!"));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QCOMPARE(m_window->TabStrip1->currentIndex(), 1);
        QCOMPARE(frontPage(), QString("fraBoard"));
        QCOMPARE(outerSize(), before);
    }

    void motoxOfferedInTheFullGameOnly_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<bool>("motox");
        QTest::newRow("demo, motox on") << true << true;
        QTest::newRow("full game, motox off") << false << false;
        QTest::newRow("full game, motox on keeps the buttons") << false << true;
    }
    // The check box in the full game only, its mode buttons only while the mod is on.
    void motoxOfferedInTheFullGameOnly()
    {
        QFETCH(bool, demo);
        QFETCH(bool, motox);
        installFullGame({0, 0, demo, motox, 0, 1, 1, 1, 1, 1, 1});
        for (const char *f : {"gamemenu.qb", "Motox_Scripts.qb"})
            QVERIFY(QFile::copy(QStringLiteral(VERTZ_DATA_DIR "/") + f, f));
        QVERIFY(start());
        FIND(chk, QCheckBox, "chkMotox");
        FIND(luge, QWidget, "optMotox_0");
        FIND(skate, QWidget, "optMotox_1");
        const QList<QWidget *> modes = {luge, skate};
        for (QWidget *mode : modes)
            mode->setEnabled(true); // as if enabled while the mod was on
        clickTab(2);
        QCOMPARE(chk->isEnabled(), !demo);
        QCOMPARE(chk->isChecked(), motox);
        for (QWidget *mode : modes)
            QCOMPARE(mode->isEnabled(), !demo && motox);
        for (const auto &m : m_dialogs.messages())
            QVERIFY(m.text != "Error!"); // only the board step may fail: no demo install here
    }

    void menuWindowsOpenOnceAndExitClosesAll()
    {
        installFullGame();
        QVERIFY(start());
        choose(m_window->mnuHelp->menuAction(), m_window->mnuAbout);
        choose(m_window->mnuHelp->menuAction(), m_window->mnuAbout);
        choose(m_window->mnuOptions);
        choose(m_window->mnuHelp->menuAction(), m_window->mnuModEx);
        const QStringList all = {"frmAbout", "frmHelp", "frmMod", "frmOptions"};
        QCOMPARE(shownWindows(), all);
        // A closed window comes back anew.
        for (QWidget *t : QApplication::topLevelWidgets()) {
            if (t->objectName() == QLatin1String("frmHelp"))
                t->close();
        }
        QTRY_COMPARE(shownWindows(), QStringList({"frmAbout", "frmMod", "frmOptions"}));
        choose(m_window->mnuHelp->menuAction(), m_window->mnuModEx);
        QCOMPARE(shownWindows(), all);
        choose(m_window->mnuFile->menuAction(), m_window->mnuExit);
        QVERIFY(shownWindows().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
