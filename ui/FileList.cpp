#include "ui/FileList.h"

#include "ui/NameListModel.h"

bool FileList::refresh(QString *error)
{
    if (m_path.isEmpty())
        return true;
    const QString selected = fileName();
    if (!showFolder(m_path, error))
        return false;
    setFileName(selected);
    return true;
}

bool FileList::showFolder(const QString &folder, QString *error)
{
    std::optional<platform::FolderContents> contents = read(folder, error);
    if (!contents)
        return false;
    m_model->reset({}, {}, std::move(contents->files), {}, {});
    return true;
}

int FileList::selectedRow() const
{
    // No selection before the list was first shown or filled.
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString FileList::fileName() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : m_model->names().at(row).toString();
}

bool FileList::isFileNameExact() const
{
    const int row = selectedRow();
    return row < 0 || m_model->names().isExact(row);
}

void FileList::setFileName(const QString &name)
{
    const qsizetype row = name.isEmpty() ? -1 : m_model->names().indexOf(name);
    if (row < 0) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    setCurrentIndex(m_model->index(int(row)));
    scrollTo(currentIndex());
}
