#include "ui/NameListView.h"

#include "platform/FileError.h"
#include "ui/FolderReader.h"
#include "ui/NameListModel.h"

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
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

NameListView::~NameListView() = default;

// Qt connects a view to its model by name, dozens of connections for the
// page's four lists: paid when a list is first shown or filled, not by every
// start, most of which never show the Tricks page.
void NameListView::attachModel()
{
    if (model() != m_model)
        setModel(m_model);
}

void NameListView::showEvent(QShowEvent *event)
{
    attachModel();
    QListView::showEvent(event);
}

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
    attachModel();
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
