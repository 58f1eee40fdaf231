#pragma once

#include "settings/SettingValue.h"
#include "ui/ImageList.h"

#include <QGroupBox>

class AppContext;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QRadioButton;

// The "Level Mods" page: the MotoX level switch and its mode.
class LevelsPage : public QGroupBox {
    Q_OBJECT

public:
    explicit LevelsPage(AppContext &ctx, QWidget *parent = nullptr);

    // Puts the stored MotoX state on the controls, as loading the settings does.
    void showStoredState();

    // Turns the level on or off in the game as the box says. False when a
    // file operation failed or the settings could not be saved: the player
    // was told and the box shows the stored state again.
    bool chkMotox_Click();
    // Chooses the mode (0 luge, 1 skating) and applies it through chkMotox_Click.
    void optMotox_Click(int index);

    // Picture number of ilsMotox (1 to 3), framed or not.
    void showPicture(int number, bool border);

    // The level exists in the full game only: its box is usable there, and
    // nothing of the page in the demo.
    void offerFor(bool demo);
    // On activation: the modes usable while the stored state is on, with the
    // stored mode's picture.
    void showStoredModes();
    // Chosen as a tab: the modes unusable while the stored state is off.
    void lockModesWhileOff();

    QCheckBox *chkMotox;
    QRadioButton *optMotox[2];
    QButtonGroup *optMotoxGroup;
    QLabel *imgMotox;
    // Pictures 1 and 2 show the level in each mode, 3 is blank; each is
    // decoded when first shown.
    ui::ImageList ilsMotox;

private:
    // chkMotox_Click with the mode stored before the click, which a failure
    // puts back with the box.
    bool applyChoice(const SettingValue &modeBefore);
    // The buttons and the picture of the mod on (in the given mode) or off.
    void showMode(bool on, int mode);
    // After a failure: the full game's scripts as they were, as far as they
    // can be put back; a second failure leaves the first one's message.
    void putBack(bool on, int mode);

    AppContext &m_ctx;
};
