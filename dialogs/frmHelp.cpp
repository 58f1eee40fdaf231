#include "dialogs/frmHelp.h"

#include "ui/Placement.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

using ui::named;
using ui::twips;

namespace {
constexpr int clientWidth = 5640, clientHeight = 5145;
constexpr int paneTop = 360;
// The drop-down and the panes are this much narrower than the whole window.
constexpr int widthMargin = 100;

const QString contactAddress = QStringLiteral("vertzmod@example.org");

// Paragraphs apart by one empty line, the last one ended too.
QString paragraphs(const QStringList &list)
{
    return list.join(QLatin1String("\r\n\r\n")) + QLatin1String("\r\n");
}

const QString askUs = QStringLiteral("Any questions / errors, email ") + contactAddress;

} // namespace

frmHelp::frmHelp(AppContext &, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Vertz Mod Utility Help"));
    resize(twips(clientWidth), twips(clientHeight));
    ui::centreWhenShown(this);

    // Created in tab order.
    const auto pane = [this](const char *name, const QString &text) {
        auto *p = named<TextBox>(this, name, text);
        p->move(0, twips(paneTop));
        return p;
    };
    txtHelp = pane("txtHelp", QString());
    cboHelp = named<QComboBox>(this, "cboHelp");
    cboHelp->setEditable(true);
    // Typing picks no topic: no completion that would select an entry, no
    // entry selected when the typed text matches one, and none added by Enter.
    cboHelp->setCompleter(nullptr);
    disconnect(cboHelp->lineEdit(), &QLineEdit::editingFinished, cboHelp, nullptr);
    cboHelp->setInsertPolicy(QComboBox::NoInsert);
    cboHelp->addItems({QStringLiteral("Board Shape Mod Help"), QStringLiteral("Trick Mod Help"),
                       QStringLiteral("Motox Mod Help"), QStringLiteral("Display Mods Help")});
    cboHelp->setCurrentIndex(-1);
    cboHelp->setEditText(QStringLiteral("Select a help topic"));
    cboHelp->setGeometry(0, 0, twips(clientWidth - widthMargin), cboHelp->sizeHint().height());
    txtBoardMod = pane(
        "txtBoardMod",
        paragraphs(
            {QStringLiteral(
                 "This mod uses some board models that were included in the game but not used. "
                 "Backups of the files that are copied over are automatically made and can be "
                 "restored by setting the board shape back to default. "),
             QStringLiteral(
                 "WARNING: This mod will not work if you using the demo version and you do not "
                 "specify in the options menu that it is. Just so you know, backups and selections "
                 "are made separately for both versions, so if you switch from demo mode to full "
                 "game mode while this program is running it will automatically switch to the "
                 "currently selected board type for the other version. "),
             askUs}));
    txtTrickMod = pane(
        "txtTrickMod",
        paragraphs(
            {QStringLiteral(
                 u"This mod lets you easily copy animation (trick) files over others to gain "
                 u"access "
                 u"to tricks that weren\u2019t included in the game i.e. roastbeef grabs, secret "
                 u"vorkell character\u2019s specials, and simply to change existing ones around, "
                 u"like "
                 u"changing a special move to a regular one. Just select a file from the first box "
                 u"to copy from and one in the second box to copy over. The first trick will "
                 u"become "
                 u"the second trick. Also, this mod doesn\u2019t change the trick names... yet. "),
             QStringLiteral(
                 "WARNING: Copying non-skater animation files over trick animations and vice versa "
                 "can cause the game to crash or just make your skater get stretched and twisted "
                 "in "
                 "weird ways. "),
             QStringLiteral(
                 u"IMPORTANT: If a file has already been modded an you try to use it to copy over "
                 u"another file this program will automatically restore the original file before "
                 u"copying it. So you can be sure that when you select the kickflip animation to "
                 u"copy over another file it\u2019s the right one.The restore button does NOT "
                 u"restore "
                 u"files. It sets the program to restore mod and the directory list at the left "
                 u"will "
                 u"be changed to show only the folders of modded files. Select any of them and "
                 u"click "
                 u"copy for an instant restore. "),
             askUs}));
    txtDisplayMods = pane(
        "txtDisplayMods",
        paragraphs(
            {QStringLiteral("The balance meter and hud mods simply replace image files with a "
                            "blank ones to remove either them. "),
             QStringLiteral("WARNING: Turning the trick/combo fonts off also turns off the text in "
                            "almost every menu!"),
             contactAddress}));
    txtMotoxMod = pane(
        "txtMotoxMod",
        paragraphs(
            {QStringLiteral(
                 "This mod uses level files that were included in the game. All this mod does is "
                 "change the level select menu to make the Motox level selectable. By default you "
                 "will be luging in the level but there is an option to skate too. This mod does "
                 "not work on the demo version!"),
             askUs}));
    txtHelp->raise();
    txtHelp->setFocus();

    connect(cboHelp, &QComboBox::activated, this, [this] { cboHelp_Click(); });
}

void frmHelp::cboHelp_Click()
{
    const QString topic = cboHelp->currentText();
    const std::pair<const char *, TextBox *> topics[] = {{"Board Shape Mod Help", txtBoardMod},
                                                         {"Trick Mod Help", txtTrickMod},
                                                         {"Motox Mod Help", txtMotoxMod},
                                                         {"Display Mods Help", txtDisplayMods}};
    for (const auto &[entry, pane] : topics) {
        if (topic == QLatin1String(entry)) {
            pane->raise();
            return;
        }
    }
}

void frmHelp::Form_Resize()
{
    // A minimised window may report any size; the rule waits until it is restored.
    if (m_cboWidth == 0 || isMinimized())
        return;
    const QSize frame = frameGeometry().size() - size();
    QSize outer = frameGeometry().size();
    if (outer.width() < m_cboWidth) {
        // Back to the width the window had when it was created.
        outer.setWidth(m_cboWidth + twips(widthMargin));
        resize(outer - frame);
    }
    for (TextBox *p : {txtHelp, txtBoardMod, txtTrickMod, txtMotoxMod, txtDisplayMods})
        p->resize(outer.width() - twips(widthMargin), outer.height());
}

void frmHelp::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_cboWidth == 0) {
        m_cboWidth = frameGeometry().width() - twips(widthMargin);
        cboHelp->resize(m_cboWidth, cboHelp->height());
        Form_Resize();
    }
}

void frmHelp::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmHelp::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
