#include "tests/DeliveredFiles.h"
#include "tests/MainWindowBench.h"

#include "app/frmMod.h"
#include "mods/levels/LevelsPage.h"
#include "platform/Look.h"
#include "platform/QtDialogs.h"
#include "settings/AppContext.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using fixture::Variant;

// The options dialog opened from the main window's menu, and what the main
// window does when it becomes active again.
class TestOptions : public QObject, MainWindowBench {
    Q_OBJECT

    QString m_full, m_demo; // game roots

    // Both installs, and a settings file with lines 3 to 13 as given.
    void install(QList<int> numbers)
    {
        m_full = m_bench->makeGame(Variant::Full, "full");
        m_demo = m_bench->makeGame(Variant::Demo, "demo");
        TestBench::writeIni(TestBench::ini(m_full, m_demo, numbers));
        QVERIFY(copyDeliveredFiles());
    }
    template <typename T = QWidget> T *window(const char *name)
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    template <typename T = QAbstractButton> T *dialog(const char *name)
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    void type(const QString &text)
    {
        auto *box = dialog<QPlainTextEdit>("txtVertzDir");
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    QString shown() { return dialog<QPlainTextEdit>("txtVertzDir")->toPlainText(); }
    QString casPath(Variant v)
    {
        return fixture::nativePathOf(m_bench->path(v == Variant::Demo ? "demo" : "full"),
                                     fixture::boardFolder
                                         + fixture::boardFile(v, "default", "cas"));
    }
    QByteArray gameCas(Variant v) { return readFile(casPath(v)); }
    static QByteArray boardCas(Variant v, int board)
    {
        return fixture::contentOf(
            v, fixture::boardFolder + fixture::boardFile(v, fixture::boardKeys()[board], "cas"));
    }

private slots:
    void initTestCase() { setUpLook(); }
    void init() { setUpBench(); }
    void cleanup()
    {
        delete m_dialog.data();
        tearDownBench();
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
        const Variant to = demo ? Variant::Full : Variant::Demo;
        install({2, 4, demo, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        QCOMPARE(m_window->statusPanel->text(),
                 QString(demo ? "Modding Demo Version" : "Modding Full Version"));
        const QByteArray untouched = gameCas(to);
        const QString target = demo ? m_full : m_demo;

        QVERIFY(openOptions());
        QCOMPARE(shown(), demo ? m_demo : m_full);
        type("typed");
        click("chkDemo");
        QCOMPARE(shown(), target);
        type(target.chopped(1));
        click("cmdApply");
        QCOMPARE(shown(), target);
        QCOMPARE(TestBench::iniLine(demo ? 1 : 2), target.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(demo ? " 0" : " 1"));
        QCOMPARE(gameCas(to), untouched); // nothing reaches the game before the dialog is left

        QVERIFY(leaveWith("cmdCancel"));
        QCOMPARE(m_window->statusPanel->text(),
                 QString(demo ? "Modding Full Version" : "Modding Demo Version"));
        QCOMPARE(gameCas(to), boardCas(to, demo ? 2 : 4));
        QCOMPARE(m_ctx->settings.gameRoot, target);
        // Cancel kept what Apply stored.
        QCOMPARE(TestBench::iniLine(demo ? 1 : 2), target.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(demo ? " 0" : " 1"));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void folderTextAndClosing()
    {
        install({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        QVERIFY(openOptions());
        const QPoint centre = m_dialog->screen()->geometry().center();
        QVERIFY((m_dialog->frameGeometry().center() - centre).manhattanLength() <= 8);
        QVERIFY(!dialog<QPushButton>("cmdOK")->isDefault());

        type("");
        click("cmdApply");
        QCOMPARE(TestBench::iniLine(1), QByteArray("\\"));
        QCOMPARE(shown(), QString("\\"));
        // A line break would split the settings file's lines.
        type("D:\\Games");
        QTest::keyClick(dialog<QWidget>("txtVertzDir"), Qt::Key_Return);
        QTest::keyClicks(dialog<QWidget>("txtVertzDir"), "Vertz\\");
        click("cmdApply");
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\GamesVertz\\"));
        QCOMPARE(TestBench::iniLine(2), m_demo.toLocal8Bit());

        // Chosen again while open: the same dialog, not read again.
        type("unsaved");
        QPointer<QWidget> first = m_dialog;
        QVERIFY(openOptions());
        QCOMPARE(m_dialog, first);
        QCOMPARE(shown(), QString("unsaved"));
        QTest::keyClick(m_dialog, Qt::Key_Escape);
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\GamesVertz\\"));

        // Every opening starts from the file; OK stores and closes.
        TestBench::writeIni(
            TestBench::ini("E:\\Vertz\\", m_demo, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QVERIFY(openOptions());
        QCOMPARE(shown(), QString("E:\\Vertz\\"));
        type(m_full);
        QVERIFY(leaveWith("cmdOK"));
        QCOMPARE(TestBench::iniLine(1), m_full.toLocal8Bit());
    }

    void pageInFrontFollowsTheSwitch()
    {
        // full: all shown; demo: balance 0, hud 1, font 0. MotoX on, regular skating.
        install({0, 0, 0, 1, 1, 1, 0, 1, 1, 1, 0});
        QVERIFY(start());
        auto *balance = window<QCheckBox>("chkBalance");
        auto *hud = window<QCheckBox>("chkHud");
        auto *font = window<QCheckBox>("chkFont");
        const auto motoxOffered = [this](bool on) {
            for (const char *name : {"chkMotox", "optMotox_0", "optMotox_1"}) {
                if (window(name)->isEnabled() != on)
                    return false;
            }
            return true;
        };
        const auto switchVariant = [this] {
            QVERIFY(openOptions());
            click("chkDemo");
            QVERIFY(leaveWith("cmdOK"));
        };

        clickTab(3);
        QVERIFY(balance->isChecked() && hud->isChecked() && font->isChecked());
        switchVariant();
        QVERIFY(!balance->isChecked() && hud->isChecked() && !font->isChecked());

        clickTab(2);
        QVERIFY(motoxOffered(false));
        auto *picture = window<QLabel>("imgMotox");
        picture->clear();
        switchVariant();
        QVERIFY(motoxOffered(true));
        QCOMPARE(picture->pixmap().toImage(), m_window->fraLevels->ilsMotox.value(1).toImage());
        switchVariant();
        QVERIFY(motoxOffered(false));

        // Tricks: the lists move to the other install and show what is new
        // there; with its anims folder gone nothing changes.
        clickTab(1);
        switchVariant();
        auto *dir1 = window<QAbstractItemView>("Dir1");
        const auto entries = [dir1] {
            QStringList texts;
            for (int i = 0; i < dir1->model()->rowCount(); ++i)
                texts.append(dir1->model()->index(i, 0).data().toString().trimmed());
            return texts;
        };
        const QString anims = fixture::nativePathOf(m_bench->path("full"), "Game\\data\\anims");
        QCOMPARE(dir1->property("path").toString(), QDir::toNativeSeparators(anims));
        QVERIFY(QDir(anims).mkdir("newtricks"));
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QVERIFY(entries().contains("newtricks"));
        const QStringList before = entries();
        QVERIFY(QDir(anims).removeRecursively());
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QCOMPARE(entries(), before);
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void onlyOurWindowsAndTheFirstShowRefresh()
    {
        install({3, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(load());
        QCOMPARE(gameCas(Variant::Full), boardCas(Variant::Full, 3));
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        m_window->show();
        QTRY_COMPARE(gameCas(Variant::Full), boardCas(Variant::Full, 3));

        // Back from one of our message boxes, as a window manager would.
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        platform::QtDialogs().message("Hello", "Vertz");
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(gameCas(Variant::Full), QByteArray("worn"));

        // From the dialog away to another application, then back to the main window.
        QVERIFY(openOptions());
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(gameCas(Variant::Full), QByteArray("worn"));

        // Straight from the dialog to the main window.
        m_dialog->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_dialog.data());
        m_window->activateWindow();
        QTRY_COMPARE(gameCas(Variant::Full), boardCas(Variant::Full, 3));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
