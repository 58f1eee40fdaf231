#include "tests/TestSupport.h"

#include "mods/board/BoardPage.h"
#include "platform/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

using platform::ScriptedDialogs;
using platform::twips;

namespace {

template <typename T> T *find(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// The page frame seen at a point of the page area.
QString frontPage(frmMod *w)
{
    QWidget *body = w->centralWidget();
    QWidget *hit = body->childAt(QPoint(twips(60) + 10, twips(360) + 40));
    while (hit && hit->parentWidget() != body)
        hit = hit->parentWidget();
    return hit ? hit->objectName() : QString();
}

QSize outerSize(frmMod *w)
{
    return w->frameGeometry().size();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpLook(); }

    void firstRunFullGame()
    {
        TestBench bench;
        const QString root
            = bench.makeGame(fixture::Variant::Full, QStringLiteral("Vertz Rail Tour"));
        QString typed = root;
        typed.chop(1); // the trailing backslash is added for the player
        Program p;
        p.dialogs.questionAnswers = {false};
        p.dialogs.inputAnswers = {typed};
        QVERIFY(p.window->Form_Load());

        QCOMPARE(p.dialogs.shown.size(), 2);
        const auto &q = p.dialogs.shown[0];
        QCOMPARE(q.kind, ScriptedDialogs::Kind::Question);
        QCOMPARE(q.title, QStringLiteral("Demo Version Check"));
        QCOMPARE(q.text, QStringLiteral("Are you using the demo version?"));
        const auto &in = p.dialogs.shown[1];
        QCOMPARE(in.kind, ScriptedDialogs::Kind::Input);
        QCOMPARE(in.title, QStringLiteral("Vertz Install Directory"));
        QCOMPARE(in.text, QStringLiteral("Where is Vertz installed?"));
        QCOMPARE(in.defaultText, QStringLiteral("C:\\Program Files\\Harbrook\\Vertz Rail Tour\\"));

        QCOMPARE(p.ctx.settings.fullInstallDir, root);
        QCOMPARE(p.ctx.settings.gameRoot, root);
        // The board put back at the end of the start saved the answers.
        const QByteArray ini = TestBench::readIni();
        QVERIFY(ini.startsWith(root.toLocal8Bit()
                               + "\r\nC:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\\r\n"
                                 " 0 \r\n 0 \r\n 0\r\n"));
    }

    void firstRunDemoWithSpacesAndAccents()
    {
        TestBench bench;
        const QString root
            = bench.makeGame(fixture::Variant::Demo, QStringLiteral("Démo Führer/Vertz Demo"));
        Program p;
        p.dialogs.questionAnswers = {true};
        p.dialogs.inputAnswers = {root};
        QVERIFY(p.window->Form_Load());
        const auto &in = p.dialogs.shown[1];
        QCOMPARE(in.title, QStringLiteral("Vertz Demo Install Directory"));
        QCOMPARE(in.text, QStringLiteral("Where is the Vertz Demo installed?"));
        QCOMPARE(in.defaultText,
                 QStringLiteral("C:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\"));
        QCOMPARE(p.ctx.settings.demoInstallDir, root); // already ended in a backslash
        QVERIFY(p.ctx.settings.isDemo());
        QVERIFY(p.dialogs.messages().isEmpty());
        ModSettings reread;
        ScriptedDialogs quiet;
        loadSettings(reread, quiet, {});
        QCOMPARE(reread.demoInstallDir, root);
        QCOMPARE(reread.gameRoot, root);
    }

    void firstRunWithWrongFolderWritesNothing()
    {
        TestBench bench;
        Program p;
        p.dialogs.questionAnswers = {false};
        p.dialogs.inputAnswers = {QStringLiteral("/no/such/vertz")};
        QVERIFY(p.window->Form_Load());
        QCOMPARE(p.ctx.settings.fullInstallDir, QStringLiteral("/no/such/vertz\\"));
        QCOMPARE(p.dialogs.messages().size(), 1);
        QCOMPARE(p.dialogs.messages().first().text, QStringLiteral("Error! Directory not found."));
        QCOMPARE(TestBench::readIni(), QByteArray("<missing>"));
    }

    void cancelEndsTheProgram_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::newRow("full game") << false;
        QTest::newRow("demo") << true;
    }
    void cancelEndsTheProgram()
    {
        QFETCH(bool, demo);
        TestBench bench;
        Program p;
        p.dialogs.questionAnswers = {demo};
        // no input answer queued: Cancel
        QVERIFY(!p.window->Form_Load());
        QCOMPARE(p.dialogs.shown.size(), 2);
        QVERIFY(p.dialogs.messages().isEmpty());
        QVERIFY(QDir::current().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void emptySettingsFileAsksNothing()
    {
        TestBench bench;
        TestBench::writeIni(QByteArray());
        Program p;
        QVERIFY(p.window->Form_Load());
        QVERIFY(p.dialogs.questionAnswers.isEmpty());
        QCOMPARE(p.dialogs.shown.size(), 1); // only the board step, at the default folder
        QCOMPARE(p.dialogs.shown.first().kind, ScriptedDialogs::Kind::Message);
        QCOMPARE(p.ctx.settings.gameRoot, QString::fromLatin1(defaultFullInstallDir));
        QVERIFY(!p.ctx.settings.isDemo());
    }

    void junkSettingsFileStillStarts()
    {
        TestBench bench;
        TestBench::writeIni(QByteArray(10 * 1024 * 1024, 'x'));
        Program p;
        QVERIFY(p.loadAndShow());
        // The junk became a folder that holds no game: the board step says so, once.
        QCOMPARE(p.dialogs.messages().size(), 1);
        QVERIFY(TestBench::readIni().endsWith(" 1 \r\n 1 \r\n"));
    }

    void tabSwitchingSizesAndPages()
    {
        TestBench bench;
        const QString root = bench.makeGame(fixture::Variant::Full, QStringLiteral("game"));
        TestBench::writeIni(
            TestBench::ini(root, QStringLiteral("x\\"), {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        Program p;
        frmMod *w = p.window.get();
        QVERIFY(p.loadAndShow());
        auto *tabs = find<QTabWidget>(w, "TabStrip1");
        QCOMPARE(frontPage(w), QStringLiteral("fraBoard"));

        tabs->setCurrentIndex(1);
        QCOMPARE(frontPage(w), QStringLiteral("fraTricks"));
        QCOMPARE(outerSize(w), QSize(twips(6400), twips(6360)));
        QCOMPARE(tabs->size(), QSize(twips(6300), twips(5400)));
        const QString anims = QDir::toNativeSeparators(fixture::nativePathOf(
            bench.path(QStringLiteral("game")), QStringLiteral("Game\\data\\anims")));
        QCOMPARE(find<QWidget>(w, "Dir1")->property("path").toString(), anims);
        QCOMPARE(find<QWidget>(w, "Dir2")->property("path").toString(), anims);

        tabs->setCurrentIndex(0);
        QCOMPARE(frontPage(w), QStringLiteral("fraBoard"));
        QCOMPARE(outerSize(w), QSize(twips(2985), twips(4530)));
        QCOMPARE(tabs->size(), QSize(twips(2895), twips(3585)));

        tabs->setCurrentIndex(2);
        QCOMPARE(frontPage(w), QStringLiteral("fraLevels"));
        QCOMPARE(outerSize(w), QSize(twips(2985), twips(4530)));
        tabs->setCurrentIndex(3);
        QCOMPARE(frontPage(w), QStringLiteral("fraDisplay"));
        // Nothing on the page may be cut off by the status bar.
        auto *label = find<QLabel>(w, "Label1");
        const QPoint bottom = label->mapTo(w, QPoint(0, label->height()));
        QVERIFY(bottom.y() <= find<QStatusBar>(w, "StatusBar1")->geometry().top());
        QVERIFY(p.dialogs.messages().isEmpty());
    }

    void tricksWithoutAnimsFolder()
    {
        TestBench bench;
        const QString root = bench.makeGame(fixture::Variant::Full, QStringLiteral("game"));
        const QString anims = fixture::nativePathOf(bench.path(QStringLiteral("game")),
                                                    QStringLiteral("Game\\data\\anims"));
        QVERIFY(QDir(anims).removeRecursively());
        QVERIFY(!QFileInfo::exists(anims));
        TestBench::writeIni(
            TestBench::ini(root, QStringLiteral("x\\"), {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        Program p;
        frmMod *w = p.window.get();
        QVERIFY(p.loadAndShow());
        auto *tabs = find<QTabWidget>(w, "TabStrip1");
        const QSize before = outerSize(w);
        tabs->setCurrentIndex(1);
        QCOMPARE(p.dialogs.messages().size(), 1);
        QCOMPARE(p.dialogs.messages().first().text,
                 QStringLiteral("Hey Vertz isn't installed there!"));
        QCOMPARE(p.dialogs.messages().first().title, QStringLiteral("OMG TEH ERROR"));
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(frontPage(w), QStringLiteral("fraBoard"));
        QCOMPARE(outerSize(w), before);
        tabs->setCurrentIndex(0);
        QCOMPARE(frontPage(w), QStringLiteral("fraBoard"));
        QCOMPARE(outerSize(w), QSize(twips(2985), twips(4530)));
        QCOMPARE(p.dialogs.messages().size(), 1);
    }

    void motoxAvailability_data()
    {
        QTest::addColumn<int>("demoMode");
        QTest::addColumn<int>("motoxEnabled");
        QTest::addColumn<bool>("chkEnabled");
        QTest::addColumn<bool>("optEnabled");
        QTest::newRow("demo, motox on") << 1 << 1 << false << false;
        QTest::newRow("demo, motox off") << 1 << 0 << false << false;
        QTest::newRow("full game, motox off") << 0 << 0 << true << false;
        QTest::newRow("full game, motox on keeps the buttons") << 0 << 1 << true << true;
    }
    void motoxAvailability()
    {
        QFETCH(int, demoMode);
        QFETCH(int, motoxEnabled);
        QFETCH(bool, chkEnabled);
        QFETCH(bool, optEnabled);
        TestBench bench;
        TestBench::writeIni(TestBench::ini(bench.path(QStringLiteral("nofull\\")),
                                           bench.path(QStringLiteral("nodemo\\")),
                                           {0, 0, demoMode, motoxEnabled, 0, 1, 1, 1, 1, 1, 1}));
        Program p;
        frmMod *w = p.window.get();
        QVERIFY(w->Form_Load());
        // Stands for the MotoX buttons having been enabled while the mod is on.
        find<QRadioButton>(w, "optMotox_0")->setEnabled(true);
        find<QRadioButton>(w, "optMotox_1")->setEnabled(true);
        find<QTabWidget>(w, "TabStrip1")->setCurrentIndex(2);
        QCOMPARE(find<QCheckBox>(w, "chkMotox")->isEnabled(), chkEnabled);
        QCOMPARE(find<QRadioButton>(w, "optMotox_0")->isEnabled(), optEnabled);
        QCOMPARE(find<QRadioButton>(w, "optMotox_1")->isEnabled(), optEnabled);
        QCOMPARE(find<QCheckBox>(w, "chkMotox")->isChecked(), motoxEnabled == 1);
    }

    void displayBoxesFollowTheVariant()
    {
        TestBench bench;
        // full: balance 1, hud 0, font 1; demo: balance 0, hud 1, font 0
        TestBench::writeIni(TestBench::ini(bench.path(QStringLiteral("f\\")),
                                           bench.path(QStringLiteral("d\\")),
                                           {0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0}));
        Program p;
        frmMod *w = p.window.get();
        QVERIFY(w->Form_Load());
        auto *tabs = find<QTabWidget>(w, "TabStrip1");
        auto *balance = find<QCheckBox>(w, "chkBalance");
        auto *hud = find<QCheckBox>(w, "chkHud");
        auto *font = find<QCheckBox>(w, "chkFont");
        QSignalSpy hudToggles(hud, &QCheckBox::toggled);
        tabs->setCurrentIndex(3);
        QVERIFY(balance->isChecked() && !hud->isChecked() && font->isChecked());
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(3);
        QCOMPARE(hudToggles.size(), 1); // the second visit changes nothing

        p.ctx.settings.demoMode = 1;
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(3);
        QVERIFY(!balance->isChecked() && hud->isChecked() && !font->isChecked());
    }

    void menuWindowsOpenOnceAndExitClosesAll()
    {
        TestBench bench;
        Program p;
        frmMod *w = p.window.get();
        w->show();
        find<QAction>(w, "mnuAbout")->trigger();
        find<QAction>(w, "mnuAbout")->trigger();
        find<QAction>(w, "mnuOptions")->trigger();
        find<QAction>(w, "mnuModEx")->trigger();
        const auto top = [](const char *name) {
            int n = 0;
            for (QWidget *t : QApplication::topLevelWidgets())
                n += t->objectName() == QLatin1String(name) && t->isVisible();
            return n;
        };
        QCOMPARE(top("frmAbout"), 1);
        QCOMPARE(top("frmOptions"), 1);
        QCOMPARE(top("frmHelp"), 1);
        for (QWidget *t : QApplication::topLevelWidgets()) {
            if (t->objectName() == QLatin1String("frmHelp"))
                t->close();
        }
        QTest::qWait(0);
        find<QAction>(w, "mnuModEx")->trigger();
        QCOMPARE(top("frmHelp"), 1);
        find<QAction>(w, "mnuExit")->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(top("frmAbout") + top("frmOptions") + top("frmHelp"), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
