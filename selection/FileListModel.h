#pragma once

#include "engine/RenameEngine.h"

#include <QAbstractListModel>
#include <QHash>
#include <QStringList>

namespace varnex {

// The entries of the file list: full paths in insertion order, each with a stable id, and an
// index of their upper-cased forms so that the duplicate test costs constant time per path.
class FileListModel : public QAbstractListModel, public FileListAccess {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const;
    QString entryAt(int row) const;
    void append(const QString& path);
    void removeAt(int row);
    void clear();
    // Whether a path equal to `path` but for letter case is in the list.
    bool containsIgnoringCase(const QString& path) const;

    // FileListAccess
    QList<EntryId> entryIds() const override;
    std::optional<QString> entryText(EntryId id) const override;
    int rowOf(EntryId id) const override;
    void setEntryText(EntryId id, const QString& text) override;
};

} // namespace varnex
