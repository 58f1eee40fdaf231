#include "app/GameFilesModel.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

using gamestate::State;

namespace {

// A heading's internal id; a file's is its heading's row plus one.
constexpr quintptr heading = 0;

} // namespace

GameFilesModel::GameFilesModel(QObject *parent) : QAbstractItemModel(parent)
{
    // A dot of the state's colour, so the states tell apart at a glance.
    const QColor colours[]
        = {QColor(46, 157, 58), QColor(42, 111, 214), QColor(224, 138, 0), QColor(208, 48, 48)};
    for (int s = 0; s < 4; ++s) {
        QPixmap dot(12, 12);
        dot.fill(Qt::transparent);
        QPainter p(&dot);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(colours[s].darker(130));
        p.setBrush(colours[s]);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        m_icons[s] = QIcon(dot);
    }
}

void GameFilesModel::reset(QList<gamestate::FileStatus> files)
{
    beginResetModel();
    m_files = std::move(files);
    m_groups.clear();
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (m_groups.isEmpty() || m_files[i].mod != m_files[m_groups.last().first].mod)
            m_groups.append({i, 0});
        ++m_groups.last().count;
    }
    endResetModel();
}

const gamestate::FileStatus *GameFilesModel::fileAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.internalId() == heading)
        return nullptr;
    return &m_files[m_groups[qsizetype(index.internalId() - 1)].first + index.row()];
}

QModelIndex GameFilesModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column, parent.isValid() ? quintptr(parent.row()) + 1 : heading);
}

QModelIndex GameFilesModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == heading)
        return {};
    return createIndex(int(child.internalId() - 1), 0, heading);
}

int GameFilesModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_groups.size());
    if (parent.internalId() != heading || parent.column() != 0)
        return 0;
    return int(m_groups[parent.row()].count);
}

int GameFilesModel::columnCount(const QModelIndex &) const
{
    return 2;
}

QVariant GameFilesModel::data(const QModelIndex &index, int role) const
{
    const gamestate::FileStatus *f = fileAt(index);
    if (!f) {
        if (!index.isValid() || index.column() != 0)
            return {};
        if (role == Qt::DisplayRole)
            return gamestate::modTitle(m_files[m_groups[index.row()].first].mod);
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? f->game : gamestate::stateWord(f->state);
    case Qt::DecorationRole:
        return index.column() == 1 ? m_icons[int(f->state)] : QVariant();
    case Qt::ToolTipRole:
        return index.column() == 0 ? QStringLiteral("Backup: ") + f->backup : QVariant();
    default:
        return {};
    }
}

QVariant GameFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractItemModel::headerData(section, orientation, role);
    return section == 0 ? QStringLiteral("File") : QStringLiteral("State");
}
