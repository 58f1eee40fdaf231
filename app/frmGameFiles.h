#pragma once

#include <QDialog>

#include "app/GameFiles.h"

class AppContext;
class GameFilesModel;
class QLabel;
class QPushButton;
class QTreeView;

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
    // The chosen files, or their units, only.
    void cmdRestore_Click();
    void cmdKeep_Click();

    QLabel *lblVariant;
    QTreeView *tvwFiles;
    QLabel *lblSummary;
    QPushButton *cmdRestore;
    QPushButton *cmdKeep;
    QPushButton *cmdRestoreAll;
    QPushButton *cmdClose;

signals:
    // Restore Everything changed files and settings: the pages follow.
    void restored();

protected:
    bool event(QEvent *event) override;

private:
    // The files of the rows chosen (a heading: all of its own); changedOnly:
    // those changed since.
    QStringList chosen(bool changedOnly) const;
    void showChoice();
    void restore(const QStringList &only);
    void tell(const gamefiles::RestoreReport &report, const QString &title);

    AppContext &m_ctx;
    GameFilesModel *m_model;
    bool m_restoring = false;
    // The look of the opening stands for the first activation's, until
    // another window takes the focus first.
    bool m_fresh = false;
};
