#include "tests/PageBench.h"

#include "mods/levels/LevelsPage.h"
#include "mods/levels/MotoxMod.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"

#include <QAbstractButton>
#include <QLabel>
#include <QtTest>

using fixture::Variant;

namespace {
const QString menuScript = QStringLiteral("Game\\data\\scripts\\gamemenu.qb");
const QString levelScript = QStringLiteral("Game\\data\\levels\\Motox\\Motox_Scripts.qb");
} // namespace

// The MotoX level mod: its file work on a fixture install, and its page
// driven by clicks and by loading the settings.
class TestLevels : public QObject, PageBench<LevelsPage> {
    Q_OBJECT

    platform::FileSystem m_fs;

    QByteArray game(const QString &rel)
    {
        return readFile(fixture::nativePathOf(m_bench->path("full"), rel));
    }
    static QByteArray own(const QString &rel) { return fixture::contentOf(Variant::Full, rel); }
    void apply(bool on, bool skating)
    {
        levels::applyMotox(m_fs, fixture::gameRootOf(m_bench->path("full")), on, skating);
    }
    // Menu and level scripts the game's own or the delivered ones; the backups the game's own.
    void verifyScripts(bool menuReplaced, bool levelReplaced)
    {
        QCOMPARE(game(menuScript), menuReplaced ? deliveredFile("gamemenu.qb") : own(menuScript));
        QCOMPARE(game(levelScript),
                 levelReplaced ? deliveredFile("Motox_Scripts.qb") : own(levelScript));
        QCOMPARE(game("Game\\data\\scripts\\scriptsbackup\\gamemenu.qb"), own(menuScript));
        QCOMPARE(game("Game\\data\\levels\\Motox\\motoxbackup\\Motox_Scripts.qb"),
                 own(levelScript));
    }
    // A run of the program with these stored settings: demo, MotoX on, mode.
    void start(int demoMode, int motoxEnabled, int motoxMode)
    {
        writeSettings({0, 0, demoMode, motoxEnabled, motoxMode, 1, 1, 1, 1, 1, 1});
        restart();
    }
    void restart()
    {
        openPage([](LevelsPage &page) { page.showStoredState(); });
    }
    QAbstractButton *button(const char *name) { return m_page->findChild<QAbstractButton *>(name); }
    void click(const char *name) { clickOn(button(name)); }
    // What the page shows: box, selected mode, buttons usable, picture and frame.
    void verifyPage(bool on, int mode)
    {
        QCOMPARE(button("chkMotox")->isChecked(), on);
        QVERIFY(button(mode ? "optMotox_1" : "optMotox_0")->isChecked());
        QCOMPARE(button("optMotox_0")->isEnabled(), on);
        QCOMPARE(button("optMotox_1")->isEnabled(), on);
        auto *img = m_page->findChild<QLabel *>("imgMotox");
        QCOMPARE(img->pixmap().toImage(),
                 QPixmap(QStringLiteral(":/motox%1.png").arg(on ? mode + 1 : 3)).toImage());
        QCOMPARE(img->frameWidth() > 0, on);
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench({Variant::Full, Variant::Demo}); }
    void cleanup() { tearDownBench(); }

    void cyclesKeepTheGameScripts()
    {
        apply(false, false); // off before ever on: backed up, nothing changed
        verifyScripts(false, false);
        apply(true, true);
        apply(true, true);
        verifyScripts(true, true);
        apply(false, false); // luge leaves the level script alone
        verifyScripts(false, true);
    }

    // Start-up applies the stored skating level; the player turns it off and on,
    // goes luging, fails to switch without the delivered scripts, and finds it
    // all as left after a restart.
    void clicksAndStartUp()
    {
        start(0, 1, 1);
        verifyPage(true, 1);
        verifyScripts(true, true);
        click("chkMotox");
        verifyPage(false, 1);
        verifyScripts(false, false);
        click("chkMotox"); // skating comes back without a further click
        verifyPage(true, 1);
        verifyScripts(true, true);
        click("optMotox_0");
        verifyPage(true, 0);
        verifyScripts(true, false);
        click("chkMotox"); // off again
        QVERIFY(m_dialogs.shown.isEmpty());

        // A failed click is told; page, settings and game stay as they were.
        QVERIFY(QFile::remove("gamemenu.qb") && QFile::remove("Motox_Scripts.qb"));
        const QByteArray off = TestBench::readIni();
        click("chkMotox");
        verifyPage(false, 0);
        QCOMPARE(TestBench::readIni(), off);
        QCOMPARE(game(menuScript), own(menuScript));
        QVERIFY(m_ctx->settings.motoxEnabled.equals(0));
        QVERIFY(QFile::copy(VERTZ_DATA_DIR "/gamemenu.qb", "gamemenu.qb"));
        click("chkMotox");
        const QByteArray on = TestBench::readIni();
        click("optMotox_1");
        verifyPage(true, 0);
        QCOMPARE(TestBench::readIni(), on);
        QVERIFY(m_ctx->settings.motoxMode.equals(0));
        QCOMPARE(game(levelScript), own(levelScript));
        const auto messages = m_dialogs.messages();
        QCOMPARE(messages.size(), 2);
        for (const auto &m : messages)
            QCOMPARE(m.text + " | " + m.title, QString("Error! | OMG TEH ERROR"));
        QVERIFY(messages[0].informative.contains("gamemenu.qb"));
        QVERIFY(messages[1].informative.contains("Motox_Scripts.qb"));

        restart();
        verifyPage(true, 0);
        verifyScripts(true, false);
    }

    void demoFilesAreNeverTouched()
    {
        const auto demo = snapshot(m_bench->path("demo"));
        start(1, 1, 1);
        verifyPage(true, 1);
        click("chkMotox");
        QCOMPARE(TestBench::iniLine(6), QByteArray(" 0 "));
        QCOMPARE(snapshot(m_bench->path("demo")), demo);
        QVERIFY(m_dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestLevels)
#include "tst_levels.moc"
