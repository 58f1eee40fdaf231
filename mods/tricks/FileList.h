#pragma once

#include <QListView>

#include <memory>

class FolderReader;
class NameListModel;

// Every file of one folder, with at most one selected name.
class FileList : public QListView {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)
    Q_PROPERTY(QString fileName READ fileName WRITE setFileName)

public:
    explicit FileList(QWidget *parent = nullptr);
    ~FileList() override;

    void setReader(FolderReader *reader) { m_reader = reader; }

    QString path() const { return m_path; }
    // Shows the folder's files, none selected; pathChanged runs only on a
    // real change. False, with nothing changed and the reason in error, when
    // the folder cannot be read.
    bool trySetPath(const QString &folder, QString *error = nullptr);
    void setPath(const QString &folder) { trySetPath(folder); }
    // Reads the files again, keeping the selected name while it is there.
    bool refresh(QString *error = nullptr);

    // The selected file name, empty when none.
    QString fileName() const;
    void setFileName(const QString &name);
    // False when the selected name is only the system's reading of bytes not
    // valid in its encoding: no path built from it reaches the file.
    bool isFileNameExact() const;

    int count() const;

signals:
    void pathChanged(const QString &path);

private:
    bool showFolder(const QString &folder, QString *error);
    int selectedRow() const;

    std::unique_ptr<FolderReader> m_ownReader;
    FolderReader *m_reader;
    NameListModel *m_model;
    QString m_path;
};
