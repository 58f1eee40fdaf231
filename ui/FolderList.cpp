#include "ui/FolderList.h"

#include "ui/NameListModel.h"

#include <QDir>
#include <QStyle>

FolderList::FolderList(QWidget *parent) : NameListView(parent)
{
    connect(this, &QListView::activated, this, &FolderList::choose);
}

bool FolderList::refresh(QString *error)
{
    return m_path.isEmpty() || showFolder(m_path, error);
}

bool FolderList::showFolder(const QString &folder, QString *error)
{
    std::optional<platform::FolderContents> contents = read(folder, error);
    if (!contents)
        return false;
    QStringList chain, head;
    QDir d(folder);
    chain.prepend(d.absolutePath());
    while (!d.isRoot() && d.cdUp())
        chain.prepend(d.absolutePath());
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        const QDir dir(chain[depth]);
        head.append(QString(depth, QLatin1Char(' '))
                    + (dir.isRoot() ? QDir::toNativeSeparators(chain[depth]) : dir.dirName()));
    }
    m_model->reset(head, style()->standardIcon(QStyle::SP_DirOpenIcon),
                   std::move(contents->folders), QString(chain.size(), QLatin1Char(' ')),
                   style()->standardIcon(QStyle::SP_DirClosedIcon));
    m_chain = chain;
    const int current = int(chain.size()) - 1;
    setCurrentIndex(m_model->index(current));
    // The folder near the top, its parent above it and its subfolders below.
    scrollTo(m_model->index(qMax(0, current - 1)), PositionAtTop);
    return true;
}

void FolderList::choose(const QModelIndex &index)
{
    const int row = index.row();
    QString target;
    if (row < m_chain.size()) {
        target = m_chain[row];
    } else {
        const platform::NameList &subs = m_model->names();
        const qsizetype i = row - m_chain.size();
        if (!subs.isExact(i)) {
            emit entryRefused(
                tr("Cannot open the folder %1: its name is not valid in the system's encoding")
                    .arg(subs.at(i)));
            return;
        }
        target = QDir(m_path).filePath(subs.at(i).toString());
    }
    QString why;
    if (!trySetPath(target, &why))
        emit entryRefused(why);
}
