#include "mods/levels/LevelsPage.h"

#include "context/AppContext.h"
#include "mods/levels/MotoxMod.h"
#include "platform/FileError.h"
#include "ui/Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

using ui::named;
using ui::placeTwips;

LevelsPage::LevelsPage(AppContext &ctx, QWidget *parent)
    : QGroupBox(parent), ilsMotox({QStringLiteral(":/motox1.png"), QStringLiteral(":/motox2.png"),
                                   QStringLiteral(":/motox3.png")}),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraLevels"));
    setTitle(QStringLiteral("Level Mods"));
    setAutoFillBackground(true);

    chkMotox = placeTwips(named<QCheckBox>(this, "chkMotox", QStringLiteral("Enable MotoX Level")),
                          120, 240, 2535, 255);

    optMotoxGroup = new QButtonGroup(this);
    const char *captions[2] = {"Luge Mode", "Regular Skating"};
    for (int i = 0; i < 2; ++i) {
        optMotox[i] = new QRadioButton(QString::fromLatin1(captions[i]), this);
        optMotox[i]->setObjectName(QStringLiteral("optMotox_%1").arg(i));
        placeTwips(optMotox[i], 300, 600 + 300 * i, 2355, 200);
        optMotox[i]->setEnabled(false);
        optMotoxGroup->addButton(optMotox[i], i);
    }
    optMotox[0]->setChecked(true);

    imgMotox = named<QLabel>(this, "imgMotox");
    imgMotox->setFrameShape(QFrame::Box);
    imgMotox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(imgMotox, 80, 1110, 2610, 2010);

    connect(chkMotox, &QCheckBox::toggled, this, [this] { chkMotox_Click(); });
    connect(optMotoxGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            optMotox_Click(id);
    });
}

void LevelsPage::showPicture(int number, bool border)
{
    imgMotox->setPixmap(ilsMotox.value(number - 1));
    imgMotox->setFrameShape(border ? QFrame::Box : QFrame::NoFrame);
    imgMotox->setProperty("imageNumber", number);
}

void LevelsPage::showMode(bool on, int mode)
{
    optMotox[0]->setEnabled(on);
    optMotox[1]->setEnabled(on);
    showPicture(on ? mode + 1 : 3, on);
}

bool LevelsPage::chkMotox_Click()
{
    return applyChoice(m_ctx.settings.motoxMode);
}

bool LevelsPage::applyChoice(const SettingValue &modeBefore)
{
    ModSettings &s = m_ctx.settings;
    const SettingValue stored = s.motoxEnabled;
    const bool on = chkMotox->isChecked();
    const int mode = s.motoxMode.toNumber(0) == 1 ? 1 : 0;
    const int modeWas = modeBefore.toNumber(0) == 1 ? 1 : 0;
    const auto keepStored = [&] {
        s.motoxEnabled = stored;
        s.motoxMode = modeBefore;
        const QSignalBlocker blocker(chkMotox);
        chkMotox->setChecked(stored.equals(1));
        showMode(stored.equals(1), modeWas);
    };
    s.motoxEnabled = on ? 1 : 0;
    // On is saved before the files change and off after them: a run killed
    // in between leaves on stored, which the next start applies again, never
    // the level in the game under a box that says off (the box's first
    // state, which applies nothing).
    if (on && !m_ctx.saveSettings()) {
        keepStored();
        return false;
    }
    const bool skating = on ? mode == 1 : optMotox[1]->isChecked();
    // The level exists in the full game only; the demo's files stay as they are.
    gamestate::Change change(m_ctx.record, m_ctx.files, s.gameRoot, false,
                             s.isDemo() ? QList<gamestate::Place>()
                                        : levels::writes(s.gameRoot, on, skating));
    if (!change.admitted()) {
        keepStored();
        if (on)
            m_ctx.saveSettings();
        return false;
    }
    try {
        if (!s.isDemo())
            levels::applyMotox(m_ctx.files, s.gameRoot, on, skating);
    } catch (const platform::FileError &err) {
        m_ctx.error(err.explain());
        keepStored();
        // Off in luge mode writes the menu alone, in one copy: nothing to put
        // back, and the level script it leaves may hold a change since.
        if (on || skating)
            putBack(stored.equals(1), modeWas);
        if (on)
            m_ctx.saveSettings();
        return false;
    }
    change.done();
    showMode(on, mode);
    m_ctx.saveSettings();
    return true;
}

void LevelsPage::optMotox_Click(int index)
{
    ModSettings &s = m_ctx.settings;
    const SettingValue stored = s.motoxMode;
    s.motoxMode = index;
    showPicture(index + 1, true);
    if (applyChoice(stored))
        return;
    const int mode = stored.toNumber(0) == 1 ? 1 : 0;
    {
        const QSignalBlocker groupBlocker(optMotoxGroup);
        const QSignalBlocker lugeBlocker(optMotox[0]);
        const QSignalBlocker skateBlocker(optMotox[1]);
        optMotox[mode]->setChecked(true);
    }
    showMode(chkMotox->isChecked(), mode);
}

void LevelsPage::putBack(bool on, int mode)
{
    const QString &root = m_ctx.settings.gameRoot;
    const bool skating = !on || mode == 1;
    try {
        // Recorded, so the record vouches for what goes back in.
        gamestate::Change back(m_ctx.record, m_ctx.files, root, false,
                               levels::writes(root, on, skating), true);
        levels::applyMotox(m_ctx.files, root, on, skating);
        back.done();
    } catch (const platform::FileError &) {
    }
}

void LevelsPage::offerFor(bool demo)
{
    chkMotox->setEnabled(!demo);
    if (demo) {
        optMotox[0]->setEnabled(false);
        optMotox[1]->setEnabled(false);
    }
}

void LevelsPage::showStoredModes()
{
    const ModSettings &s = m_ctx.settings;
    if (!s.motoxEnabled.equals(1))
        return;
    // Picture 1 shows luge mode, picture 2 regular skating.
    if (const int mode = s.motoxMode.toNumber(-1); mode == 0 || mode == 1)
        showPicture(mode + 1, true);
    optMotox[0]->setEnabled(true);
    optMotox[1]->setEnabled(true);
}

void LevelsPage::lockModesWhileOff()
{
    if (m_ctx.settings.motoxEnabled.equals(0)) {
        optMotox[0]->setEnabled(false);
        optMotox[1]->setEnabled(false);
    }
}

void LevelsPage::showStoredState()
{
    const ModSettings &s = m_ctx.settings;
    const gamestate::Reapplying reapplying(m_ctx.record);
    const bool on = s.motoxEnabled.equals(1);
    chkMotox->setChecked(on);
    if (!on) {
        optMotox[0]->setEnabled(false);
        optMotox[1]->setEnabled(false);
    }
    optMotox[s.motoxMode.toNumber(0) == 1 ? 1 : 0]->setChecked(true);
}
