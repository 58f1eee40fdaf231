#include "mods/tricks/NameListView.h"

#include "mods/tricks/FolderReader.h"
#include "mods/tricks/NameListModel.h"
#include "platform/FileSystem.h"

#include <QDir>

QString nativeFolder(const QString &folder)
{
    // cleanPath drops a trailing separator but keeps the root's ("/", "C:/").
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

NameListView::NameListView(QWidget *parent)
    : QListView(parent), m_model(new NameListModel(this)),
      m_ownReader(std::make_unique<FolderReader>()), m_reader(m_ownReader.get())
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

NameListView::~NameListView() = default;

int NameListView::count() const
{
    return m_model->rowCount();
}

bool NameListView::trySetPath(const QString &folder, QString *error)
{
    const QString p = folder.isEmpty() ? QString() : nativeFolder(folder);
    if (!p.isEmpty() && p == m_path)
        return true;
    FolderReader::Share share(*m_reader);
    if (!showFolder(p, error))
        return false;
    m_path = p;
    emit pathChanged(m_path);
    return true;
}

std::optional<platform::FolderContents> NameListView::read(const QString &folder, QString *error)
{
    try {
        if (folder.isEmpty())
            throw platform::FileError(QStringLiteral("list"), folder,
                                      QStringLiteral("no folder given"));
        return m_reader->read(folder);
    } catch (const platform::FileError &e) {
        if (error)
            *error = e.explain();
        return std::nullopt;
    }
}
