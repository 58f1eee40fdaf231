#include "tests/TestSupport.h"

#include "app/frmMod.h"
#include "mods/levels/LevelsPage.h"
#include "platform/Look.h"
#include "platform/QtDialogs.h"
#include "settings/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using fixture::Variant;

// The options dialog opened from the main window, and what the main window
// does when it becomes active again.
class TestOptions : public QObject {
    Q_OBJECT

    std::unique_ptr<TestBench> m_bench;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<frmMod> m_window;
    QString m_full, m_demo; // game roots

    // Both installs, and a settings file with lines 3 to 13 as given.
    void install(QList<int> numbers)
    {
        m_full = m_bench->makeGame(Variant::Full, "full");
        m_demo = m_bench->makeGame(Variant::Demo, "demo");
        TestBench::writeIni(TestBench::ini(m_full, m_demo, numbers));
    }
    bool load()
    {
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        m_window = std::make_unique<frmMod>(*m_ctx);
        return m_window->Form_Load();
    }
    bool start()
    {
        if (!load())
            return false;
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }
    void clickTab(int index)
    {
        QTabBar *bar = m_window->TabStrip1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    template <typename T> static T *child(QWidget *parent, const char *name)
    {
        return parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
    }
    static QWidget *options()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("frmOptions") && w->isVisible())
                return w;
        }
        return nullptr;
    }
    QWidget *openOptions()
    {
        QMenuBar *bar = m_window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(m_window->mnuOptions).center());
        QWidget *dialog = options();
        // A player clicks in the dialog once it has come up.
        if (dialog && !QTest::qWaitForWindowActive(dialog))
            return nullptr;
        return dialog;
    }
    // The dialog closed and the main window active again.
    bool backToMain()
    {
        return QTest::qWaitFor(
            [this] { return !options() && QApplication::activeWindow() == m_window.get(); });
    }
    // Clicks a button or check box on its caption.
    static void click(QWidget *dialog, const char *name)
    {
        auto *button = child<QAbstractButton>(dialog, name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, button->height() / 2));
    }
    // Replaces the text box's content by typing, as a player does.
    static void type(QWidget *dialog, const QString &text)
    {
        auto *box = child<QPlainTextEdit>(dialog, "txtVertzDir");
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    static QString shownFolder(QWidget *dialog)
    {
        return child<QPlainTextEdit>(dialog, "txtVertzDir")->toPlainText();
    }
    QString status() { return child<QLabel>(m_window->statusBar(), "Panel1")->text(); }
    QString casPath(Variant v)
    {
        return fixture::nativePathOf(m_bench->path(v == Variant::Demo ? "demo" : "full"),
                                     fixture::boardFolder
                                         + fixture::boardFile(v, "default", "cas"));
    }
    static QByteArray boardCas(Variant v, int board)
    {
        return fixture::contentOf(
            v, fixture::boardFolder + fixture::boardFile(v, fixture::boardKeys()[board], "cas"));
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init()
    {
        m_bench = std::make_unique<TestBench>();
        m_dialogs = ScriptedDialogs();
    }
    void cleanup()
    {
        delete options();
        m_window.reset();
        m_ctx.reset();
        m_bench.reset();
    }

    void switchingVariantReachesTheMainWindow_data()
    {
        QTest::addColumn<bool>("demo"); // the variant at start
        QTest::newRow("full game to demo") << false;
        QTest::newRow("demo to full game") << true;
    }
    void switchingVariantReachesTheMainWindow()
    {
        QFETCH(bool, demo);
        const Variant from = demo ? Variant::Demo : Variant::Full;
        const Variant to = demo ? Variant::Full : Variant::Demo;
        install({2, 4, demo, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        QCOMPARE(status(), QString(demo ? "Modding Demo Version" : "Modding Full Version"));
        const QByteArray untouched = readFile(casPath(to));

        QWidget *dialog = openOptions();
        QVERIFY(dialog);
        QCOMPARE(shownFolder(dialog), demo ? m_demo : m_full);
        type(dialog, "typed");
        click(dialog, "chkDemo");
        const QString target = demo ? m_full : m_demo;
        QCOMPARE(shownFolder(dialog), target);
        type(dialog, target.chopped(1));
        click(dialog, "cmdApply");
        QCOMPARE(shownFolder(dialog), target);
        QCOMPARE(TestBench::iniLine(demo ? 1 : 2), target.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(demo ? " 0" : " 1"));
        // Nothing reaches the game before the dialog is left.
        QCOMPARE(readFile(casPath(to)), untouched);

        click(dialog, "cmdCancel");
        QVERIFY(backToMain());
        QCOMPARE(status(), QString(demo ? "Modding Full Version" : "Modding Demo Version"));
        QCOMPARE(readFile(casPath(to)), boardCas(to, demo ? 2 : 4));
        QCOMPARE(readFile(casPath(from)), boardCas(from, demo ? 4 : 2));
        QCOMPARE(m_ctx->settings.gameRoot, target);
        // Cancel keeps what Apply stored.
        QCOMPARE(TestBench::iniLine(demo ? 1 : 2), target.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(demo ? " 0" : " 1"));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void folderTextAndClosing()
    {
        install({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        QWidget *dialog = openOptions();
        QVERIFY(dialog);
        const QPoint centre = dialog->screen()->geometry().center();
        QVERIFY((dialog->frameGeometry().center() - centre).manhattanLength() <= 8);

        type(dialog, "");
        click(dialog, "cmdApply");
        QCOMPARE(TestBench::iniLine(1), QByteArray("\\"));
        QCOMPARE(shownFolder(dialog), QString("\\"));

        // A typed line break would split the settings file's lines.
        type(dialog, "D:\\Games");
        QTest::keyClick(child<QWidget>(dialog, "txtVertzDir"), Qt::Key_Return);
        QTest::keyClicks(child<QWidget>(dialog, "txtVertzDir"), "Vertz\\");
        click(dialog, "cmdApply");
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\GamesVertz\\"));
        QCOMPARE(TestBench::iniLine(2), m_demo.toLocal8Bit());
        QCOMPARE(TestBench::readIni().count('\n'), 13);

        // Chosen again while open: the same dialog, not read again.
        type(dialog, "unsaved");
        QCOMPARE(openOptions(), dialog);
        QCOMPARE(shownFolder(dialog), QString("unsaved"));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(backToMain());
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\GamesVertz\\"));

        // OK stores, closes, and the next opening starts from the file.
        dialog = openOptions();
        QCOMPARE(shownFolder(dialog), QString("D:\\GamesVertz\\"));
        type(dialog, m_full);
        click(dialog, "cmdOK");
        QVERIFY(backToMain());
        QCOMPARE(TestBench::iniLine(1), m_full.toLocal8Bit());
        QVERIFY(!child<QPushButton>(openOptions(), "cmdOK")->isDefault());
    }

    void openingReadsTheSettingsFile()
    {
        // First-run answers naming no game leave no file; opening the dialog writes it.
        m_dialogs.inputAnswers = {"/no/vertz\\"};
        QVERIFY(start());
        QCOMPARE(TestBench::readIni(), QByteArray("<missing>"));
        QWidget *dialog = openOptions();
        QCOMPARE(shownFolder(dialog), QString("/no/vertz\\"));
        QVERIFY(!child<QCheckBox>(dialog, "chkDemo")->isChecked());
        QCOMPARE(TestBench::iniLine(1), QByteArray("/no/vertz\\"));
        QCOMPARE(TestBench::iniLine(13), QByteArray(" 1 "));
    }

    void pagesInFrontFollowTheSwitch()
    {
        // full: balance, hud, font shown; demo: balance 0, hud 1, font 0. MotoX on, skating.
        install({0, 0, 0, 1, 1, 1, 0, 1, 1, 1, 0});
        QVERIFY(start());
        auto *balance = child<QCheckBox>(m_window.get(), "chkBalance");
        auto *hud = child<QCheckBox>(m_window.get(), "chkHud");
        auto *font = child<QCheckBox>(m_window.get(), "chkFont");
        auto *motox = child<QCheckBox>(m_window.get(), "chkMotox");
        auto *luge = child<QRadioButton>(m_window.get(), "optMotox_0");
        auto *skate = child<QRadioButton>(m_window.get(), "optMotox_1");
        auto *picture = child<QLabel>(m_window.get(), "imgMotox");
        const auto switchVariant = [this] {
            QWidget *dialog = openOptions();
            click(dialog, "chkDemo");
            click(dialog, "cmdOK");
            QVERIFY(backToMain());
        };

        clickTab(3);
        QVERIFY(balance->isChecked() && hud->isChecked() && font->isChecked());
        switchVariant();
        QVERIFY(!balance->isChecked() && hud->isChecked() && !font->isChecked());

        clickTab(2);
        QVERIFY(!motox->isEnabled() && !luge->isEnabled() && !skate->isEnabled());
        picture->clear();
        switchVariant();
        QVERIFY(motox->isEnabled() && luge->isEnabled() && skate->isEnabled());
        QCOMPARE(picture->pixmap().toImage(), m_window->fraLevels->ilsMotox.value(1).toImage());
        switchVariant();
        QVERIFY(!motox->isEnabled() && !luge->isEnabled() && !skate->isEnabled());
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void tricksPageFollowsItsFolder()
    {
        install({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        clickTab(1);
        auto *dir1 = child<QListWidget>(m_window.get(), "Dir1");
        const QString anims = fixture::nativePathOf(m_bench->path("full"), "Game\\data\\anims");
        const auto entries = [](QListWidget *list) {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts.append(list->item(i)->text().trimmed());
            return texts;
        };
        const auto reenter = [this] {
            click(openOptions(), "cmdCancel");
            QVERIFY(backToMain());
        };

        QVERIFY(QDir(anims).mkdir("newtricks"));
        reenter();
        QVERIFY(entries(dir1).contains("newtricks"));

        // The folder gone: no message, and the lists keep what they showed.
        const QStringList before = entries(dir1);
        QVERIFY(QDir(anims).removeRecursively());
        reenter();
        QCOMPARE(entries(dir1), before);
        QCOMPARE(dir1->property("path").toString(), QDir::toNativeSeparators(anims));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void onlyOurWindowsAndTheFirstShowRefresh()
    {
        install({3, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(load());
        QCOMPARE(readFile(casPath(Variant::Full)), boardCas(Variant::Full, 3));
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        m_window->show();
        QTRY_COMPARE(readFile(casPath(Variant::Full)), boardCas(Variant::Full, 3));

        // Closing one of our message boxes, as a window manager would.
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        platform::QtDialogs().message("Hello", "Vertz");
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());

        // Away to another application from the dialog, back to the main window.
        QWidget *dialog = openOptions();
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(readFile(casPath(Variant::Full)), QByteArray("worn"));

        // Straight from the dialog to the main window.
        dialog->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        m_window->activateWindow();
        QTRY_COMPARE(readFile(casPath(Variant::Full)), boardCas(Variant::Full, 3));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
