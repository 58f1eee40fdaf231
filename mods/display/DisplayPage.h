#pragma once

#include "mods/display/DisplayMods.h"

#include <QGroupBox>

class AppContext;
class QCheckBox;
class QLabel;

// The "Display" page: balance meter, HUD and font removal.
class DisplayPage : public QGroupBox {
    Q_OBJECT

public:
    explicit DisplayPage(AppContext &ctx, QWidget *parent = nullptr);

    // Sets the three boxes from the stored states of the variant in use, in
    // the order balance, font, HUD; a box that changes runs its handler.
    void showStoredState();

    // Blank the element out when the box is cleared, put the game's own back
    // when it is checked.
    void chkBalance_Click();
    void chkHud_Click();
    void chkFont_Click();

    QCheckBox *chkBalance;
    QCheckBox *chkHud;
    QCheckBox *chkFont;
    QLabel *Label1;

private:
    void elementClick(display::Element e, QCheckBox *box);

    AppContext &m_ctx;
};
