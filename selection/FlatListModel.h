#pragma once

#include <QAbstractListModel>

namespace varnex {

// A list model of one column whose index(), flags() and hasChildren() skip the generic checks of
// QAbstractListModel, which ask rowCount() and columnCount() again for every index: a view
// laying out a list of a million rows asks for each of them for every row. The rows are counted
// by rows().
class FlatListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const final {
        return !parent.isValid() && column == 0 && row >= 0 && row < rows()
                   ? createIndex(row, column)
                   : QModelIndex();
    }
    int rowCount(const QModelIndex& parent = {}) const final {
        return parent.isValid() ? 0 : rows();
    }
    // Asked for every row too, by a tree view's layout.
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.model() == this && index.column() == 0 && index.row() >= 0 &&
                       index.row() < rows()
                   ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                   : Qt::NoItemFlags;
    }
    bool hasChildren(const QModelIndex& parent = {}) const final {
        return !parent.isValid() && rows() > 0;
    }

protected:
    virtual int rows() const = 0;
};

} // namespace varnex
