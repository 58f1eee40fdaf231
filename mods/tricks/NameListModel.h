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

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    int headCount() const { return int(m_head.size()); }
    const platform::NameList &names() const { return m_names; }

private:
    QStringList m_head;
    QIcon m_headIcon;
    platform::NameList m_names;
    QString m_prefix;
    QIcon m_nameIcon;
};
