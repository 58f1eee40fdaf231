#pragma once

#include "ui/NameListView.h"

// Every file of one folder, with at most one selected name.
class FileList : public NameListView {
    Q_OBJECT
    Q_PROPERTY(QString fileName READ fileName WRITE setFileName)

public:
    explicit FileList(QWidget *parent = nullptr) : NameListView(parent) {}

    // Reads the files again, keeping the selected name while it is there.
    bool refresh(QString *error = nullptr);

    // The selected file name, empty when none.
    QString fileName() const;
    void setFileName(const QString &name);
    // False when the selected name is only the system's reading of bytes not
    // valid in its encoding: no path built from it reaches the file.
    bool isFileNameExact() const;

protected:
    // The folder's files, none selected.
    bool showFolder(const QString &folder, QString *error) override;

private:
    int selectedRow() const;
};
