#include "tests/TestSupport.h"

#include "mods/board/BoardSwap.h"
#include "platform/FileSystem.h"

#include <QtTest>

using fixture::Variant;

// The board swap's file work on real fixture installs of both variants.
class TestBoard : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_game; // native install folder
    Variant m_variant = Variant::Full;
    platform::FileSystem m_fs;

    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
    QString board(const QString &key, const QString &part) const
    {
        return fixture::boardFolder + fixture::boardFile(m_variant, key, part);
    }
    QString backup(const QString &part) const
    {
        return fixture::boardFolder + "boardbakup\\"
               + fixture::boardFile(m_variant, "default", part);
    }
    void swap(const QString &key, const QString &game = {})
    {
        board::swapBoard(m_fs, fixture::gameRootOf(game.isEmpty() ? m_game : game),
                         m_variant == Variant::Demo, key);
    }
    // The game's board holds key's original files, and the backup the game's own.
    void verifyBoardAndBackup(const QString &key)
    {
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            QCOMPARE(readFile(native(board("default", part))),
                     fixture::contentOf(m_variant, board(key, part)));
            QCOMPARE(readFile(native(backup(part))),
                     fixture::contentOf(m_variant, board("default", part)));
        }
        QVERIFY(!QFileInfo::exists(native(fixture::boardFolder + "temp")));
    }

private slots:
    void initTestCase_data() { addVariantRows(); }
    void init()
    {
        QFETCH_GLOBAL(Variant, variant);
        m_variant = variant;
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path("game");
        fixture::makeInstall(m_game, m_variant);
    }
    void cleanup() { m_bench.reset(); }

    void swapsKeepTheFirstBackup()
    {
        const auto before = snapshot(m_game);
        swap("default"); // the regular deck first: only the backups come
        verifyBoardAndBackup("default");
        swap("oldschool");
        verifyBoardAndBackup("oldschool");
        swap("hover");
        swap("hover");
        verifyBoardAndBackup("hover");
        swap("default");
        verifyBoardAndBackup("default");
        // Besides the five backups, the game is as it was.
        QVERIFY(QDir(native(fixture::boardFolder + "boardbakup")).removeRecursively());
        QCOMPARE(snapshot(m_game), before);
    }

    void missingAlternativeLeavesTheGameBoard()
    {
        QVERIFY(QFile::remove(native(board("banana", "col"))));
        try {
            swap("banana");
            QFAIL("the swap did not fail");
        } catch (const platform::FileError &e) {
            QVERIFY(e.path().endsWith(fixture::boardFile(m_variant, "banana", "col")));
        }
        verifyBoardAndBackup("default");
    }

    void crashLeftoversAreMended()
    {
        // A staging folder with a staged file and a half copy, and a first
        // backup cut short after its first file.
        const QString temp = native(fixture::boardFolder + "temp");
        QVERIFY(QDir().mkpath(temp));
        QVERIFY(writeFile(temp + "/board_junk.dat", "x")
                && writeFile(temp + "/.vertz-0badc0de", ""));
        QVERIFY(QDir().mkpath(native(fixture::boardFolder + "boardbakup")));
        QVERIFY(writeFile(native(backup("cas")), "saved before the crash"));

        swap("ollie");
        QCOMPARE(readFile(native(backup("cas"))), QByteArray("saved before the crash"));
        QVERIFY(writeFile(native(backup("cas")),
                          fixture::contentOf(m_variant, board("default", "cas"))));
        verifyBoardAndBackup("ollie"); // the other four were saved from the game
    }

    void failuresChangeNothing()
    {
        const auto before = snapshot(m_bench->path(""));
        QVERIFY_THROWS_EXCEPTION(platform::FileError, swap("banana", m_bench->path("none")));
        QCOMPARE(snapshot(m_bench->path("")), before);
#ifdef Q_OS_UNIX
        ScopedPermissions locked(native(fixture::boardFolder), ScopedPermissions::readOnly);
        QVERIFY(locked.ok());
        {
            AsPlainUser user;
            QVERIFY_THROWS_EXCEPTION(platform::FileError, swap("banana"));
        }
        QCOMPARE(snapshot(m_bench->path("")), before);
#endif
    }
};

QTEST_GUILESS_MAIN(TestBoard)
#include "tst_board.moc"
