#include "app/ModSettings.h"
#include "platform/ScriptedDialogs.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
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
    platform::ScriptedDialogs m_dialogs;
    int m_motoxShown = 0;

    void load(ModSettings &s)
    {
        loadSettings(s, m_dialogs, [this] { ++m_motoxShown; });
    }

private slots:
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        QVERIFY(m_bench->valid());
        m_dialogs = platform::ScriptedDialogs();
        m_motoxShown = 0;
    }
    void cleanup() { m_bench.reset(); }

    void numbersFromText()
    {
        // Blanks around the digits are ignored; anything else is no number.
        const QList<std::pair<QByteArray, std::optional<int>>> cases
            = {{"1", 1},
               {" 1 ", 1},
               {"-3", -3},
               {"", std::nullopt},
               {"abc", std::nullopt},
               {"1 2", std::nullopt},
               {"1.0", std::nullopt},
               {"2147483648", std::nullopt},
               {"99999999999999999999999", std::nullopt}};
        for (const auto &[text, number] : cases) {
            const SettingValue v = SettingValue::fromText(text);
            QCOMPARE(v.toNumber(), number);
            QCOMPARE(v.equals(0), number == 0);
            QCOMPARE(v.printForm(), text); // text goes back exactly as read
        }
        QVERIFY(SettingValue().equals(0) && SettingValue().isEmpty());
        QCOMPARE(SettingValue::fromNumber(-2).printForm(), QByteArray("-2 "));
        QCOMPARE(SettingValue::fromNumber(1).signForm(), QByteArray(" 1"));
    }

    void saveWithEverythingUnsetWritesDefaults()
    {
        ModSettings s;
        QVERIFY(saveSettings(s, m_dialogs));
        QCOMPARE(TestBench::readIni(), defaultsFile);
        // The defaults stay in the record too.
        QCOMPARE(s.fullInstallDir, QString::fromLatin1(defaultFullInstallDir));
        QCOMPARE(s.fullFontShown.toNumber(), std::optional<int>(1));
        QVERIFY(s.demoMode.isUnset());
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void untouchedTextLinesRoundTrip()
    {
        const QByteArray file = "D:\\Games\\Vertz\r\nE:\\demo\\\r\n1\r\n1\r\n1\r\n1\r\n1\r\n"
                                "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n";
        TestBench::writeIni(file);
        ModSettings s;
        load(s);
        QCOMPARE(m_motoxShown, 1);
        QCOMPARE(s.gameRoot, QStringLiteral("E:\\demo\\")); // line 5 says demo
        QVERIFY(saveSettings(s, m_dialogs));
        // Line 5 became a number when loaded and is written in sign form.
        QCOMPARE(TestBench::readIni(),
                 QByteArray("D:\\Games\\Vertz\r\nE:\\demo\\\r\n1\r\n1\r\n 1\r\n1\r\n1\r\n"
                            "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n"));

        s.fullHudShown = 0;
        s.demoBoard = 4;
        QVERIFY(saveSettings(s, m_dialogs));
        QCOMPARE(TestBench::readIni(),
                 QByteArray("D:\\Games\\Vertz\r\nE:\\demo\\\r\n1\r\n 4 \r\n 1\r\n1\r\n1\r\n"
                            "1\r\n1\r\n 0 \r\n1\r\n1\r\n1\r\n"));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void shortFileIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << defaultsFile;
        QTest::newRow("four lines") << QByteArray("a\\\r\nb\\\r\n3\r\n 2 \r\n")
                                    << QByteArray("a\\\r\nb\\\r\n3\r\n 2 \r\n 0\r\n 0 \r\n 0 \r\n"
                                                  " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
        QTest::newRow("twelve lines, last without end")
            << QByteArray("a\r\nb\r\n1\r\n1\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0")
            << QByteArray("a\r\nb\r\n1\r\n1\r\n 0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n 1 \r\n");
        QTest::newRow("empty line 6")
            << QByteArray("a\r\nb\r\n0\r\n0\r\n0\r\n\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n")
            << QByteArray("a\r\nb\r\n0\r\n0\r\n 0\r\n 0 \r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n");
    }
    void shortFileIsRebuilt()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        TestBench::writeIni(file);
        ModSettings s;
        load(s);
        QCOMPARE(TestBench::readIni(), expected);
        QVERIFY(!s.isDemo());
        QCOMPARE(s.gameRoot, s.fullInstallDir);
        QCOMPARE(m_motoxShown, 1);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void lineEndsOfEveryKind()
    {
        // CR LF, lone CR and lone LF all end a line; "\r\r" holds an empty one.
        TestBench::writeIni("a\rb\n1\r\n2\r1\n0\r\r1\n1\r1\r1\r0\n1\n");
        ModSettings s;
        load(s);
        QCOMPARE(s.fullInstallDir, QStringLiteral("a"));
        QCOMPARE(s.demoInstallDir, QStringLiteral("b"));
        QCOMPARE(s.demoBoard.toNumber(), std::optional<int>(2));
        QVERIFY(s.isDemo());
        QCOMPARE(s.gameRoot, QStringLiteral("b"));
        QCOMPARE(s.motoxMode.toNumber(), std::optional<int>(0)); // the empty line 7, mended
        QCOMPARE(s.fullFontShown.toNumber(), std::optional<int>(0));
        QCOMPARE(TestBench::readIni(),
                 QByteArray("a\r\nb\r\n1\r\n2\r\n 1\r\n0\r\n 0 \r\n1\r\n1\r\n1\r\n"
                            "1\r\n0\r\n1\r\n"));
    }

    void unusableValuesTakeTheirDefault_data()
    {
        QTest::addColumn<QByteArray>("line5");
        QTest::addColumn<QByteArray>("line6");
        QTest::addColumn<QByteArray>("line7");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("empty variant") << QByteArray("") << QByteArray("1") << QByteArray("1")
                                       << QByteArray(" 0\r\n1\r\n1\r\n");
        QTest::newRow("variant 7") << QByteArray("7") << QByteArray("0") << QByteArray("0")
                                   << QByteArray(" 0\r\n0\r\n0\r\n");
        QTest::newRow("letters as motox") << QByteArray("1") << QByteArray("on") << QByteArray("1")
                                          << QByteArray(" 1\r\n 0 \r\n1\r\n");
        QTest::newRow("mode 2") << QByteArray(" 1") << QByteArray("1") << QByteArray("2")
                                << QByteArray(" 1\r\n1\r\n 0 \r\n");
        QTest::newRow("huge mode")
            << QByteArray("0") << QByteArray("1") << QByteArray("123456789012345")
            << QByteArray(" 0\r\n1\r\n 0 \r\n");
    }
    void unusableValuesTakeTheirDefault()
    {
        QFETCH(QByteArray, line5);
        QFETCH(QByteArray, line6);
        QFETCH(QByteArray, line7);
        QFETCH(QByteArray, written);
        const QByteArray head = "a\r\nb\r\n0\r\n0\r\n";
        const QByteArray tail = "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n";
        TestBench::writeIni(head + line5 + "\r\n" + line6 + "\r\n" + line7 + "\r\n" + tail);
        ModSettings s;
        load(s);
        QCOMPARE(TestBench::readIni(), head + written + tail);
        QCOMPARE(m_motoxShown, 1);
        QVERIFY(s.demoMode.equals(0) || s.demoMode.equals(1));
        QVERIFY(s.motoxMode.equals(0) || s.motoxMode.equals(1));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void junkNeverCrashesOrLoops()
    {
        QRandomGenerator rng(4711);
        QList<QByteArray> files = {QByteArray(10 * 1024 * 1024, 'x'), QByteArray(100000, '\n'),
                                   QByteArray("\0\0\0\r\n\xff\xfe", 7)};
        for (int i = 0; i < 40; ++i) {
            QByteArray junk(int(rng.bounded(400)), '\0');
            for (char &c : junk)
                c = "01 -\r\n\t9ab\xff\0"[rng.bounded(12)];
            files.append(junk);
        }
        for (const QByteArray &file : files) {
            TestBench::writeIni(file);
            ModSettings s;
            m_motoxShown = 0;
            load(s);
            QCOMPARE(m_motoxShown, 1);
            QVERIFY(s.demoMode.equals(0) || s.demoMode.equals(1));
            QVERIFY(s.motoxEnabled.toNumber().has_value());
            QVERIFY(s.motoxMode.equals(0) || s.motoxMode.equals(1));
            // Whatever the file held, what is on disk now loads cleanly as it is.
            const QByteArray after = TestBench::readIni();
            ModSettings again;
            load(again);
            QCOMPARE(TestBench::readIni(), after);
        }
    }

    void unwritableFolder()
    {
#ifndef Q_OS_UNIX
        QSKIP("read-only folders are checked on POSIX systems only");
#endif
        QVERIFY(QFile::setPermissions(m_bench->path(QStringLiteral("work")),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther));
        ModSettings s;
        s.demoMode = 1;
        bool saved = true;
        {
            PermissionsApply asUser;
            saved = saveSettings(s, m_dialogs);
        }
        QVERIFY(!saved);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages().first().title, QStringLiteral("OMG TEH ERROR"));
        QVERIFY(m_dialogs.messages().first().informative.contains(QLatin1String("vertzmod.ini")));
        QCOMPARE(s.demoInstallDir, QString::fromLatin1(defaultDemoInstallDir));
        QFile::setPermissions(m_bench->path(QStringLiteral("work")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void missingFileInUnwritableFolderTellsOnce()
    {
        // A folder that is a file stands in for one that cannot be written.
        const QString blocker = m_bench->path(QStringLiteral("blocked"));
        QVERIFY(QDir().mkpath(blocker));
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/vertzmod.ini"))); // a folder in its place
        QVERIFY(QDir::setCurrent(blocker));
        ModSettings s;
        load(s);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_motoxShown, 1);
        QCOMPARE(s.gameRoot, QString::fromLatin1(defaultFullInstallDir));
        QVERIFY(QFileInfo(blocker + QStringLiteral("/vertzmod.ini")).isDir());
    }

    void fullDiskNeverLeavesHalfAFile()
    {
#ifndef Q_OS_UNIX
        QSKIP("needs a file-size limit");
#else
        TestBench::writeIni(defaultsFile);
        // A file-size limit cuts writes short the way a full disk does.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        ModSettings s;
        s.fullInstallDir = QStringLiteral("/a/folder/name/long/enough/to/pass/the/limit/");
        const bool saved = saveSettings(s, m_dialogs);
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(TestBench::readIni(), defaultsFile);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList{QStringLiteral("vertzmod.ini")});
#endif
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
