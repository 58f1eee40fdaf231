#pragma once

#include "gamestate/Place.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

// The Game Files window's rows over the look's list: a heading for each mod
// with files, its files below it, each with its state. Rows are made only
// as a view asks for them, so a list of any length costs its list alone.
class GameFilesModel : public QAbstractItemModel {
public:
    explicit GameFilesModel(QObject *parent = nullptr);

    // The files as the look gives them, in its order: grouped by mod.
    void reset(QList<gamestate::FileStatus> files);
    // The file of a row, or null for a heading.
    const gamestate::FileStatus *fileAt(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Group {
        qsizetype first, count;
    };
    QList<gamestate::FileStatus> m_files;
    QList<Group> m_groups;
    QIcon m_icons[4]; // by state
};
