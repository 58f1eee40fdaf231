// The command line as a player's script runs it: the program itself, with no
// display to open (no QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY).
#include "tests/TestSupport.h"

#include "gamestate/LegacyHash.h"
#include "platform/ContentHash.h"
#include "platform/WorkingFolderLock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using fixture::Variant;

class TestCommandLine : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_install;

    struct Run {
        int code;
        QString out;
        QString err;
    };
    // terminal: a terminal's descriptor for its input, where the system has them.
    Run vertzmod(const QStringList &args, [[maybe_unused]] int terminal = -1)
    {
        QProcess p;
#ifdef Q_OS_LINUX
        if (terminal >= 0)
            p.setChildProcessModifier([terminal] { ::dup2(terminal, STDIN_FILENO); });
#endif
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(VERTZMOD, args);
        p.waitForFinished(60000);
        // A Windows console ends its lines with CR LF.
        const auto text = [](const QByteArray &b) { return QString::fromUtf8(b).remove(u'\r'); };
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                text(p.readAllStandardOutput()), text(p.readAllStandardError())};
    }
    QString inGame(const QString &rel)
    {
        return fixture::nativePathOf(m_install, rel);
    }
    // As a version before the record did: the originals into the backup
    // folders, other files in their place (the banana board, a trick).
    void modWithoutRecord()
    {
        const QString models = fixture::boardFolder;
        QVERIFY(QDir().mkpath(inGame(models + "boardbakup")));
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            const QString own = models + fixture::boardFile(Variant::Full, "default", part);
            QVERIFY(QFile::rename(inGame(own),
                                  inGame(models + "boardbakup\\" + own.section('\\', -1))));
            QVERIFY(QFile::copy(inGame(models + fixture::boardFile(Variant::Full, "banana", part)),
                                inGame(own)));
        }
        QVERIFY(QDir().mkpath(inGame("Game\\data\\anims\\trickbackup\\grab")));
        QVERIFY(QFile::rename(inGame("Game\\data\\anims\\grab\\indy.ska"),
                              inGame("Game\\data\\anims\\trickbackup\\grab\\indy.ska")));
        QVERIFY(QFile::copy(inGame("Game\\data\\anims\\kickflip.ska"),
                            inGame("Game\\data\\anims\\grab\\indy.ska")));
    }

private slots:
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        const QString root = m_bench->makeGame(Variant::Full, "full");
        m_install = m_bench->path("full");
        TestBench::writeIni(
            TestBench::ini(root, "/no/such/demo\\", {2, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
    }
    void cleanup()
    {
        m_bench.reset();
    }

    void statusAndItsExitCodes()
    {
        Run r = vertzmod({"--status"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.endsWith("No game file changed\n"), qPrintable(r.out + r.err));

        // Taken in from the backup folders, the record being new: the board
        // holds one the program knows, the trick nothing it can vouch for.
        modWithoutRecord();
        // What a killed copy left in a backup folder is no backup.
        QVERIFY(writeFile(inGame("Game\\data\\anims\\trickbackup\\grab\\.vertz-0123abcd"), "x"));
        r = vertzmod({"--status"});
        QCOMPARE(r.code, 1);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines[2].simplified(),
                 QString("board modded Game\\Data\\models\\Skater_m\\board_defaultcas.dat"));
        QCOMPARE(lines[7].simplified(),
                 QString("tricks changed since Game\\Data\\anims\\grab\\indy.ska"));
        QCOMPARE(lines[8], QString("5 files modded, 1 changed since, backups good"));
        r = vertzmod({"--status", "--json"});
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(json["variant"].toString(), QString("full"));
        QCOMPARE(json["files"].toArray().size(), 6);
        QCOMPARE(json["files"][4]["state"].toString(), QString("modded"));
        QCOMPARE(json["files"][5]["state"].toString(), QString("changed since"));
        QCOMPARE(json["files"][5]["file"].toString(), QString("Game\\Data\\anims\\grab\\indy.ska"));
#ifdef Q_OS_LINUX
        // A working folder whose name is no valid UTF-8.
        QVERIFY(::mkdir("../w\xe9", 0700) == 0
                && ::link("vertzmod.ini", "../w\xe9/vertzmod.ini") == 0);
        QVERIFY(::chdir("../w\xe9") == 0);
        r = vertzmod({"--status"});
        QVERIFY(::chdir("../work") == 0);
        QVERIFY2(r.code == 1 && r.out.endsWith("5 files modded, 1 changed since, backups good\n"),
                 qPrintable(r.err));
#endif
        // A change in place that keeps the size, made after the record was written.
        const QString usg
            = inGame(fixture::boardFolder + fixture::boardFile(Variant::Full, "default", "usg"));
        QByteArray bytes = readFile(usg);
        bytes.back() = bytes.back() == 'x' ? 'y' : 'x';
        QVERIFY(writeFile(usg, bytes));
        r = vertzmod({"--status"});
        QVERIFY2(r.out.endsWith("4 files modded, 2 changed since, backups good\n"),
                 qPrintable(r.out));
        // A damaged board backup is not outweighed by the modded files after it.
        QVERIFY(
            writeFile(inGame(fixture::boardFolder + "boardbakup\\board_defaultcas.dat"), "bad"));
        QCOMPARE(vertzmod({"--status"}).code, 2);

        // The backup holds something else now: it cannot be restored from.
        QVERIFY(writeFile(inGame("Game\\data\\anims\\trickbackup\\grab\\indy.ska"), "damaged"));
        r = vertzmod({"--status"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.contains(QRegularExpression("tricks +backup damaged or missing +Game")));
#ifndef Q_OS_WIN
        // A line end in a name (not one Windows allows) keeps to its line in
        // the table; JSON has it exact.
        QVERIFY(writeFile(inGame("Game\\data\\anims\\trickbackup\\grab\\a\nb.ska"), "x"));
        QVERIFY(writeFile(inGame("Game\\data\\anims\\grab\\a\nb.ska"), "y"));
        QVERIFY(
            vertzmod({"--status"})
                .out.contains(QRegularExpression("tricks +changed since +\\S+\\\\a\\?b.ska\n")));
        QVERIFY(vertzmod({"--status", "--json"}).out.contains("a\\nb.ska\""));
#endif

        // What cannot run says so, with code 3.
        QCOMPARE(vertzmod({"--status", "--demo"}).code, 3);
        QCOMPARE(vertzmod({"--status", "--restore-all"}).code, 3);
        QCOMPARE(vertzmod({"--restore-all", "--json"}).code, 3);
        QCOMPARE(vertzmod({"--state"}).code, 3);
        platform::WorkingFolderLock window;
        QVERIFY(window.take());
        QCOMPARE(vertzmod({"--restore-all"}).code, 3);
        r = vertzmod({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Exit codes") && r.out.contains("--restore-all"));
        QCOMPARE(vertzmod({"--help-all"}).out, r.out);
        QByteArray left = readFile(platform::WorkingFolderLock::fileName);
        window.release();
#ifdef Q_OS_UNIX
        // A dead run's lock that a full folder keeps is no running copy.
        QProcess ended;
        ended.start(VERTZMOD, {"--version"});
        QVERIFY(ended.waitForStarted());
        left = QByteArray::number(ended.processId()) + left.mid(left.indexOf('\n'));
        QVERIFY(ended.waitForFinished() && writeFile(platform::WorkingFolderLock::fileName, left));
        {
            FileSizeLimit full(8);
            r = vertzmod({"--status"});
        }
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("Cannot write in"), qPrintable(r.err));
#endif
        // A folder that holds no game.
        QVERIFY(QDir().mkpath(m_bench->path("empty")));
        TestBench::writeIni(TestBench::ini(fixture::gameRootOf(m_bench->path("empty")), "/no\\",
                                           {2, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        r = vertzmod({"--status"});
        QVERIFY(r.code == 3 && r.err.contains("holds no Game\\data folder"));
    }

    void restoreAllPutsTheOriginalsBack()
    {
        // The folder's line typed without its last backslash.
        TestBench::writeIni(
            TestBench::ini(m_install, "/no/such/demo\\", {2, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        modWithoutRecord();
        QCOMPARE(vertzmod({"--status"}).code, 1);
        const QString indy = inGame("Game\\data\\anims\\grab\\indy.ska");
        QVERIFY(writeFile(indy, "another tool's"));

        // A window of another working folder holds the install: nothing is touched.
        const auto before = snapshot(m_install);
        platform::WorkingFolderLock other(m_install);
        QVERIFY(other.take());
        Run r = vertzmod({"--restore-all", "--yes"});
        QVERIFY2(r.code == 3 && r.err.contains("running on the install in"), qPrintable(r.err));
        other.release();
        QCOMPARE(snapshot(m_install), before);

        // Unasked (no terminal), the trick changed since is left as it is.
        r = vertzmod({"--restore-all"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.startsWith("5 files restored."));
        QCOMPARE(readFile(indy), QByteArray("another tool's"));
        QCOMPARE(TestBench::iniLine(3), QByteArray(" 0 "));

        r = vertzmod({"--restore-all", "--yes"});
        QCOMPARE(r.code, 0);
        const QString fresh = m_bench->path("fresh");
        fixture::makeInstall(fresh, Variant::Full);
        // The board's backups stay, and its record with them.
        auto now = snapshot(m_install);
        now.removeIf([](auto f) {
            return f.key().contains("/boardbakup/") || f.key() == "vertzmod-board.rec";
        });
        QCOMPARE(now, snapshot(fresh));

        // A damaged record is set aside, and rebuilt without a word more.
        QVERIFY(writeFile(m_install + "/vertzmod-board.rec", "not a record"));
        r = vertzmod({"--status"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.contains("was damaged"));
        QCOMPARE(QDir(m_install).entryList({"vertzmod-board.damaged-*.rec"}).size(), 1);
        QVERIFY(vertzmod({"--status"}).err.isEmpty());
    }

    // Answers typed ahead on a terminal answer the questions in turn.
    void typedAheadAnswers()
    {
#ifdef Q_OS_LINUX
        modWithoutRecord();
        QCOMPARE(vertzmod({"--status"}).code, 1);
        QVERIFY(writeFile(inGame("Game\\data\\anims\\grab\\indy.ska"), "another tool's"));
        QVERIFY(writeFile(
            inGame(fixture::boardFolder + fixture::boardFile(Variant::Full, "default", "cas")),
            "another tool's"));
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        // No to all at once, yes to one by one, yes to each.
        QVERIFY(terminal >= 0 && ::write(master, "n\ny\ny\ny\n", 8) == 8);
        const Run r = vertzmod({"--restore-all"}, terminal);
        ::close(terminal);
        ::close(master);
        QVERIFY2(r.code == 0 && r.err.count("[y/N]") == 4, qPrintable(r.err));
#endif
    }

    // The record is the install's: taken over once from where older versions
    // kept it, it tells the same to another working folder and after a move,
    // and a line a kill cut short is no damage.
    void recordTravelsWithTheInstall()
    {
        // Such records exist: the old hash stays as they were written with it.
        QCOMPARE(gamestate::LegacyHasher::of("Vertz Mod Utility").toHex(),
                 QByteArray("d6d336baf8d879ae028d277ebb3da88b"));
        modWithoutRecord();
        const QByteArray trick = "Game\\data\\anims\\grab\\indy.ska";
        QByteArray old
            = "Vertz Mod Utility record of changed game files, version 1\ninstall\tfull\t"
              + QFile::encodeName(m_install).toPercentEncoding("/\\ :") + "\nfile\ttricks\t" + trick
              + "\tGame/Data/anims/grab/indy.ska\t" + "Game/Data/anims/trickbackup/grab/indy.ska\t"
              + gamestate::LegacyHasher::of(fixture::contentOf(Variant::Full, trick)).toHex() + "\t"
              + gamestate::LegacyHasher::of(readFile(inGame(trick))).toHex() + "\t\t\t\t\n";
        QVERIFY(writeFile("vertzmod-gamefiles.rec",
                          old + "end\t" + gamestate::LegacyHasher::of(old).toHex() + "\n"));
        const QString vouched = "6 files modded, backups good\n";
        Run r = vertzmod({"--status"});
        QVERIFY2(r.code == 1 && r.out.endsWith(vouched), qPrintable(r.out + r.err));
        QVERIFY(!QFileInfo::exists("vertzmod-gamefiles.rec"));

        const QString moved = m_bench->path("moved");
        QVERIFY(QDir().rename(m_install, moved));
        QVERIFY(QDir().mkpath("../second") && QDir::setCurrent("../second"));
        TestBench::writeIni(TestBench::ini(fixture::gameRootOf(moved), "/no/such/demo\\",
                                           {2, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QFile record(moved + "/vertzmod-tricks.rec");
        QVERIFY(record.open(QIODevice::Append) && record.write("file\tfull\ttricks\tGame") > 0);
        record.close();
        r = vertzmod({"--status"});
        QVERIFY(QDir::setCurrent("../work"));
        QVERIFY2(r.code == 1 && r.out.endsWith(vouched) && r.err.isEmpty(),
                 qPrintable(r.out + r.err));
    }

    // A record entry that leads out of the install is no record of ours.
    void craftedRecordStaysInTheInstall_data()
    {
        const auto hex = [](const char *s) { return platform::ContentHash::of(s).toHex(); };
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("resealed");
        QTest::newRow("paths climb")
            << QByteArray()
            << "file\tfull\ttricks\tGame\\data\\anims\\..\\..\\..\\..\\keep\\victim\t"
               "Game/Data/anims/../../../../keep/victim\t"
               "Game/Data/anims/trickbackup/../../../../keep/victim\t"
                   + hex("crafted") + "\t" + hex("mine") + "\t\t\t\t\tcheck\n"
            << true;
        QTest::newRow("unit climbs")
            << QByteArray("\tGame\\data\\anims\\grab\\indy.ska\t")
            << QByteArray("\tGame\\data\\anims\\..\\..\\..\\..\\keep\\victim\t") << true;
        // A line changed under its old check is damaged, however well formed.
        QTest::newRow("old check") << QByteArray("\tGame\\data\\anims\\grab\\indy.ska\t")
                                   << QByteArray("\tGame\\data\\anims\\GRAB\\indy.ska\t") << false;
    }
    void craftedRecordStaysInTheInstall()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, resealed);
        modWithoutRecord();
        QCOMPARE(vertzmod({"--status"}).code, 1);
        const QString beside = m_bench->path("keep/victim");
        QVERIFY(QDir().mkpath(m_bench->path("keep")) && QDir().mkpath(m_install + "/keep"));
        QVERIFY(writeFile(beside, "mine") && writeFile(m_install + "/keep/victim", "crafted"));
        const QString name = m_install + "/vertzmod-tricks.rec";
        QByteArray rec = readFile(name);
        QVERIFY(from.isEmpty() || rec.contains(from));
        from.isEmpty() ? rec.append(to) : rec.replace(from, to);
        if (resealed) {
            // Each line's check follows from the one before it.
            QList<QByteArray> lines = rec.split('\n');
            QByteArray chain = platform::ContentHash::of(lines[0]).toHex().left(16);
            for (qsizetype n = 1; n < lines.size() && !lines[n].isEmpty(); ++n) {
                QByteArray &line = lines[n];
                line.truncate(line.lastIndexOf('\t'));
                chain = platform::ContentHash::of(chain + line).toHex().left(16);
                line += '\t' + chain;
            }
            rec = lines.join('\n');
        }
        QVERIFY(writeFile(name, rec));
        const Run r = vertzmod({"--restore-all", "--yes"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.contains("was damaged"));
        QCOMPARE(readFile(beside), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
