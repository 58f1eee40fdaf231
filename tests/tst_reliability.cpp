#include "tests/TestSupport.h"

#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"

#include "context/AppContext.h"
#include "mods/board/BoardPage.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "mods/levels/LevelsPage.h"
#include "mods/tricks/TrickCopy.h"
#include "platform/FileSystem.h"
#include "platform/Temporaries.h"
#include "ui/Look.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using fixture::Variant;

Q_DECLARE_METATYPE(platform::FaultInjector::Step)
Q_DECLARE_METATYPE(std::errc)

// Faults a link, a pipe, a kill or a full disk once caused, each kept out.
class TestReliability : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    QString m_game; // native install folder, full game
    QString m_root; // its game root
    platform::FileSystem m_fs;
    ScriptedDialogs m_dialogs;

    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
    // A folder outside the game holding a file of each name.
    QString makeOutside(const QStringList &names)
    {
        const QString outside = m_bench->path("outside");
        QDir().mkpath(outside);
        for (const QString &name : names)
            writeFile(outside + '/' + name, "the player's own " + name.toUtf8());
        return outside;
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path("game");
        fixture::makeInstall(m_game, Variant::Full);
        m_root = fixture::gameRootOf(m_game);
        m_dialogs = ScriptedDialogs();
        m_fs.setFaultInjector(nullptr);
    }
    void cleanup() { m_bench.reset(); }

    void settingsFileIsNeverFollowedNorWaitedOn_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("link") << "is a link";
        QTest::newRow("pipe") << "not a plain file";
    }
    // Read at the start, then written: refused both times, the entry kept.
    void settingsFileIsNeverFollowedNorWaitedOn()
    {
#ifdef Q_OS_WIN
        QSKIP("links and pipes: Windows makes neither as a player's file");
#else
        QFETCH(QString, cause);
        const QString outside = makeOutside({"system.conf"});
        const bool link = QTest::currentDataTag() == QByteArray("link");
        QVERIFY(link ? QFile::link(outside + "/system.conf", "vertzmod.ini")
                     : ::mkfifo("vertzmod.ini", 0644) == 0);
        ::alarm(20); // a start-up waiting on the pipe ends the test as a failure
        ModSettings s;
        loadSettings(s, m_dialogs);
        ::alarm(0);
        QVERIFY(!saveSettings(s, m_dialogs));
        QCOMPARE(m_dialogs.said(),
                 QStringList(2, "Error! The settings could not be saved. | OMG TEH ERROR"));
        for (const auto &shown : m_dialogs.shown)
            QVERIFY2(shown.informative.contains(cause), qPrintable(shown.informative));
        QCOMPARE(readFile(outside + "/system.conf"), QByteArray("the player's own system.conf"));
        struct stat st;
        QVERIFY(::lstat("vertzmod.ini", &st) == 0
                && (link ? S_ISLNK(st.st_mode) : S_ISFIFO(st.st_mode)));
#endif
    }

    void undecodableFolderKeepsItsBytes()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16: no bytes that do not decode");
#else
        // "Spél" in Latin-1: no valid UTF-8.
        const QByteArray folder = QFile::encodeName(m_bench->path("")) + "/Sp\xe9l";
        const QByteArray line = folder + '\\';
        QVERIFY(::rename(QFile::encodeName(m_game).constData(), folder.constData()) == 0);
        {
            // Qt cannot name it: the plain name comes back however this ends.
            const auto back = qScopeGuard(
                [&] { ::rename(folder.constData(), QFile::encodeName(m_game).constData()); });
            TestBench::writeIni(line + "\r\n" + line + "\r\n"
                                + TestBench::ini("", "", {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}).mid(4));
            AppContext ctx(m_dialogs);
            ctx.loadSettings();
            QVERIFY_THROWS_NO_EXCEPTION(
                board::swapBoard(ctx.files, ctx.settings.gameRoot, false, "banana"));
            ctx.settings.fullBoard = 1;
            QVERIFY(ctx.saveSettings());
        }
        QCOMPARE(readFile(native(fixture::boardFolder + "board_defaultcas.dat")),
                 fixture::contentOf(Variant::Full, fixture::boardFolder + "board_bananacas.dat"));
        QCOMPARE(TestBench::iniLine(1), line);
        QCOMPARE(TestBench::iniLine(2), line);
        QVERIFY(m_dialogs.shown.isEmpty());
#endif
    }

    // Even where a copy has nothing to write (a start puts the stored board
    // back) and where a restore empties a backup folder: only plain files of
    // the temporaries' name go, never a link of that name.
    void leftoversOfKilledCopiesAreCleared()
    {
        const QString models = native(fixture::boardFolder);
        const QString flip = native("Game\\data\\anims\\trickbackup\\flip");
        const QString outside = makeOutside({"target"});
        // A copy that writes takes the place of what a killed one left.
        const QString trick
            = native("Game\\data\\anims\\flip") + '/' + platform::temporaryNameFor(u"hardflip.ska");
        QVERIFY(writeFile(trick, "half a file"));
        tricks::copyTrick(m_fs, m_root, "", "kickflip.ska", "flip", "hardflip.ska");
        QVERIFY(!QFileInfo::exists(trick));
        // A copy onto the game's cas part and one into the backup folder were killed.
        const QString cas = platform::temporaryNameFor(u"board_defaultcas.dat");
        const QString col = platform::temporaryNameFor(u"board_defaultcol.dat");
        QVERIFY(writeFile(models + '/' + cas, "half a file"));
        QVERIFY(writeFile(flip + "/.vertz-0badc0de", "half a file"));
#ifndef Q_OS_WIN // a link made on Windows is a shortcut file
        QVERIFY(QFile::link(outside + "/target", models + '/' + col));
#endif
        QVERIFY(writeFile(models + "/.vertz-notmine", "a player's file"));
        // And the folder an older version staged a board in.
        QVERIFY(QDir(models).mkdir("temp") && writeFile(models + "/temp/board_bananacas.dat", "x"));
        board::swapBoard(m_fs, m_root, false, "default");
        QVERIFY(!QFileInfo::exists(models + "/temp"));
        tricks::restoreTrick(m_fs, m_root, "flip", "hardflip.ska");
        QVERIFY(tricks::backupFolderIsEmpty(m_fs, m_root, "flip"));
        tricks::removeBackupFolder(m_fs, m_root, "flip");
        QVERIFY(!QFileInfo::exists(flip));
        QStringList kept = {".vertz-notmine"};
#ifndef Q_OS_WIN
        kept = QStringList{col, ".vertz-notmine"};
        kept.sort();
#endif
        QCOMPARE(QDir(models).entryList({".vertz-*"}, QDir::Files | QDir::Hidden | QDir::System),
                 kept);
        QCOMPARE(readFile(outside + "/target"), QByteArray("the player's own target"));
    }

    void displayBackupLinksAreNotFollowed()
    {
#ifdef Q_OS_WIN
        QSKIP("links: Windows makes shortcut files");
#else
        // A font backup that is a link loses itself, not its target.
        const QString outside = makeOutside({}) + "/smallfnt.dat";
        QVERIFY(copyDeliveredFiles());
        const auto vanilla = snapshot(m_game);
        display::setShown(m_fs, m_root, false, display::Element::Font, false);
        const QString backup = native("Game\\data\\fonts\\fontbackup\\smallfnt.dat");
        QVERIFY(QFile::rename(backup, outside) && QFile::link(outside, backup));
        display::setShown(m_fs, m_root, false, display::Element::Font, true);
        QCOMPARE(snapshot(m_game), vanilla);
        QCOMPARE(readFile(outside), readFile(native("Game\\data\\fonts\\smallfnt.dat")));
        // A link in place of the image backup folder is refused.
        QVERIFY(QFile::link(m_bench->path("outside"),
                            native("Game\\data\\images\\PanelSprites") + "/panelspritesbackup"));
        QVERIFY_THROWS_EXCEPTION(
            platform::FileError,
            display::setShown(m_fs, m_root, false, display::Element::Hud, false));
        QCOMPARE(QDir(m_bench->path("outside")).entryList(QDir::Files),
                 QStringList{"smallfnt.dat"});
#endif
    }

    // Both variants may use one install: restoring the fonts of one keeps
    // the other's backups, and the player's own files there.
    void fontRestoreKeepsWhatIsNotItsOwn()
    {
        QVERIFY(copyDeliveredFiles());
        fixture::makeInstall(m_game, Variant::Demo);
        const auto vanilla = snapshot(m_game);
        for (const bool shown : {false, true}) {
            display::setShown(m_fs, m_root, true, display::Element::Font, shown);
            display::setShown(m_fs, m_root, false, display::Element::Font, shown);
        }
        QCOMPARE(snapshot(m_game), vanilla);
        const QString fonts = native("Game\\data\\fonts\\fontbackup");
        QVERIFY(!QFileInfo::exists(fonts));
        display::setShown(m_fs, m_root, false, display::Element::Font, false);
        const QStringList mine{"my-font-notes.txt", "smallfnt (my edit).dat"};
        QVERIFY(writeFile(fonts + '/' + mine[0], "mine") && writeFile(fonts + '/' + mine[1], "x"));
        display::setShown(m_fs, m_root, false, display::Element::Font, true);
        QCOMPARE(QDir(fonts).entryList(QDir::Files), mine);
    }

    // A removal or MotoX on that cannot be stored does not reach the files: a
    // start after a kill before the save would show a state the game lacks.
    void unstoredChangesLeaveTheFiles()
    {
        QVERIFY(copyDeliveredFiles());
        TestBench::writeIni(TestBench::ini(m_root, m_root, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        AppContext ctx(m_dialogs);
        DisplayPage display(ctx);
        LevelsPage levels(ctx);
        ctx.loadSettings();
        display.showStoredState();
        const auto was = snapshot(m_game);
        QVERIFY(QFile::remove("vertzmod.ini") && QDir().mkdir("vertzmod.ini"));
        for (QCheckBox *box : {display.chkHud, display.chkFont, levels.chkMotox}) {
            const bool stored = box->isChecked();
            box->setChecked(!stored);
            QCOMPARE(box->isChecked(), stored);
        }
        QCOMPARE(snapshot(m_game), was);
    }

    void swapFailuresNameTheirCause_data()
    {
        QTest::addColumn<Faults::Step>("step");
        QTest::addColumn<std::errc>("code");
        QTest::addColumn<QString>("file"); // the first the step meets
        QTest::addColumn<QString>("cause");
        const QString backup = "boardbakup\\board_defaultcas.dat";
        QTest::newRow("disk full") << Faults::Step::Write << std::errc::no_space_on_device << backup
                                   << "The disk is full.";
        QTest::newRow("too large") << Faults::Step::Write << std::errc::file_too_large << backup
                                   << "The file is too large to be written there.";
        QTest::newRow("no permission") << Faults::Step::Create << std::errc::permission_denied
                                       << backup << "No permission to write %1.";
        QTest::newRow("file missing")
            << Faults::Step::Read << std::errc::no_such_file_or_directory << "board_defaultcas.dat"
            << "The file %1 is missing.";
    }
    // Nothing changes, and an injected failure reads as the real one where a
    // test can cause it: a size limit (the program's FileSystem keeps it from
    // killing the process), a backup folder not writable.
    void swapFailuresNameTheirCause()
    {
        QFETCH(Faults::Step, step);
        QFETCH(std::errc, code);
        QFETCH(QString, file);
        QFETCH(QString, cause);
        TestBench::writeIni(TestBench::ini(m_root, m_root, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        AppContext ctx(m_dialogs);
        ctx.loadSettings();
        BoardPage page(ctx);
        page.show();
        const auto was = snapshot(m_game);
        const auto swap = [&] {
            m_dialogs.shown.clear();
            QTest::mouseDClick(page.Board[1], Qt::LeftButton);
            return m_dialogs.messages();
        };
        Faults faults;
        faults.step = step;
        faults.code = std::make_error_code(code);
        ctx.files.setFaultInjector(&faults);
        const auto shown = swap();
        ctx.files.setFaultInjector(nullptr);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QString("Error! Directory not found."));
        const QString path = QDir::toNativeSeparators(native(fixture::boardFolder + file));
        QVERIFY2(shown[0].informative.startsWith(cause.replace("%1", path) + "\n\n"),
                 qPrintable(shown[0].informative));
#ifdef Q_OS_UNIX
        if (code == std::errc::file_too_large) {
            FileSizeLimit limit(8);
            std::signal(SIGXFSZ, SIG_DFL);
            platform::FileSystem fs; // what the program makes before any file work
            QCOMPARE(swap().value(0).informative, shown[0].informative);
        }
        if (code == std::errc::permission_denied) {
            ScopedPermissions locked(QFileInfo(path).path(), ScopedPermissions::readOnly);
            AsPlainUser user;
            QCOMPARE(swap().value(0).informative, shown[0].informative);
        }
#endif
        QCOMPARE(snapshot(m_game), was);
    }
};

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
