#pragma once

#include <QListWidget>

// Every file of one folder, with at most one selected name.
class FileList : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath)
    Q_PROPERTY(QString fileName READ fileName WRITE setFileName)

public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // False, with nothing changed, when the folder does not exist.
    bool trySetPath(const QString &folder);
    void setPath(const QString &folder) { trySetPath(folder); }
    void refresh();

    // The selected file name, empty when none.
    QString fileName() const;
    void setFileName(const QString &name);

private:
    void fill();

    QString m_path;
};
