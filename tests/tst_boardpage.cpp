#include "tests/TestSupport.h"

#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardPage.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QtTest>

using fixture::Variant;

namespace {

const QColor applied(255, 192, 128);
const QColor selected(255, 128, 0);

QRadioButton *boardButton(QWidget *w, int i)
{
    return w->findChild<QRadioButton *>(QStringLiteral("Board_%1").arg(i));
}

// The colour the button really shows, read off its pixels left of the mark.
QColor colourOf(QWidget *w, int i)
{
    QRadioButton *b = boardButton(w, i);
    return b->grab().toImage().pixelColor(2, b->height() / 2);
}

int previewImage(QWidget *w)
{
    return w->findChild<QLabel *>(QStringLiteral("PicPreview"))->property("imageNumber").toInt();
}

// Line n (1-based) of the settings file.
QByteArray iniLine(int n)
{
    return TestBench::readIni().split('\n').value(n - 1).chopped(1);
}

QByteArray gameBoardCas(const QString &nativeRoot, Variant v)
{
    QFile f(fixture::nativePathOf(nativeRoot, QStringLiteral("Game\\Data\\models\\Skater_m\\")
                                                  + board::boardFileName(QStringLiteral("default"),
                                                                         QStringLiteral("cas"),
                                                                         v == Variant::Demo)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray originalCas(Variant v, const QString &key)
{
    return fixture::contentOf(
        v, QStringLiteral("Game\\Data\\models\\Skater_m\\")
               + board::boardFileName(key, QStringLiteral("cas"), v == Variant::Demo));
}

} // namespace

// The Board page driven through its buttons on the real main window.
class TestBoardPage : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    std::unique_ptr<Program> m_program;
    QString m_full, m_demo; // native roots

    frmMod *start(int demoMode, int fullBoard, int demoBoard)
    {
        TestBench::writeIni(
            TestBench::ini(fixture::gameRootOf(m_full), fixture::gameRootOf(m_demo),
                           {fullBoard, demoBoard, demoMode, 0, 0, 1, 1, 1, 1, 1, 1}));
        m_program = std::make_unique<Program>();
        return m_program->loadAndShow() ? m_program->window.get() : nullptr;
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_full = m_bench->path(QStringLiteral("full"));
        m_demo = m_bench->path(QStringLiteral("demo"));
        fixture::makeInstall(m_full, Variant::Full);
        fixture::makeInstall(m_demo, Variant::Demo);
    }
    void cleanup()
    {
        m_program.reset();
        m_bench.reset();
    }

    void catalogueOnThePage()
    {
        frmMod *w = start(0, 0, 0);
        QVERIFY(w);
        const QStringList keys
            = {QStringLiteral("default"), QStringLiteral("banana"), QStringLiteral("hover"),
               QStringLiteral("long"),    QStringLiteral("ollie"),  QStringLiteral("oldschool")};
        for (int i = 0; i < 6; ++i) {
            QRadioButton *b = boardButton(w, i);
            QCOMPARE(b->property("Tag").toString(), keys[i]);
            // Captions are never cut off: mark, a small gap and the text fit.
            const int need = b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b)
                             + 2 + b->fontMetrics().horizontalAdvance(b->text());
            QVERIFY2(b->width() >= need, qPrintable(b->text()));
            QVERIFY(!w->fraBoard->ilsPreview[i].isNull());
            QCOMPARE(w->fraBoard->ilsPreview[i].size(), QSize(75, 190));
        }
    }

    void startUpAppliesTheStoredBoard()
    {
        frmMod *w = start(0, 3, 5);
        QVERIFY(w);
        QCOMPARE(previewImage(w), 4);
        QVERIFY(boardButton(w, 3)->isChecked());
        QCOMPARE(colourOf(w, 3), selected);
        QCOMPARE(gameBoardCas(m_full, Variant::Full),
                 originalCas(Variant::Full, QStringLiteral("long")));
        // The demo is not the variant in use: its files stay as they were.
        QCOMPARE(gameBoardCas(m_demo, Variant::Demo),
                 originalCas(Variant::Demo, QStringLiteral("default")));
        QCOMPARE(iniLine(3), QByteArray(" 3 "));
        QCOMPARE(iniLine(4), QByteArray("5"));
        QVERIFY(m_program->dialogs.shown.isEmpty());
    }

    void clicksMarkWithoutApplying()
    {
        frmMod *w = start(0, 0, 0);
        QVERIFY(w);
        const QByteArray iniBefore = TestBench::readIni();
        QTest::mouseClick(boardButton(w, 1), Qt::LeftButton);
        QTest::mouseClick(boardButton(w, 2), Qt::LeftButton);
        QCOMPARE(previewImage(w), 1);
        QCOMPARE(colourOf(w, 2), selected);
        QCOMPARE(colourOf(w, 1), QApplication::palette().color(QPalette::Button));
        QCOMPARE(colourOf(w, 0), applied);
        QCOMPARE(m_program->ctx.settings.fullBoard.toNumber(), std::optional<int>(2));
        QCOMPARE(TestBench::readIni(), iniBefore); // a click saves nothing
        QCOMPARE(gameBoardCas(m_full, Variant::Full),
                 originalCas(Variant::Full, QStringLiteral("default")));

        // A click on the applied board shows it selected, not applied.
        QTest::mouseClick(boardButton(w, 0), Qt::LeftButton);
        QCOMPARE(colourOf(w, 0), selected);
        QCOMPARE(colourOf(w, 2), QApplication::palette().color(QPalette::Button));
    }

    void clickOnTheSelectedBoardRunsOnce()
    {
        frmMod *w = start(0, 0, 0);
        QVERIFY(w);
        QTest::mouseClick(boardButton(w, 4), Qt::LeftButton);
        // Set the selection aside in memory: a click on the selected button must
        // still store it, exactly once per click.
        m_program->ctx.settings.fullBoard = 1;
        QTest::mouseClick(boardButton(w, 4), Qt::LeftButton);
        QCOMPARE(m_program->ctx.settings.fullBoard.toNumber(), std::optional<int>(4));
    }

    void doubleClickApplies_data()
    {
        QTest::addColumn<int>("demoMode");
        QTest::newRow("full game") << 0;
        QTest::newRow("demo") << 1;
    }
    void doubleClickApplies()
    {
        QFETCH(int, demoMode);
        const Variant v = demoMode ? Variant::Demo : Variant::Full;
        frmMod *w = start(demoMode, 0, 0);
        QVERIFY(w);
        QTest::mouseDClick(boardButton(w, 5), Qt::LeftButton);
        QCOMPARE(previewImage(w), 6);
        QVERIFY(boardButton(w, 5)->isChecked());
        QCOMPARE(colourOf(w, 5), selected);
        QCOMPARE(colourOf(w, 0), QApplication::palette().color(QPalette::Button));
        QCOMPARE(gameBoardCas(demoMode ? m_demo : m_full, v),
                 originalCas(v, QStringLiteral("oldschool")));
        QCOMPARE(gameBoardCas(demoMode ? m_full : m_demo, demoMode ? Variant::Full : Variant::Demo),
                 originalCas(demoMode ? Variant::Full : Variant::Demo, QStringLiteral("default")));
        // Only the variant's own line changes in the settings file.
        QCOMPARE(iniLine(demoMode ? 4 : 3), QByteArray(" 5 "));
        QCOMPARE(iniLine(demoMode ? 3 : 4), QByteArray("0")); // as read
        QCOMPARE(w->fraBoard->appliedBoard(demoMode == 1), 5);
        QCOMPARE(w->fraBoard->appliedBoard(demoMode != 1), 0);

        // Then a click elsewhere keeps the applied board's light orange.
        QTest::mouseClick(boardButton(w, 2), Qt::LeftButton);
        QCOMPARE(colourOf(w, 5), applied);
        QCOMPARE(previewImage(w), 6);
        QVERIFY(m_program->dialogs.shown.isEmpty());
    }

    void failedSwapTellsAndSavesNothing()
    {
        frmMod *w = start(0, 2, 0);
        QVERIFY(w);
        QCOMPARE(previewImage(w), 3);
        QVERIFY(QFile::remove(fixture::nativePathOf(
            m_full, QStringLiteral("Game\\Data\\models\\Skater_m\\board_bananacol.dat"))));
        const QByteArray iniBefore = TestBench::readIni();
        QTest::mouseDClick(boardButton(w, 1), Qt::LeftButton);

        const auto messages = m_program->dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Error! Directory not found."));
        QCOMPARE(messages[0].title, QStringLiteral("OMG TEH ERROR"));
        QVERIFY(messages[0].informative.contains(QLatin1String("board_bananacol.dat")));
        QCOMPARE(TestBench::readIni(), iniBefore);
        QCOMPARE(previewImage(w), 3);
        QCOMPARE(w->fraBoard->appliedBoard(false), 2);
        QCOMPARE(gameBoardCas(m_full, Variant::Full),
                 originalCas(Variant::Full, QStringLiteral("hover")));
        QVERIFY(!QFileInfo::exists(
            fixture::nativePathOf(m_full, QStringLiteral("Game\\Data\\models\\Skater_m\\temp"))));

        QTest::mouseDClick(boardButton(w, 3), Qt::LeftButton);
        QCOMPARE(m_program->dialogs.messages().size(), 1);
        QCOMPARE(previewImage(w), 4);
        QCOMPARE(iniLine(3), QByteArray(" 3 "));
    }

    void unusableStoredBoardFallsBackToRegularDeck_data()
    {
        QTest::addColumn<QByteArray>("line3");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("out of range") << QByteArray("9");
        QTest::newRow("negative") << QByteArray("-1");
        QTest::newRow("letters") << QByteArray("long");
    }
    void unusableStoredBoardFallsBackToRegularDeck()
    {
        QFETCH(QByteArray, line3);
        QByteArray ini = TestBench::ini(fixture::gameRootOf(m_full), fixture::gameRootOf(m_demo),
                                        {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QList<QByteArray> lines = ini.split('\n');
        lines[2] = line3 + '\r';
        TestBench::writeIni(lines.join('\n'));
        Program p;
        QVERIFY(p.window->Form_Load());
        QVERIFY(boardButton(p.window.get(), 0)->isChecked());
        QCOMPARE(previewImage(p.window.get()), 1);
        QCOMPARE(iniLine(3), QByteArray(" 0 "));
        QVERIFY(p.dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestBoardPage)
#include "tst_boardpage.moc"
