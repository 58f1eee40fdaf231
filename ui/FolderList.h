#pragma once

#include "ui/NameListView.h"

// A folder tree list: the folder shown, its ancestors up to the root and its
// subfolders. Choosing an entry (double click or Enter) makes it the folder.
// The path is native, without a trailing separator, and changes synchronously.
class FolderList : public NameListView {
    Q_OBJECT

public:
    explicit FolderList(QWidget *parent = nullptr);
    // Reads the folder tree from disk again.
    bool refresh(QString *error = nullptr);

signals:
    // A chosen entry could not be entered; why says what failed.
    void entryRefused(const QString &why);

protected:
    bool showFolder(const QString &folder, QString *error) override;

private:
    void choose(const QModelIndex &index);

    QStringList m_chain; // the root, then each folder down to m_path
};
