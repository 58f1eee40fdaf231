#include "tests/PageBench.h"

#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"

#include <QCheckBox>
#include <QtTest>

using display::Element;
using fixture::Variant;

// Blanking and restoring the display elements where the random test cannot
// go: links in the backup folders and a missing blank file, on fixture
// installs of both variants.
class TestDisplay : public QObject, PageBench<DisplayPage> {
    Q_OBJECT

    Variant m_variant = Variant::Full;
    QString m_game,
        m_root; // native install folder of the variant in use, its game root
    platform::FileSystem m_fs;

    bool demo() const { return m_variant == Variant::Demo; }
    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }

private slots:
    void initTestCase() { setUpLook(); }
    void initTestCase_data() { addVariantRows(); }
    void init()
    {
        QFETCH_GLOBAL(Variant, variant);
        m_variant = variant;
        setUpBench({m_variant});
        m_game = installPath(m_variant);
        m_root = fixture::gameRootOf(m_game);
    }
    void cleanup() { tearDownBench(); }

#ifdef Q_OS_UNIX
    void linksAreNotFollowed()
    {
        // A link among the font backups loses itself, not its target.
        const auto vanilla = snapshot(m_game);
        display::setShown(m_fs, m_root, demo(), Element::Font, false);
        const QString outside = m_bench->path("outside.fnt");
        QVERIFY(writeFile(outside, "not the game's"));
        QVERIFY(QFile::link(outside, native("Game\\data\\fonts\\fontbackup") + "/link.fnt"));
        display::setShown(m_fs, m_root, demo(), Element::Font, true);
        QCOMPARE(snapshot(m_game), vanilla);
        QVERIFY(!QFileInfo::exists(native("Game\\data\\fonts\\fontbackup")));
        QCOMPARE(readFile(outside), QByteArray("not the game's"));
        // A link in place of the image backup folder is refused.
        QVERIFY(QDir().mkpath(m_bench->path("elsewhere")));
        QVERIFY(QFile::link(m_bench->path("elsewhere"),
                            native("Game\\data\\images\\PanelSprites") + "/panelspritesbackup"));
        QVERIFY_THROWS_EXCEPTION(platform::FileError,
                                 display::setShown(m_fs, m_root, demo(), Element::Hud, false));
        QVERIFY(QDir(m_bench->path("elsewhere")).isEmpty());
    }
#endif

    // Both variants may use one install: restoring the fonts of one keeps
    // the other's backups, and their folder.
    void fontRestoreKeepsTheOtherVariantsBackups()
    {
        fixture::makeInstall(m_game, demo() ? Variant::Full : Variant::Demo);
        const auto vanilla = snapshot(m_game);
        for (const bool shown : {false, true}) {
            display::setShown(m_fs, m_root, !demo(), Element::Font, shown);
            display::setShown(m_fs, m_root, demo(), Element::Font, shown);
        }
        QCOMPARE(snapshot(m_game), vanilla);
        QVERIFY(!QFileInfo::exists(native("Game\\data\\fonts\\fontbackup")));
    }

    void missingBlankFileIsTold_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("blank");
        QTest::newRow("balance meter") << "chkBalance"
                                       << "blank.dat";
        QTest::newRow("HUD") << "chkHud"
                             << "blank.dat";
        QTest::newRow("fonts") << "chkFont"
                               << "blankfont.dat";
    }
    // Without its blank file a click is told and undone: box, settings file
    // and game as they were.
    void missingBlankFileIsTold()
    {
        QFETCH(QString, box);
        QFETCH(QString, blank);
        writeSettings({0, 0, demo(), 0, 0, 1, 1, 1, 1, 1, 1});
        openPage();
        m_page->showStoredState();
        // In the program's spelling, which a failed click may write again.
        QVERIFY(m_ctx->saveSettings());
        const QByteArray ini = TestBench::readIni();
        const auto vanilla = snapshot(m_game);
        QVERIFY(QFile::remove(blank));
        clickOn(m_page->findChild<QCheckBox *>(box));
        QCOMPARE(m_dialogs.messages().size(), 1);
        const auto message = m_dialogs.messages()[0];
        QCOMPARE(message.text + " | " + message.title, QString("Error! | OMG TEH ERROR"));
        QVERIFY(message.informative.contains(blank));
        QVERIFY(m_page->findChild<QCheckBox *>(box)->isChecked());
        QCOMPARE(TestBench::readIni(), ini);
        QCOMPARE(snapshot(m_game), vanilla);
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
