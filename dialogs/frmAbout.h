#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QPushButton;
class TextBox;

// The about box: the program's name and version and what each release added.
// Opened from the main window's menu; no owner.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(AppContext &ctx, QWidget *parent = nullptr);

    void cmdOK_Click();

    QPushButton *cmdOK;
    QLabel *lblTitle;
    TextBox *Text1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
