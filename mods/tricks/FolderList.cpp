#include "mods/tricks/FolderList.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStyle>

#include <algorithm>
#include <utility>
#include <vector>

QStringList sortedEntries(const QString &folder, QDir::Filters filters)
{
    std::vector<std::pair<QString, QString>> keyed; // folded once, not per comparison
    QDirIterator it(folder, filters);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        keyed.emplace_back(name.toCaseFolded(), name);
    }
    std::sort(keyed.begin(), keyed.end());
    QStringList names;
    names.reserve(qsizetype(keyed.size()));
    for (auto &k : keyed)
        names.append(std::move(k.second));
    return names;
}

QString nativeFolder(const QString &folder)
{
    // cleanPath drops a trailing separator but keeps the root's ("/", "C:/").
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

namespace {
constexpr int pathRole = Qt::UserRole;
} // namespace

FolderList::FolderList(QWidget *parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { trySetPath(item->data(pathRole).toString()); });
}

bool FolderList::trySetPath(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const QString p = nativeFolder(folder);
    if (p == m_path) {
        fill();
        return true;
    }
    m_path = p;
    fill();
    emit pathChanged(m_path);
    return true;
}

void FolderList::refresh()
{
    fill();
}

void FolderList::fill()
{
    clear();
    if (m_path.isEmpty())
        return;
    QStringList chain;
    QDir d(m_path);
    chain.prepend(d.absolutePath());
    while (!d.isRoot() && d.cdUp())
        chain.prepend(d.absolutePath());

    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    int depth = 0;
    for (const QString &folder : chain) {
        const QString name
            = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QDir(folder).dirName();
        auto *item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(pathRole, QDir::toNativeSeparators(folder));
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QStringList subs
        = sortedEntries(m_path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &sub : subs) {
        auto *item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + sub, this);
        item->setData(pathRole, QDir::toNativeSeparators(QDir(m_path).filePath(sub)));
    }
}
