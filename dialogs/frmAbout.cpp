#include "dialogs/frmAbout.h"

#include "ui/Placement.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

using ui::named;
using ui::placeTwips;
using ui::twips;

frmAbout::frmAbout(AppContext &, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vertzpc Mod Utility"));
    setFixedSize(twips(3525), twips(3195));
    ui::centreWhenShown(this);

    // Created in tab order.
    cmdOK = named<QPushButton>(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    placeTwips(cmdOK, 1200, 2760, 1260, 405);

    lblTitle = named<QLabel>(this, "lblTitle",
                             QStringLiteral("Vertzpc Mod Utility Version 1.2 by its authors"));
    lblTitle->setAlignment(Qt::AlignCenter);
    placeTwips(lblTitle, -60, 60, 3585, 225);

    Text1 = named<TextBox>(this, "Text1",
                           QStringLiteral("Version History\r\n"
                                          "1.3 - Added options to remove the HUD, \r\n"
                                          "onscreen fonts, and special meter\r\n"
                                          "1.2 - Demo support, Motox Level Mod, help and \r\n"
                                          "options dialogs added\r\n"
                                          "1.1 - Trick config added\r\n"
                                          "1.0 - Board shape mod\r\n"
                                          "\r\n"
                                          "Thanks to: beta testers, modders, players\r\n"));
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    Text1->setPalette(palette);
    placeTwips(Text1, 0, 300, 3495, 2415);
    Text1->installEventFilter(this);

    cmdOK->setFocus();
    // Esc rejects the dialog, which closes it as the button does.
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::cmdOK_Click()
{
    close();
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // The history is only to be read: the focus never stays in it.
    if (watched == Text1 && event->type() == QEvent::FocusIn)
        cmdOK->setFocus();
    return QDialog::eventFilter(watched, event);
}
