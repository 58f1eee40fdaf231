#pragma once

#include <QWidget>

class AppContext;
class QComboBox;
class TextBox;

// The help viewer: one fixed text per mod, chosen from a drop-down list. The
// five panes lie one above the other; a topic is shown by raising its pane.
// Opened from the main window's menu; no owner.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(AppContext &ctx, QWidget *parent = nullptr);

    // The player chose an entry from the list.
    void cboHelp_Click();
    // Every size change, the first display included.
    void Form_Resize();

    TextBox *txtHelp;
    QComboBox *cboHelp;
    TextBox *txtBoardMod;
    TextBox *txtTrickMod;
    TextBox *txtDisplayMods;
    TextBox *txtMotoxMod;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Set once the window is first shown and its frame is known.
    int m_cboWidth = 0;
};
