#include "tests/DeliveredFiles.h"
#include "tests/TestSupport.h"

#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"
#include "platform/Twips.h"
#include "settings/AppContext.h"

#include <QCheckBox>
#include <QtTest>

using display::Element;
using fixture::Variant;

Q_DECLARE_METATYPE(Variant)

namespace {
const QString images = QStringLiteral("Game\\data\\images\\PanelSprites\\");
const QString fonts = QStringLiteral("Game\\data\\fonts\\");

// The three elements as the player sees them, with their files' base names.
struct Member {
    Element element;
    const char *box;
    QString folder;
    QString backup;
    const char *blank;
    QStringList bases;
    int fullLine; // of vertzmod.ini; the demo's is the next
};
const Member members[] = {
    {Element::Balance,
     "chkBalance",
     images,
     images + "panelspritesbackup\\",
     "blank.dat",
     {"balancemeter", "balancearrow_glow"},
     8},
    {Element::Hud,
     "chkHud",
     images,
     images + "panelspritesbackup\\",
     "blank.dat",
     {"score_small", "specialbar_end", "special", "fakie_icon", "nollie_icon", "mini_score_HUD",
      "switch_icon", "specialbar"},
     10},
    {Element::Font,
     "chkFont",
     fonts,
     fonts + "fontbackup\\",
     "blankfont.dat",
     {"newtrickfont", "small"},
     12},
};
} // namespace

// Blanking and restoring the display elements: the file work alone and through
// the page's boxes, on fixture installs of both variants.
class TestDisplay : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    Variant m_variant = Variant::Full;
    QString m_game;  // native install folder of the variant in use
    QString m_other; // the other variant's
    platform::FileSystem m_fs;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<DisplayPage> m_page;

    bool demo() const { return m_variant == Variant::Demo; }
    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
    QString name(const Member &m, const QString &base) const
    {
        const bool image = m.element != Element::Font;
        return base
               + (demo() ? (image ? ".img.xbx" : ".fnt.xbx") : (image ? "img.dat" : "fnt.dat"));
    }
    void setShown(const Member &m, bool shown)
    {
        display::setShown(m_fs, fixture::gameRootOf(m_game), demo(), m.element, shown);
    }
    void verifyRemoved(const Member &m)
    {
        for (const QString &base : m.bases) {
            QCOMPARE(readFile(native(m.folder + name(m, base))), deliveredFile(m.blank));
            QCOMPARE(readFile(native(m.backup + name(m, base))),
                     fixture::contentOf(m_variant, m.folder + name(m, base)));
        }
    }
    // The game's own files are in place.
    void verifyOwn(const Member &m)
    {
        for (const QString &base : m.bases) {
            QCOMPARE(readFile(native(m.folder + name(m, base))),
                     fixture::contentOf(m_variant, m.folder + name(m, base)));
        }
    }
    void verifyShown(const Member &m)
    {
        verifyOwn(m);
        for (const QString &base : m.bases) {
            QVERIFY(!QFileInfo::exists(native(m.backup + name(m, base))));
        }
        // The image backup folder is shared and stays; the fonts' goes.
        QCOMPARE(QFileInfo(native(m.backup)).isDir(), m.element != Element::Font);
    }

    // The page as the main window shows it, over settings with these numbers
    // in lines 8 to 13.
    void startPage(QList<int> shown = {1, 1, 1, 1, 1, 1})
    {
        TestBench::writeIni(TestBench::ini(fixture::gameRootOf(m_bench->path("full")),
                                           fixture::gameRootOf(m_bench->path("demo")),
                                           QList<int>{0, 0, demo(), 0, 0} + shown));
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        loadSettings(m_ctx->settings, m_dialogs, {});
        m_page = std::make_unique<DisplayPage>(*m_ctx);
        m_page->resize(platform::twips(2775), platform::twips(3165));
        m_page->show();
        m_page->showStoredState();
    }
    QCheckBox *box(const Member &m) { return m_page->findChild<QCheckBox *>(m.box); }
    void click(QCheckBox *b)
    {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

private slots:
    void initTestCase() { setUpLook(); }
    void initTestCase_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::newRow("full game") << Variant::Full;
        QTest::newRow("demo") << Variant::Demo;
    }
    void init()
    {
        QFETCH_GLOBAL(Variant, variant);
        m_variant = variant;
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path(demo() ? "demo" : "full");
        m_other = m_bench->path(demo() ? "full" : "demo");
        fixture::makeInstall(m_game, m_variant);
        fixture::makeInstall(m_other, demo() ? Variant::Full : Variant::Demo);
        QVERIFY(copyDeliveredFiles());
        m_dialogs = ScriptedDialogs();
    }
    void cleanup()
    {
        m_page.reset();
        m_ctx.reset();
        m_bench.reset();
    }

    void removeAndRestore_data()
    {
        QTest::addColumn<int>("member");
        QTest::newRow("balance meter") << 0;
        QTest::newRow("HUD") << 1;
        QTest::newRow("fonts") << 2;
    }
    void removeAndRestore()
    {
        QFETCH(int, member);
        const Member &m = members[member];
        const auto vanilla = snapshot(m_game);
        // Restoring what was never removed changes nothing.
        setShown(m, true);
        verifyShown(m);
        QCOMPARE(snapshot(m_game), vanilla);
        // Removing twice keeps the first backups.
        setShown(m, false);
        verifyRemoved(m);
        setShown(m, false);
        verifyRemoved(m);
        setShown(m, true);
        verifyShown(m);
        QCOMPARE(snapshot(m_game), vanilla);
    }

    void restoringOneImageKeepsTheOtherRemoved()
    {
        setShown(members[1], false);
        setShown(members[0], false);
        setShown(members[0], true);
        verifyRemoved(members[1]);
        setShown(members[1], true);
        verifyShown(members[1]);
    }

    void missingBlankFileLeavesTheGameFile()
    {
        QVERIFY(QFile::remove("blankfont.dat"));
        try {
            setShown(members[2], false);
            QFAIL("no error");
        } catch (const platform::FileError &e) {
            QVERIFY(e.describe().contains("blankfont.dat"));
        }
        verifyOwn(members[2]);
    }

#ifdef Q_OS_UNIX
    void fontRestoreFollowsNoLink()
    {
        const Member &m = members[2];
        setShown(m, false);
        const QString outside = m_bench->path("outside.fnt");
        QVERIFY(writeFile(outside, "not the game's"));
        QVERIFY(QFile::link(outside, native(m.backup) + "/link.fnt"));
        setShown(m, true);
        verifyShown(m);
        QCOMPARE(readFile(outside), QByteArray("not the game's"));
    }

    void linkedBackupFolderIsRefused()
    {
        const QString outside = m_bench->path("elsewhere");
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(QFile::link(outside, native(images) + "/panelspritesbackup"));
        QVERIFY_THROWS_EXCEPTION(platform::FileError, setShown(members[1], false));
        QVERIFY(QDir(outside).isEmpty());
        verifyOwn(members[1]);
    }
#endif

    void boxesRemoveAndRestore_data()
    {
        removeAndRestore_data();
    }
    void boxesRemoveAndRestore()
    {
        QFETCH(int, member);
        const Member &m = members[member];
        const auto otherVariant = snapshot(m_other);
        startPage();
        const int line = m.fullLine + demo();
        const int otherLine = m.fullLine + !demo();
        click(box(m));
        QVERIFY(!box(m)->isChecked());
        verifyRemoved(m);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 0 "));
        click(box(m));
        verifyShown(m);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 1 "));
        QCOMPARE(TestBench::iniLine(otherLine), QByteArray("1")); // as read
        QCOMPARE(snapshot(m_other), otherVariant);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void storedRemovalIsApplied()
    {
        // HUD removed in the variant in use, the fonts in the other one.
        startPage(demo() ? QList<int>{1, 1, 1, 0, 0, 1} : QList<int>{1, 1, 0, 1, 1, 0});
        QVERIFY(box(members[0])->isChecked() && !box(members[1])->isChecked()
                && box(members[2])->isChecked());
        verifyRemoved(members[1]);
        verifyOwn(members[0]);
        verifyShown(members[2]);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void failedClickKeepsTheStoredState()
    {
        startPage();
        QVERIFY(QFile::remove("blank.dat"));
        const QByteArray ini = TestBench::readIni();
        click(box(members[1]));
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error!"));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QVERIFY(m_dialogs.messages()[0].informative.contains("blank.dat"));
        QVERIFY(box(members[1])->isChecked());
        QCOMPARE(TestBench::readIni(), ini);
        QVERIFY(m_ctx->settings.fullHudShown.equals(1) && m_ctx->settings.demoHudShown.equals(1));
        verifyOwn(members[1]);
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
