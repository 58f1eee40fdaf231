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
#include "mods/tricks/TricksPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"
#include "settings/AppContext.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <fstream>
#include <iterator>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using fixture::Variant;
using platform::FileError;

Q_DECLARE_METATYPE(platform::FaultInjector::Step)
Q_DECLARE_METATYPE(std::errc)

enum class Mod { Board, Trick, Display, Motox };
// What stands in the way: a read-only file, the game's own backed up into a
// read-only file, a folder, a link to a folder outside, a player's file.
enum class Hostile { ReadOnly, ReadOnlyBackup, Folder, Link, PlayersFile };
Q_DECLARE_METATYPE(Mod)
Q_DECLARE_METATYPE(Hostile)

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

    // A run of the program on the install, every page shown.
    struct Run {
        AppContext ctx;
        BoardPage board{ctx};
        TricksPage tricks{ctx};
        DisplayPage display{ctx};
        LevelsPage levels{ctx};
        explicit Run(ScriptedDialogs &dialogs) : ctx(dialogs) {}
    };
    std::unique_ptr<Run> start(const QList<int> &numbers)
    {
        TestBench::writeIni(TestBench::ini(m_root, m_root, numbers));
        auto run = std::make_unique<Run>(m_dialogs);
        run->ctx.loadSettings();
        run->display.showStoredState();
        run->levels.showStoredState();
        for (QWidget *page : std::initializer_list<QWidget *>{&run->board, &run->tricks,
                                                              &run->display, &run->levels})
            page->show();
        return run;
    }
    static QString gamePathOf(QString backup)
    {
        return backup.remove(QRegularExpression(R"([\\/]\w+ba(c)?kup(?=[\\/]))"));
    }
    // What changed in the install since was: a file lost or other, or a new
    // one that is no backup of the file it had.
    QString changedSince(const QMap<QString, QByteArray> &was)
    {
        const auto now = snapshot(m_game);
        for (auto f = was.begin(); f != was.end(); ++f) {
            if (now.contains(f.key()) ? now[f.key()] != f.value() : gamePathOf(f.key()) == f.key())
                return "changed: " + f.key();
        }
        for (auto f = now.begin(); f != now.end(); ++f) {
            if (!was.contains(f.key()) && was.value(gamePathOf(f.key())) != f.value())
                return "new: " + f.key();
        }
        return {};
    }
    // Hands the bench to the plain user of AsPlainUser.
    void giveAwayBench()
    {
        if (::geteuid() != 0)
            return;
        QDirIterator it(m_bench->path(""),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        ::lchown(QFile::encodeName(m_bench->path("")).constData(), 65534, 65534);
        while (it.hasNext())
            ::lchown(QFile::encodeName(it.next()).constData(), 65534, 65534);
    }

private slots:
    void initTestCase() { setUpLook(); }

    void hostileEntriesFailCleanlyOrWork_data()
    {
        QTest::addColumn<Hostile>("hostile");
        QTest::addColumn<QString>("entry"); // below the game root; "deep": a trick that deep
        QTest::addColumn<QString>("cause"); // in the message; none: it works
        const QString m = fixture::boardFolder, a = "Game\\data\\anims\\",
                      s = "Game\\data\\scripts\\", p = "Game\\data\\images\\PanelSprites\\",
                      f = "Game\\data\\fonts\\", x = "Game\\data\\levels\\Motox\\",
                      folder = "is a folder, not a file.";
        const auto row = [](const char *name, Hostile h, const QString &entry,
                            const QString &cause) { QTest::newRow(name) << h << entry << cause; };
        // Rows named "demo ..." run on the demo.
        row("read-only board", Hostile::ReadOnly, m + "board_defaultcas.dat", "");
        row("demo read-only board backup", Hostile::ReadOnlyBackup,
            m + "boardbakup\\board_default.col.xbx", "");
        row("demo board file a folder", Hostile::Folder, m + "board_default.usg.xbx", folder);
        row("board backup a folder", Hostile::Folder, m + "boardbakup\\board_defaultcol.dat",
            folder);
        row("board backups a link", Hostile::Link, m + "boardbakup", "link");
        row("old staging a link", Hostile::Link, m + "temp", "");
        row("read-only trick", Hostile::ReadOnly, a + "ollie.ska", "");
        row("read-only trick backup", Hostile::ReadOnlyBackup, a + "trickbackup\\ollie.ska", "");
        row("trick a folder", Hostile::Folder, a + "flip\\hardflip.ska", folder);
        row("trick backup a folder", Hostile::Folder, a + "trickbackup\\ollie.ska", folder);
        row("trick backups a link", Hostile::Link, a + "trickbackup", "link");
        row("trick backup folder a link", Hostile::Link, a + "trickbackup\\flip", "link");
        row("255-byte trick name", Hostile::PlayersFile, a + QString(251, 'l') + ".ska", "");
        row("demo Japanese trick name", Hostile::PlayersFile, a + "grab\\キックフリップ.ska", "");
        row("emoji trick name", Hostile::PlayersFile, a + "🛹 ollie.ska", "");
        row("trick too deep for its backup", Hostile::PlayersFile, a + "deep", "is too long.");
        row("demo read-only HUD", Hostile::ReadOnly, p + "special.img.xbx", "");
        row("read-only HUD backup", Hostile::ReadOnlyBackup,
            p + "panelspritesbackup\\specialimg.dat", "");
        row("HUD image a folder", Hostile::Folder, p + "specialimg.dat", folder);
        row("demo font backup a folder", Hostile::Folder, f + "fontbackup\\small.fnt.xbx", folder);
        row("HUD backups a link", Hostile::Link, p + "panelspritesbackup", "link");
        row("font backups a link", Hostile::Link, f + "fontbackup", "link");
        row("read-only MotoX script", Hostile::ReadOnly, x + "Motox_Scripts.qb", "");
        row("MotoX script a folder", Hostile::Folder, x + "Motox_Scripts.qb", folder);
        row("menu backup a folder", Hostile::Folder, s + "scriptsbackup\\gamemenu.qb", folder);
        row("menu backups a link", Hostile::Link, s + "scriptsbackup", "link");
        row("MotoX backups a link", Hostile::Link, x + "motoxbackup", "link");
    }
    // Each works, undone to the bytes before, or fails with a plain cause,
    // nothing written as if it worked, nothing half-done, nothing outside touched.
    void hostileEntriesFailCleanlyOrWork()
    {
        QFETCH(Hostile, hostile);
        QFETCH(QString, entry);
        QFETCH(QString, cause);
        const Variant variant = QTest::currentDataTag()[0] == 'd' ? Variant::Demo : Variant::Full;
        const QString anims = "Game\\data\\anims\\";
        const Mod mod = entry.contains("models")                              ? Mod::Board
                        : entry.startsWith(anims)                             ? Mod::Trick
                        : entry.contains("Sprites") || entry.contains("font") ? Mod::Display
                                                                              : Mod::Motox;
        // The destination of a trick copy below the trick root.
        QString trick
            = QString(entry).remove(anims).remove(QRegularExpression("^trickbackup\\\\?"));
        if (!trick.endsWith(".ska"))
            trick += trick.isEmpty() ? "ollie.ska" : "\\hardflip.ska";
        if (variant == Variant::Demo) {
            QVERIFY(QDir(m_game).removeRecursively());
            fixture::makeInstall(m_game, variant);
        }
        QVERIFY(copyDeliveredFiles());
        const QString outside
            = makeOutside({"board_defaultcas.dat", "ollie.ska", "hardflip.ska", "gamemenu.qb",
                           "Motox_Scripts.qb", "specialimg.dat", "smallfnt.dat"});
        QString path = native(entry);
        if (trick.startsWith("deep")) { // as deep as the game's paths may go, and no deeper
            path = native("Game\\data\\anims");
            while (path.size() < 3900)
                path += '/' + QString(100, 'd');
            path += '/' + QString(4080 - path.size(), 'e') + "/deep.ska";
            trick = path.mid(native("Game\\data\\anims").size() + 1).replace('/', '\\');
        }
        QDir().mkpath(QFileInfo(path).path());
        if (hostile == Hostile::ReadOnlyBackup)
            QVERIFY(writeFile(path, fixture::contentOf(variant, gamePathOf(entry))));
        if (hostile == Hostile::ReadOnly || hostile == Hostile::ReadOnlyBackup)
            QVERIFY(QFile::setPermissions(path,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        if (hostile == Hostile::Link)
            QVERIFY(QFile::link(outside, path));
        if (hostile == Hostile::PlayersFile)
            QVERIFY(writeFile(path, "the player's own " + QFileInfo(path).fileName().toUtf8()));
        const bool demo = variant == Variant::Demo;
        auto run = start({0, 0, demo, 0, 1, 1, 1, 1, 1, 1, 1});
        const auto pointAt = [&](const char *dir, const char *file, const QString &at) {
            run->tricks.findChild<QWidget *>(dir)->setProperty("path", QFileInfo(at).path());
            run->tricks.findChild<QWidget *>(file)->setProperty("fileName",
                                                                QFileInfo(at).fileName());
        };
        const QString tricks = native("Game\\data\\anims");
        if (mod == Mod::Trick) {
            pointAt("Dir1", "File1", tricks + "/kickflip.ska");
            pointAt("Dir2", "File2", native("Game\\data\\anims\\" + trick));
        }
        // Made last, as another program of the player's might between the listing and the click.
        if (hostile == Hostile::Folder && (QFile::remove(path) || true))
            QVERIFY(QDir().mkpath(path));
        giveAwayBench();
        AsPlainUser user;
        const auto was = snapshot(m_game);
        const auto outsideWas = snapshot(outside);
        const QByteArray ini = TestBench::readIni();
        QCheckBox *box = entry.contains("font") ? run->display.chkFont : run->display.chkHud;
        const auto act = [&](bool undo) {
            m_dialogs.shown.clear();
            if (mod == Mod::Board) {
                QTest::mouseDClick(
                    run->board.findChild<QRadioButton *>(undo ? "Board_0" : "Board_1"),
                    Qt::LeftButton);
            } else if (mod == Mod::Trick) {
                if (undo) {
                    QTest::mouseClick(run->tricks.cmdRestore, Qt::LeftButton);
                    pointAt("Dir1", "File1",
                            tricks + "/trickbackup/" + QString(trick).replace('\\', '/'));
                }
                QTest::mouseClick(run->tricks.cmdCopy, Qt::LeftButton);
            } else if (mod == Mod::Display) {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            } else {
                QTest::mouseClick(run->levels.chkMotox, Qt::LeftButton, {}, QPoint(6, 6));
            }
            const auto shown = m_dialogs.messages();
            return shown.isEmpty() || shown.last().title != "OMG TEH ERROR"
                       ? QString()
                       : shown.last().text + ": " + shown.last().informative;
        };
        const QString failure = act(false);
        if (cause.isEmpty()) {
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QVERIFY(snapshot(m_game) != was);
            QVERIFY2(act(true).isEmpty(), qPrintable(failure));
        } else {
            QVERIFY2(failure.startsWith("Error!") && failure.contains(cause), qPrintable(failure));
            QCOMPARE(TestBench::readIni(), ini);
        }
        QCOMPARE(changedSince(was), QString());
        QCOMPARE(snapshot(outside), outsideWas);
    }
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
        const auto run = start({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        AppContext &ctx = run->ctx;
        DisplayPage &page = run->display;
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
        const auto run = start({0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1});
        AppContext &ctx = run->ctx;
        LevelsPage &page = run->levels;
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
        const auto run = start({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        Faults faults;
        faults.step = step;
        faults.code = std::make_error_code(code);
        run->ctx.files.setFaultInjector(&faults);
        QTest::mouseDClick(run->board.findChild<QRadioButton *>("Board_1"), Qt::LeftButton);
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
