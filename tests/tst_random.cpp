#include "tests/DeliveredFiles.h"
#include "tests/FaultInjection.h"
#include "tests/MainWindowBench.h"

#include "app/frmMod.h"
#include "mods/board/BoardPage.h"
#include "mods/display/DisplayPage.h"
#include "mods/levels/LevelsPage.h"
#include "mods/tricks/TricksPage.h"
#include "platform/Look.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_LINUX
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

using fixture::Variant;

namespace {
const QString anims = QStringLiteral("Game\\data\\anims\\");
// The folders the program keeps its backups in; a file there backs up the
// game file of the same path without that folder.
const QStringList backupFolders{"boardbakup",  "trickbackup",        "scriptsbackup",
                                "motoxbackup", "panelspritesbackup", "fontbackup"};
// Those that may stay after everything is undone, with the game's files in them.
const QStringList keptBackups{"boardbakup", "scriptsbackup", "motoxbackup", "panelspritesbackup"};

QString key(QString rel)
{
    return rel.replace('\\', '/').toLower();
}
int envNumber(const char *name, int fallback)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(name, &ok);
    return ok ? n : fallback;
}

#ifdef Q_OS_LINUX
// Watches the folders below some roots for the temporary file a copy starts
// with: a child killed when one appears dies inside that copy.
class CopyWatch {
public:
    explicit CopyWatch(const QStringList &roots) : m_fd(::inotify_init1(IN_CLOEXEC))
    {
        for (const QString &root : roots) {
            ::inotify_add_watch(m_fd, QFile::encodeName(root).constData(), IN_CREATE);
            QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (it.hasNext())
                ::inotify_add_watch(m_fd, QFile::encodeName(it.next()).constData(), IN_CREATE);
        }
    }
    ~CopyWatch() { ::close(m_fd); }
    CopyWatch(const CopyWatch &) = delete;
    CopyWatch &operator=(const CopyWatch &) = delete;

    // Waits up to ms milliseconds for a copy to start; false if none did.
    bool waitForCopy(int ms)
    {
        alignas(inotify_event) char events[4096];
        pollfd p{m_fd, POLLIN, 0};
        while (::poll(&p, 1, ms) > 0) {
            const ssize_t n = ::read(m_fd, events, sizeof events);
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(events + at);
                if (e->len > 0 && std::strncmp(e->name, ".vertz-", 7) == 0)
                    return true;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
        return false;
    }

private:
    int m_fd;
};
#endif
} // namespace

// Thousands of random player actions on the main window over both variants,
// some with failing file steps, each followed by a check of every file of
// both installs against a model of what the player asked for; at the end
// everything is undone through the window and both installs compared with
// fresh ones. VERTZ_SEED repeats a run; VERTZ_ACTIONS and VERTZ_KILLS set
// its lengths.
class TestRandom : public QObject, MainWindowBench {
    Q_OBJECT

    QRandomGenerator m_random;
    Faults m_faults;
    int m_injected = 0; // faults over the whole run
    QString m_base;     // holds both installs
    QString m_fullRoot, m_demoRoot;
    // What each install must hold (key -> content): the game's files and the
    // board and trick backups; the display and MotoX files follow the settings.
    using Files = QMap<QString, QByteArray>;
    Files m_model[2];
    int m_selected[2] = {}, m_saved[2] = {}; // each variant's board: clicked, in the file
    int m_applied[2] = {-1, -1};             // and put in since the start; -1: none yet
    QSet<QString> m_kept;                    // MotoX backups: once made, kept
    bool m_child = false;

    int pick(int n) { return int(m_random.bounded(n)); }
    bool demo() const { return m_ctx->settings.isDemo(); }
    QString install(Variant v) const
    {
        return QDir(m_base).filePath(v == Variant::Demo ? "demo" : "full");
    }
    QString inGame(const QString &rel) const
    {
        return fixture::nativePathOf(install(demo() ? Variant::Demo : Variant::Full), rel);
    }
    template <typename T = QAbstractButton> T *control(const QString &name)
    {
        return m_window->findChild<T *>(name);
    }
    void clickOn(QWidget *w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    }
    bool restoreMode() { return control<QLabel>("lblTop")->text() == "File to Restore"; }
    void setRestoreMode(bool on)
    {
        if (restoreMode() != on)
            clickOn(control("cmdRestore"));
    }
    // The trick animations of the game, relative to the trick root.
    static QStringList tricks()
    {
        QStringList names;
        for (const QString &rel : fixture::gameFiles(Variant::Full)) {
            if (rel.startsWith(anims, Qt::CaseInsensitive))
                names << rel.mid(anims.size());
        }
        return names;
    }
    QStringList trickBackups() { return snapshot(inGame(anims + "trickbackup")).keys(); }
    // Points a folder list and its file list at one file below folder.
    void pointAt(const char *dirList, const char *fileList, const QString &folder, QString rel)
    {
        rel.replace('\\', '/');
        const QString sub = rel.contains('/') ? rel.section('/', 0, -2) : QString();
        control<QWidget>(dirList)->setProperty("path",
                                               QDir::toNativeSeparators(QDir(folder).filePath(sub))
                                                   .remove(QRegularExpression("[/\\\\]$")));
        control<QWidget>(fileList)->setProperty("fileName", rel.section('/', -1));
    }

    // One random action of a player, of the first kinds of them: those below
    // 88 keep to the main window, below 91 to the program's own windows.
    void act(int kinds)
    {
        const int what = pick(kinds);
        if (what < 30) {
            clickTab(0);
            const int i = pick(6);
            QRadioButton *board = control<QRadioButton>(QString("Board_%1").arg(i));
            m_selected[demo()] = i;
            if (what < 22) {
                QTest::mouseDClick(board, Qt::LeftButton);
                swapBoard(i);
            } else {
                clickOn(board);
            }
        } else if (what < 50) {
            clickTab(1);
            setRestoreMode(false);
            const QStringList all = tricks();
            const QString from = all[pick(all.size())], to = all[pick(all.size())];
            pointAt("Dir1", "File1", inGame(anims), from);
            pointAt("Dir2", "File2", inGame(anims), to);
            clickOn(control("cmdCopy"));
            // The first copy over a trick saves the game's own; each copy
            // brings what the source holds now.
            Files &m = m_model[demo()];
            const QString target = key(anims + to), saved = key(anims + "trickbackup\\" + to);
            if (from != to) {
                if (!m.contains(saved))
                    m[saved] = m[target];
                m[target] = m[key(anims + from)];
            }
        } else if (what < 62) {
            clickTab(1);
            const QStringList saved = trickBackups();
            if (saved.isEmpty())
                return;
            setRestoreMode(true);
            const QString trick = saved[pick(saved.size())];
            pointAt("Dir1", "File1", inGame(anims + "trickbackup"), trick);
            clickOn(control("cmdCopy"));
            Files &m = m_model[demo()];
            m[key(anims + trick)] = m.take(key(anims + "trickbackup/" + trick));
        } else if (what < 76) {
            clickTab(3);
            clickOn(control(QStringList{"chkBalance", "chkHud", "chkFont"}[pick(3)]));
        } else if (what < 88) {
            clickTab(2);
            clickOn(control(QStringList{"chkMotox", "optMotox_0", "optMotox_1"}[pick(3)]));
        } else if (what < 91) {
            restoreEverything();
        } else if (what < 95) {
            QVERIFY(openOptions());
            click("chkDemo");
            QVERIFY(leaveWith("cmdOK"));
            // The dialog reads the settings file; back in the window, the
            // Board page puts the board in.
            std::copy(m_saved, m_saved + 2, m_selected);
            if (m_window->TabStrip1->currentIndex() == 0)
                swapBoard(m_selected[demo()]);
        } else {
            // Half the new runs find the record of changed game files gone.
            if (pick(2))
                QFile::remove("vertzmod-gamefiles.rec");
            restart();
        }
    }
    // File, Game Files..., Restore Everything: back to the game's own board
    // and tricks; the settings say the rest.
    void restoreEverything()
    {
        choose(m_window->mnuFile->menuAction(), m_window->mnuGameFiles);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmGameFiles" && w->isVisible()) {
                say("restoring"); // a kill from here on is one inside it
                clickOn(w->findChild<QAbstractButton *>("cmdRestoreAll"));
                say("restored");
                w->close();
            }
        }
        Files &m = m_model[demo()];
        for (const QString &k : m.keys()) {
            if (k.contains("/trickbackup/"))
                m[QString(k).remove("/trickbackup")] = m.take(k);
        }
        // The board the settings hold: the game's own, or the one a failure
        // left stored, which the window puts in again.
        const int failed = std::exchange(m_faults.failed, 0);
        swapBoard(m_selected[demo()] = m_ctx->settings.board().toNumber(0));
        m_faults.failed = failed;
    }
    // The board files of the variant in use after a swap to board i, the
    // game's own saved first, once; after a failed swap the board put in
    // before, where there is one (else each file as before or after).
    void swapBoard(int i)
    {
        const bool d = demo();
        const Variant v = d ? Variant::Demo : Variant::Full;
        if (m_faults.failed == 0)
            m_applied[d] = i;
        else if (m_applied[d] >= 0)
            i = m_applied[d];
        Files &m = m_model[d];
        for (const QString part : {"cas", "col", "skin", "tex", "usg"}) {
            const QString name = fixture::boardFile(v, "default", part);
            const QString game = key(fixture::boardFolder + name);
            const QString saved = key(fixture::boardFolder + "boardbakup\\" + name);
            if (!m.contains(saved))
                m[saved] = m[game];
            m[game] = i == 0 ? m[saved]
                             : fixture::contentOf(
                                 v, fixture::boardFolder
                                        + fixture::boardFile(v, fixture::boardKeys()[i], part));
        }
    }
    // The child of killedRunsLoseNothing tells where it is.
    void say(const char *where)
    {
        if (m_child)
            std::puts(where), std::fflush(stdout);
    }
    // A new run of the program on the same working folder.
    void restart()
    {
        m_window.reset();
        QVERIFY(load([this](AppContext &ctx) { ctx.files.setFaultInjector(&m_faults); }));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // The start puts the board of the settings file in, and again when
        // the window is first activated: one of the two goes through.
        std::copy(m_saved, m_saved + 2, m_selected);
        m_applied[!demo()] = -1;
        swapBoard(m_applied[demo()] = m_selected[demo()]);
    }

    // What is wrong with an install: each game file there, whole, as the
    // game's own or one of the files put in its place; each backup the
    // game's own file; nothing else. Empty when all is well.
    static QString damage(const QString &folder, Variant v, bool killed = false)
    {
        QMap<QString, QString> game; // key -> relative game path
        QSet<QByteArray> replacements;
        for (const char *name : {"gamemenu.qb", "Motox_Scripts.qb", "blank.dat", "blankfont.dat"})
            replacements << deliveredFile(name);
        for (const QString &rel : fixture::gameFiles(v)) {
            game.insert(key(rel), rel);
            replacements << fixture::contentOf(v, rel);
        }
        const auto files = snapshot(folder);
        int present = 0;
        for (auto f = files.begin(); f != files.end(); ++f) {
            QString k = key(f.key());
            for (const QString &b : backupFolders)
                k.remove('/' + b);
            if (killed && k.contains("/.vertz-"))
                continue; // a killed copy's; the next copy there removes it
            if (!game.contains(k))
                return "stray file " + f.key();
            if (k != key(f.key())) {
                if (f.value() != fixture::contentOf(v, game[k]))
                    return "backup not the game's own: " + f.key();
            } else if (!replacements.contains(f.value())) {
                return "damaged game file " + f.key();
            } else {
                ++present;
            }
        }
        return present == game.size() ? QString() : QString("a game file is missing");
    }
    // The settings file reads back as the record in memory (the board
    // selection aside: a click holds it until the next save).
    QString settingsMismatch()
    {
        ScriptedDialogs quiet;
        ModSettings disk;
        loadSettings(disk, quiet, {});
        if (!quiet.shown.isEmpty())
            return "settings file unreadable: " + quiet.shown[0].informative;
        const ModSettings &mem = m_ctx->settings;
        if (mem.fullBoard.toNumber() != m_selected[0] || mem.demoBoard.toNumber() != m_selected[1])
            return "the boards clicked are not the ones held";
        if (disk.fullInstallDir != mem.fullInstallDir || disk.demoInstallDir != mem.demoInstallDir)
            return "install folders differ from the settings file";
        for (SettingValue ModSettings::*field :
             {&ModSettings::demoMode, &ModSettings::motoxEnabled, &ModSettings::motoxMode,
              &ModSettings::fullBalanceShown, &ModSettings::demoBalanceShown,
              &ModSettings::fullHudShown, &ModSettings::demoHudShown, &ModSettings::fullFontShown,
              &ModSettings::demoFontShown}) {
            if ((disk.*field).toNumber() != (mem.*field).toNumber())
                return "a field differs from the settings file";
        }
        return {};
    }
    // What an install must hold: the model, with the display elements blanked
    // and the MotoX scripts replaced as the settings say. Backups hold the
    // game's own; those of the display go on a restore, MotoX's stay once made.
    Files expected(const Files &model, bool demo, const Files &now)
    {
        const ModSettings &s = m_ctx->settings;
        const auto hidden
            = [&](SettingValue ModSettings::*full, SettingValue ModSettings::*inDemo) {
                  return (s.*(demo ? inDemo : full)).equals(0);
              };
        Files m = model;
        for (const QString &rel : fixture::gameFiles(demo ? Variant::Demo : Variant::Full)) {
            const QString k = key(rel);
            QString with = rel.section('\\', -1), saved = k.section('/', 0, -2) + '/';
            bool put = false;
            if (k.contains("/panelsprites/")) {
                put = k.contains("/balance")
                          ? hidden(&ModSettings::fullBalanceShown, &ModSettings::demoBalanceShown)
                          : hidden(&ModSettings::fullHudShown, &ModSettings::demoHudShown);
                with = "blank.dat";
                saved += "panelspritesbackup/";
            } else if (k.contains("/fonts/")) {
                put = hidden(&ModSettings::fullFontShown, &ModSettings::demoFontShown);
                with = "blankfont.dat";
                saved += "fontbackup/";
            } else if (k.endsWith(".qb") && !demo) {
                put = s.motoxEnabled.equals(1)
                      && (k.contains("/scripts/") || s.motoxMode.equals(1));
                saved += k.contains("/scripts/") ? "scriptsbackup/" : "motoxbackup/";
                if (now.contains(saved + k.section('/', -1)))
                    m_kept << saved + k.section('/', -1);
            } else {
                continue;
            }
            saved += k.section('/', -1);
            if (put || m_kept.contains(saved))
                m[saved] = m[k];
            if (put)
                m[k] = deliveredFile(qPrintable(with));
        }
        return m;
    }
    // Each install file by file as the model says, no file missing and none
    // more. After a failed action a file may also be as before it (the steps
    // before a failing one stay done), and the model takes what is there.
    QString check(qsizetype messagesBefore, Files *before)
    {
        const bool failed = m_faults.failed > 0;
        for (const bool d : {false, true}) {
            Files now;
            const auto files = snapshot(install(d ? Variant::Demo : Variant::Full));
            for (auto f = files.begin(); f != files.end(); ++f)
                now[key(f.key())] = f.value();
            const Files want = expected(m_model[d], d, now), was = expected(before[d], d, now);
            for (const QString &k : now.keys() + want.keys()) {
                const QByteArray is = now.value(k, "<none>");
                if (is == want.value(k, "<none>"))
                    continue;
                if (!failed || is != was.value(k, "<none>"))
                    return QString("%1 not as it must be: %2").arg(d ? "demo" : "full", k);
                if (now.contains(k))
                    m_model[d][k] = is;
                else
                    m_model[d].remove(k);
            }
        }
        if (failed) {
            const auto shown = m_dialogs.messages();
            if (shown.size() == messagesBefore || shown.last().title != "OMG TEH ERROR")
                return QString("a failure was not reported");
            return {};
        }
        return settingsMismatch();
    }

    // Both installs and the settings file naming them; returns the seed.
    quint32 prepare()
    {
        setUpBench();
        const auto seed
            = quint32(envNumber("VERTZ_SEED", int(QRandomGenerator::global()->generate() >> 1)));
        qInfo("VERTZ_SEED=%u", seed);
        m_random.seed(seed);
        m_faults.chance = 0;
        m_base = m_bench->path(".");
        m_fullRoot = m_bench->makeGame(Variant::Full, "full");
        m_demoRoot = m_bench->makeGame(Variant::Demo, "demo");
        TestBench::writeIni(
            TestBench::ini(m_fullRoot, m_demoRoot, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QTest::qVerify(copyDeliveredFiles(), "copyDeliveredFiles()", "", __FILE__, __LINE__);
        return seed;
    }
    // Undoes every change through the window in each variant, then compares
    // both installs with fresh ones.
    // With modFirst every mod is put in before, so that each folder the
    // program writes to sees an operation.
    void undoEverything(bool modFirst = false)
    {
        for (int round = 0; round < 2; ++round) {
            if (modFirst)
                modAll();
            undoAll();
            QVERIFY(openOptions());
            click("chkDemo");
            QVERIFY(leaveWith("cmdOK"));
        }
        for (const Variant v : {Variant::Full, Variant::Demo}) {
            const QString vanilla = m_bench->path(v == Variant::Demo ? "vanilla-demo" : "vanilla");
            fixture::makeInstall(vanilla, v);
            auto now = tree(install(v));
            now.removeIf([](auto f) {
                const QString k = key(f.key());
                return std::any_of(keptBackups.begin(), keptBackups.end(),
                                   [&](const QString &b) { return k.contains('/' + b + '/'); })
                       || (k.contains("/trickbackup/") && f.value() == "folder");
            });
            const auto was = tree(vanilla);
            QStringList differ;
            for (const QString &k : now.keys() + was.keys()) {
                if (now.value(k, "<none>") != was.value(k, "<none>"))
                    differ << k;
            }
            QVERIFY2(differ.isEmpty(), qPrintable("not as before: " + differ.join(", ")));
        }
    }
    // Puts every mod in through the window in the variant in use.
    void modAll()
    {
        clickTab(0);
        QTest::mouseDClick(control("Board_1"), Qt::LeftButton);
        clickTab(1);
        setRestoreMode(false);
        const QStringList all = tricks();
        for (int i = 0; i < all.size(); ++i) {
            pointAt("Dir1", "File1", inGame(anims), all[(i + 1) % all.size()]);
            pointAt("Dir2", "File2", inGame(anims), all[i]);
            clickOn(control("cmdCopy"));
        }
        clickTab(3);
        for (const char *box : {"chkBalance", "chkHud", "chkFont"}) {
            if (control(box)->isChecked())
                clickOn(control(box));
        }
        clickTab(2);
        if (!control("chkMotox")->isChecked() && control("chkMotox")->isEnabled())
            clickOn(control("chkMotox"));
    }
    // Undoes every change through the window in the variant in use.
    void undoAll()
    {
        clickTab(0);
        QTest::mouseDClick(control("Board_0"), Qt::LeftButton);
        clickTab(1);
        for (QStringList saved = trickBackups(); !saved.isEmpty(); saved = trickBackups()) {
            setRestoreMode(true);
            pointAt("Dir1", "File1", inGame(anims + "trickbackup"), saved.first());
            clickOn(control("cmdCopy"));
            QVERIFY2(trickBackups().size() < saved.size(),
                     qPrintable(saved.first() + ": " + m_dialogs.shown.last().informative));
        }
        setRestoreMode(false);
        clickTab(3);
        for (const char *box : {"chkBalance", "chkHud", "chkFont"}) {
            if (!control(box)->isChecked())
                clickOn(control(box));
        }
        clickTab(2);
        if (control("chkMotox")->isChecked() && control("chkMotox")->isEnabled())
            clickOn(control("chkMotox"));
    }
    // Folders and files below folder; files with their content.
    static QMap<QString, QByteArray> tree(const QString &folder)
    {
        QMap<QString, QByteArray> all = snapshot(folder);
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            all.insert(QDir(folder).relativeFilePath(it.next()) + '/', "folder");
        return all;
    }

private slots:
    void initTestCase()
    {
        setUpLook();
        // Thousands of windows shown would bury a failure under the offscreen
        // platform's notes.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &where, const QString &text) {
                if (!text.startsWith("This plugin does not support"))
                    previous(type, where, text);
            });
    }

    void randomActionsLoseNothing()
    {
        const quint32 seed = prepare();
        const int actions = envNumber("VERTZ_ACTIONS", 2000);
        for (const Variant v : {Variant::Full, Variant::Demo}) {
            for (const QString &rel : fixture::gameFiles(v))
                m_model[v == Variant::Demo][key(rel)] = fixture::contentOf(v, rel);
        }
        restart();
        for (int n = 1; n <= actions; ++n) {
            m_faults = Faults();
            m_faults.chance = 0;
            // One step fails in a quarter of the actions (if they have that many).
            m_faults.failAt = pick(4) == 0 ? 1 + pick(12) : 0;
            const qsizetype messages = m_dialogs.messages().size();
            Files before[2] = {m_model[0], m_model[1]};
            const QByteArray ini = TestBench::readIni();
            act(100);
            m_injected += m_faults.failed;
            // Every save writes the boards clicked.
            if (TestBench::readIni() != ini)
                std::copy(m_selected, m_selected + 2, m_saved);
            const QString why
                = QTest::currentTestFailed() ? "the action failed" : check(messages, before);
            QVERIFY2(why.isEmpty(),
                     qPrintable(QString("VERTZ_SEED=%1, action %2: %3").arg(seed).arg(n).arg(why)));
        }
        m_faults.failAt = 0;
        undoEverything();
        if (QTest::currentTestFailed())
            return;
        qInfo("%d actions, %d faults injected, files lost: 0", actions, m_injected);
    }

#ifdef Q_OS_LINUX
    // Runs of the program killed at random moments, each followed by a check
    // like the next start's.
    void killedRunsLoseNothing()
    {
        // Copies of some megabytes: a kill inside one finds it half-way.
        const fixture::LargeFiles large;
        const quint32 seed = prepare();
        const int kills = envNumber("VERTZ_KILLS", 120);
        QSet<QString> temporaries; // of copies cut short, as found after the kills
        int inCopy = 0;            // kills after which a new one was there
        int inRestore = 0;         // kills inside Restore Everything
        for (int n = 1; n <= kills; ++n) {
            CopyWatch watch({install(Variant::Full), install(Variant::Demo)});
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {"--child", m_bench->path("."), QString::number(m_random.generate())});
            QVERIFY(child.waitForStarted());
            // Some die while starting, some as a copy begins, the rest at
            // random while at work.
            const int when = pick(8);
            if (when == 0 || (when >= 4 && child.waitForReadyRead(30000)))
                QTest::qSleep(pick(60));
            else if (when < 4)
                watch.waitForCopy(5000);
            QVERIFY(child.state() == QProcess::Running);
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished();
            inRestore += child.readAllStandardOutput().trimmed().endsWith("restoring");
            ScriptedDialogs quiet;
            ModSettings disk;
            loadSettings(disk, quiet, {});
            QString why = quiet.shown.isEmpty() && disk.fullInstallDir == m_fullRoot
                                  && disk.demoInstallDir == m_demoRoot
                              ? QString()
                              : QString("the settings were lost");
            const qsizetype before = temporaries.size();
            for (const Variant v : {Variant::Full, Variant::Demo}) {
                why += damage(install(v), v, true);
                QDirIterator it(install(v), {".vertz-*"}, QDir::Files | QDir::Hidden,
                                QDirIterator::Subdirectories);
                while (it.hasNext())
                    temporaries.insert(it.next());
            }
            inCopy += temporaries.size() > before;
            QVERIFY2(why.isEmpty(),
                     qPrintable(QString("VERTZ_SEED=%1, kill %2: %3").arg(seed).arg(n).arg(why)));
        }
        restart();
        undoEverything(true);
        if (QTest::currentTestFailed())
            return;
        // The settings are saved in the working folder too.
        const QStringList work = QDir().entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QVERIFY2(work
                     == QStringList({".vertz-running.lock", "Motox_Scripts.qb", "blank.dat",
                                     "blankfont.dat", "gamemenu.qb", "vertzmod-gamefiles.rec",
                                     "vertzmod.ini"}),
                 qPrintable(work.join(", ")));
        qInfo("%d kills, %d of them inside a copy, %d inside Restore Everything, files lost: 0",
              kills, inCopy, inRestore);
        QVERIFY(inCopy > 0 && inRestore > 0);
    }
#endif

    void cleanup()
    {
        tearDownBench();
    }

public:
    // The child of killedRunsLoseNothing: the program on the installs below
    // base at work until killed.
    int runChild(const QString &base, quint32 seed)
    {
        setUpLook();
        m_child = true;
        m_base = base;
        m_random.seed(seed);
        if (!load())
            return 1;
        say("started");
        m_window->show();
        // A third begin by putting every original back, for kills inside it.
        if (seed % 3 == 0)
            restoreEverything();
        for (;;)
            act(91);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestRandom test;
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return test.runChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toUInt());
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_random.moc"
