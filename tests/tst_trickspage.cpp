#include "tests/PageBench.h"

#include "mods/tricks/FileList.h"
#include "mods/tricks/FolderList.h"
#include "mods/tricks/TricksPage.h"
#include "platform/Look.h"
#include "platform/Twips.h"

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

// The Tricks page driven by clicks on its lists and buttons, on a fixture
// install: what the player sees and where the page refuses. Which file ends
// where after copies and restores the random test follows.
class TestTricksPage : public QObject, PageBench<TricksPage> {
    Q_OBJECT

    void start()
    {
        writeSettings({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        openPage();
        m_page->resize(platform::twips(6135), platform::twips(4935));
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QVERIFY(m_page->showTrickRoot(m_ctx->settings.gameRoot));
    }
    QAbstractItemView *list(const char *name)
    {
        return m_page->findChild<QAbstractItemView *>(name);
    }
    QString text(const char *name) { return m_page->findChild<QLabel *>(name)->text(); }
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
    // The last message as "text | title".
    QString last() const
    {
        const auto shown = m_dialogs.messages();
        return shown.isEmpty() ? QString() : shown.last().text + " | " + shown.last().title;
    }

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

    // Two copies into a folder two levels down, by the button and by a double
    // click, then both restored in restore mode.
    void copyAndRestoreByClicking()
    {
        start();
        // Nothing to restore yet: copy mode stays.
        press("cmdRestore");
        QCOMPARE(last(), QString("Error! | OMG TEH ERROR"));
        QCOMPARE(text("lblTop"), QString("File to copy"));
        // Above the trick root, or beside it with a longer path: back at the root.
        click("Dir1", "Data", true); // the board folder's spelling came first
        list("Dir2")->setProperty("path", native("Game\\data\\images"));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        for (const char *part : {"grind", "rail"}) {
            click("Dir1", part, true);
            click("Dir2", part, true);
        }
        // Double clicks that do nothing: File2 with no source, File1 in copy mode.
        click("File2", "boardslide.ska", true);
        click("File1", "lipslide.ska", true);
        QCOMPARE(m_dialogs.messages().size(), 1);
        press("cmdCopy");
        QCOMPARE(last(), QString("lipslide.ska was sucessfully copied over boardslide.ska | "
                                 "File Copied"));
        click("Dir1", "anims", true);
        click("File1", "Pop Shove It.Ska");
        click("File2", "lipslide.ska", true);
        QCOMPARE(last(), QString("Pop Shove It.Ska was sucessfully copied over lipslide.ska | "
                                 "File Copied"));

        press("cmdRestore");
        QCOMPARE(text("lblTop") + "|" + text("lblBottom"), QString("File to Restore|"));
        QVERIFY(!list("Dir2")->isEnabled() && !list("File2")->isEnabled());
        click("Dir1", "anims", true);
        QCOMPARE(path("Dir1"), native(anims + "trickbackup"));
        click("Dir1", "grind", true);
        click("Dir1", "rail", true);
        QCOMPARE(path("Dir2"), native(anims + "grind\\rail"));
        // One of two backups, its game file gone meanwhile, then the last one.
        QVERIFY(QFile::remove(native(anims + "grind\\rail\\boardslide.ska")));
        click("File1", "boardslide.ska", true);
        QCOMPARE(last(), QString("boardslide.ska was restored! | File Restored"));
        QCOMPARE(rows(list("File1")), QStringList({"lipslide.ska"}));
        click("File1", "lipslide.ska", true);
        QCOMPARE(readFile(native(anims + "grind\\rail\\boardslide.ska")),
                 fixture::contentOf(Variant::Full, anims + "grind\\rail\\boardslide.ska"));
        // The emptied subfolder goes, the backup root stays.
        QVERIFY(!QFileInfo::exists(native(anims + "trickbackup\\grind\\rail")));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims + "trickbackup") + native(anims));

        press("cmdRestore");
        QCOMPARE(text("lblTop") + "|" + text("lblBottom"),
                 QString("File to Copy|File to Copy Over"));
        QVERIFY(list("Dir2")->isEnabled() && list("File2")->isEnabled());
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        QCOMPARE(m_dialogs.messages().size(), 5);
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
        click("File2", "ollie.ska");
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

#ifndef Q_OS_WIN
    void oddNamesAreNeverTakenForOthers()
    {
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
    }
#endif
};

QTEST_MAIN(TestTricksPage)
#include "tst_trickspage.moc"
