#include "mods/display/DisplayPage.h"

#include "context/AppContext.h"
#include "platform/FileError.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

using ui::named;
using ui::placeTwips;

namespace {
// Shown unless the field says 0: a field never saved, or not a number, is
// the initial state, the game's own files.
bool shown(const SettingValue &v)
{
    return v.isEmpty() || v.toNumber(1) == 1;
}
} // namespace

DisplayPage::DisplayPage(AppContext &ctx, QWidget *parent) : QGroupBox(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraDisplay"));
    setTitle(QStringLiteral("Display"));
    setAutoFillBackground(true);

    const auto box = [this](const char *name, const char *caption, int top) {
        auto *c = placeTwips(named<QCheckBox>(this, name, QString::fromLatin1(caption)), 180, top,
                             2475, 255);
        c->setChecked(true);
        return c;
    };
    chkBalance = box("chkBalance", "Balance Meter", 360);
    chkHud = box("chkHud", "HUD", 600);
    chkFont = box("chkFont", "Score/trick text", 840);

    Label1 = named<QLabel>(this, "Label1",
                           QStringLiteral("WARNING: Menu and score fonts are shared, so if you use "
                                          "this mod most the text on most menus will not be "
                                          "visible!"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(Label1, 120, 1140, 2475, 855);

    connect(chkBalance, &QCheckBox::toggled, this, &DisplayPage::chkBalance_Click);
    connect(chkHud, &QCheckBox::toggled, this, &DisplayPage::chkHud_Click);
    connect(chkFont, &QCheckBox::toggled, this, &DisplayPage::chkFont_Click);
}

void DisplayPage::chkBalance_Click()
{
    elementClick(display::Element::Balance, chkBalance);
}

void DisplayPage::chkHud_Click()
{
    elementClick(display::Element::Hud, chkHud);
}

void DisplayPage::chkFont_Click()
{
    elementClick(display::Element::Font, chkFont);
}

void DisplayPage::elementClick(display::Element e, QCheckBox *box)
{
    ModSettings &s = m_ctx.settings;
    const bool demo = s.isDemo();
    const display::ElementFiles &files = display::filesOf(e);
    SettingValue &field = s.*(demo ? files.demoField : files.fullField);
    const SettingValue stored = field;
    const bool show = box->isChecked();
    const auto keepStored = [&] {
        field = stored;
        const QSignalBlocker blocker(box);
        box->setChecked(shown(stored));
    };
    // A removal is saved before the files change and a return after them: a
    // run killed in between leaves the removal stored, which the next start
    // applies again, never blank files under a box that says shown (the
    // box's first state, which applies nothing).
    if (!show) {
        field = 0;
        if (!m_ctx.saveSettings()) {
            keepStored();
            return;
        }
    }
    gamestate::Change change(m_ctx.record, m_ctx.files, s.gameRoot, demo,
                             display::writes(s.gameRoot, demo, e, show));
    if (!change.admitted()) {
        keepStored();
        if (!show)
            m_ctx.saveSettings();
        return;
    }
    try {
        display::setShown(m_ctx.files, s.gameRoot, demo, e, show);
    } catch (const platform::FileError &err) {
        // The steps before the failing one are undone where they can be, so
        // the files keep the state before the click; so do the field and the
        // box. Recorded, so the record vouches for what goes back in.
        try {
            gamestate::Change back(m_ctx.record, m_ctx.files, s.gameRoot, demo,
                                   display::writes(s.gameRoot, demo, e, shown(stored)), true);
            display::setShown(m_ctx.files, s.gameRoot, demo, e, shown(stored));
            back.done();
        } catch (const platform::FileError &) {
        }
        m_ctx.error(err.explain());
        keepStored();
        if (!show)
            m_ctx.saveSettings();
        return;
    }
    change.done();
    field = show ? 1 : 0;
    m_ctx.saveSettings();
}

void DisplayPage::showStoredState()
{
    const ModSettings &s = m_ctx.settings;
    const gamestate::Reapplying reapplying(m_ctx.record);
    const bool demo = s.isDemo();
    chkBalance->setChecked(shown(demo ? s.demoBalanceShown : s.fullBalanceShown));
    chkFont->setChecked(shown(demo ? s.demoFontShown : s.fullFontShown));
    chkHud->setChecked(shown(demo ? s.demoHudShown : s.fullHudShown));
}
