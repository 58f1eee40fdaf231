// The Game Files window on the real main window: what it lists after mods in
// both variants, and Restore Everything back to a fresh install.
#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"
#include "tests/MainWindowBench.h"

#include "platform/Look.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

using fixture::Variant;

class TestGameFiles : public QObject, MainWindowBench {
    Q_OBJECT

    QWidget *m_files = nullptr;

    QString install(Variant v) { return m_bench->path(v == Variant::Demo ? "demo" : "full"); }
    template <typename T = QAbstractButton> T *control(QWidget *in, const char *name)
    {
        return in->findChild<T *>(QLatin1String(name));
    }
    void clickOn(QWidget *w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    }
    void copyTrick(Variant v, const QString &from, const QString &to)
    {
        clickTab(1);
        const QString anims = fixture::nativePathOf(install(v), "Game\\data\\anims");
        const auto pointAt = [&](const char *dir, const char *file, const QString &rel) {
            const QString sub = rel.section('\\', 0, -2).replace('\\', '/');
            control<QWidget>(m_window.get(), dir)
                ->setProperty("path",
                              QDir::toNativeSeparators(sub.isEmpty() ? anims : anims + '/' + sub));
            control<QWidget>(m_window.get(), file)->setProperty("fileName", rel.section('\\', -1));
        };
        pointAt("Dir1", "File1", from);
        pointAt("Dir2", "File2", to);
        clickOn(control(m_window.get(), "cmdCopy"));
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
        auto *tree = control<QTreeWidget>(m_files, "tvwFiles");
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            for (int i = 0; i < tree->topLevelItem(g)->childCount(); ++i) {
                const QTreeWidgetItem *item = tree->topLevelItem(g)->child(i);
                lines << tree->topLevelItem(g)->text(0) + ": " + item->text(0).section('\\', -1)
                             + ": " + item->text(1);
            }
        }
        return lines;
    }
    QString summary() { return control<QLabel>(m_files, "lblSummary")->text(); }
    void restoreEverything() { clickOn(control(m_files, "cmdRestoreAll")); }
    // Files of an install that differ from a fresh one, beside the backup
    // folders the program keeps.
    QStringList differences(Variant v)
    {
        const QString fresh = m_bench->path(v == Variant::Demo ? "fresh-demo" : "fresh-full");
        fixture::makeInstall(fresh, v);
        auto now = snapshot(install(v));
        now.removeIf([](auto f) {
            return QRegularExpression("/(boardbakup|scriptsbackup|motoxbackup)/")
                .match(f.key())
                .hasMatch();
        });
        const auto was = snapshot(fresh);
        QStringList differ;
        for (const QString &k : now.keys() + was.keys()) {
            if (now.value(k, "<none>") != was.value(k, "<none>"))
                differ << k;
        }
        QDirIterator folders(install(v), QDir::Dirs | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (folders.hasNext()) {
            const QString f = folders.next();
            if (f.contains("/trickbackup/") || f.endsWith("/fontbackup"))
                differ << f;
        }
        return differ;
    }

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

    void listsWhatIsModdedAndRestoresBothVariants()
    {
        // Full game: a board, two tricks, the HUD, the MotoX level in luge mode.
        clickTab(0);
        QTest::mouseDClick(control(m_window.get(), "Board_3"), Qt::LeftButton);
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        copyTrick(Variant::Full, "heelflip.ska", "grind\\rail\\lipslide.ska");
        clickTab(3);
        clickOn(control(m_window.get(), "chkHud"));
        clickTab(2);
        clickOn(control(m_window.get(), "chkMotox"));
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

        // The demo, modded while the window stays open: board, a trick, the fonts.
        QVERIFY(openOptions());
        click("chkDemo");
        QVERIFY(leaveWith("cmdOK"));
        QTest::mouseDClick(control(m_window.get(), "Board_4"), Qt::LeftButton);
        copyTrick(Variant::Demo, "grind\\nosegrind.ska", "ollie.ska");
        clickTab(3);
        clickOn(control(m_window.get(), "chkFont"));
        QVERIFY(openGameFiles());
        QCOMPARE(listed().size(), 8);
        QCOMPARE(listed().filter("Display: ").join(", "),
                 QString("Display: newtrickfont.fnt.xbx: modded, Display: small.fnt.xbx: modded"));

        // Restore Everything, in each variant in turn, gives fresh installs.
        for (const Variant v : {Variant::Demo, Variant::Full}) {
            restoreEverything();
            QCOMPARE(m_dialogs.messages().last().title, QString("Restore Everything"));
            QCOMPARE(m_dialogs.messages().last().text,
                     QString(v == Variant::Demo ? "8 files restored." : "16 files restored."));
            QCOMPARE(differences(v), QStringList());
            // The pages and the settings file say so too.
            QVERIFY(control(m_window.get(), "Board_0")->isChecked());
            QVERIFY(control(m_window.get(), "chkHud")->isChecked());
            QVERIFY(control(m_window.get(), "chkFont")->isChecked());
            // The level belongs to the full game alone.
            QCOMPARE(control(m_window.get(), "chkMotox")->isChecked(), v == Variant::Demo);
            QCOMPARE(TestBench::iniLine(v == Variant::Demo ? 4 : 3), QByteArray(" 0 "));
            QCOMPARE(summary(), QString("Every file original, backups good"));
            QVERIFY(openOptions());
            click("chkDemo");
            QVERIFY(leaveWith("cmdOK"));
            QVERIFY(openGameFiles());
        }
        QCOMPARE(TestBench::iniLine(6), QByteArray(" 0 "));
        QCOMPARE(TestBench::iniLine(10), QByteArray(" 1 "));
    }

    void changedAndDamagedFilesAreNotRestoredUnasked()
    {
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        copyTrick(Variant::Full, "heelflip.ska", "ollie.ska");
        clickTab(3);
        clickOn(control(m_window.get(), "chkHud"));
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
        QVERIFY(!control(m_window.get(), "chkHud")->isChecked());
        QCOMPARE(listed().size(), 14);
        QCOMPARE(listed()[5], QString("Tricks: ollie.ska: changed since"));

        // Yes puts the trick's original back.
        m_dialogs.questionAnswers = {true};
        restoreEverything();
        QCOMPARE(readFile(ollie),
                 fixture::contentOf(Variant::Full, "Game\\data\\anims\\ollie.ska"));
        QCOMPARE(listed().filter("Tricks"), QStringList());
    }

    void aRecordRebuiltKeepsWhatTheProgramPutThere()
    {
        // A trick modded, a start that finds the record gone, and a copy
        // over the trick that fails: it still holds what the program wrote.
        copyTrick(Variant::Full, "kickflip.ska", "grab\\indy.ska");
        m_window.reset();
        QVERIFY(QFile::remove("vertzmod-gamefiles.rec") && start());
        Faults faults;
        m_ctx->files.setFaultInjector(&faults);
        copyTrick(Variant::Full, "heelflip.ska", "grab\\indy.ska");
        faults.failAt = -1;
        QVERIFY(faults.failed > 0 && openGameFiles());
        QCOMPARE(listed().filter("Tricks"), QStringList{"Tricks: indy.ska: modded"});
    }
};

QTEST_MAIN(TestGameFiles)
#include "tst_gamefiles.moc"
