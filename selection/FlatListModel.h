#pragma once

#include <QAbstractListModel>

namespace varnex {

// A list model of one column whose index() skips the generic checks of QAbstractListModel,
// which ask rowCount() and columnCount() again for every index: a list view laying out a list of
// a million rows asks for two indexes per row. The rows are counted by rows().
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

protected:
    virtual int rows() const = 0;
};

} // namespace varnex
