#include "tests/DeliveredFiles.h"
#include "tests/TestSupport.h"

#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"
#include "settings/AppContext.h"

#include <QCheckBox>
#include <QtTest>

using display::Element;
using fixture::Variant;

Q_DECLARE_METATYPE(Variant)

namespace {
const QString images = QStringLiteral("Game\\data\\images\\PanelSprites\\");
const QString fonts = QStringLiteral("Game\\data\\fonts\\");

// The three elements as the player sees them.
struct Member {
    Element element;
    const char *box;
    QString folder;
    QString backup;
    const char *blank;
    QStringList bases;
    int fullLine; // of vertzmod.ini; the demo's is the next
};
const QString sprites = images + "panelspritesbackup\\";
const Member members[] = {
    {Element::Balance, "chkBalance", images, sprites, "blank.dat",
     QString("balancemeter|balancearrow_glow").split('|'), 8},
    {Element::Hud, "chkHud", images, sprites, "blank.dat",
     QString("score_small|specialbar_end|special|fakie_icon|nollie_icon|mini_score_HUD|"
             "switch_icon|specialbar")
         .split('|'),
     10},
    {Element::Font, "chkFont", fonts, fonts + "fontbackup\\", "blankfont.dat",
     QString("newtrickfont|small").split('|'), 12},
};
} // namespace

// Blanking and restoring the display elements: the file work alone and through
// the page's boxes, on fixture installs of both variants.
class TestDisplay : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    Variant m_variant = Variant::Full;
    QString m_game, m_other; // native install folders: in use, the other variant
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
    // Game files blank (removed) or the game's own, backups the game's own or gone.
    void verify(const Member &m, bool removed)
    {
        for (const QString &base : m.bases) {
            const QByteArray own = fixture::contentOf(m_variant, m.folder + name(m, base));
            QCOMPARE(readFile(native(m.folder + name(m, base))),
                     removed ? deliveredFile(m.blank) : own);
            QCOMPARE(readFile(native(m.backup + name(m, base))),
                     removed ? own : QByteArray("<missing>"));
        }
        // The image backup folder is shared and stays; the fonts' goes.
        if (!removed)
            QCOMPARE(QFileInfo(native(m.backup)).isDir(), m.element != Element::Font);
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
        setShown(m, true); // never removed: nothing changes
        verify(m, false);
        QCOMPARE(snapshot(m_game), vanilla);
        setShown(m, false);
        setShown(m, false); // keeps the first backups
        verify(m, true);
        setShown(m, true);
        verify(m, false);
        QCOMPARE(snapshot(m_game), vanilla);
    }

    void restoringOneImageKeepsTheOtherRemoved()
    {
        setShown(members[1], false);
        setShown(members[0], false);
        setShown(members[0], true);
        verify(members[0], false);
        verify(members[1], true);
    }

#ifdef Q_OS_UNIX
    void linksAreNotFollowed()
    {
        // A link among the font backups loses itself, not its target.
        setShown(members[2], false);
        const QString outside = m_bench->path("outside.fnt");
        QVERIFY(writeFile(outside, "not the game's"));
        QVERIFY(QFile::link(outside, native(members[2].backup) + "/link.fnt"));
        setShown(members[2], true);
        verify(members[2], false);
        QCOMPARE(readFile(outside), QByteArray("not the game's"));
        // A link in place of the image backup folder is refused.
        QVERIFY(QDir().mkpath(m_bench->path("elsewhere")));
        QVERIFY(QFile::link(m_bench->path("elsewhere"), native(images) + "/panelspritesbackup"));
        QVERIFY_THROWS_EXCEPTION(platform::FileError, setShown(members[1], false));
        QVERIFY(QDir(m_bench->path("elsewhere")).isEmpty());
    }
#endif

    void boxesFollowAndSaveTheVariant_data()
    {
        removeAndRestore_data();
    }
    void boxesFollowAndSaveTheVariant()
    {
        QFETCH(int, member);
        const Member &m = members[member];
        const auto otherVariant = snapshot(m_other);
        const int line = m.fullLine + demo();
        QList<int> numbers = {0, 0, demo(), 0, 0, 1, 1, 1, 1, 1, 1};
        numbers[line - 3] = 0; // stored removed in the variant in use
        TestBench::writeIni(TestBench::ini(fixture::gameRootOf(m_bench->path("full")),
                                           fixture::gameRootOf(m_bench->path("demo")), numbers));
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        loadSettings(m_ctx->settings, m_dialogs, {});
        m_page = std::make_unique<DisplayPage>(*m_ctx);
        m_page->show();
        m_page->showStoredState();
        for (const Member &each : members)
            QCOMPARE(box(each)->isChecked(), &each != &m);
        verify(m, true);

        click(box(m));
        verify(m, false);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 1 "));
        click(box(m));
        verify(m, true);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 0 "));
        QCOMPARE(TestBench::iniLine(m.fullLine + !demo()), QByteArray("1")); // as read
        QCOMPARE(snapshot(m_other), otherVariant);
        QVERIFY(m_dialogs.shown.isEmpty());

        // Without its blank file the click is told and undone; the game files stay.
        QVERIFY(QFile::remove(m.blank));
        click(box(m));
        const QByteArray ini = TestBench::readIni();
        click(box(m));
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error!"));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QVERIFY(m_dialogs.messages()[0].informative.contains(m.blank));
        QVERIFY(box(m)->isChecked());
        QCOMPARE(TestBench::readIni(), ini);
        for (const QString &base : m.bases) {
            QCOMPARE(readFile(native(m.folder + name(m, base))),
                     fixture::contentOf(m_variant, m.folder + name(m, base)));
        }
        // The next save still has the element shown.
        click(box(members[member == 2 ? 0 : 2]));
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 1 "));
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
