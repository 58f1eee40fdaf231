#include "tests/FaultInjection.h"
#include "tests/PageBench.h"

#include "mods/board/BoardPage.h"
#include "platform/Look.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

using fixture::Variant;

namespace {
const QColor applied(255, 192, 128);
const QColor selected(255, 128, 0);
} // namespace

// The Board page driven through its buttons, on fixture installs of both
// variants.
class TestBoardPage : public QObject, PageBench<BoardPage> {
    Q_OBJECT

    // Loads the settings and starts the page as start-up does.
    void start(int demoMode, QByteArray fullBoard, int demoBoard = 0)
    {
        writeSettings({0, demoBoard, demoMode, 0, 0, 1, 1, 1, 1, 1, 1});
        QList<QByteArray> lines = TestBench::readIni().split('\n');
        lines[2] = fullBoard + '\r';
        TestBench::writeIni(lines.join('\n'));
        openPage();
        m_page->resize(platform::twips(2775), platform::twips(3165));
        m_page->reapplyStored();
    }
    QRadioButton *button(int i)
    {
        return m_page->findChild<QRadioButton *>(QString("Board_%1").arg(i));
    }
    // The colour the button really shows, read off its pixels left of the mark.
    QColor colour(int i)
    {
        return button(i)->grab().toImage().pixelColor(2, button(i)->height() / 2);
    }
    int preview()
    {
        return m_page->findChild<QLabel *>("PicPreview")->property("imageNumber").toInt();
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench({Variant::Full, Variant::Demo}); }
    void cleanup() { tearDownBench(); }

    void buttonsNameTheGameBoards()
    {
        start(0, "0");
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(button(i)->property("Tag").toString(), fixture::boardKeys()[i]);
            // Captions are never cut off: mark, a small gap and the text fit.
            const int need = button(i)->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + 2
                             + button(i)->fontMetrics().horizontalAdvance(button(i)->text());
            QVERIFY2(button(i)->width() >= need, qPrintable(button(i)->text()));
            QCOMPARE(m_page->ilsPreview[i].size(), QSize(75, 190));
        }
    }

    void clicksMarkDoubleClicksApply_data()
    {
        QTest::addColumn<int>("demoMode");
        QTest::newRow("full game") << 0;
        QTest::newRow("demo") << 1;
    }
    // The start puts the stored board (3 for the variant in use) back in
    // place; clicks only mark a board, a double click applies it. What the
    // files and the settings file then hold the random test follows.
    void clicksMarkDoubleClicksApply()
    {
        QFETCH(int, demoMode);
        start(demoMode, demoMode ? "0" : "3", demoMode ? 3 : 0);
        QCOMPARE(preview(), 4);
        QVERIFY(button(3)->isChecked());
        QCOMPARE(colour(3), selected);

        const QByteArray ini = TestBench::readIni();
        QSignalSpy runs(m_page.get(), &BoardPage::boardSelected);
        QTest::mouseClick(button(1), Qt::LeftButton);
        QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(preview(), 4);
        QCOMPARE(colour(2), selected);
        QCOMPARE(colour(1), QApplication::palette().color(QPalette::Button));
        QCOMPARE(colour(3), applied);
        QCOMPARE(TestBench::readIni(), ini);
        // A click on the board already selected runs the handler too: once a click.
        QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(runs.size(), 3);
        // The applied board clicked shows selected, not applied.
        QTest::mouseClick(button(3), Qt::LeftButton);
        QCOMPARE(colour(3), selected);

        QTest::mouseDClick(button(5), Qt::LeftButton);
        QCOMPARE(preview(), 6);
        QVERIFY(button(5)->isChecked());
        QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(colour(5), applied);
        QCOMPARE(colour(3), QApplication::palette().color(QPalette::Button));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void failedSwapsTellAndChangeNothing()
    {
        start(0, "2");
        QVERIFY(QFile::remove(fixture::nativePathOf(m_bench->path("full"),
                                                    fixture::boardFolder + "board_bananacol.dat")));
        const QByteArray ini = TestBench::readIni();
        const auto before = snapshot(m_bench->path("full"));
        QTest::mouseDClick(button(1), Qt::LeftButton);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error! Directory not found."));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QVERIFY(m_dialogs.messages()[0].informative.contains("board_bananacol.dat"));
        QCOMPARE(TestBench::readIni(), ini);
        QCOMPARE(preview(), 3);
        QCOMPARE(snapshot(m_bench->path("full")), before);

        QTest::mouseDClick(button(3), Qt::LeftButton);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(preview(), 4);

        // A swap cut short after its first part puts the applied board back whole.
        const auto longboard = snapshot(m_bench->path("full"));
        Faults faults;
        faults.step = Faults::Step::Rename;
        faults.failAt = 2;
        m_ctx->files.setFaultInjector(&faults);
        QTest::mouseDClick(button(4), Qt::LeftButton);
        QCOMPARE(m_dialogs.messages().size(), 2);
        QCOMPARE(snapshot(m_bench->path("full")), longboard);
    }

    void unusableStoredBoardIsTheRegularDeck_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("one past the last") << QByteArray("6");
        QTest::newRow("negative") << QByteArray("-1");
        QTest::newRow("letters") << QByteArray("long");
    }
    void unusableStoredBoardIsTheRegularDeck()
    {
        QFETCH(QByteArray, stored);
        start(0, stored);
        QVERIFY(button(0)->isChecked());
        QCOMPARE(preview(), 1);
        QCOMPARE(TestBench::iniLine(3), QByteArray(" 0 "));
        QVERIFY(m_dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestBoardPage)
#include "tst_boardpage.moc"
