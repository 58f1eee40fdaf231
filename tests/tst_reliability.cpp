#include "tests/TestSupport.h"

#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"

#include "mods/board/BoardPage.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayMods.h"
#include "mods/display/DisplayPage.h"
#include "mods/levels/LevelsPage.h"
#include "mods/levels/MotoxMod.h"
#include "mods/tricks/TrickCopy.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"
#include "settings/AppContext.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iterator>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using fixture::Variant;
using platform::FileError;

Q_DECLARE_METATYPE(platform::FaultInjector::Step)
Q_DECLARE_METATYPE(std::errc)

// Faults a hostile folder, a kill or a full disk once caused, each kept out.
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
    QString gameBoard(const QString &part) const
    {
        return fixture::boardFolder + fixture::boardFile(Variant::Full, "default", part);
    }

    // Each file of the game's board is whole, that part of one of the boards
    // keys names; each backup there is the game's own; no temporary file is left.
    bool boardIsWhole(const QStringList &keys)
    {
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            const QByteArray game = readFile(native(gameBoard(part)));
            if (std::none_of(keys.begin(), keys.end(), [&](const QString &key) {
                    return game
                           == fixture::contentOf(
                               Variant::Full,
                               fixture::boardFolder + fixture::boardFile(Variant::Full, key, part));
                }))
                return false;
            const QString backup = native(fixture::boardFolder + "boardbakup\\"
                                          + fixture::boardFile(Variant::Full, "default", part));
            if (QFileInfo::exists(backup)
                && readFile(backup) != fixture::contentOf(Variant::Full, gameBoard(part)))
                return false;
        }
        const auto files = snapshot(m_game).keys();
        return std::none_of(files.begin(), files.end(),
                            [](const QString &f) { return f.contains(".vertz-"); });
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
    }
    void cleanup() { m_bench.reset(); }

#ifdef Q_OS_UNIX
    void linksInPlaceOfOwnFoldersAreNeverFollowed()
    {
        struct Case {
            const char *folder; // below the game root
            bool refused;       // false: not the program's folder any more, left alone
            std::function<void()> act;
        };
        using display::Element;
        const QList<Case> cases{
            {"Game\\Data\\models\\Skater_m\\boardbakup", true,
             [&] { board::swapBoard(m_fs, m_root, false, "banana"); }},
            {"Game\\Data\\models\\Skater_m\\temp", false,
             [&] { board::swapBoard(m_fs, m_root, false, "banana"); }},
            {"Game\\data\\anims\\trickbackup", true,
             [&] { tricks::copyTrick(m_fs, m_root, "", "kickflip.ska", "", "ollie.ska"); }},
            {"Game\\data\\anims\\trickbackup\\flip", true,
             [&] { tricks::copyTrick(m_fs, m_root, "", "kickflip.ska", "flip", "hardflip.ska"); }},
            {"Game\\data\\scripts\\scriptsbackup", true,
             [&] { levels::applyMotox(m_fs, m_root, true, true); }},
            {"Game\\data\\levels\\Motox\\motoxbackup", true,
             [&] { levels::applyMotox(m_fs, m_root, true, true); }},
            {"Game\\data\\images\\PanelSprites\\panelspritesbackup", true,
             [&] { display::setShown(m_fs, m_root, false, Element::Hud, false); }},
            {"Game\\data\\fonts\\fontbackup", true,
             [&] { display::setShown(m_fs, m_root, false, Element::Font, false); }},
        };
        for (const Case &c : cases) {
            init();
            const QString outside = makeOutside(
                {fixture::boardFile(Variant::Full, "default", "cas"), "hardflip.ska", "ollie.ska",
                 "gamemenu.qb", "Motox_Scripts.qb", "specialimg.dat", "smallfnt.dat", "keep"});
            const QString link = native(QString::fromLatin1(c.folder));
            QDir().mkpath(QFileInfo(link).path());
            QVERIFY(QFile::link(outside, link));
            const auto before = snapshot(outside);
            try {
                c.act();
                QVERIFY2(!c.refused, c.folder);
            } catch (const FileError &e) {
                QVERIFY2(c.refused, qPrintable(e.explain()));
                QVERIFY2(e.explain().contains("link"), qPrintable(e.explain()));
            }
            QCOMPARE(snapshot(outside), before);
        }
    }

    void settingsFileIsNeverWrittenThroughALink()
    {
        const QString outside = makeOutside({"system.conf"});
        QVERIFY(QFile::link(outside + "/system.conf", "vertzmod.ini"));
        ModSettings s;
        s.fullBoard = 3;
        QVERIFY(!saveSettings(s, m_dialogs));
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error! The settings could not be saved."));
        QCOMPARE(m_dialogs.messages()[0].title, QString("OMG TEH ERROR"));
        QVERIFY(m_dialogs.messages()[0].informative.contains("is a link"));
        QCOMPARE(readFile(outside + "/system.conf"), QByteArray("the player's own system.conf"));
        QVERIFY(QFileInfo("vertzmod.ini").isSymLink());
    }

    void settingsPipeIsNeverWaitedOn()
    {
        QVERIFY(::mkfifo("vertzmod.ini", 0644) == 0);
        ::alarm(20); // a start-up waiting on the pipe ends the test as a failure
        ModSettings s;
        loadSettings(s, m_dialogs, {});
        ::alarm(0);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error! The settings could not be saved."));
        QVERIFY(m_dialogs.messages()[0].informative.contains("not a plain file"));
        struct stat st;
        QVERIFY(::lstat("vertzmod.ini", &st) == 0 && S_ISFIFO(st.st_mode));
    }

    void undecodableFolderKeepsItsBytes()
    {
        // "Spél" in Latin-1: no valid UTF-8.
        const QByteArray folder = QFile::encodeName(m_bench->path("")) + "/Sp\xe9l";
        QVERIFY(::rename(QFile::encodeName(m_game).constData(), folder.constData()) == 0);
        // Qt cannot name it to remove it: put the plain name back however the test ends.
        const auto back = qScopeGuard(
            [&] { ::rename(folder.constData(), QFile::encodeName(m_game).constData()); });
        const QByteArray line = folder + '\\';
        TestBench::writeIni(line + "\r\n" + line
                            + "\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n"
                              "1\r\n1\r\n");
        AppContext ctx(m_dialogs);
        ctx.loadSettings();
        QVERIFY_THROWS_NO_EXCEPTION(
            board::swapBoard(ctx.files, ctx.settings.gameRoot, false, "banana"));
        std::ifstream in((folder + "/Game/Data/models/Skater_m/board_defaultcas.dat").constData(),
                         std::ios::binary);
        const std::string cas{std::istreambuf_iterator<char>(in), {}};
        QCOMPARE(QByteArray(cas.data(), qsizetype(cas.size())),
                 fixture::contentOf(Variant::Full, fixture::boardFolder + "board_bananacas.dat"));
        ctx.settings.fullBoard = 1;
        QVERIFY(ctx.saveSettings());
        QCOMPARE(TestBench::iniLine(1), line);
        QCOMPARE(TestBench::iniLine(2), line);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void leftoversOfKilledCopiesAreCleared()
    {
        const QString models = native(fixture::boardFolder);
        const QString outside = makeOutside({"target"});
        QVERIFY(writeFile(models + "/.vertz-0badc0de", "half a board"));
        QVERIFY(QFile::link(outside + "/target", models + "/.vertz-1badc0de"));
        QVERIFY(writeFile(models + "/.vertz-notmine", "a player's file"));
        QVERIFY_THROWS_NO_EXCEPTION(board::swapBoard(m_fs, m_root, false, "banana"));
        QVERIFY(!QFileInfo::exists(models + "/.vertz-0badc0de"));
        QVERIFY(QFileInfo(models + "/.vertz-1badc0de").isSymLink());
        QCOMPARE(readFile(outside + "/target"), QByteArray("the player's own target"));
        QCOMPARE(readFile(models + "/.vertz-notmine"), QByteArray("a player's file"));
        QCOMPARE(
            QDir(models).entryList({".vertz-*"}, QDir::Files | QDir::Hidden | QDir::System).size(),
            2);
    }

    // A start puts the stored board back, mostly a copy with nothing to do;
    // a restore empties a backup folder but for what a kill left there.
    void leftoversGoWhereNothingIsCopied()
    {
        const QString models = native(fixture::boardFolder);
        const QString flip = native("Game\\data\\anims\\trickbackup\\flip");
        tricks::copyTrick(m_fs, m_root, "", "kickflip.ska", "flip", "hardflip.ska");
        for (const QString &folder : {models, flip})
            QVERIFY(writeFile(folder + "/.vertz-0badc0de", "half a file"));
        board::swapBoard(m_fs, m_root, false, "default");
        tricks::restoreTrick(m_fs, m_root, "flip", "hardflip.ska");
        QVERIFY(tricks::backupFolderIsEmpty(m_fs, m_root, "flip"));
        tricks::removeBackupFolder(m_fs, m_root, "flip");
        QVERIFY(!QFileInfo::exists(models + "/.vertz-0badc0de"));
        QVERIFY(!QFileInfo::exists(flip));
    }

    void fileSizeLimitFailsTheCopyInsteadOfKilling()
    {
        std::signal(SIGXFSZ, SIG_DFL);
        platform::FileSystem fs; // what the program makes before any file work
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &old); });
        rlimit limited = old;
        limited.rlim_cur = 8;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        try {
            board::swapBoard(fs, m_root, false, "banana");
            QFAIL("the swap went past the size limit");
        } catch (const FileError &e) {
            QVERIFY2(e.explain().startsWith("The file is too large"), qPrintable(e.explain()));
        }
        QVERIFY(boardIsWhole({"default"}));
    }

    void injectedFaultsReadAsRealOnes()
    {
        const QString from = m_root + fixture::boardFolder + "board_bananacas.dat";
        const QString to = m_root + fixture::boardFolder + "board_defaultcas.dat";
        QString real;
        {
            ScopedPermissions locked(native(fixture::boardFolder), ScopedPermissions::readOnly);
            AsPlainUser user;
            try {
                m_fs.copyFile(from, to);
            } catch (const FileError &e) {
                real = e.describe();
            }
        }
        Faults faults;
        faults.step = Faults::Step::Create;
        faults.code = std::make_error_code(std::errc::permission_denied);
        m_fs.setFaultInjector(&faults);
        try {
            m_fs.copyFile(from, to);
            QFAIL("no injected failure");
        } catch (const FileError &e) {
            QCOMPARE(e.describe(), real);
        }
        m_fs.setFaultInjector(nullptr);
    }
#endif

    void boardSwapFailingAtEachStepKeepsFilesWhole()
    {
        for (int n = 1;; ++n) {
            init();
            Faults faults;
            faults.failAt = n;
            faults.code = std::make_error_code(n % 2 ? std::errc::no_space_on_device
                                                     : std::errc::text_file_busy);
            m_fs.setFaultInjector(&faults);
            try {
                board::swapBoard(m_fs, m_root, false, "banana");
            } catch (const FileError &e) {
                QCOMPARE(e.code(), faults.code);
            }
            m_fs.setFaultInjector(nullptr);
            QVERIFY(boardIsWhole({"default", "banana"}));
            if (faults.failed == 0) {
                QVERIFY(n > 10); // every backup and copy step was met
                break;
            }
        }

        // Faults at random, from a seed, over swaps back and forth; once they
        // stop, the game's own board comes back whole.
        Faults faults;
        faults.chance = 0.2;
        faults.random.seed(7);
        m_fs.setFaultInjector(&faults);
        for (const QString key : {"banana", "default", "hover", "long", "default", "ollie"}) {
            try {
                board::swapBoard(m_fs, m_root, false, key);
            } catch (const FileError &) {
            }
            QVERIFY(boardIsWhole(fixture::boardKeys()));
        }
        m_fs.setFaultInjector(nullptr);
        QVERIFY(faults.failed > 0);
        board::swapBoard(m_fs, m_root, false, "default");
        QVERIFY(boardIsWhole({"default"}));
    }

    // A step failing while blanking or showing an element undoes the steps
    // before it: the files stay as before the click, as the box says.
    void displayFailureKeepsTheStateBeforeTheClick()
    {
        QVERIFY(copyDeliveredFiles());
        TestBench::writeIni(TestBench::ini(m_root, m_root, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        AppContext ctx(m_dialogs);
        ctx.loadSettings();
        DisplayPage page(ctx);
        const display::ElementFiles &hud = display::filesOf(display::Element::Hud);
        for (int n = 1, failed = 1; failed > 0; ++n) {
            failed = 0;
            for (const bool show : {false, true}) {
                Faults faults;
                faults.failAt = n;
                ctx.files.setFaultInjector(nullptr);
                page.chkHud->setChecked(!show);
                ctx.files.setFaultInjector(&faults);
                page.chkHud->setChecked(show);
                failed += faults.failed;
                QCOMPARE(page.chkHud->isChecked(), faults.failed ? !show : show);
                for (const QString &name : display::fileNames(display::Element::Hud, false)) {
                    const QString rel = QString(hud.folder) + '\\' + name;
                    QCOMPARE(readFile(native(rel)), page.chkHud->isChecked()
                                                        ? fixture::contentOf(Variant::Full, rel)
                                                        : deliveredFile(hud.blankFile));
                }
            }
        }
        ctx.files.setFaultInjector(nullptr);
    }

    // So does a failing MotoX box.
    void motoxFailureKeepsTheStateBeforeTheClick()
    {
        QVERIFY(copyDeliveredFiles());
        TestBench::writeIni(TestBench::ini(m_root, m_root, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1}));
        AppContext ctx(m_dialogs);
        ctx.loadSettings();
        LevelsPage page(ctx);
        const QString menu = "Game\\data\\scripts\\gamemenu.qb";
        for (int n = 1, failed = 1; failed > 0; ++n) {
            Faults faults;
            faults.failAt = n;
            ctx.files.setFaultInjector(nullptr);
            page.chkMotox->setChecked(false);
            ctx.files.setFaultInjector(&faults);
            page.chkMotox->setChecked(true);
            failed = faults.failed;
            QCOMPARE(page.chkMotox->isChecked(), failed == 0);
            QCOMPARE(readFile(native(menu)), failed ? fixture::contentOf(Variant::Full, menu)
                                                    : deliveredFile("gamemenu.qb"));
        }
        ctx.files.setFaultInjector(nullptr);
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
        QTest::newRow("no permission") << Faults::Step::Create << std::errc::permission_denied
                                       << backup << "No permission to write %1.";
        QTest::newRow("file missing")
            << Faults::Step::Read << std::errc::no_such_file_or_directory << "board_defaultcas.dat"
            << "The file %1 is missing.";
    }
    void swapFailuresNameTheirCause()
    {
        QFETCH(Faults::Step, step);
        QFETCH(std::errc, code);
        QFETCH(QString, file);
        QFETCH(QString, cause);
        TestBench::writeIni(TestBench::ini(m_root, m_root, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        AppContext ctx(m_dialogs);
        ctx.loadSettings();
        Faults faults;
        faults.step = step;
        faults.code = std::make_error_code(code);
        ctx.files.setFaultInjector(&faults);
        BoardPage page(ctx);
        page.show();
        QTest::mouseDClick(page.findChild<QRadioButton *>("Board_1"), Qt::LeftButton);
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(m_dialogs.messages()[0].text, QString("Error! Directory not found."));
        const QString path = QDir::toNativeSeparators(native(fixture::boardFolder + file));
        QVERIFY2(m_dialogs.messages()[0].informative.startsWith(QString(cause).replace("%1", path)
                                                                + "\n\n"),
                 qPrintable(m_dialogs.messages()[0].informative));
    }
};

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
