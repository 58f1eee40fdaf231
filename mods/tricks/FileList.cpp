#include "mods/tricks/FileList.h"

#include "mods/tricks/FolderList.h"
#include "mods/tricks/FolderReader.h"
#include "mods/tricks/NameListModel.h"
#include "platform/FileSystem.h"

FileList::FileList(QWidget *parent)
    : QListView(parent), m_ownReader(std::make_unique<FolderReader>()), m_reader(m_ownReader.get()),
      m_model(new NameListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

FileList::~FileList() = default;

int FileList::count() const
{
    return m_model->rowCount();
}

bool FileList::trySetPath(const QString &folder, QString *error)
{
    const QString p = folder.isEmpty() ? QString() : nativeFolder(folder);
    if (!p.isEmpty() && p == m_path)
        return true;
    if (!showFolder(p, error))
        return false;
    m_path = p;
    emit pathChanged(m_path);
    return true;
}

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
    try {
        if (folder.isEmpty())
            throw platform::FileError(QStringLiteral("list"), folder,
                                      QStringLiteral("no folder given"));
        m_model->reset({}, {}, m_reader->read(folder).files, {}, {});
    } catch (const platform::FileError &e) {
        if (error)
            *error = e.explain();
        return false;
    }
    return true;
}

int FileList::selectedRow() const
{
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
