#pragma once

#include "platform/FileSystem.h"
#include "selection/FlatListModel.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>
#include <functional>
#include <future>
#include <optional>

namespace varnex {

// The folder list of the folder panel: the chosen folder's ancestors from the root down, the
// folder itself, then its sub-folders one level deeper, each indented by its depth.
class FolderTreeModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1, // the bare name ("/" or "C:\" for a root)
        PathRole,                    // the full path of the row's folder
        DepthRole,                   // 0 for the root
    };

    struct Row {
        QString name;
        QString path;
        int depth = 0;
    };

    explicit FolderTreeModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // `folderRow` is the row of the chosen folder itself.
    void setRows(QList<Row> rows, int folderRow);
    const QList<Row>& rows() const { return rows_; }
    // The row of the chosen folder itself; -1 when there are no rows.
    int folderRow() const { return folderRow_; }

private:
    QList<Row> rows_;
    int folderRow_ = -1;
};

// The file list of the folder panel: the names of the chosen folder's entries that are not
// folders, sorted without regard to letter case.
class FolderFilesModel : public FlatListModel {
    Q_OBJECT
public:
    explicit FolderFilesModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    // Shows the names in the order given.
    void setNames(const QStringList& names);
    // Shows the entries of `listing` at the positions `order`, in that order. The names stay in
    // the listing's one block of text: a folder of many files costs no text of its own per row.
    void setListing(FolderListing listing, QList<qsizetype> order);
    // The names shown, in order.
    QStringList names() const;

private:
    int rows() const override { return int(order_.size()); }

    FolderListing listing_;
    QList<qsizetype> order_;
};

// What one reading of a folder gives the two lists of the folder panel.
struct FolderReading {
    QList<FolderTreeModel::Row> rows;
    int folderRow = -1;
    FolderListing listing;
    QList<qsizetype> order; // the positions of the files in the listing, in the order shown
};

// Reads `path` for the folder panel. std::nullopt when the path names no folder that can be
// read, or when `wanted` answers false after a long step (a newer reading has started). `pause`,
// when given, runs now and then while a large folder is read.
std::optional<FolderReading> readFolderForLists(FileSystem& fs, const QString& path,
                                                const ListingPause& pause,
                                                const std::function<bool()>& wanted);

// The two display lists of the folder panel, bound to one folder.
class FolderPreview {
public:
    explicit FolderPreview(FileSystem& fs);
    ~FolderPreview();

    // Starts reading `path` on a thread of its own, where the file system allows it. The next
    // setFolder(), when it is of that path, shows what this reading found instead of reading
    // again, waiting for it when it is not done yet; any other setFolder() reads afresh.
    void readAhead(const QString& path);

    // Shows `path`. False, with the previous folder kept, when the path names no folder that
    // can be read. `pause`, when given, runs now and then while a large folder is read; a call
    // made from it (the user chose another folder meanwhile) wins, and this one then changes
    // nothing and returns false.
    bool setFolder(const QString& path, const ListingPause& pause = {});
    // Reads the current folder again; false (lists unchanged) when it can no longer be read.
    bool refresh(const ListingPause& pause = {});
    // The folder shown, as it was given; empty before the first successful setFolder.
    QString folder() const { return folder_; }

    FolderTreeModel& dirModel() { return dirs_; }
    FolderFilesModel& fileModel() { return files_; }

private:
    FileSystem& fs_;
    QString folder_;
    // The reading started by readAhead(), until a setFolder() of its path takes it.
    QString aheadPath_;
    std::future<std::optional<FolderReading>> ahead_;
    // Grows with every setFolder(), so that a read can tell whether a newer one started while
    // it paused.
    quint64 readings_ = 0;
    FolderTreeModel dirs_;
    FolderFilesModel files_;
};

// The ancestors of a folder path from the root down, ending with the folder itself: the rows of
// the folder list above the sub-folders.
QList<FolderTreeModel::Row> folderLineage(const QString& path);

// Sorts names without regard to letter case; names equal but for case keep a fixed order.
// `pause`, when given, runs now and then while many names are sorted.
void sortNamesIgnoringCase(QStringList& names, const ListingPause& pause = {});

} // namespace varnex
