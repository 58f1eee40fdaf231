#include "mods/board/BoardPage.h"

#include "context/AppContext.h"
#include "mods/board/BoardCatalogue.h"
#include "mods/board/BoardSwap.h"
#include "ui/FormStyle.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QRadioButton>

using ui::named;
using ui::placeTwips;

namespace {
const QColor appliedColour(255, 192, 128);
const QColor selectedColour(255, 128, 0);

// The button and the inside of its mark. A palette set anew repolishes the
// button even when nothing changed.
void setBackground(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    if (p.color(QPalette::Window) == c && p.color(QPalette::Base) == c)
        return;
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
}

QStringList previewFiles()
{
    QStringList files;
    for (int i = 1; i <= board::boardCount; ++i)
        files.append(QStringLiteral(":/boards/board%1.ppm").arg(i));
    return files;
}
} // namespace

BoardPage::BoardPage(AppContext &ctx, QWidget *parent)
    : QGroupBox(parent), ilsPreview(previewFiles()), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraBoard"));
    setTitle(QStringLiteral("Board Mods"));
    setAutoFillBackground(true);

    BoardGroup = new QButtonGroup(this);
    for (int i = 0; i < board::boardCount; ++i) {
        const board::BoardEntry &e = board::catalogue[i];
        auto *b = new QRadioButton(QString::fromLatin1(e.caption), this);
        b->setObjectName(QStringLiteral("Board_%1").arg(i));
        b->setProperty("Tag", QString::fromLatin1(e.key));
        // The tight spacing keeps the widest caption whole.
        b->setStyle(ui::FormStyle::instance());
        b->setBackgroundRole(QPalette::Window);
        b->setAutoFillBackground(true);
        setBackground(b, QApplication::palette().color(QPalette::Button));
        placeTwips(b, 190, e.top, e.width, 200);
        b->installEventFilter(this);
        BoardGroup->addButton(b, i);
        Board[i] = b;
    }
    // A selection by keyboard or program runs the handler through toggled; a
    // click on the board already selected toggles nothing and runs it here.
    connect(BoardGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked)
            return;
        m_toggledSincePress = true;
        Board_Click(id);
    });
    connect(BoardGroup, &QButtonGroup::idPressed, this,
            [this](int) { m_toggledSincePress = false; });
    connect(BoardGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_toggledSincePress)
            Board_Click(id);
        m_toggledSincePress = false;
    });

    PicPreview = named<QLabel>(this, "PicPreview");
    PicPreview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PicPreview->setLineWidth(1);
    PicPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(PicPreview, 1500, 180, 1155, 2895);

    showPreview(1);
}

bool BoardPage::eventFilter(QObject *watched, QEvent *event)
{
    if (const int i = BoardGroup->id(qobject_cast<QAbstractButton *>(watched));
        event->type() == QEvent::MouseButtonDblClick && i >= 0 && Board[i]->isEnabled()) {
        Board_DblClick(i);
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void BoardPage::showPreview(int imageNumber)
{
    PicPreview->setProperty("imageNumber", imageNumber);
    // Every start replaces the design-time picture before the page is seen:
    // only the one seen is decoded.
    if (isVisible())
        paintPreview();
}

void BoardPage::showEvent(QShowEvent *event)
{
    QGroupBox::showEvent(event);
    paintPreview();
}

void BoardPage::paintPreview()
{
    const int n = PicPreview->property("imageNumber").toInt();
    if (n != m_painted && n >= 1 && n <= ilsPreview.size()) {
        PicPreview->setPixmap(ilsPreview[n - 1]);
        m_painted = n;
    }
}

void BoardPage::Board_Click(int index)
{
    ModSettings &s = m_ctx.settings;
    const bool demo = s.isDemo();
    s.board() = index;
    // The picture shows what is in the game, not what was clicked.
    showPreview(m_applied[demo ? 1 : 0] + 1);
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int i = 0; i < board::boardCount; ++i) {
        setBackground(Board[i], i == index                     ? selectedColour
                                : i == m_applied[demo ? 1 : 0] ? appliedColour
                                                               : face);
    }
    emit boardSelected(index);
}

void BoardPage::Board_DblClick(int index)
{
    ModSettings &s = m_ctx.settings;
    const bool demo = s.isDemo();
    const int v = demo ? 1 : 0;
    s.board() = index;
    const QString key = Board[index]->property("Tag").toString();
    gamestate::Change change(m_ctx.record, m_ctx.files, s.gameRoot, demo,
                             board::places(s.gameRoot, demo, key));
    if (!change.admitted()) {
        // Left as it is at the start: the marks show the stored board, which
        // the files hold but for what changed since.
        if (m_ctx.record.intent == gamestate::Intent::Reapply && !m_swapped[v]) {
            m_applied[v] = index;
            Board[index]->setChecked(true);
            Board_Click(index);
        }
        return;
    }
    try {
        board::swapBoard(m_ctx.files, s.gameRoot, demo, key);
    } catch (const platform::FileError &e) {
        // A swap cut short would leave the game a board made of two boards'
        // parts: the one applied before goes back in, where it is known.
        if (m_swapped[v]) {
            try {
                board::swapBoard(m_ctx.files, s.gameRoot, demo,
                                 Board[m_applied[v]]->property("Tag").toString());
            } catch (const platform::FileError &) {
            }
        }
        m_ctx.dialogs.message(QStringLiteral("Error! Directory not found."),
                              QString::fromLatin1(errorTitle), e.explain());
        return;
    }
    change.done();
    m_ctx.saveSettings();
    m_applied[v] = index;
    m_swapped[v] = true;
    Board[index]->setChecked(true);
    Board_Click(index);
}

void BoardPage::reapplyStored()
{
    // The caller has already made an empty selection 0; unusable text counts as 0 too.
    const int index = board::boardIndexOf(m_ctx.settings.board().toNumber(0));
    const gamestate::Reapplying reapplying(m_ctx.record);
    Board[index]->setChecked(true);
    Board_DblClick(index);
}
