#include "tests/TestSupport.h"

#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"

#include "mods/board/BoardPage.h"
#include "mods/board/BoardSwap.h"
#include "mods/display/DisplayPage.h"
#include "mods/levels/LevelsPage.h"
#include "mods/tricks/TrickCopy.h"
#include "mods/tricks/TricksPage.h"
#include "platform/FileSystem.h"
#include "platform/Look.h"
#include "settings/AppContext.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using fixture::Variant;
using platform::FileError;

Q_DECLARE_METATYPE(platform::FaultInjector::Step)
Q_DECLARE_METATYPE(std::errc)

// What stands in the way: a read-only file (a backup holding the game's own),
// a folder, a link to a folder outside, a player's file.
enum class Hostile { ReadOnly, Folder, Link, PlayersFile };
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
        // In the program's own spelling, which a failed click may write again.
        run->ctx.saveSettings();
        run->display.showStoredState();
        run->levels.showStoredState();
        run->board.show(), run->tricks.show(), run->display.show(), run->levels.show();
        return run;
    }
    static QString gamePathOf(QString backup)
    {
        return backup.remove(QRegularExpression(R"([\\/]\w+ba(c)?kup(?=[\\/]))"));
    }
    // What changed in the install since was: a file lost or other than
    // may allows, or a new one that is no backup of the file it had.
    QString changedSince(const QMap<QString, QByteArray> &was,
                         const QMultiMap<QString, QByteArray> &may = {})
    {
        const auto now = snapshot(m_game);
        for (auto f = was.begin(); f != was.end(); ++f) {
            if (now.contains(f.key())
                    ? now[f.key()] != f.value() && !may.contains(f.key(), now[f.key()])
                    : gamePathOf(f.key()) == f.key())
                return "changed: " + f.key();
        }
        for (auto f = now.begin(); f != now.end(); ++f) {
            const QString game = gamePathOf(f.key());
            if (!was.contains(f.key()) && (game == f.key() || was.value(game, "-") != f.value()))
                return "new: " + f.key();
        }
        return {};
    }
    // Hands the bench to the plain user of AsPlainUser; links stay links.
    void giveAwayBench()
    {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QProcess::execute("chown", {"-hR", "65534:65534", m_bench->path("")});
#endif
    }
    // Tests on the demo name their data rows "demo ...".
    static bool onDemo()
    {
        return QByteArray(QTest::currentDataTag()).startsWith("demo ");
    }

private slots:
    void initTestCase()
    {
        setUpLook();
    }

    void hostileEntriesFailCleanlyOrWork_data()
    {
        QTest::addColumn<Hostile>("hostile");
        QTest::addColumn<QString>("entry"); // below the game root; "deep": a trick that deep
        QTest::addColumn<QString>("cause"); // in the message; none: it works
        const Hostile ro = Hostile::ReadOnly, dir = Hostile::Folder, ln = Hostile::Link,
                      own = Hostile::PlayersFile;
        const QString m = fixture::boardFolder, a = "Game\\data\\anims\\",
                      s = "Game\\data\\scripts\\", p = "Game\\data\\images\\PanelSprites\\",
                      f = "Game\\data\\fonts\\", x = "Game\\data\\levels\\Motox\\",
                      folder = "is a folder, not a file.";
        const auto row = [](const char *name, Hostile h, const QString &entry,
                            const QString &cause) { QTest::newRow(name) << h << entry << cause; };
        row("read-only board", ro, m + "board_defaultcas.dat", "");
        row("demo read-only board backup", ro, m + "boardbakup\\board_default.col.xbx", "");
        row("demo board file a folder", dir, m + "board_default.usg.xbx", folder);
        row("board backup a folder", dir, m + "boardbakup\\board_defaultcol.dat", folder);
        row("board backups a link", ln, m + "boardbakup", "link");
        row("old staging a link", ln, m + "temp", "");
        row("read-only trick", ro, a + "ollie.ska", "");
        row("read-only trick backup", ro, a + "trickbackup\\ollie.ska", "");
        row("trick a folder", dir, a + "flip\\hardflip.ska", folder);
        row("trick backup a folder", dir, a + "trickbackup\\ollie.ska", folder);
        row("trick backups a link", ln, a + "trickbackup", "link");
        row("trick backup folder a link", ln, a + "trickbackup\\flip", "link");
        row("255-byte trick name", own, a + QString(251, 'l') + ".ska", "");
        row("demo Japanese trick name", own, a + "grab\\キックフリップ.ska", "");
        row("emoji trick name", own, a + "🛹 ollie.ska", "");
        row("trick too deep for its backup", own, a + "deep", "is too long.");
        row("demo read-only HUD", ro, p + "special.img.xbx", "");
        row("read-only HUD backup", ro, p + "panelspritesbackup\\specialimg.dat", "");
        row("HUD image a folder", dir, p + "specialimg.dat", folder);
        row("demo font backup a folder", dir, f + "fontbackup\\small.fnt.xbx", folder);
        row("HUD backups a link", ln, p + "panelspritesbackup", "link");
        row("read-only MotoX script", ro, x + "Motox_Scripts.qb", "");
        row("MotoX script a folder", dir, x + "Motox_Scripts.qb", folder);
        row("menu backup a folder", dir, s + "scriptsbackup\\gamemenu.qb", folder);
        row("menu backups a link", ln, s + "scriptsbackup", "link");
    }
    // Each works, undone to the bytes before, or fails with a plain cause,
    // nothing written as if it worked, nothing half-done, nothing outside touched.
    void hostileEntriesFailCleanlyOrWork()
    {
        QFETCH(Hostile, hostile);
        QFETCH(QString, entry);
        QFETCH(QString, cause);
        const bool demo = onDemo();
        const QString anims = "Game\\data\\anims\\";
        const bool tricked = entry.startsWith(anims);
        // The destination of a trick copy below the trick root.
        QString trick
            = QString(entry).remove(anims).remove(QRegularExpression("^trickbackup\\\\?"));
        if (!trick.endsWith(".ska"))
            trick += trick.isEmpty() ? "ollie.ska" : "\\hardflip.ska";
        QVERIFY(copyDeliveredFiles());
        const QString outside = makeOutside({"ollie.ska"});
        QString path = native(entry);
        if (trick.startsWith("deep")) { // as deep as the game's paths may go, and no deeper
            path = native("Game\\data\\anims");
            while (path.size() < 3900)
                path += '/' + QString(100, 'd');
            path += '/' + QString(4080 - path.size(), 'e') + "/deep.ska";
            trick = path.mid(native("Game\\data\\anims").size() + 1).replace('/', '\\');
        }
        QDir().mkpath(QFileInfo(path).path());
        if (hostile == Hostile::ReadOnly && gamePathOf(entry) != entry)
            QVERIFY(writeFile(
                path, fixture::contentOf(demo ? Variant::Demo : Variant::Full, gamePathOf(entry))));
        if (hostile == Hostile::ReadOnly)
            QVERIFY(QFile::setPermissions(path,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        if (hostile == Hostile::Link)
            QVERIFY(QFile::link(outside, path));
        if (hostile == Hostile::PlayersFile)
            QVERIFY(writeFile(path, "the player's own " + QFileInfo(path).fileName().toUtf8()));
        auto run = start({0, 0, demo, 0, 1, 1, 1, 1, 1, 1, 1});
        const auto pointAt = [&](const char *dir, const char *file, const QString &at) {
            run->tricks.findChild<QWidget *>(dir)->setProperty("path", QFileInfo(at).path());
            run->tricks.findChild<QWidget *>(file)->setProperty("fileName",
                                                                QFileInfo(at).fileName());
        };
        const QString tricks = native("Game\\data\\anims");
        if (tricked) {
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
        QCheckBox *box = entry.contains("Sprites") ? run->display.chkHud
                         : entry.contains("font")  ? run->display.chkFont
                                                   : run->levels.chkMotox;
        const bool backupsWere = QFileInfo::exists(native(anims + "trickbackup"));
        const auto act = [&](bool undo) {
            m_dialogs.shown.clear();
            if (entry.contains("models")) {
                QTest::mouseDClick(
                    run->board.findChild<QRadioButton *>(undo ? "Board_0" : "Board_1"),
                    Qt::LeftButton);
            } else if (tricked) {
                if (undo) {
                    QTest::mouseClick(run->tricks.cmdRestore, Qt::LeftButton);
                    pointAt("Dir1", "File1",
                            tricks + "/trickbackup/" + QString(trick).replace('\\', '/'));
                }
                QTest::mouseClick(run->tricks.cmdCopy, Qt::LeftButton);
            } else {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
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
            // Backup folders made for a copy that failed would show in restore mode.
            QCOMPARE(QFileInfo::exists(native(anims + "trickbackup")), backupsWere);
        }
        QCOMPARE(changedSince(was), QString());
        QCOMPARE(snapshot(outside), outsideWas);
    }
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path("game");
        fixture::makeInstall(m_game, onDemo() ? Variant::Demo : Variant::Full);
        m_root = fixture::gameRootOf(m_game);
        m_dialogs = ScriptedDialogs();
        m_fs.setFaultInjector(nullptr);
    }
    void cleanup()
    {
        m_bench.reset();
    }

#ifdef Q_OS_UNIX
    void settingsFileIsNeverFollowedNorWaitedOn_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("link") << "is a link";
        QTest::newRow("pipe") << "not a plain file";
    }
    // Read at the start, then written: refused both times, the entry kept.
    void settingsFileIsNeverFollowedNorWaitedOn()
    {
        QFETCH(QString, cause);
        const QString outside = makeOutside({"system.conf"});
        const bool link = QTest::currentDataTag() == QByteArray("link");
        QVERIFY(link ? QFile::link(outside + "/system.conf", "vertzmod.ini")
                     : ::mkfifo("vertzmod.ini", 0644) == 0);
        ::alarm(20); // a start-up waiting on the pipe ends the test as a failure
        ModSettings s;
        loadSettings(s, m_dialogs, {});
        ::alarm(0);
        QVERIFY(!saveSettings(s, m_dialogs));
        QCOMPARE(m_dialogs.messages().size(), 2);
        for (const auto &shown : m_dialogs.messages()) {
            QCOMPARE(shown.text, QString("Error! The settings could not be saved."));
            QCOMPARE(shown.title, QString("OMG TEH ERROR"));
            QVERIFY2(shown.informative.contains(cause), qPrintable(shown.informative));
        }
        QCOMPARE(readFile(outside + "/system.conf"), QByteArray("the player's own system.conf"));
        struct stat st;
        QVERIFY(::lstat("vertzmod.ini", &st) == 0
                && (link ? S_ISLNK(st.st_mode) : S_ISFIFO(st.st_mode)));
    }

    void undecodableFolderKeepsItsBytes()
    {
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
    }

    // Even where a copy has nothing to write (a start puts the stored board
    // back) and where a restore empties a backup folder: only plain files of
    // the temporaries' name go, never a link of that name.
    void leftoversOfKilledCopiesAreCleared()
    {
        const QString models = native(fixture::boardFolder);
        const QString flip = native("Game\\data\\anims\\trickbackup\\flip");
        const QString outside = makeOutside({"target"});
        tricks::copyTrick(m_fs, m_root, "", "kickflip.ska", "flip", "hardflip.ska");
        // A copy onto the game's cas part and one into the backup folder were killed.
        const QString cas = platform::temporaryNameFor(u"board_defaultcas.dat");
        const QString col = platform::temporaryNameFor(u"board_defaultcol.dat");
        QVERIFY(writeFile(models + '/' + cas, "half a file"));
        QVERIFY(writeFile(flip + "/.vertz-0badc0de", "half a file"));
        QVERIFY(QFile::link(outside + "/target", models + '/' + col));
        QVERIFY(writeFile(models + "/.vertz-notmine", "a player's file"));
        board::swapBoard(m_fs, m_root, false, "default");
        tricks::restoreTrick(m_fs, m_root, "flip", "hardflip.ska");
        QVERIFY(tricks::backupFolderIsEmpty(m_fs, m_root, "flip"));
        tricks::removeBackupFolder(m_fs, m_root, "flip");
        QVERIFY(!QFileInfo::exists(flip));
        QStringList kept = {col, ".vertz-notmine"};
        kept.sort();
        QCOMPARE(QDir(models).entryList({".vertz-*"}, QDir::Files | QDir::Hidden | QDir::System),
                 kept);
        QCOMPARE(readFile(outside + "/target"), QByteArray("the player's own target"));
    }

#endif

    // Whatever step fails in swaps back and forth, each file of the game's
    // board is whole, one board's or another's, each backup the game's own, no
    // temporary left; once faults stop, the game's own board comes back.
    void boardSwapFailingAtEachStepKeepsFilesWhole()
    {
        const QStringList keys = {"banana", "default", "long"};
        QMultiMap<QString, QByteArray> oneOfThem; // each file of a part, that part of any of them
        for (const char *part : {"cas", "col", "skin", "tex", "usg"}) {
            const auto file = [&](const QString &key) {
                return fixture::boardFolder + fixture::boardFile(Variant::Full, key, part);
            };
            for (const QString &key : keys)
                oneOfThem.insert(QDir(m_game).relativeFilePath(native(file("default"))),
                                 fixture::contentOf(Variant::Full, file(key)));
        }
        int n = 1;
        for (int failed = 1; failed > 0; ++n) {
            init();
            const auto was = snapshot(m_game);
            Faults faults;
            faults.failAt = n;
            faults.code = std::make_error_code(n % 2 ? std::errc::no_space_on_device
                                                     : std::errc::text_file_busy);
            m_fs.setFaultInjector(&faults);
            for (const QString &key : keys) {
                try {
                    board::swapBoard(m_fs, m_root, false, key);
                } catch (const FileError &e) {
                    QCOMPARE(e.code(), faults.code);
                }
                QCOMPARE(changedSince(was, oneOfThem), QString());
            }
            failed = faults.failed;
            m_fs.setFaultInjector(nullptr);
            board::swapBoard(m_fs, m_root, false, "default");
            QCOMPARE(changedSince(was), QString());
        }
        QVERIFY(n > 40); // every backup and copy step was met
    }

    // A step failing while a box changes files undoes the steps before it:
    // the install stays as before the click, and so does the box.
    void failedBoxKeepsTheStateBeforeTheClick()
    {
        QVERIFY(copyDeliveredFiles());
        const auto run = start({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        platform::FileSystem &files = run->ctx.files;
        for (QCheckBox *box : {run->display.chkHud, run->display.chkFont, run->levels.chkMotox}) {
            const auto before = snapshot(m_game);
            const bool stored = box->isChecked();
            for (int n = 1, failed = 1; failed > 0; ++n) {
                failed = 0;
                for (const bool on : {false, true}) {
                    Faults faults;
                    faults.failAt = n;
                    files.setFaultInjector(nullptr);
                    box->setChecked(!on);
                    const auto was = snapshot(m_game);
                    files.setFaultInjector(&faults);
                    box->setChecked(on);
                    failed += faults.failed;
                    QCOMPARE(box->isChecked(), faults.failed ? !on : on);
                    if (faults.failed)
                        QCOMPARE(changedSince(was), QString());
                    else
                        QVERIFY(snapshot(m_game) != was);
                }
            }
            files.setFaultInjector(nullptr);
            box->setChecked(stored);
            QCOMPARE(changedSince(before), QString());
        }

        // Nor does a change that cannot be stored reach the files: a start
        // after a kill before the save would show a state the game lacks.
        const auto was = snapshot(m_game);
        QVERIFY(QFile::remove("vertzmod.ini") && QDir().mkdir("vertzmod.ini"));
        for (QCheckBox *box : {run->display.chkHud, run->display.chkFont, run->levels.chkMotox}) {
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
        const auto run = start({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        const auto was = snapshot(m_game);
        const auto swap = [&] {
            m_dialogs.shown.clear();
            QTest::mouseDClick(run->board.findChild<QRadioButton *>("Board_1"), Qt::LeftButton);
            return m_dialogs.messages();
        };
        Faults faults;
        faults.step = step;
        faults.code = std::make_error_code(code);
        run->ctx.files.setFaultInjector(&faults);
        const auto shown = swap();
        run->ctx.files.setFaultInjector(nullptr);
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
        QCOMPARE(changedSince(was), QString());
    }
};

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
