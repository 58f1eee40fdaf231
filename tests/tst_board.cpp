#include "tests/FaultInjection.h"
#include "tests/PageBench.h"

#include "mods/board/BoardPage.h"
#include "mods/board/BoardSwap.h"
#include "platform/FileSystem.h"
#include "ui/Look.h"

#include <QRadioButton>
#include <QScopeGuard>
#include <QStyle>
#include <QtTest>

using fixture::Variant;

// The Board page and its file work where the random test cannot go: the
// buttons' names and captions, unusable stored boards, swaps that cannot
// work. Clicks, marks, previews and files the random test follows.
class TestBoard : public QObject, PageBench<BoardPage> {
    Q_OBJECT

    // Loads settings whose board line reads stored and starts the page.
    void start(const QByteArray &stored)
    {
        writeSettings({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QList<QByteArray> lines = TestBench::readIni().split('\n');
        lines[2] = stored + '\r';
        TestBench::writeIni(lines.join('\n'));
        openPage();
        m_page->reapplyStored();
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench({Variant::Full, Variant::Demo}); }
    void cleanup() { tearDownBench(); }

    void buttonsNameTheGameBoards()
    {
        start("0");
        for (int i = 0; i < 6; ++i) {
            QRadioButton *b = m_page->Board[i];
            QCOMPARE(b->property("Tag").toString(), fixture::boardKeys()[i]);
            // Captions are never cut off: mark, a small gap and the text fit.
            const int need = b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + 2
                             + b->fontMetrics().horizontalAdvance(b->text());
            QVERIFY2(b->width() >= need, qPrintable(b->text()));
        }
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
        start(stored);
        QVERIFY(m_page->Board[0]->isChecked());
        QCOMPARE(TestBench::iniLine(3), QByteArray(" 0 "));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    // A board with a part missing, a game without its board folder, a disk
    // full at the third part, a board folder that cannot be written: the
    // swap fails and changes nothing.
    void swapsThatCannotWorkChangeNothing()
    {
        for (const Variant v : {Variant::Full, Variant::Demo}) {
            QVERIFY(QFile::remove(fixture::nativePathOf(
                installPath(v), fixture::boardFolder + fixture::boardFile(v, "banana", "col"))));
            const auto before = snapshot(installPath(v));
            platform::FileSystem fs;
            const auto swap = [&](const QString &root) {
                board::swapBoard(fs, fixture::gameRootOf(root), v == Variant::Demo, "banana");
            };
            QVERIFY_THROWS_EXCEPTION(platform::FileError, swap(installPath(v)));
            QVERIFY_THROWS_EXCEPTION(platform::FileError, swap(m_bench->path("none")));
            QVERIFY(!QFileInfo::exists(m_bench->path("none")));
            // Only the backups are new.
            auto now = snapshot(installPath(v));
            now.removeIf([](auto f) { return f.key().contains("boardbakup"); });
            QCOMPARE(now, before);
        }
        // A disk that fills, or cannot sync, at the third part: no part goes in.
        const QString root = fixture::gameRootOf(installPath(Variant::Full));
        for (const Faults::Step step : {Faults::Step::Write, Faults::Step::Sync}) {
            const auto before = snapshot(installPath(Variant::Full));
            Faults faults;
            faults.step = step;
            faults.failAt = 3;
            platform::FileSystem fs;
            fs.setFaultInjector(&faults);
            QVERIFY_THROWS_EXCEPTION(platform::FileError,
                                     board::swapBoard(fs, root, false, "hover"));
            QCOMPARE(faults.failed, 1);
            QCOMPARE(snapshot(installPath(Variant::Full)), before);
        }
#ifdef Q_OS_UNIX
        const QString models
            = fixture::nativePathOf(installPath(Variant::Full), fixture::boardFolder);
        QVERIFY(QDir(models + "/boardbakup").removeRecursively());
        const auto before = snapshot(installPath(Variant::Full));
        ScopedPermissions locked(models, ScopedPermissions::readOnly);
        AsPlainUser user;
        platform::FileSystem fs;
        QVERIFY_THROWS_EXCEPTION(
            platform::FileError,
            board::swapBoard(fs, fixture::gameRootOf(installPath(Variant::Full)), false, "hover"));
        QCOMPARE(snapshot(installPath(Variant::Full)), before);
#endif
    }

    // The program's board in the game with its backups lost and nothing
    // recorded of them: no backup is taken of it as the game's own.
    void aBoardWithoutItsBackupsIsNotBackedUp()
    {
        start("0");
        const QString root = fixture::gameRootOf(installPath(Variant::Full));
        board::swapBoard(m_ctx->files, root, false, "hover");
        QVERIFY(QDir(fixture::nativePathOf(installPath(Variant::Full),
                                           fixture::boardFolder + "boardbakup"))
                    .removeRecursively());
        gamestate::Change change(m_ctx->record, m_ctx->files, root, false,
                                 board::places(root, false, "banana"));
        QVERIFY(!change.admitted());
    }

    // A swap to a board never hashed, cut short between two parts as by a
    // kill: the record on disk knows each part that went in already.
    void aSwapCutShortLeavesNoPartUnknown()
    {
        start("0");
        Faults faults;
        faults.step = Faults::Step::Rename;
        faults.failAt = 3;
        m_ctx->files.setFaultInjector(&faults);
        const auto unset = qScopeGuard([&] { m_ctx->files.setFaultInjector(nullptr); });
        const QString root = fixture::gameRootOf(installPath(Variant::Full));
        gamestate::Change change(m_ctx->record, m_ctx->files, root, false,
                                 board::places(root, false, "hover"));
        QVERIFY(change.admitted());
        QVERIFY_THROWS_EXCEPTION(platform::FileError,
                                 board::swapBoard(m_ctx->files, root, false, "hover"));
        gamestate::Record saved;
        platform::FileSystem fs;
        QStringList states;
        for (const gamestate::FileStatus &f :
             saved.look(fs, root, false, {board::places(QString(), false), {}}))
            states << gamestate::stateWord(f.state);
        QCOMPARE(states.count("modded"), 2);
        QCOMPARE(states.count("original"), 3);
    }
};

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
