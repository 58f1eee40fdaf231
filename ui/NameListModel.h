#pragma once

#include "platform/FolderReading.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QStringList>

// The rows of a trick list: a few fixed rows first (a folder list's chain of
// ancestors), then the names of a folder, each drawn from the packed list
// only when the view asks for it.
class NameListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // namePrefix goes before every name (a folder list's indent).
    void reset(QStringList head, const QIcon &headIcon, platform::NameList names,
               const QString &namePrefix, const QIcon &nameIcon);

    // The views ask for every row's index as they lay the list out: no
    // virtual calls on the way.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override
    {
        return row >= 0 && column == 0 && !parent.isValid() && row < m_head.size() + m_names.size()
                   ? createIndex(row, 0)
                   : QModelIndex();
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const platform::NameList &names() const { return m_names; }

private:
    QStringList m_head;
    QIcon m_headIcon;
    platform::NameList m_names;
    QString m_prefix;
    QIcon m_nameIcon;
};
