#pragma once

#include <QListWidget>

#include <QDir>

// Names in a folder, sorted ignoring case. A fraction of what QDir::entryList
// takes on a 20,000-file folder, which matters as the lists fill on every
// change of folder.
QStringList sortedEntries(const QString &folder, QDir::Filters filters);

// The folder's absolute native path, without a trailing separator.
QString nativeFolder(const QString &folder);

// A folder tree list: the folder shown, its ancestors up to the root and its
// subfolders. Choosing an entry (double click or Enter) makes it the folder.
// The path is native, without a trailing separator, and changes synchronously.
class FolderList : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)

public:
    explicit FolderList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Shows the folder; pathChanged runs only when the folder really changes.
    // False, with nothing changed, when the folder does not exist.
    bool trySetPath(const QString &folder);
    void setPath(const QString &folder) { trySetPath(folder); }
    // Reads the folder tree from disk again.
    void refresh();

signals:
    void pathChanged(const QString &path);

private:
    void fill();

    QString m_path;
};
