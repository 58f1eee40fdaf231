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
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
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
    QPlainTextEdit *folderBox() { return m_dialog->findChild<QPlainTextEdit *>("txtVertzDir"); }
    void type(const QString &text)
    {
        QTest::keyClick(folderBox(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(folderBox(), Qt::Key_Delete);
        QTest::keyClicks(folderBox(), text);
    }
    QString shown() { return folderBox()->toPlainText(); }
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

    // One run switching the variant in the dialog with each page in front in turn.
    void switchingVariantReachesThePageInFront()
    {
        // Boards 2 and 4. Full: all shown; demo: balance 0, hud 1, font 0. MotoX on, skating.
        install({2, 4, 0, 1, 1, 1, 0, 1, 1, 1, 0});
        QVERIFY(start());
        const QByteArray untouched = gameCas(Variant::Demo);
        const auto status = [this] { return m_window->statusPanel->text(); };
        const auto switchVariant = [this] {
            QVERIFY(openOptions());
            click("chkDemo");
            QVERIFY(leaveWith("cmdOK"));
        };

        // Board: Apply stores, but nothing reaches the game before the dialog is left.
        QVERIFY(openOptions());
        QCOMPARE(shown(), m_full);
        type("typed");
        click("chkDemo");
        QCOMPARE(shown(), m_demo);
        type(m_demo.chopped(1));
        click("cmdApply");
        QCOMPARE(shown(), m_demo);
        QCOMPARE(TestBench::iniLine(2), m_demo.toLocal8Bit());
        QCOMPARE(TestBench::iniLine(5), QByteArray(" 1"));
        QCOMPARE(gameCas(Variant::Demo), untouched);
        QCOMPARE(status(), QString("Modding Full Version"));
        QVERIFY(leaveWith("cmdCancel"));
        QCOMPARE(status(), QString("Modding Demo Version"));
        QCOMPARE(gameCas(Variant::Demo), boardCas(Variant::Demo, 4));

        auto *balance = window<QCheckBox>("chkBalance");
        auto *hud = window<QCheckBox>("chkHud");
        auto *font = window<QCheckBox>("chkFont");
        clickTab(3);
        QVERIFY(!balance->isChecked() && hud->isChecked() && !font->isChecked());
        switchVariant();
        QCOMPARE(status(), QString("Modding Full Version"));
        QVERIFY(balance->isChecked() && hud->isChecked() && font->isChecked());

        const auto motoxOffered = [this](bool on) {
            return window("chkMotox")->isEnabled() == on && window("optMotox_0")->isEnabled() == on
                   && window("optMotox_1")->isEnabled() == on;
        };
        clickTab(2);
        switchVariant();
        QVERIFY(motoxOffered(false));
        auto *picture = window<QLabel>("imgMotox");
        picture->clear();
        switchVariant();
        QVERIFY(motoxOffered(true));
        QCOMPARE(picture->pixmap().toImage(), m_window->fraLevels->ilsMotox.value(1).toImage());

        // Tricks: the lists move to the other install and show what is new
        // there; with its anims folder gone they keep what they show.
        clickTab(1);
        switchVariant();
        auto *dir1 = window<QAbstractItemView>("Dir1");
        const auto listed = [dir1](const QString &name) {
            return !dir1->model()
                        ->match(dir1->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                Qt::MatchContains)
                        .isEmpty();
        };
        const QString anims = fixture::nativePathOf(m_bench->path("demo"), "Game\\data\\anims");
        QCOMPARE(dir1->property("path").toString(), QDir::toNativeSeparators(anims));
        QVERIFY(QDir(anims).mkdir("newtricks"));
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QVERIFY(listed("newtricks"));
        QVERIFY(QDir(anims).removeRecursively());
        QVERIFY(openOptions() && leaveWith("cmdCancel"));
        QVERIFY(listed("newtricks"));
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void folderTextAndClosing()
    {
        install({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(start());
        QVERIFY(openOptions());
        const QPoint centre = m_dialog->screen()->geometry().center();
        QVERIFY((m_dialog->frameGeometry().center() - centre).manhattanLength() <= 2);
        QVERIFY(!m_dialog->findChild<QPushButton *>("cmdOK")->isDefault());

        // A line break would split the settings file's lines; a no-break space stays.
        type(QStringLiteral(u"D:\\Old\u00a0Games"));
        QTest::keyClick(folderBox(), Qt::Key_Return);
        QTest::keyClicks(folderBox(), "Vertz\\");
        click("cmdApply");
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\Old\xc2\xa0GamesVertz\\"));
        QCOMPARE(TestBench::iniLine(2), m_demo.toLocal8Bit());

        // Chosen again while open: the same dialog, not read again.
        type("unsaved");
        QPointer<QWidget> first = m_dialog;
        QVERIFY(openOptions());
        QCOMPARE(m_dialog, first);
        QCOMPARE(shown(), QString("unsaved"));
        QTest::keyClick(m_dialog, Qt::Key_Escape);
        QTRY_VERIFY(!m_dialog);
        QCOMPARE(TestBench::iniLine(1), QByteArray("D:\\Old\xc2\xa0GamesVertz\\"));

        // Every opening starts from the file; OK stores and closes, and stores
        // a folder the player left alone exactly as it was.
        const QString odd = QStringLiteral(u"E:\\Vertz\u00a0Rail\u2028Tour\\");
        TestBench::writeIni(TestBench::ini(odd, m_demo, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
        QVERIFY(openOptions());
        QVERIFY(shown().startsWith("E:\\Vertz"));
        QVERIFY(leaveWith("cmdOK"));
        QCOMPARE(TestBench::iniLine(1), odd.toUtf8());
    }

    void onlyOurWindowsAndTheFirstShowRefresh()
    {
        install({3, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
        QVERIFY(load());
        QCOMPARE(gameCas(Variant::Full), boardCas(Variant::Full, 3));
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        // Right after the show, before any activation, which a window system
        // may never send; and not again when it comes.
        m_window->show();
        QCOMPARE(gameCas(Variant::Full), boardCas(Variant::Full, 3));
        QVERIFY(writeFile(casPath(Variant::Full), "worn"));
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(gameCas(Variant::Full), QByteArray("worn"));

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
