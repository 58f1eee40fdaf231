#include "ui/NameListModel.h"

void NameListModel::reset(QStringList head, const QIcon &headIcon, platform::NameList names,
                          const QString &namePrefix, const QIcon &nameIcon)
{
    beginResetModel();
    m_head = std::move(head);
    m_headIcon = headIcon;
    m_names = std::move(names);
    m_prefix = namePrefix;
    m_nameIcon = nameIcon;
    endResetModel();
}

int NameListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_head.size() + m_names.size());
}

QVariant NameListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    const bool inHead = row < m_head.size();
    switch (role) {
    case Qt::DisplayRole:
        return inHead ? m_head[row] : m_prefix + m_names.at(row - m_head.size()).toString();
    case Qt::DecorationRole: {
        const QIcon &icon = inHead ? m_headIcon : m_nameIcon;
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ToolTipRole:
        if (!inHead && !m_names.isExact(row - m_head.size()))
            return tr("This name is not valid in the system's encoding; rename it to use it.");
        return {};
    default:
        return {};
    }
}
