#include "tests/TestSupport.h"

#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "platform/FileSystem.h"

#include <QtTest>

using fixture::Variant;

Q_DECLARE_METATYPE(Variant)

namespace {

const QString models = QStringLiteral("Game\\Data\\models\\Skater_m\\");

QString boardFile(const QString &key, const QString &part, Variant v)
{
    return board::boardFileName(key, part, v == Variant::Demo);
}

} // namespace

// The board swap's file work on real fixture installs.
class TestBoard : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_nativeRoot;
    QString m_root;
    Variant m_variant = Variant::Full;
    platform::FileSystem m_fs;

    QByteArray read(const QString &rel)
    {
        QFile f(fixture::nativePathOf(m_nativeRoot, rel));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QByteArray original(const QString &rel) { return fixture::contentOf(m_variant, rel); }
    bool exists(const QString &rel)
    {
        return QFileInfo::exists(fixture::nativePathOf(m_nativeRoot, rel));
    }

    void swap(const QString &key)
    {
        board::swapBoard(m_fs, m_root, m_variant == Variant::Demo, key);
    }

    // The game's board files hold the board with this key's original contents.
    void verifyGameBoardIs(const QString &key)
    {
        for (const QString &part : board::boardParts())
            QCOMPARE(read(models + boardFile(QStringLiteral("default"), part, m_variant)),
                     original(models + boardFile(key, part, m_variant)));
    }
    void verifyBackupIsGameOwn()
    {
        for (const QString &part : board::boardParts()) {
            const QString name = boardFile(QStringLiteral("default"), part, m_variant);
            QCOMPARE(read(models + QStringLiteral("boardbakup\\") + name), original(models + name));
        }
    }

private slots:
    void init()
    {
        QFETCH_GLOBAL(Variant, variant);
        m_variant = variant;
        m_bench = std::make_unique<TestBench>();
        QVERIFY(m_bench->valid());
        m_nativeRoot = m_bench->path(QStringLiteral("game"));
        fixture::makeInstall(m_nativeRoot, m_variant);
        m_root = fixture::gameRootOf(m_nativeRoot);
    }
    void cleanup() { m_bench.reset(); }

    void initTestCase_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::newRow("full game") << Variant::Full;
        QTest::newRow("demo") << Variant::Demo;
    }

    void firstSwapBacksUpThenSwaps()
    {
        const auto before = snapshot(m_nativeRoot);
        swap(QStringLiteral("oldschool"));
        verifyBackupIsGameOwn();
        verifyGameBoardIs(QStringLiteral("oldschool"));
        QVERIFY(!exists(models + QStringLiteral("temp")));

        // Nothing else changed: only the five board files and the five backups.
        auto after = snapshot(m_nativeRoot);
        int changed = 0;
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            changed += after.value(it.key()) != it.value();
        QCOMPARE(changed, 5);
        QCOMPARE(after.size(), before.size() + 5);
    }

    void laterSwapsKeepTheFirstBackup()
    {
        swap(QStringLiteral("hover"));
        swap(QStringLiteral("banana"));
        verifyBackupIsGameOwn();
        verifyGameBoardIs(QStringLiteral("banana"));
        swap(QStringLiteral("banana")); // twice in a row leaves the same files
        verifyGameBoardIs(QStringLiteral("banana"));
        swap(QStringLiteral("default"));
        verifyGameBoardIs(QStringLiteral("default"));
        verifyBackupIsGameOwn();
    }

    void regularDeckAsFirstSwap()
    {
        const auto before = snapshot(m_nativeRoot);
        swap(QStringLiteral("default"));
        verifyBackupIsGameOwn();
        auto after = snapshot(m_nativeRoot);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
    }

    void missingAlternativeFileLeavesGameAlone()
    {
        const QString missing
            = models + boardFile(QStringLiteral("banana"), QStringLiteral("col"), m_variant);
        QVERIFY(QFile::remove(fixture::nativePathOf(m_nativeRoot, missing)));
        try {
            swap(QStringLiteral("banana"));
            QFAIL("the swap did not fail");
        } catch (const platform::FileError &e) {
            QVERIFY(e.path().contains(
                boardFile(QStringLiteral("banana"), QStringLiteral("col"), m_variant)));
            QVERIFY(!e.reason().isEmpty());
        }
        verifyGameBoardIs(QStringLiteral("default"));
        QVERIFY(!exists(models + QStringLiteral("temp")));
        swap(QStringLiteral("long")); // one missing file must not break later swaps
        verifyGameBoardIs(QStringLiteral("long"));
        verifyBackupIsGameOwn();
    }

    void leftoverStagingFolderIsReused()
    {
        const QString temp = fixture::nativePathOf(m_nativeRoot, models + QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(temp));
        // A staged file and the half copy a crash left behind.
        for (const char *name : {"/board_junk.dat", "/.vertz-0badc0de"}) {
            QFile junk(temp + QLatin1String(name));
            QVERIFY(junk.open(QIODevice::WriteOnly));
        }
        swap(QStringLiteral("ollie"));
        verifyGameBoardIs(QStringLiteral("ollie"));
        QVERIFY(!QFileInfo::exists(temp));
    }

    void interruptedBackupIsCompleted()
    {
        // A first swap cut short after saving cas: no marker, four backups missing.
        const QString cas = boardFile(QStringLiteral("default"), QStringLiteral("cas"), m_variant);
        const QString backup
            = fixture::nativePathOf(m_nativeRoot, models) + QStringLiteral("/boardbakup");
        QVERIFY(QDir().mkpath(backup));
        QFile kept(backup + QLatin1Char('/') + cas);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("saved before the crash");
        kept.close();

        swap(QStringLiteral("hover"));
        verifyGameBoardIs(QStringLiteral("hover"));
        QCOMPARE(read(models + QStringLiteral("boardbakup\\") + cas),
                 QByteArray("saved before the crash"));
        for (const QString &part : board::boardParts().mid(1)) {
            const QString name = boardFile(QStringLiteral("default"), part, m_variant);
            QCOMPARE(read(models + QStringLiteral("boardbakup\\") + name), original(models + name));
        }
    }

    void wrongGameRootChangesNothing()
    {
        const auto before = snapshot(m_bench->path(QString()));
        m_root = fixture::gameRootOf(m_bench->path(QStringLiteral("elsewhere")));
        QVERIFY_THROWS_EXCEPTION(platform::FileError, swap(QStringLiteral("banana")));
        QCOMPARE(snapshot(m_bench->path(QString())), before);
    }

    void readOnlyModelsFolder()
    {
#ifndef Q_OS_UNIX
        QSKIP("read-only folders are checked on POSIX systems only");
#endif
        const QString folder = fixture::nativePathOf(m_nativeRoot, models);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                                  | QFile::ExeOther));
        const auto before = snapshot(m_nativeRoot);
        {
            PermissionsApply asUser;
            QVERIFY_THROWS_EXCEPTION(platform::FileError, swap(QStringLiteral("banana")));
        }
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(snapshot(m_nativeRoot), before);
        QVERIFY(!exists(models + QStringLiteral("temp")));
    }
};

QTEST_GUILESS_MAIN(TestBoard)
#include "tst_board.moc"
