#include "tests/TestSupport.h"

#include "mods/tricks/FileList.h"
#include "mods/tricks/FolderList.h"
#include "mods/tricks/TricksPage.h"
#include "platform/Look.h"
#include "platform/Twips.h"
#include "settings/AppContext.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cstdio>
#include <fstream>

using fixture::Variant;

namespace {
const QString anims = QStringLiteral("Game\\data\\anims\\");
const QString backups = anims + QStringLiteral("trickbackup\\");
} // namespace

// The Tricks page driven by clicks on its lists and buttons, on fixture installs.
class TestTricksPage : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<TricksPage> m_page;
    QString m_game;

    // prepare changes the install before the page first reads it.
    void start(Variant v = Variant::Full, const std::function<void()> &prepare = {})
    {
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path("game");
        m_dialogs = ScriptedDialogs();
        fixture::makeInstall(m_game, v);
        if (prepare)
            prepare();
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        m_ctx->settings.demoMode = v == Variant::Demo ? 1 : 0;
        m_ctx->settings.gameRoot = fixture::gameRootOf(m_game);
        m_page = std::make_unique<TricksPage>(*m_ctx);
        m_page->resize(platform::twips(6135), platform::twips(4935));
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QVERIFY(m_page->showTrickRoot(m_ctx->settings.gameRoot));
    }
    QAbstractItemView *list(const char *name)
    {
        return m_page->findChild<QAbstractItemView *>(name);
    }
    QString text(const char *name) { return m_page->findChild<QLabel *>(name)->text(); }
    QString path(const char *name) { return list(name)->property("path").toString(); }
    QString native(const QString &rel) const { return fixture::nativePathOf(m_game, rel); }
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
    void cleanup()
    {
        m_page.reset();
        m_ctx.reset();
        m_bench.reset();
    }

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

    void copyAndRestoreByClicking_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        for (Variant v : {Variant::Full, Variant::Demo}) {
            const char *tag = v == Variant::Full ? "full game, " : "demo, ";
            QTest::addRow("%strick root", tag)
                << v << QString() << QString("kickflip.ska") << QString("ollie.ska");
            QTest::addRow("%stwo levels down", tag)
                << v << QString("grind\\rail\\") << QString("lipslide.ska")
                << QString("boardslide.ska");
        }
    }
    void copyAndRestoreByClicking()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, folder);
        QFETCH(QString, x);
        QFETCH(QString, y);
        start(variant);
        const auto vanilla = snapshot(m_game);
        const QStringList parts = folder.split('\\', Qt::SkipEmptyParts);
        // Nothing to restore yet: copy mode stays.
        press("cmdRestore");
        QCOMPARE(last(), QString("Error! | OMG TEH ERROR"));
        QCOMPARE(text("lblTop"), QString("File to copy"));
        // Above the trick root, or beside it with a longer path: back at the root.
        click("Dir1", "Data", true); // the board folder's spelling came first
        list("Dir2")->setProperty("path", native("Game\\data\\images"));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        for (const QString &part : parts) {
            click("Dir1", part, true);
            click("Dir2", part, true);
        }
        // Double clicks that do nothing: File2 with no source, File1 in copy mode.
        click("File2", y, true);
        click("File1", x, true);
        QCOMPARE(m_dialogs.messages().size(), 1);
        press("cmdCopy");
        QCOMPARE(last(), x + " was sucessfully copied over " + y + " | File Copied");
        QCOMPARE(readFile(native(anims + folder + y)),
                 fixture::contentOf(variant, anims + folder + x));

        // Copies over the same file and over the first source, by double clicks.
        click("Dir1", "anims", true);
        click("File1", "Pop Shove It.Ska");
        click("File2", y, true);
        QCOMPARE(last(), "Pop Shove It.Ska was sucessfully copied over " + y + " | File Copied");
        click("File2", x, true);

        press("cmdRestore");
        QCOMPARE(text("lblTop") + "|" + text("lblBottom"), QString("File to Restore|"));
        QVERIFY(!list("Dir2")->isEnabled() && !list("File2")->isEnabled());
        click("Dir1", "anims", true);
        QCOMPARE(path("Dir1"), native(backups));
        for (const QString &part : parts)
            click("Dir1", part, true);
        QCOMPARE(path("Dir2"), native(anims + folder));
        // One of two backups, its game file gone meanwhile, then the last one.
        QVERIFY(QFile::remove(native(anims + folder + y)));
        click("File1", y, true);
        QCOMPARE(last(), y + " was restored! | File Restored");
        QCOMPARE(rows(list("File1")), QStringList({x}));
        click("File1", x, true);
        QCOMPARE(snapshot(m_game), vanilla);
        // An emptied subfolder goes, the backup root stays.
        QCOMPARE(QFileInfo::exists(native(backups + folder)), folder.isEmpty());
        QCOMPARE(path("Dir1") + path("Dir2"), native(backups) + native(anims));

        press("cmdRestore");
        QCOMPARE(text("lblTop") + "|" + text("lblBottom"),
                 QString("File to Copy|File to Copy Over"));
        QVERIFY(list("Dir2")->isEnabled() && list("File2")->isEnabled());
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        QCOMPARE(m_dialogs.messages().size(), 6);
    }

    void guardsChangeNothing()
    {
        start(Variant::Full, [this] {
#ifndef Q_OS_WIN
            writeFile(native(anims) + "/OLLIE.ska", "other spelling");
#endif
        });
        auto before = snapshot(m_game);
        const auto refused = [&](const QString &message) {
            press("cmdCopy");
            QCOMPARE(last(), message + " | OMG TEH ERROR");
            QCOMPARE(snapshot(m_game), before);
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
        before = snapshot(m_game);
        refused("Error!");
        QVERIFY(m_dialogs.messages().last().informative.contains("kickflip.ska"));
    }

#ifndef Q_OS_WIN
    void oddNamesAreNeverTakenForOthers()
    {
        // Bytes that do not decode, and the name they decode to: another file.
        const QString decoded = QFile::decodeName(QByteArray("caf\xe9.ska"));
        std::string raw;
        // The temporary folder cannot name this file to remove it.
        const auto removeRaw = qScopeGuard([&] { std::remove(raw.c_str()); });
        start(Variant::Full, [&] {
            const QString trick = native(anims);
            raw = QFile::encodeName(trick).toStdString() + "/caf\xe9.ska";
            std::ofstream(raw) << "undecodable";
            writeFile(trick + "/" + decoded, "decoded");
        });
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
