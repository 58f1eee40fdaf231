#include "tests/FaultInjection.h"
#include "tests/PageBench.h"

#include "mods/tricks/TrickCopy.h"
#include "mods/tricks/TricksPage.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Look.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cstdio>
#include <fstream>

using fixture::Variant;

namespace {
const QString anims = QStringLiteral("Game\\data\\anims\\");
} // namespace

// The Tricks page and its file work where the random test cannot go: the
// lists' contract, where the lists may lead, refusals and odd names. Which
// file ends where after copies and restores, the messages and the labels
// the random test follows.
class TestTricks : public QObject, PageBench<TricksPage> {
    Q_OBJECT

    void start()
    {
        writeSettings({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        openPage();
        m_page->resize(ui::twips(6135), ui::twips(4935));
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QVERIFY(m_page->showTrickRoot(m_ctx->settings.gameRoot));
    }
    QAbstractItemView *list(const char *name)
    {
        return m_page->findChild<QAbstractItemView *>(name);
    }
    QString path(const char *name) { return list(name)->property("path").toString(); }
    QString native(const QString &rel) const
    {
        return fixture::nativePathOf(installPath(Variant::Full), rel);
    }
    static QStringList rows(QAbstractItemView *view)
    {
        QStringList texts;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            texts << view->model()->index(r, 0).data().toString().trimmed();
        return texts;
    }
    void clickRow(const char *name, int row, bool twice = false)
    {
        QAbstractItemView *view = list(name);
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    void click(const char *name, const QString &entry, bool twice = false)
    {
        const int row = int(rows(list(name)).indexOf(entry));
        QVERIFY2(row >= 0, qPrintable(entry + " not in " + rows(list(name)).join(",")));
        clickRow(name, row, twice);
    }
    void press(const char *button)
    {
        QTest::mouseClick(m_page->findChild<QPushButton *>(button), Qt::LeftButton);
    }
    QString last() const { return m_dialogs.said().value(m_dialogs.said().size() - 1); }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench({Variant::Full}); }
    void cleanup() { tearDownBench(); }

    void listsKeepTheirContract()
    {
        start();
        const QString trick = native(anims);
        FolderList folders;
        QSignalSpy changes(&folders, &FolderList::pathChanged);
        folders.setProperty("path", trick + "/");
        folders.setProperty("path", trick);
        QCOMPARE(folders.property("path").toString(), trick);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(rows(&folders).mid(rows(&folders).indexOf("anims") + 1),
                 QStringList({"flip", "grab", "grind"}));
        QVERIFY(!folders.trySetPath(trick + "/missing"));
        QCOMPARE(changes.size(), 1);

        FileList files;
        files.setProperty("path", trick);
        QCOMPARE(rows(&files),
                 QStringList({"heelflip.ska", "kickflip.ska", "ollie.ska", "Pop Shove It.Ska"}));
        files.setProperty("fileName", "ollie.ska");
        QCOMPARE(files.property("fileName").toString(), QString("ollie.ska"));
        files.setProperty("fileName", "OLLIE.ska");
        QCOMPARE(files.property("fileName").toString(), QString());
    }

    // The lists keep below the trick root, in restore mode below the
    // backups; a restore works with its game file gone, and the last one of a
    // subfolder removes it, keeping the backup root.
    void listsStayWhereTheyBelong()
    {
        start();
        press("cmdRestore"); // nothing copied yet: no restore mode
        QCOMPARE(last(), QString("Error! | OMG TEH ERROR"));
        QCOMPARE(m_page->lblTop->text(), QString("File to copy"));
        // Above the trick root, or beside it with a longer path: back at the root.
        click("Dir1", "Data", true); // the board folder's spelling came first
        list("Dir2")->setProperty("path", native("Game\\data\\images"));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));

        for (const char *over : {"boardslide.ska", "lipslide.ska"})
            tricks::copyTrick(m_ctx->files, m_ctx->settings.gameRoot, "", "ollie.ska", "grind/rail",
                              over);
        press("cmdRestore");
        // Copied past the record: restoring over them is the player's word.
        m_dialogs.questionAnswers = {true, true};
        click("Dir1", "anims", true);
        QCOMPARE(path("Dir1"), native(anims + "trickbackup"));
        click("Dir1", "grind", true);
        click("Dir1", "rail", true);
        QCOMPARE(path("Dir2"), native(anims + "grind\\rail"));
        QVERIFY(QFile::remove(native(anims + "grind\\rail\\boardslide.ska")));
        click("File1", "boardslide.ska", true);
        QCOMPARE(rows(list("File1")), QStringList({"lipslide.ska"}));
        click("File1", "lipslide.ska", true);
        QCOMPARE(readFile(native(anims + "grind\\rail\\boardslide.ska")),
                 fixture::contentOf(Variant::Full, anims + "grind\\rail\\boardslide.ska"));
        QVERIFY(!QFileInfo::exists(native(anims + "trickbackup\\grind\\rail")));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims + "trickbackup") + native(anims));
        QCOMPARE(m_dialogs.messages().size(), 3);
        QCOMPARE(m_dialogs.shown.size(), 4);

        // Put back, a trick is the game's own again: an update of it is
        // copied over unasked, and kept as its backup.
        press("cmdRestore");
        QVERIFY(writeFile(native(anims + "grind\\rail\\lipslide.ska"), "updated"));
        click("Dir2", "grind", true);
        click("Dir2", "rail", true);
        click("File1", "ollie.ska");
        click("File2", "lipslide.ska");
        press("cmdCopy");
        QCOMPARE(last(),
                 QString("ollie.ska was sucessfully copied over lipslide.ska | File Copied"));
        QCOMPARE(readFile(native(anims + "trickbackup\\grind\\rail\\lipslide.ska")),
                 QByteArray("updated"));
    }

    void guardsChangeNothing()
    {
#ifndef Q_OS_WIN
        writeFile(native(anims) + "/OLLIE.ska", "other spelling");
#endif
        start();
        auto before = snapshot(installPath(Variant::Full));
        const auto refused = [&](const QString &message) {
            press("cmdCopy");
            QCOMPARE(last(), message + " | OMG TEH ERROR");
            QCOMPARE(snapshot(installPath(Variant::Full)), before);
        };
        const QString same = "These files are the same!";
        refused(same); // nothing selected
        const qsizetype said = m_dialogs.shown.size();
        click("File2", "ollie.ska", true); // nothing to copy from: nothing runs
        QCOMPARE(m_dialogs.shown.size(), said);
        refused("Error!"); // no source
        click("File1", "ollie.ska");
        refused(same);
#ifndef Q_OS_WIN
        click("File2", "OLLIE.ska");
        refused(same);
#endif
        list("File2")->setProperty("fileName", QString());
        refused("Error!"); // no destination
        // A source that went after the list showed it.
        click("File1", "kickflip.ska");
        click("File2", "ollie.ska");
        QVERIFY(QFile::remove(native(anims + "kickflip.ska")));
        before = snapshot(installPath(Variant::Full));
        refused("Error!");
        QVERIFY(m_dialogs.messages().last().informative.contains("kickflip.ska"));
    }

    // Copies the file work refuses or that fail, each naming what is wrong.
    // Copies the file work refuses or that fail, each naming what is wrong:
    // never over a backup nor from one, never through a link.
    void refusedCopiesChangeNothing()
    {
        const QString game = installPath(Variant::Full), outside = m_bench->path("outside");
        const QString root = fixture::gameRootOf(game), trick = native(anims);
        platform::FileSystem fs;
        const auto refused = [&](const QString &source, const QString &target,
                                 const QString &named) {
            const auto before = snapshot(game);
            try {
                tricks::copyTrick(fs, root, source.section('/', 0, -2), source.section('/', -1),
                                  target.section('/', 0, -2), target.section('/', -1));
                QFAIL("the copy went through");
            } catch (const platform::FileError &e) {
                QVERIFY2(e.describe().contains(named), qPrintable(e.describe()));
            }
            QCOMPARE(snapshot(game), before);
        };
        refused("ollie.ska", "gone.ska", "gone.ska");
        // Failing as the game's file is saved, it leaves no backup folder it made.
        Faults faults;
        faults.step = Faults::Step::Rename;
        fs.setFaultInjector(&faults);
        refused("ollie.ska", "grind/rail/lipslide.ska", "lipslide.ska");
        QVERIFY(!QFileInfo::exists(trick + "/trickbackup"));
        fs.setFaultInjector(nullptr);
        tricks::copyTrick(fs, root, "", "kickflip.ska", "grab", "indy.ska");
        refused("ollie.ska", "trickbackup/grab/indy.ska", "backup folder");
        refused("trickbackup/grab/indy.ska", "ollie.ska", "backup folder");
#ifndef Q_OS_WIN
        // What the backslash would lead to exists, and must not be taken.
        QVERIFY(QDir().mkpath(trick + "/a") && writeFile(trick + "/a/b.ska", "b in a"));
        QVERIFY(writeFile(trick + "/a\\b.ska", "odd name"));
        refused("a\\b.ska", "ollie.ska", "backslash");
        QVERIFY(QDir(trick + "/trickbackup").removeRecursively());
        QVERIFY(QDir().mkpath(outside) && QFile::link(outside, trick + "/trickbackup"));
        refused("kickflip.ska", "ollie.ska", "link");
        QVERIFY(QDir(outside).isEmpty() && QFile::remove(trick + "/trickbackup"));
#endif
    }

    // Names that differ only in case are two files: each keeps a backup of
    // its own and is restored to its own place, even when gone meanwhile.
    void caseTwinsKeepTheirOwnBackups()
    {
#ifdef Q_OS_WIN
        QSKIP("names differing only in case are one name on Windows");
#else
        const QString game = installPath(Variant::Full), root = fixture::gameRootOf(game);
        const QString trick = native(anims);
        QVERIFY(QDir().mkpath(trick + "/Grab") && writeFile(trick + "/Grab/indy.ska", "Grab")
                && writeFile(trick + "/grab/Indy.ska", "Indy"));
        const auto vanilla = snapshot(game);
        platform::FileSystem fs;
        const QStringList twins = {"grab/Indy.ska", "grab/indy.ska", "Grab/indy.ska"};
        for (const QString &t : twins)
            tricks::copyTrick(fs, root, "", "kickflip.ska", t.section('/', 0, 0),
                              t.section('/', 1));
        QVERIFY(QFile::remove(trick + "/grab/Indy.ska"));
        for (const QString &t : twins)
            tricks::restoreTrick(fs, root, t.section('/', 0, 0), t.section('/', 1));
        QCOMPARE(snapshot(game), vanilla);
#endif
    }

    void oddNamesAreNeverTakenForOthers()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16: no bytes that do not decode");
#else
        // Bytes that do not decode, and the name they decode to: another file.
        const QString decoded = QFile::decodeName(QByteArray("caf\xe9.ska"));
        const QString trick = native(anims);
        const std::string raw = QFile::encodeName(trick).toStdString() + "/caf\xe9.ska";
        // The temporary folder cannot name this file to remove it.
        const auto removeRaw = qScopeGuard([&] { std::remove(raw.c_str()); });
        std::ofstream(raw) << "undecodable";
        writeFile(trick + "/" + decoded, "decoded");
        start();
        const QStringList names = rows(list("File1"));
        QCOMPARE(names.count(decoded), 2);

        // Of the two rows, only the name that is really there copies.
        int copied = 0;
        for (int row = names.indexOf(decoded); row >= 0; row = names.indexOf(decoded, row + 1)) {
            clickRow("File1", row);
            click("File2", "kickflip.ska");
            press("cmdCopy");
            copied += last().endsWith("File Copied");
        }
        QCOMPARE(copied, 1);
        QCOMPARE(readFile(native(anims + "kickflip.ska")), QByteArray("decoded"));
#endif
    }
};

QTEST_MAIN(TestTricks)
#include "tst_tricks.moc"
