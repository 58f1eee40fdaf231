#pragma once

#include <QGroupBox>
#include <QList>
#include <QPixmap>

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

    QCheckBox *chkMotox;
    QRadioButton *optMotox[2];
    QButtonGroup *optMotoxGroup;
    QLabel *imgMotox;
    // Pictures 1 and 2 show the level in each mode, 3 is blank.
    QList<QPixmap> ilsMotox;

private:
    AppContext &m_ctx;
};
