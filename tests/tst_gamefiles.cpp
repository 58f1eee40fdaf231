// The Game Files window on the real main window: what it lists after mods in
// both variants, and what Restore Everything asks and leaves.
#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"
#include "tests/MainWindowBench.h"

#include "app/GameFiles.h"
#include "mods/board/BoardPage.h"
#include "ui/Look.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>

using fixture::Variant;

class TestGameFiles : public QObject, MainWindowBench {
    Q_OBJECT

    QWidget *m_files = nullptr;

    QString install(Variant v) { return m_bench->path(v == Variant::Demo ? "demo" : "full"); }
    void copyTrick(Variant v, const QString &from, const QString &to)
    {
        clickTab(1);
        const QString anims = fixture::nativePathOf(install(v), "Game\\data\\anims");
        pointAt("Dir1", "File1", anims, from);
        pointAt("Dir2", "File2", anims, to);
        clickOn(control("cmdCopy"));
    }
    // File, Game Files…: the window, listed afresh.
    bool openGameFiles()
    {
        choose(m_window->mnuFile->menuAction(), m_window->mnuGameFiles);
        m_files = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmGameFiles" && w->isVisible())
                m_files = w;
        }
        return m_files && QTest::qWaitForWindowActive(m_files);
    }
    // "Group: file: state", as listed.
    QStringList listed()
    {
        QStringList lines;
        const QAbstractItemModel *rows = m_files->findChild<QTreeView *>("tvwFiles")->model();
        for (int g = 0; g < rows->rowCount(); ++g) {
            const QModelIndex group = rows->index(g, 0);
            for (int i = 0; i < rows->rowCount(group); ++i)
                lines << group.data().toString() + ": "
                             + rows->index(i, 0, group).data().toString().section('\\', -1) + ": "
                             + rows->index(i, 1, group).data().toString();
        }
        return lines;
    }
    QString summary() { return m_files->findChild<QLabel *>("lblSummary")->text(); }
    // Chooses the row of the file, as a click on it does.
    void chooseRow(const QString &name)
    {
        auto *tree = m_files->findChild<QTreeView *>("tvwFiles");
        const auto found = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, name,
                                                -1, Qt::MatchEndsWith | Qt::MatchRecursive);
        QVERIFY(found.size() == 1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualRect(found.first()).center());
    }
    void restoreEverything() { clickOn(m_files->findChild<QAbstractButton *>("cmdRestoreAll")); }
private slots:
    void initTestCase() { setUpLook(); }
    void init()
    {
        setUpBench();
        QVERIFY(copyDeliveredFiles());
        const QString full = m_bench->makeGame(Variant::Full, "full");
        const QString demo = m_bench->makeGame(Variant::Demo, "demo");
        TestBench::writeIni(TestBench::ini(full, demo, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QVERIFY(start());
    }
    void cleanup() { tearDownBench(); }

    void listsWhatIsModdedInBothVariants()
    {
        // Full game: a board, two tricks, the HUD, the MotoX level in luge mode.
        clickTab(0);
        QTest::mouseDClick(control("Board_3"), Qt::LeftButton);
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        copyTrick(Variant::Full, "heelflip.ska", "grind\\rail\\lipslide.ska");
        clickTab(3);
        clickOn(control("chkHud"));
        clickTab(2);
        clickOn(control("chkMotox"));
        QVERIFY(openGameFiles());
        QStringList want;
        for (const char *part : {"cas", "col", "skin", "tex", "usg"})
            want << QString("Board: board_default%1.dat: modded").arg(part);
        want << "Tricks: indy.ska: modded"
             << "Tricks: lipslide.ska: modded"
             << "Level: Motox_Scripts.qb: original"
             << "Level: gamemenu.qb: modded";
        for (const char *image : {"fakie_icon", "mini_score_HUD", "nollie_icon", "score_small",
                                  "specialbar_end", "specialbar", "special", "switch_icon"})
            want << QString("Display: %1img.dat: modded").arg(image);
        QCOMPARE(listed(), want);
        QCOMPARE(summary(), QString("16 files modded, backups good"));
        // Pointed at, a file names its backup.
        const QAbstractItemModel *rows = m_files->findChild<QTreeView *>("tvwFiles")->model();
        QVERIFY(rows->index(0, 0, rows->index(1, 0))
                    .data(Qt::ToolTipRole)
                    .toString()
                    .endsWith("\\trickbackup\\grab\\indy.ska"));

        // The demo, modded while the window stays open: board, a trick, the fonts.
        QVERIFY(openOptions());
        click("chkDemo");
        QVERIFY(leaveWith("cmdOK"));
        QTest::mouseDClick(control("Board_4"), Qt::LeftButton);
        copyTrick(Variant::Demo, "grind\\nosegrind.ska", "ollie.ska");
        clickTab(3);
        clickOn(control("chkFont"));
        QVERIFY(openGameFiles());
        QCOMPARE(listed().size(), 8);
        QCOMPARE(listed().filter("Display: ").join(", "),
                 QString("Display: newtrickfont.fnt.xbx: modded, Display: small.fnt.xbx: modded"));

        // Restore Everything: which files it puts back, byte for byte, and what
        // the pages and the settings file then show, the random test checks
        // after each time it runs.
        restoreEverything();
        QCOMPARE(m_dialogs.messages().last().text, QString("8 files restored."));
        // The board's backups stay, its files listed as original again.
        QCOMPARE(listed().filter(": original").size(), 5);
        QCOMPARE(listed().size(), 5);
        QCOMPARE(summary(), QString("Every file original, backups good"));
    }

    void changedAndDamagedFilesAreNotRestoredUnasked()
    {
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        copyTrick(Variant::Full, "heelflip.ska", "ollie.ska");
        clickTab(3);
        clickOn(control("chkHud"));
        // Behind the program's back: a game update changes one trick, a
        // disk fault one HUD backup.
        const QString ollie
            = fixture::nativePathOf(install(Variant::Full), "Game\\data\\anims\\ollie.ska");
        QVERIFY(writeFile(ollie, "updated by the game"));
        const QString special = fixture::nativePathOf(
            install(Variant::Full),
            "Game\\data\\images\\PanelSprites\\panelspritesbackup\\specialimg.dat");
        QVERIFY(writeFile(special, "bad sector"));
        QVERIFY(openGameFiles());
        QVERIFY(listed().contains("Tricks: ollie.ska: changed since"));
        QVERIFY(listed().contains("Display: specialimg.dat: backup damaged or missing"));
        QCOMPARE(summary(),
                 QString("8 files modded, 1 changed since, 1 backup damaged or missing"));

        // Asked about the changed trick and answering No leaves it; the HUD
        // is left whole, never restored from its damaged backup.
        m_dialogs.questionAnswers = {false};
        restoreEverything();
        QCOMPARE(m_dialogs.shown[m_dialogs.shown.size() - 2].kind, ScriptedDialogs::Kind::Question);
        const auto report = m_dialogs.messages().last();
        QCOMPARE(report.text, QString("1 file restored."));
        QVERIFY(report.informative.contains("ollie.ska")
                && report.informative.contains("specialimg.dat"));
        QCOMPARE(readFile(ollie), QByteArray("updated by the game"));
        QCOMPARE(readFile(special), QByteArray("bad sector"));
        QCOMPARE(readFile(fixture::nativePathOf(
                     install(Variant::Full), "Game\\data\\images\\PanelSprites\\specialimg.dat")),
                 deliveredFile("blank.dat"));
        QVERIFY(!control("chkHud")->isChecked());
        QCOMPARE(listed().size(), 14);
        QCOMPARE(listed()[5], QString("Tricks: ollie.ska: changed since"));

        // Yes puts the trick's original back.
        m_dialogs.questionAnswers = {true};
        restoreEverything();
        QCOMPARE(readFile(ollie),
                 fixture::contentOf(Variant::Full, "Game\\data\\anims\\ollie.ska"));
        QCOMPARE(listed().filter("Tricks"), QStringList());
    }

    // Cancel stops before the next unit; the emptied backup folders go, the deepest too.
    void cancelStopsBeforeTheNextUnit()
    {
        copyTrick(Variant::Full, "heelflip.ska", "grind\\rail\\lipslide.ska");
        clickTab(3);
        clickOn(control("chkHud"));
        // Cancel pressed as the HUD's turn comes, after the trick's.
        const auto untilHud
            = [](int, int, const QString &f) { return !f.contains("PanelSprites"); };
        QVERIFY(gamefiles::restoreEverything(*m_ctx, m_ctx->settings.gameRoot, false, untilHud)
                    .cancelled);
        QVERIFY(!QFileInfo::exists(fixture::nativePathOf(install(Variant::Full),
                                                         "Game\\data\\anims\\trickbackup\\grind")));
        QVERIFY(openGameFiles());
        QCOMPARE(summary(), QString("8 files modded, backups good"));
    }

    void aRecordRebuiltVouchesOnlyForWhatItKnows()
    {
        // A trick and the HUD modded, then a start that finds the record
        // gone: the HUD holds the blank file the program knows, the trick
        // what no record vouches for any more.
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        clickTab(3);
        clickOn(control("chkHud"));
        m_window.reset();
        QVERIFY(QFile::remove(install(Variant::Full) + "/vertzmod-tricks.rec")
                && QFile::remove(install(Variant::Full) + "/vertzmod-display.rec") && start());
        QVERIFY(openGameFiles());
        QCOMPARE(listed().filter("Tricks"), QStringList{"Tricks: indy.ska: changed since"});
        QCOMPARE(listed().filter(": modded").size(), 8);
        m_files->close();
        // A copy over it asks first, and No leaves it as it is.
        const QString indy
            = fixture::nativePathOf(install(Variant::Full), "Game\\data\\anims\\grab\\indy.ska");
        copyTrick(Variant::Full, "heelflip.ska", "grab\\indy.ska");
        QCOMPARE(m_dialogs.shown.last().kind, ScriptedDialogs::Kind::Question);
        QVERIFY(m_dialogs.shown.last().text.contains("grab\\indy.ska"));
        QCOMPARE(readFile(indy),
                 fixture::contentOf(Variant::Full, "Game\\data\\anims\\kickflip.ska"));
    }

    // Chosen files only: a game update kept as the game's own, with the
    // rest of its unit and its settings; one trick put back, the board not.
    void chosenFilesAreKeptOrRestored()
    {
        const QString full = install(Variant::Full);
        const QString menu = fixture::nativePathOf(full, "Game\\data\\scripts\\gamemenu.qb");
        const QString cas
            = fixture::nativePathOf(full, fixture::boardFolder + "board_defaultcas.dat");
        clickTab(0);
        QTest::mouseDClick(control("Board_3"), Qt::LeftButton);
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        clickTab(2);
        clickOn(control("optMotox_1"));
        clickOn(control("chkMotox"));
        QVERIFY(writeFile(menu, "patched menu"));
        QVERIFY(openGameFiles());
        chooseRow("gamemenu.qb");
        QVERIFY(m_files->findChild<QWidget *>("cmdKeep")->isEnabled());
        m_dialogs.questionAnswers = {true};
        clickOn(m_files->findChild<QWidget *>("cmdKeep"));
        QCOMPARE(readFile(menu), QByteArray("patched menu"));
        QCOMPARE(
            readFile(fixture::nativePathOf(full, "Game\\data\\levels\\Motox\\Motox_Scripts.qb")),
            fixture::contentOf(Variant::Full, "Game\\data\\levels\\Motox\\Motox_Scripts.qb"));
        QCOMPARE(listed().filter("Level: ").filter(": original").size(), 2);
        // The level's backups stay, now of the updated menu.
        QCOMPARE(readFile(fixture::nativePathOf(full,
                                                "Game\\data\\scripts\\scriptsbackup\\gamemenu.qb")),
                 QByteArray("patched menu"));
        QVERIFY(!qobject_cast<QCheckBox *>(control("chkMotox"))->isChecked());

        chooseRow("indy.ska");
        QVERIFY(!m_files->findChild<QWidget *>("cmdKeep")->isEnabled());
        clickOn(m_files->findChild<QWidget *>("cmdRestore"));
        QCOMPARE(m_dialogs.messages().last().text, QString("1 file restored."));
        QCOMPARE(listed().filter("Tricks"), QStringList());
        QCOMPARE(readFile(cas),
                 fixture::contentOf(Variant::Full, fixture::boardFolder + "board_longcas.dat"));
        // Both fonts updated and kept, chosen by their heading: no file of
        // theirs is left to restore, and the settings follow all the same.
        m_files->close();
        clickTab(3);
        clickOn(control("chkFont"));
        const QString font = fixture::nativePathOf(full, "Game\\data\\fonts\\smallfnt.dat");
        for (const QString name : {"smallfnt.dat", "newtrickfontfnt.dat"})
            QVERIFY(writeFile(fixture::nativePathOf(full, "Game\\data\\fonts\\" + name), "new"));
        QVERIFY(openGameFiles());
        chooseRow("Display");
        m_dialogs.questionAnswers = {true};
        clickOn(m_files->findChild<QWidget *>("cmdKeep"));
        QCOMPARE(listed().filter("Display"), QStringList());
        // Nothing mods the kept files again.
        m_files->close();
        m_window.reset();
        QVERIFY(start());
        QCOMPARE(readFile(menu), QByteArray("patched menu"));
        QCOMPARE(readFile(font), QByteArray("new"));
    }

    // Files put back whose settings could not say so would be modded again
    // at the next start: not done, and said so.
    void restoreWhoseSettingsCannotBeSavedIsNotDone()
    {
        clickTab(0);
        QTest::mouseDClick(control("Board_3"), Qt::LeftButton);
        clickTab(3);
        clickOn(control("chkHud"));
        QVERIFY(QFile::remove("vertzmod.ini") && QDir().mkdir("vertzmod.ini"));
        QVERIFY(openGameFiles());
        restoreEverything();
        QStringList reports;
        for (const auto &shown : m_dialogs.messages())
            reports << (shown.text.contains("restored") ? shown.text : QString());
        reports.removeAll(QString());
        QCOMPARE(reports, QStringList{"Error! Not every file could be restored."});
        const QString full = install(Variant::Full);
        QCOMPARE(
            readFile(fixture::nativePathOf(full, fixture::boardFolder + "board_defaultcas.dat")),
            fixture::contentOf(Variant::Full, fixture::boardFolder + "board_longcas.dat"));
        QCOMPARE(readFile(fixture::nativePathOf(
                     full, "Game\\data\\images\\PanelSprites\\specialimg.dat")),
                 deliveredFile("blank.dat"));
    }

    // Nothing the program did not write is written over on trust.
    void theGateLeavesWhatTheGameOrThePlayerChanged()
    {
        const QString full = install(Variant::Full);
        const QString cas
            = fixture::nativePathOf(full, fixture::boardFolder + "board_defaultcas.dat");
        const QString menu = fixture::nativePathOf(full, "Game\\data\\scripts\\gamemenu.qb");
        clickTab(0);
        QTest::mouseDClick(control("Board_3"), Qt::LeftButton);
        clickTab(2);
        clickOn(control("chkMotox"));
        // A game update replaces a board part and the level menu; Restore
        // Everything, answered No, leaves them.
        QVERIFY(writeFile(cas, "patched board") && writeFile(menu, "patched menu"));
        QVERIFY(openGameFiles());
        m_dialogs.questionAnswers = {false, false};
        restoreEverything();
        // No to "Decide for each" asks no more.
        QVERIFY(m_dialogs.shown[m_dialogs.shown.size() - 2].text.startsWith("Decide for each"));
        m_files->close();
        // Neither the next start nor a tab puts the mods back over them; the
        // status bar says so.
        m_window.reset();
        QVERIFY(start());
        clickTab(2);
        clickTab(0);
        QCOMPARE(readFile(cas), QByteArray("patched board"));
        QCOMPARE(readFile(menu), QByteArray("patched menu"));
        QVERIFY(m_window->StatusBar1->currentMessage().contains("Game Files"));
        // The page shows the board the files hold but for the changed part.
        QCOMPARE(m_window->fraBoard->appliedBoard(false), 3);
        // The player's own double click asks, naming the file.
        const qsizetype asked = m_dialogs.shown.size();
        QTest::mouseDClick(control("Board_2"), Qt::LeftButton);
        QCOMPARE(m_dialogs.shown.size(), asked + 1);
        QVERIFY(m_dialogs.shown.last().text.contains("board_defaultcas.dat"));
        QCOMPARE(readFile(cas), QByteArray("patched board"));
        m_dialogs.questionAnswers = {true};
        QTest::mouseDClick(control("Board_2"), Qt::LeftButton);
        QCOMPARE(readFile(cas),
                 fixture::contentOf(Variant::Full, fixture::boardFolder + "board_hovercas.dat"));
        // An update that brings the very part the player then puts in: the
        // file is the mod's from then on.
        QVERIFY(writeFile(
            cas, fixture::contentOf(Variant::Full, fixture::boardFolder + "board_bananacas.dat")));
        m_dialogs.questionAnswers = {true};
        QTest::mouseDClick(control("Board_1"), Qt::LeftButton);
        QVERIFY(openGameFiles());
        QVERIFY(listed().contains("Board: board_defaultcas.dat: modded"));
        m_files->close();

        // A damaged backup, then the backup folder deleted by hand: the HUD
        // is shown again neither from it nor from a copy of its blank files,
        // and the box keeps saying so.
        clickTab(3);
        clickOn(control("chkHud"));
        const QString sprites = fixture::nativePathOf(full, "Game\\data\\images\\PanelSprites");
        for (const bool deleted : {false, true}) {
            QVERIFY(deleted ? QDir(sprites + "/panelspritesbackup").removeRecursively()
                            : writeFile(sprites + "/panelspritesbackup/specialimg.dat", "bad"));
            clickOn(control("chkHud"));
            QVERIFY(!qobject_cast<QCheckBox *>(control("chkHud"))->isChecked());
            QCOMPARE(m_dialogs.messages().last().title, QString("OMG TEH ERROR"));
            QCOMPARE(readFile(sprites + "/specialimg.dat"), deliveredFile("blank.dat"));
        }
        QVERIFY(!QFileInfo::exists(sprites + "/panelspritesbackup/specialimg.dat"));
    }
};

QTEST_MAIN(TestGameFiles)
#include "tst_gamefiles.moc"
