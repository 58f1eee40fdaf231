#include "tests/ScriptedDialogs.h"

#include "context/AppContext.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmHelp.h"
#include "ui/Look.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using ui::twips;

namespace {
const QString contact = QStringLiteral("vertzmod@example.org");

bool centred(QWidget *w)
{
    const QPoint off = w->frameGeometry().center() - w->screen()->geometry().center();
    return off.manhattanLength() <= 2;
}
void setOuterSize(QWidget *w, int width, int height)
{
    w->resize(QSize(width, height) - (w->frameGeometry().size() - w->size()));
}
} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

    ScriptedDialogs m_dialogs;
    AppContext m_ctx{m_dialogs};

    // The pane the player sees below the drop-down.
    static QString shownPane(frmHelp &help)
    {
        const QWidget *hit = help.childAt(20, twips(360) + 20); // a pane's viewport
        return hit ? hit->parentWidget()->objectName() : QString();
    }
    // Opens the list by its arrow and clicks an entry.
    static void choose(frmHelp &help, int entry)
    {
        QComboBox *cbo = help.cboHelp;
        QTest::mouseClick(cbo, Qt::LeftButton, {}, QPoint(cbo->width() - 4, cbo->height() / 2));
        QAbstractItemView *list = cbo->view();
        QTRY_VERIFY(list->isVisible());
        // Moving to the entry first, as a hand does, and no quicker than a
        // double click: a release near or soon after the press that opened
        // the list picks nothing.
        const QPoint at = list->visualRect(cbo->model()->index(entry, 0)).center();
        QTest::mouseMove(list->viewport(), at);
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(!list->isVisible());
    }

private slots:
    void initTestCase() { setUpLook(); }

    void helpTopicShowsItsText_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("about"); // words of its text
        const auto row = [](int entry, const char *topic, const char *pane, const char *about) {
            QTest::newRow(pane) << entry << QString(topic) << QString(pane) << QString(about);
        };
        row(0, "Board Shape Mod Help", "txtBoardMod", "board models");
        row(1, "Trick Mod Help", "txtTrickMod", "animation (trick)");
        row(2, "Motox Mod Help", "txtMotoxMod", "Motox level");
        row(3, "Display Mods Help", "txtDisplayMods", "balance meter");
    }
    // Opened, it shows the prompt over the empty pane; another topic is chosen
    // from the list, then this one by arrow key. Typing picks nothing.
    void helpTopicShowsItsText()
    {
        QFETCH(int, entry);
        QFETCH(QString, topic);
        QFETCH(QString, pane);
        QFETCH(QString, about);
        frmHelp help(m_ctx);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QVERIFY(centred(&help));
        QCOMPARE(help.cboHelp->currentText(), QStringLiteral("Select a help topic"));
        QCOMPARE(shownPane(help), QStringLiteral("txtHelp"));
        QCOMPARE(QApplication::focusWidget(), help.txtHelp);

        choose(help, entry ^ 1);
        QVERIFY(shownPane(help) != QStringLiteral("txtHelp"));
        QTest::keyClick(help.cboHelp, entry % 2 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(help.cboHelp->currentText(), topic);
        QCOMPARE(shownPane(help), pane);
        const QString text = help.findChild<TextBox *>(pane)->text();
        QVERIFY2(text.contains(about) && text.endsWith(contact + "\r\n"), qPrintable(text));

        // Typing a topic, with Enter and leaving the field, switches nothing.
        QLineEdit *edit = help.cboHelp->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, help.cboHelp->itemText(entry ^ 1));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::mouseClick(help.findChild<TextBox *>(pane)->viewport(), Qt::LeftButton);
        QCOMPARE(help.cboHelp->currentText(), help.cboHelp->itemText(entry ^ 1));
        QCOMPARE(shownPane(help), pane);
        QCOMPARE(help.cboHelp->count(), 4);
    }

    void helpResizeRule()
    {
        frmHelp help(m_ctx);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        const QSize created = help.frameGeometry().size();
        const int cboWidth = help.cboHelp->width();
        QCOMPARE(cboWidth, created.width() - twips(100));

        // Narrower than the list snaps back; as narrow as the list stays.
        setOuterSize(&help, cboWidth - 1, created.height());
        QTRY_COMPARE(help.frameGeometry().width(), created.width());
        setOuterSize(&help, cboWidth, created.height() - 50);
        QTRY_COMPARE(help.frameGeometry().width(), cboWidth);
        setOuterSize(&help, 600, 500);
        QTRY_COMPARE(help.frameGeometry().size(), QSize(600, 500));
        for (TextBox *pane : help.findChildren<TextBox *>())
            QCOMPARE(pane->size(), QSize(600 - twips(100), 500));

        // Minimised, the window may report any width; the rule waits for the restore.
        help.showMinimized();
        setOuterSize(&help, cboWidth - 100, 500);
        QTRY_COMPARE(help.frameGeometry().width(), cboWidth - 100);
        help.showNormal();
        QTRY_COMPARE(help.frameGeometry().width(), created.width());
    }

    void aboutBox_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    // Centred, fixed, the whole history readable; the focus never stays in the
    // history, so Enter and Esc always reach the button and close the box.
    void aboutBox()
    {
        QFETCH(int, key);
        QPointer<frmAbout> about = new frmAbout(m_ctx);
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QVERIFY(centred(about));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QVERIFY(about->lblTitle->text().startsWith("Vertzpc Mod Utility Version 1.2 by "));
        // The label reaches past the left edge; its centred text must not.
        const int titleWidth = about->lblTitle->sizeHint().width();
        const int titleLeft = about->lblTitle->x() + (about->lblTitle->width() - titleWidth) / 2;
        QVERIFY(titleLeft >= 0 && titleLeft + titleWidth <= about->width());

        // The history as released, then any three names; all of it in sight.
        const QString history = about->Text1->text();
        QVERIFY(history.startsWith("Version History\r\n1.3 - Added options to remove the HUD, \r\n"
                                   "onscreen fonts, and special meter\r\n1.2 - Demo support, Motox "
                                   "Level Mod, help and \r\noptions dialogs added\r\n1.1 - Trick "
                                   "config added\r\n1.0 - Board shape mod\r\n\r\nThanks to: "));
        QVERIFY(history.endsWith("\r\n"));
        QCOMPARE(history.split("Thanks to: ").last().split(", ").size(), 3);
        QTextCursor end(about->Text1->document());
        end.movePosition(QTextCursor::End);
        QVERIFY(about->Text1->cursorRect(end).bottom() < about->Text1->viewport()->height());

        QTest::mouseClick(about->Text1->viewport(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), about->cmdOK);
        QTest::keyClick(about->cmdOK, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about->cmdOK);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QTRY_VERIFY(!about);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
