#include "tests/PageBench.h"

#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"

#include <QCheckBox>
#include <QtTest>

using display::Element;
using fixture::Variant;

namespace {
const QString images = QStringLiteral("Game\\data\\images\\PanelSprites\\");
const QString fonts = QStringLiteral("Game\\data\\fonts\\");

// The three elements as the player sees them; kind spells the file names.
struct Member {
    Element element;
    const char *box, *kind, *blank;
    QString folder, backup;
    QStringList bases;
};
const Member members[] = {
    {Element::Balance, "chkBalance", "img", "blank.dat", images, images + "panelspritesbackup\\",
     QString("balancemeter|balancearrow_glow").split('|')},
    {Element::Hud, "chkHud", "img", "blank.dat", images, images + "panelspritesbackup\\",
     QString("score_small|specialbar_end|special|fakie_icon|nollie_icon|mini_score_HUD|"
             "switch_icon|specialbar")
         .split('|')},
    {Element::Font, "chkFont", "fnt", "blankfont.dat", fonts, fonts + "fontbackup\\",
     QString("newtrickfont|small").split('|')},
};
} // namespace

// Blanking and restoring the display elements: the file work alone and through
// the page's boxes, on fixture installs of both variants.
class TestDisplay : public QObject, PageBench<DisplayPage> {
    Q_OBJECT

    Variant m_variant = Variant::Full;
    QString m_game, m_root; // native install folder of the variant in use, its game root
    platform::FileSystem m_fs;

    bool demo() const { return m_variant == Variant::Demo; }
    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
    // A game file's name in the variant's spelling: "smallfnt.dat", "small.fnt.xbx".
    QString name(const Member &m, const QString &base) const
    {
        return base + (demo() ? "." : "") + m.kind + (demo() ? ".xbx" : ".dat");
    }
    QByteArray own(const Member &m, const QString &base) const
    {
        return fixture::contentOf(m_variant, m.folder + name(m, base));
    }
    // Game files blank (removed) or the game's own, backups the game's own or gone.
    void verify(const Member &m, bool removed)
    {
        for (const QString &base : m.bases) {
            QCOMPARE(readFile(native(m.folder + name(m, base))),
                     removed ? deliveredFile(m.blank) : own(m, base));
            QCOMPARE(readFile(native(m.backup + name(m, base))),
                     removed ? own(m, base) : QByteArray("<missing>"));
        }
        // The image backup folder is shared and stays; the fonts' goes.
        if (!removed)
            QCOMPARE(QFileInfo(native(m.backup)).isDir(), m.element != Element::Font);
    }
    // A run of the program: settings loaded, the page shown.
    void start()
    {
        openPage();
        m_page->showStoredState();
    }
    QCheckBox *box(const Member &m) { return m_page->findChild<QCheckBox *>(m.box); }
    void click(const Member &m) { clickOn(box(m)); }

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
        const Member &font = members[2];
        display::setShown(m_fs, m_root, demo(), font.element, false);
        const QString outside = m_bench->path("outside.fnt");
        QVERIFY(writeFile(outside, "not the game's"));
        QVERIFY(QFile::link(outside, native(font.backup) + "/link.fnt"));
        display::setShown(m_fs, m_root, demo(), font.element, true);
        verify(font, false);
        QCOMPARE(readFile(outside), QByteArray("not the game's"));
        // A link in place of the image backup folder is refused.
        QVERIFY(QDir().mkpath(m_bench->path("elsewhere")));
        QVERIFY(QFile::link(m_bench->path("elsewhere"), native(images) + "/panelspritesbackup"));
        QVERIFY_THROWS_EXCEPTION(platform::FileError,
                                 display::setShown(m_fs, m_root, demo(), Element::Hud, false));
        QVERIFY(QDir(m_bench->path("elsewhere")).isEmpty());
    }
#endif

    void removeAndRestore_data()
    {
        QTest::addColumn<int>("member");
        QTest::newRow("balance meter") << 0;
        QTest::newRow("HUD") << 1;
        QTest::newRow("fonts") << 2;
    }
    // Two elements stored removed, the game's files untouched: each run of the
    // program removes them (again), clicks restore and remove one of them.
    void removeAndRestore()
    {
        QFETCH(int, member);
        const Member &m = members[member], &other = members[(member + 1) % 3];
        const auto vanilla = snapshot(m_game);
        // Restoring what was never removed leaves the files as they were.
        display::setShown(m_fs, m_root, demo(), m.element, true);
        verify(m, false);
        QCOMPARE(snapshot(m_game), vanilla);

        // The element's line of vertzmod.ini, in the variant in use.
        const auto lineOf = [this](int member) { return 8 + 2 * member + demo(); };
        const int line = lineOf(member);
        QList<int> numbers = {0, 0, demo(), 0, 0, 1, 1, 1, 1, 1, 1}; // lines 3 to 13
        numbers[line - 3] = numbers[lineOf((member + 1) % 3) - 3] = 0;
        TestBench::writeIni(TestBench::ini(m_root, m_root, numbers));
        start();
        start(); // removing again keeps the first backups
        for (const Member &each : members)
            QCOMPARE(box(each)->isChecked(), &each != &m && &each != &other);
        verify(m, true);

        click(m);
        verify(m, false);
        verify(other, true); // its backups, maybe in the shared folder, stay
        click(m);
        verify(m, true);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 0 "));

        // Without its blank file the click is told and undone; the game files stay.
        QVERIFY(QFile::remove(m.blank));
        click(m);
        const QByteArray ini = TestBench::readIni();
        click(m);
        QCOMPARE(m_dialogs.messages().size(), 1);
        const auto message = m_dialogs.messages()[0];
        QCOMPARE(message.text, QString("Error!"));
        QCOMPARE(message.title, QString("OMG TEH ERROR"));
        QVERIFY(message.informative.contains(m.blank));
        QVERIFY(box(m)->isChecked());
        QCOMPARE(TestBench::readIni(), ini);
        for (const QString &base : m.bases)
            QCOMPARE(readFile(native(m.folder + name(m, base))), own(m, base));
        // The next save still has the element shown.
        click(other);
        QCOMPARE(TestBench::iniLine(line), QByteArray(" 1 "));
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
