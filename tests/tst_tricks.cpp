#include "tests/TestSupport.h"

#include "mods/tricks/TrickCopy.h"
#include "platform/FileSystem.h"

#include <QtTest>

// Copies the file work must refuse, on a fixture install: each names what is
// wrong and changes nothing. Names that differ only in case kept apart.
class TestTricks : public QObject {
    Q_OBJECT

private slots:
    void refusedCopiesChangeNothing()
    {
        TestBench bench;
        const QString game = bench.path("game"), outside = bench.path("outside");
        const QString root = fixture::gameRootOf(game);
        fixture::makeInstall(game, fixture::Variant::Full);
        const QString anims = fixture::nativePathOf(game, "Game\\data\\anims");
        platform::FileSystem fs;
        const auto refused = [&](const QString &source, const QString &target,
                                 const QString &named) {
            const auto before = snapshot(game);
            try {
                tricks::copyTrick(fs, root, source.section('/', 0, -2), source.section('/', -1),
                                  target.section('/', 0, -2), target.section('/', -1));
                QFAIL("the copy went through");
            } catch (const platform::FileError &e) {
                QVERIFY2(e.describe().contains(named), qPrintable(e.describe()));
            }
            QCOMPARE(snapshot(game), before);
        };
        refused("ollie.ska", "gone.ska", "gone.ska");
#ifndef Q_OS_WIN
        // What the backslash would lead to exists, and must not be taken.
        QVERIFY(QDir().mkpath(anims + "/a") && writeFile(anims + "/a/b.ska", "b in a"));
        QVERIFY(writeFile(anims + "/a\\b.ska", "odd name"));
        refused("a\\b.ska", "ollie.ska", "backslash");
        QVERIFY(QDir().mkpath(outside) && QFile::link(outside, anims + "/trickbackup"));
        refused("kickflip.ska", "ollie.ska", "link");
        QVERIFY(QDir(outside).isEmpty() && QFile::remove(anims + "/trickbackup"));
#endif
        // Never over a backup, nor from one.
        tricks::copyTrick(fs, root, "", "kickflip.ska", "grab", "indy.ska");
        refused("ollie.ska", "trickbackup/grab/indy.ska", "backup folder");
        refused("trickbackup/grab/indy.ska", "ollie.ska", "backup folder");
    }

#ifndef Q_OS_WIN
    // Names that differ only in case are two files: each keeps a backup of
    // its own and is restored to its own place, even when gone meanwhile.
    void caseTwinsKeepTheirOwnBackups()
    {
        TestBench bench;
        const QString game = bench.path("game"), root = fixture::gameRootOf(game);
        fixture::makeInstall(game, fixture::Variant::Full);
        const QString anims = fixture::nativePathOf(game, "Game\\data\\anims");
        QVERIFY(QDir().mkpath(anims + "/Grab") && writeFile(anims + "/Grab/indy.ska", "Grab")
                && writeFile(anims + "/grab/Indy.ska", "Indy"));
        const auto vanilla = snapshot(game);
        platform::FileSystem fs;
        const QStringList twins = {"grab/Indy.ska", "grab/indy.ska", "Grab/indy.ska"};
        for (const QString &t : twins)
            tricks::copyTrick(fs, root, "", "kickflip.ska", t.section('/', 0, 0),
                              t.section('/', 1));
        QVERIFY(QFile::remove(anims + "/grab/Indy.ska"));
        for (const QString &t : twins)
            tricks::restoreTrick(fs, root, t.section('/', 0, 0), t.section('/', 1));
        QCOMPARE(snapshot(game), vanilla);
    }
#endif
};

QTEST_MAIN(TestTricks)
#include "tst_tricks.moc"
