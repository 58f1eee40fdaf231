#pragma once

#include <QGroupBox>

class AppContext;
class FileList;
class FolderList;
class QLabel;
class QPushButton;

// The "Tricks Mods" page: a source pair and a destination pair of lists.
class TricksPage : public QGroupBox {
    Q_OBJECT

public:
    explicit TricksPage(AppContext &ctx, QWidget *parent = nullptr);

    // Points both folder lists at the game's animation folder below root
    // (a game path ending in a backslash). False when the folder is missing;
    // Dir1 may then already have moved.
    bool showTrickRoot(const QString &root);
    // The native animation folder below a game root.
    QString trickFolder(const QString &root) const;

    FolderList *Dir1;
    FileList *File1;
    QLabel *lblTop;
    FolderList *Dir2;
    FileList *File2;
    QLabel *lblBottom;
    QPushButton *cmdRestore;
    QPushButton *cmdCopy;

private:
    AppContext &m_ctx;
};
