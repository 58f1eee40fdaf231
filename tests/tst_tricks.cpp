#include "tests/TestSupport.h"

#include "mods/tricks/TrickCopy.h"
#include "platform/FileSystem.h"

#include <QtTest>

using fixture::Variant;

Q_DECLARE_METATYPE(Variant)

namespace {
const QString anims = QStringLiteral("Game\\data\\anims\\");
const QString backups = anims + QStringLiteral("trickbackup\\");
} // namespace

// Copy and restore of trick files on real fixture installs of both variants.
class TestTricks : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_game; // native install folder
    Variant m_variant = Variant::Full;
    platform::FileSystem m_fs;

    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
    QByteArray game(const QString &rel) const { return fixture::contentOf(m_variant, anims + rel); }
    QByteArray now(const QString &rel) const { return readFile(native(rel)); }
    // rel with '/' as the trick lists give it, as a game path part.
    static QString gameRel(const QString &folder, const QString &name)
    {
        return folder.isEmpty() ? name : QString(folder).replace('/', '\\') + '\\' + name;
    }
    void copy(const QString &sf, const QString &sn, const QString &tf, const QString &tn)
    {
        tricks::copyTrick(m_fs, fixture::gameRootOf(m_game), sf, sn, tf, tn);
    }
    void restore(const QString &folder, const QString &name)
    {
        tricks::restoreTrick(m_fs, fixture::gameRootOf(m_game), folder, name);
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
        QTest::newRow("subfolder") << "flip"
                                   << "varialflip.ska"
                                   << "hardflip.ska";
        QTest::newRow("two levels down") << "grind/rail"
                                         << "lipslide.ska"
                                         << "boardslide.ska";
    }
    void copyTwiceThenRestore()
    {
        QFETCH(QString, folder);
        QFETCH(QString, x);
        QFETCH(QString, y);
        const QString gy = gameRel(folder, y);
        const auto vanilla = snapshot(m_game);

        copy(folder, x, folder, y);
        QCOMPARE(now(anims + gy), game(gameRel(folder, x)));
        QCOMPARE(now(backups + gy), game(gy));
        QCOMPARE(snapshot(m_game).size(), vanilla.size() + 1);

        // The backup stays the game's file; the source is taken as it is now.
        copy("", "Pop Shove It.Ska", folder, y);
        QCOMPARE(now(anims + gy), game("Pop Shove It.Ska"));
        QCOMPARE(now(backups + gy), game(gy));

        // A game file that went missing comes back too.
        QVERIFY(QFile::remove(native(anims + gy)));
        restore(folder, y);
        QCOMPARE(now(anims + gy), game(gy));
        QVERIFY(!QFileInfo::exists(native(backups + gy)));
        const QString root = fixture::gameRootOf(m_game);
        QVERIFY(tricks::backupFolderIsEmpty(m_fs, root, folder));
        if (!folder.isEmpty()) {
            tricks::removeBackupFolder(m_fs, root, folder);
            QVERIFY(!QFileInfo::exists(native(backups + gameRel(folder, ""))));
        }
        QCOMPARE(snapshot(m_game), vanilla);
    }

    void refusedCopiesChangeNothing_data()
    {
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("targetName");
        QTest::addColumn<QString>("named"); // in the error's path or reason
        QTest::newRow("no source selected") << ""
                                            << "ollie.ska"
                                            << "upper list";
        QTest::newRow("no destination selected") << "ollie.ska"
                                                 << ""
                                                 << "lower list";
        QTest::newRow("missing source") << "gone.ska"
                                        << "ollie.ska"
                                        << "gone.ska";
        QTest::newRow("missing destination") << "ollie.ska"
                                             << "gone.ska"
                                             << "gone.ska";
#ifndef Q_OS_WIN
        QTest::newRow("backslash in a name") << "a\\b.ska"
                                             << "ollie.ska"
                                             << "backslash";
#endif
    }
    void refusedCopiesChangeNothing()
    {
        QFETCH(QString, sourceName);
        QFETCH(QString, targetName);
        QFETCH(QString, named);
#ifndef Q_OS_WIN
        // The name the backslash would lead to exists: it must not be taken.
        QVERIFY(QDir().mkpath(native(anims + "a")));
        QVERIFY(writeFile(native(anims + "a") + "/b.ska", "other file"));
        QVERIFY(writeFile(native(anims) + "/a\\b.ska", "odd name"));
#endif
        const auto before = snapshot(m_game);
        try {
            copy("", sourceName, "", targetName);
            QFAIL("the copy went through");
        } catch (const platform::FileError &e) {
            QVERIFY2(e.describe().contains(named), qPrintable(e.describe()));
        }
        QCOMPARE(snapshot(m_game), before);
    }

    void linkedBackupFolderIsRefused()
    {
#ifdef Q_OS_WIN
        QSKIP("needs symbolic links");
#endif
        const QString outside = m_bench->path("outside");
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(QFile::link(outside, native(anims) + "/trickbackup"));
        const auto before = snapshot(m_game);
        QVERIFY_THROWS_EXCEPTION(platform::FileError, copy("", "ollie.ska", "", "kickflip.ska"));
        QCOMPARE(snapshot(m_game), before);
        QVERIFY(QDir(outside).isEmpty());
    }
};

QTEST_MAIN(TestTricks)
#include "tst_tricks.moc"
