#include "mods/levels/LevelsPage.h"

#include "platform/Twips.h"
#include "settings/AppContext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

using platform::placeTwips;

LevelsPage::LevelsPage(AppContext &ctx, QWidget *parent) : QGroupBox(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraLevels"));
    setTitle(QStringLiteral("Level Mods"));
    setAutoFillBackground(true);

    chkMotox = new QCheckBox(QStringLiteral("Enable MotoX Level"), this);
    chkMotox->setObjectName(QStringLiteral("chkMotox"));
    placeTwips(chkMotox, 120, 240, 2535, 255);

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

    imgMotox = new QLabel(this);
    imgMotox->setObjectName(QStringLiteral("imgMotox"));
    imgMotox->setFrameShape(QFrame::Box);
    imgMotox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(imgMotox, 80, 1110, 2610, 2010);

    for (int i = 1; i <= 3; ++i)
        ilsMotox.append(QPixmap(QStringLiteral(":/motox%1.png").arg(i)));
}

void LevelsPage::showStoredState()
{
    const ModSettings &s = m_ctx.settings;
    if (s.motoxEnabled.equals(1)) {
        chkMotox->setChecked(true);
    } else {
        chkMotox->setChecked(false);
        optMotox[0]->setEnabled(false);
        optMotox[1]->setEnabled(false);
    }
    optMotox[s.motoxMode.toNumber(0) == 1 ? 1 : 0]->setChecked(true);
}
