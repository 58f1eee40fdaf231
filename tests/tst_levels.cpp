#include "tests/PageBench.h"

#include "mods/levels/LevelsPage.h"
#include "platform/Look.h"

#include <QAbstractButton>
#include <QLabel>
#include <QtTest>

using fixture::Variant;

// The MotoX page driven by clicks and by loading the settings; what its
// clicks do to the game's scripts the random test follows.
class TestLevels : public QObject, PageBench<LevelsPage> {
    Q_OBJECT

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

    // Start-up shows the stored skating level; the player turns it off and on,
    // goes luging, fails to switch without the delivered scripts, and finds it
    // all as left after a restart.
    void clicksAndStartUp()
    {
        start(0, 1, 1);
        verifyPage(true, 1);
        click("chkMotox");
        verifyPage(false, 1);
        click("chkMotox"); // skating comes back without a further click
        verifyPage(true, 1);
        click("optMotox_0");
        verifyPage(true, 0);
        click("chkMotox"); // off again
        QVERIFY(m_dialogs.shown.isEmpty());

        // A failed click is told; page and settings stay as they were.
        QVERIFY(QFile::remove("gamemenu.qb") && QFile::remove("Motox_Scripts.qb"));
        const QByteArray off = TestBench::readIni();
        click("chkMotox");
        verifyPage(false, 0);
        QCOMPARE(TestBench::readIni(), off);
        QVERIFY(QFile::copy(VERTZ_DATA_DIR "/gamemenu.qb", "gamemenu.qb"));
        click("chkMotox");
        const QByteArray on = TestBench::readIni();
        click("optMotox_1");
        verifyPage(true, 0);
        QCOMPARE(TestBench::readIni(), on);
        const auto messages = m_dialogs.messages();
        QCOMPARE(messages.size(), 2);
        for (const auto &m : messages)
            QCOMPARE(m.text + " | " + m.title, QString("Error! | OMG TEH ERROR"));
        QVERIFY(messages[0].informative.contains("gamemenu.qb"));
        QVERIFY(messages[1].informative.contains("Motox_Scripts.qb"));

        restart();
        verifyPage(true, 0);
    }
};

QTEST_MAIN(TestLevels)
#include "tst_levels.moc"
