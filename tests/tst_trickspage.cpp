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

Q_DECLARE_METATYPE(Variant)

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
    Variant m_variant = Variant::Full;

    // prepare changes the install before the page first reads it.
    void start(Variant v = Variant::Full, const std::function<void()> &prepare = {})
    {
        m_variant = v;
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
    QByteArray game(const QString &rel) const { return fixture::contentOf(m_variant, anims + rel); }
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
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_game = m_bench->path("game");
        m_dialogs = ScriptedDialogs();
    }
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
        QCOMPARE(folders.path(), trick);
        QCOMPARE(changes.size(), 1);

        FileList files;
        files.setProperty("path", trick);
        QCOMPARE(rows(&files),
                 QStringList({"heelflip.ska", "kickflip.ska", "ollie.ska", "Pop Shove It.Ska"}));
        QCOMPARE(files.property("fileName").toString(), QString());
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
            QTest::addRow("%strick root", tag) << v << ""
                                               << "kickflip.ska"
                                               << "ollie.ska";
            QTest::addRow("%ssubfolder", tag) << v << "flip"
                                              << "varialflip.ska"
                                              << "hardflip.ska";
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
        const QString gy = folder.isEmpty() ? y : folder + "\\" + y;
        // Above the trick root, or beside it with a longer path: back at the root.
        click("Dir1", "Data", true); // the board folder's spelling came first
        list("Dir2")->setProperty("path", native("Game\\data\\images"));
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        if (!folder.isEmpty()) {
            click("Dir1", folder, true);
            click("Dir2", folder, true);
        }
        click("File1", x);
        click("File2", y);
        press("cmdCopy");
        QCOMPARE(last(), x + " was sucessfully copied over " + y + " | File Copied");
        QCOMPARE(readFile(native(anims + gy)), game(folder.isEmpty() ? x : folder + "\\" + x));
        QCOMPARE(readFile(native(backups + gy)), game(gy));

        // A second copy over the same file, by a double click on it.
        click("Dir1", "anims", true);
        click("File1", "Pop Shove It.Ska");
        click("File2", y, true);
        QCOMPARE(last(), "Pop Shove It.Ska was sucessfully copied over " + y + " | File Copied");
        QCOMPARE(readFile(native(backups + gy)), game(gy));

        press("cmdRestore");
        QCOMPARE(text("lblTop"), QString("File to Restore"));
        QCOMPARE(text("lblBottom"), QString());
        QVERIFY(!list("Dir2")->isEnabled() && !list("File2")->isEnabled());
        click("Dir1", "anims", true);
        QCOMPARE(path("Dir1"), native(backups));
        if (!folder.isEmpty()) {
            click("Dir1", folder, true);
            QCOMPARE(path("Dir2"), native(anims + folder));
        }
        click("File1", y, true);
        QCOMPARE(last(), y + " was restored! | File Restored");
        QCOMPARE(snapshot(m_game), vanilla);
        // The emptied subfolder goes, the backup root stays.
        QCOMPARE(path("Dir1"), native(backups));
        QCOMPARE(path("Dir2"), native(anims));
        QVERIFY(!rows(list("Dir1")).contains("flip"));
        QCOMPARE(list("File1")->model()->rowCount(), 0);

        press("cmdRestore");
        QCOMPARE(text("lblTop"), QString("File to Copy"));
        QCOMPARE(text("lblBottom"), QString("File to Copy Over"));
        QVERIFY(list("Dir2")->isEnabled() && list("File2")->isEnabled());
        QCOMPARE(path("Dir1") + path("Dir2"), native(anims) + native(anims));
        QCOMPARE(m_dialogs.messages().size(), 3);
    }

    void guardsChangeNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("removeSource");
        QTest::addColumn<QString>("message");
        const QString same = "These files are the same!";
        QTest::newRow("same file") << "ollie.ska"
                                   << "ollie.ska" << false << same;
#ifndef Q_OS_WIN
        QTest::newRow("same file, other case") << "ollie.ska"
                                               << "OLLIE.ska" << false << same;
#endif
        QTest::newRow("nothing selected") << ""
                                          << "" << false << same;
        QTest::newRow("no source") << ""
                                   << "ollie.ska" << false << "Error!";
        QTest::newRow("no destination") << "ollie.ska"
                                        << "" << false << "Error!";
        QTest::newRow("source gone") << "kickflip.ska"
                                     << "ollie.ska" << true << "Error!";
    }
    void guardsChangeNothing()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, removeSource);
        QFETCH(QString, message);
        start(Variant::Full, [this] {
#ifndef Q_OS_WIN
            writeFile(native(anims) + "/OLLIE.ska", "other spelling");
#endif
        });
        if (!source.isEmpty())
            click("File1", source);
        if (!target.isEmpty())
            click("File2", target);
        if (removeSource)
            QVERIFY(QFile::remove(native(anims + source)));
        const auto before = snapshot(m_game);
        press("cmdCopy");
        QCOMPARE(m_dialogs.messages().size(), 1);
        QCOMPARE(last(), message + " | OMG TEH ERROR");
        if (removeSource)
            QVERIFY(m_dialogs.messages()[0].informative.contains(source));
        QCOMPARE(snapshot(m_game), before);
    }

    void restoreNeedsABackupAndKeepsTheOthers()
    {
        start();
        press("cmdRestore");
        QCOMPARE(last(), QString("Error! | OMG TEH ERROR"));
        QCOMPARE(text("lblTop"), QString("File to copy"));
        // Shortcuts that do nothing: File1 in copy mode, File2 with no source.
        click("File1", "kickflip.ska", true);
        list("File1")->setProperty("fileName", QString());
        click("File2", "ollie.ska", true);
        QCOMPARE(m_dialogs.messages().size(), 1);

        for (const char *target : {"ollie.ska", "heelflip.ska"}) {
            click("File1", "kickflip.ska");
            click("File2", target);
            press("cmdCopy");
        }
        press("cmdRestore");
        click("File1", "ollie.ska", true);
        QCOMPARE(rows(list("File1")), QStringList({"heelflip.ska"}));
        QCOMPARE(readFile(native(anims + "ollie.ska")), game("ollie.ska"));
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
            writeFile(trick + "/a\\b.ska", "backslash");
        });
        QVERIFY(rows(list("File1")).contains("a\\b.ska"));
        QCOMPARE(rows(list("File1")).count(decoded), 2);

        // Of the two rows, only the name that is really there copies.
        int copied = 0;
        for (int row = 0; row < list("File1")->model()->rowCount(); ++row) {
            if (rows(list("File1"))[row] != decoded)
                continue;
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
