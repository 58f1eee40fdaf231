#pragma once

#include "ui/FolderReader.h"

#include <QGroupBox>

#include <optional>

class AppContext;
class FileList;
class FolderList;
class NameListView;
class QLabel;
class QPushButton;

// The "Tricks Mods" page: a source pair and a destination pair of lists, and
// the copy command that puts one trick animation in place of another. In
// restore mode the upper pair browses the backups and the command puts the
// selected one back.
class TricksPage : public QGroupBox {
    Q_OBJECT

public:
    explicit TricksPage(AppContext &ctx, QWidget *parent = nullptr);

    // Points both folder lists at the game's animation folder below root
    // (a game path ending in a backslash), reading it once. False when the
    // folder is missing; Dir1 may then already have moved.
    bool showTrickRoot(const QString &root);
    // The native animation folder below a game root.
    QString trickFolder(const QString &root) const;
    // Back to the window: every list shows its folder as it is now, and the
    // folder lists the game's animation folder, each folder read once. A
    // failing step is skipped; a list whose folder has gone keeps what it
    // shows.
    void rereadFolders();

    // Handlers; the lists' folder changes and the buttons run them.
    void Dir1_Change();
    void Dir2_Change();
    void cmdRestore_Click();
    void cmdCopy_Click();
    void File1_DblClick();
    void File2_DblClick();

    bool restoreMode() const { return m_restoreMode; }

    FolderList *Dir1;
    FileList *File1;
    QLabel *lblTop;
    FolderList *Dir2;
    FileList *File2;
    QLabel *lblBottom;
    QPushButton *cmdRestore;
    QPushButton *cmdCopy;

private:
    QString trickRoot() const;
    QString backupRoot() const;
    // The native game folder for a folder below the trick root.
    QString gameFolder(const QString &rel) const;
    void copySelected();
    void restoreSelected();
    void fail(const QString &why);
    // Keeps a folder list at or below the trick root and its file list on the
    // same folder; the folder below the root, or nothing after a failure.
    std::optional<QString> followFolder(NameListView *dir, NameListView *files);

    AppContext &m_ctx;
    FolderReader m_reader;
    bool m_restoreMode = false;
    // Below the trick root ('/' between parts): the source's folder, and the
    // destination's (in restore mode the backup's folder below the backup root).
    QString m_sourceFolder;
    QString m_targetFolder;
};
