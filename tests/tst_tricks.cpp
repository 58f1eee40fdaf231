#include "tests/TestSupport.h"

#include "mods/tricks/TrickCopy.h"
#include "platform/FileSystem.h"

#include <QtTest>

using fixture::Variant;

Q_DECLARE_METATYPE(Variant)

// Trick copy and restore as plain file work on fixture installs of both variants.
class TestTricks : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_game, m_root; // native install folder, game root
    Variant m_variant = Variant::Full;
    platform::FileSystem m_fs;

    QByteArray now(const QString &rel) const
    {
        return readFile(fixture::nativePathOf(m_game, "Game\\data\\anims\\" + rel));
    }
    QByteArray game(const QString &rel) const
    {
        return fixture::contentOf(m_variant, "Game\\data\\anims\\" + rel);
    }

private slots:
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
        m_game = m_bench->path("game");
        fixture::makeInstall(m_game, m_variant);
        m_root = fixture::gameRootOf(m_game);
    }
    void cleanup() { m_bench.reset(); }

    void copyTwiceThenRestore_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::newRow("trick root") << ""
                                    << "kickflip.ska"
                                    << "ollie.ska";
        QTest::newRow("two levels down") << "grind/rail"
                                         << "lipslide.ska"
                                         << "boardslide.ska";
    }
    void copyTwiceThenRestore()
    {
        QFETCH(QString, folder);
        QFETCH(QString, x);
        QFETCH(QString, y);
        const QString dir = folder.isEmpty() ? "" : QString(folder).replace('/', '\\') + '\\';
        const auto vanilla = snapshot(m_game);
        tricks::copyTrick(m_fs, m_root, folder, x, folder, y);
        QCOMPARE(now(dir + y), game(dir + x));
        tricks::copyTrick(m_fs, m_root, "", "Pop Shove It.Ska", folder, y);
        QCOMPARE(now(dir + y), game("Pop Shove It.Ska"));
        QCOMPARE(now("trickbackup\\" + dir + y), game(dir + y));

        // A game file that went missing comes back too.
        QVERIFY(QFile::remove(fixture::nativePathOf(m_game, "Game\\data\\anims\\" + dir + y)));
        tricks::restoreTrick(m_fs, m_root, folder, y);
        QCOMPARE(snapshot(m_game), vanilla);
        QVERIFY(tricks::backupFolderIsEmpty(m_fs, m_root, folder));
    }

    void refusedCopiesChangeNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("named"); // in what the error says
        QTest::newRow("missing destination") << "ollie.ska"
                                             << "gone.ska"
                                             << "gone.ska";
#ifndef Q_OS_WIN
        QTest::newRow("backslash in a name") << "a\\b.ska"
                                             << "ollie.ska"
                                             << "backslash";
        QTest::newRow("backup folder is a link") << "kickflip.ska"
                                                 << "ollie.ska"
                                                 << "link";
#endif
    }
    void refusedCopiesChangeNothing()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, named);
        const QString anims = fixture::nativePathOf(m_game, "Game\\data\\anims");
#ifndef Q_OS_WIN
        // What the backslash would lead to exists, and must not be taken.
        QVERIFY(QDir().mkpath(anims + "/a") && writeFile(anims + "/a/b.ska", "b in a"));
        QVERIFY(writeFile(anims + "/a\\b.ska", "odd name"));
        const QString outside = m_bench->path("outside");
        QVERIFY(QDir().mkpath(outside));
        if (QString(QTest::currentDataTag()).contains("link"))
            QVERIFY(QFile::link(outside, anims + "/trickbackup"));
#endif
        const auto before = snapshot(m_game);
        try {
            tricks::copyTrick(m_fs, m_root, "", source, "", target);
            QFAIL("the copy went through");
        } catch (const platform::FileError &e) {
            QVERIFY2(e.describe().contains(named), qPrintable(e.describe()));
        }
        QCOMPARE(snapshot(m_game), before);
        QVERIFY(QDir(m_bench->path("outside")).isEmpty());
    }
};

QTEST_MAIN(TestTricks)
#include "tst_tricks.moc"
