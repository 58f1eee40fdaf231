#include "tests/TestSupport.h"

#include "platform/Temporaries.h"
#include "settings/ModSettings.h"

#include <QScopeGuard>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray defaultsFile = "C:\\Program Files\\Harbrook\\Vertz Rail Tour\\\r\n"
                                "C:\\Program Files\\Harbrook\\Vertz Rail Tour Demo\\\r\n"
                                " 0 \r\n 0 \r\n 0\r\n 0 \r\n 0 \r\n"
                                " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n";

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    ScriptedDialogs m_dialogs;

    void load(ModSettings &s) { loadSettings(s, m_dialogs); }
    // A save that failed: false, one box saying so with the file's path, the
    // old file whole and no temporary left.
    void verifySaveFails(ModSettings &s)
    {
        m_dialogs = ScriptedDialogs();
        QVERIFY(!saveSettings(s, m_dialogs));
        QCOMPARE(m_dialogs.said(),
                 QStringList{"Error! The settings could not be saved. | OMG TEH ERROR"});
        QVERIFY(m_dialogs.shown[0].informative.contains(QDir::current().filePath("vertzmod.ini")));
        QCOMPARE(TestBench::readIni(), defaultsFile);
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"vertzmod.ini"});
    }

private slots:
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_dialogs = ScriptedDialogs();
    }
    void cleanup() { m_bench.reset(); }

    void damagedFileIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray tail = "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n";
        QTest::newRow("empty") << QByteArray() << defaultsFile;
        QTest::newRow("four lines") << QByteArray("a\\\r\nb\\\r\n3\r\n 2 \r\n")
                                    << QByteArray("a\\\r\nb\\\r\n3\r\n 2 \r\n 0\r\n 0 \r\n 0 \r\n"
                                                  " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
        QTest::newRow("twelve lines, last without end")
            << QByteArray("a\r\nb\r\n1\r\n1\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0")
            << QByteArray("a\r\nb\r\n1\r\n1\r\n 0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n 1 \r\n");
        QTest::newRow("every kind of line end")
            << QByteArray("a\rb\n1\r\n2\r0\n0\r\r1\n1\r1\r1\r0\n1\n")
            << QByteArray("a\r\nb\r\n1\r\n2\r\n 0\r\n0\r\n 0 \r\n1\r\n1\r\n1\r\n1\r\n0\r\n1\r\n");
        // Values the rebuild cannot mend take their default.
        QTest::newRow("empty line 5 and 6") << "a\r\nb\r\n0\r\n0\r\n\r\n\r\n1\r\n" + tail
                                            << "a\r\nb\r\n0\r\n0\r\n 0\r\n 0 \r\n1\r\n" + tail;
        QTest::newRow("variant 7") << "a\r\nb\r\n0\r\n0\r\n7\r\n0\r\n0\r\n" + tail
                                   << "a\r\nb\r\n0\r\n0\r\n 0\r\n0\r\n0\r\n" + tail;
        QTest::newRow("variant behind a form feed")
            << "a\r\nb\r\n0\r\n0\r\n\f1\r\n0\r\n0\r\n" + tail
            << "a\r\nb\r\n0\r\n0\r\n 0\r\n0\r\n0\r\n" + tail;
        QTest::newRow("mode past the int range")
            << "a\r\nb\r\n0\r\n0\r\n0\r\n1\r\n123456789012345\r\n" + tail
            << "a\r\nb\r\n0\r\n0\r\n 0\r\n1\r\n 0 \r\n" + tail;
        // Empty folder lines would leave the game root empty.
        QTest::newRow("empty folders")
            << "\r\n\r\n0\r\n0\r\n1\r\n1\r\n1\r\n" + tail
            << defaultsFile.left(defaultsFile.indexOf(" 0 ")) + "0\r\n0\r\n 1\r\n1\r\n1\r\n" + tail;
        QTest::newRow("letters as motox, mode 2")
            << "a\r\nb\r\n0\r\n0\r\n1\r\non\r\n2\r\n" + tail
            << "a\r\nb\r\n0\r\n0\r\n 1\r\n 0 \r\n 0 \r\n" + tail;
    }
    void damagedFileIsRebuilt()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        TestBench::writeIni(file);
        ModSettings s;
        load(s);
        QCOMPARE(TestBench::readIni(), expected);
        // The root ends in a separator; the stored folder stays as written.
        const QString folder = s.isDemo() ? s.demoInstallDir : s.fullInstallDir;
        QCOMPARE(s.gameRoot, folder.endsWith('\\') ? folder : folder + '\\');
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void failedSavesAreReported()
    {
        // A folder in the file's place, met at start-up: told once, no loop.
        QVERIFY(QDir().mkdir("vertzmod.ini"));
        ModSettings fresh;
        load(fresh);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(fresh.gameRoot, QString("C:\\Program Files\\Harbrook\\Vertz Rail Tour\\"));
        QVERIFY(QDir().rmdir("vertzmod.ini"));

        TestBench::writeIni(defaultsFile);
        ModSettings s;
        s.fullInstallDir = "/a/folder/name/long/enough/to/pass/the/limit/";
#ifdef Q_OS_UNIX
        {
            FileSizeLimit limit(64); // a full disk
            QVERIFY(limit.ok());
            verifySaveFails(s);
        }
        {
            ScopedPermissions locked(QDir::currentPath(), ScopedPermissions::readOnly);
            AsPlainUser user;
            verifySaveFails(s);
        }
        // Any other keeps its permissions.
        struct stat st;
        QVERIFY(::chmod("vertzmod.ini", 0600) == 0 && saveSettings(s, m_dialogs));
        QVERIFY(::stat("vertzmod.ini", &st) == 0 && (st.st_mode & 0777) == 0600);
        TestBench::writeIni(defaultsFile);
#endif
#ifdef Q_OS_LINUX
        // Someone else's file in a sticky folder can be written in place but
        // not replaced: only the last step of the save fails.
        if (::geteuid() != 0)
            QSKIP("needs root to own the file the save must replace");
        {
            // A file the player made read-only is not replaced. Root passes
            // any permission check, so the save runs as a plain user.
            ScopedPermissions locked("vertzmod.ini", QFile::ReadOwner | QFile::ReadOther);
            ScopedPermissions open(".", QFile::Permissions(0x7777));
            const auto back = qScopeGuard(
                [] { QVERIFY(::setresuid(0, 0, 0) == 0 && ::setresgid(0, 0, 0) == 0); });
            QVERIFY(::setresgid(65534, 65534, 0) == 0 && ::setresuid(65534, 65534, 0) == 0);
            verifySaveFails(s);
        }
        QVERIFY(::chmod(".", 01777) == 0 && ::chmod("vertzmod.ini", 0666) == 0);
        AsPlainUser user;
        verifySaveFails(s);
#endif
    }

    void killedSaveLeavesNothingBehind()
    {
        // What a save killed half-way leaves goes with the next save; only
        // that, never a player's file of a like name.
        const QString half = platform::temporaryNameFor(u"vertzmod.ini");
        const QString link = platform::temporaryNameFor(u"vertzmod.ini", 1);
        QVERIFY(writeFile(half, "half") && writeFile("vertzmod.ini.backup", "x"));
        QVERIFY(writeFile(m_bench->path("outside"), "kept"));
        QVERIFY(QFile::link(m_bench->path("outside"), link));
        ModSettings s;
        QVERIFY(saveSettings(s, m_dialogs));
        QStringList kept = {link, "vertzmod.ini", "vertzmod.ini.backup"};
        kept.sort();
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden | QDir::System), kept);
        QCOMPARE(readFile(m_bench->path("outside")), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
