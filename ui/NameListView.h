#pragma once

#include "platform/FolderReading.h"

#include <QListView>

#include <memory>
#include <optional>

class FolderReader;
class NameListModel;

// The folder's absolute native path, without a trailing separator.
QString nativeFolder(const QString &folder);

// What the folder and file lists share: a light list of names, the folder
// shown and the reader it comes from.
class NameListView : public QListView {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)

public:
    ~NameListView() override;

    // Lists sharing a reader read a folder once during one folder change.
    void setReader(FolderReader *reader) { m_reader = reader; }
    FolderReader &reader() const { return *m_reader; }

    QString path() const { return m_path; }
    // Shows the folder; pathChanged runs only when the folder really changes,
    // while the folder's reading is shared (see FolderReader). False, with
    // nothing changed and the reason in error, when it cannot be shown.
    bool trySetPath(const QString &folder, QString *error = nullptr);
    void setPath(const QString &folder) { trySetPath(folder); }

    int count() const;
    // Connects the view to its model, once; a list does so when first shown
    // or filled.
    void attachModel();

signals:
    void pathChanged(const QString &path);

protected:
    explicit NameListView(QWidget *parent);
    void showEvent(QShowEvent *event) override;
    // Fills the list from the folder; false, with the reason in error, when
    // it cannot be read.
    virtual bool showFolder(const QString &folder, QString *error) = 0;
    // The folder's contents through the reader; nothing, with the reason in
    // error, when it cannot be read. Attaches the model, which the caller fills.
    std::optional<platform::FolderContents> read(const QString &folder, QString *error);

    NameListModel *m_model;
    QString m_path;

private:
    std::unique_ptr<FolderReader> m_ownReader;
    FolderReader *m_reader;
};
