#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QPushButton;
class QTreeWidget;

// The "Game Files" window: every game file the mods changed in the variant
// in use, grouped by mod, each with its state, and Restore Everything.
// Opened from the main window's File menu; no owner, like the other
// secondary windows.
class frmGameFiles : public QDialog {
    Q_OBJECT

public:
    explicit frmGameFiles(AppContext &ctx, QWidget *parent = nullptr);

    // Looks at the files again and shows what they hold.
    void refresh();
    void cmdRestoreAll_Click();

    QLabel *lblVariant;
    QTreeWidget *tvwFiles;
    QLabel *lblSummary;
    QPushButton *cmdRestoreAll;
    QPushButton *cmdClose;

signals:
    // Restore Everything changed files and settings: the pages follow.
    void restored();

protected:
    bool event(QEvent *event) override;

private:
    AppContext &m_ctx;
    bool m_restoring = false;
};
