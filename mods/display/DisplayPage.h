#pragma once

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

    QCheckBox *chkBalance;
    QCheckBox *chkHud;
    QCheckBox *chkFont;
    QLabel *Label1;

private:
    AppContext &m_ctx;
};
