#pragma once

#include <QListView>

#include <memory>

class FolderReader;
class NameListModel;

// The folder's absolute native path, without a trailing separator.
QString nativeFolder(const QString &folder);

// A folder tree list: the folder shown, its ancestors up to the root and its
// subfolders. Choosing an entry (double click or Enter) makes it the folder.
// The path is native, without a trailing separator, and changes synchronously.
class FolderList : public QListView {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)

public:
    explicit FolderList(QWidget *parent = nullptr);
    ~FolderList() override;

    // Lists sharing a reader read a folder once during one folder change.
    void setReader(FolderReader *reader) { m_reader = reader; }
    FolderReader &reader() const { return *m_reader; }

    QString path() const { return m_path; }
    // Shows the folder; pathChanged runs only when the folder really changes,
    // while the folder's reading is shared (see FolderReader). False, with
    // nothing changed and the reason in error, when it cannot be shown.
    bool trySetPath(const QString &folder, QString *error = nullptr);
    void setPath(const QString &folder) { trySetPath(folder); }
    // Reads the folder tree from disk again.
    bool refresh(QString *error = nullptr);

    int count() const;

signals:
    void pathChanged(const QString &path);
    // A chosen entry could not be entered; why says what failed.
    void entryRefused(const QString &why);

private:
    void choose(const QModelIndex &index);
    bool showFolder(const QString &folder, QString *error);

    std::unique_ptr<FolderReader> m_ownReader;
    FolderReader *m_reader;
    NameListModel *m_model;
    QString m_path;
    QStringList m_chain; // the root, then each folder down to m_path
};
