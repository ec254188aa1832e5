#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <memory>

namespace varnex {

// A file of the user's, locked while open and mapped into memory shared with the file, so that
// a store into the mapping is in the kernel's hands at once (and survives the death of the
// process) without a system call. The journal of a run is written and undone through it.
class MappedFile {
public:
    // Why an existing file was not opened.
    enum class Refusal {
        None,
        NotYours, // missing, a symbolic link, not a regular file, or not owned by the user
        Locked,   // another open holds its lock
    };

    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Creates `path`, which must not exist yet (not even as a symbolic link), readable and
    // writable by the user only, and locks it. 0, or the errno of the step that failed; the file
    // is then closed (a file that was made stays, empty).
    int create(const QByteArray& path);
    // Opens the existing file `path` for reading and in-place updates, never through a symbolic
    // link, and locks it. Only a regular file owned by the user is opened.
    Refusal openExisting(const QByteArray& path);

    bool isOpen() const { return fd_ >= 0; }
    // The file's size when it was opened.
    qint64 fileSize() const { return fileSize_; }
    // The mapped bytes: nullptr while nothing is mapped.
    char* data() const { return map_; }
    qint64 mappedSize() const { return mapped_; }

    // Allocates the file's space up to `size` bytes for real, so that a full disk fails here
    // rather than at a store, and maps that much of it, moving the mapping when it must. 0, or
    // the errno of the failure; the mapping is then as it was.
    int grow(qint64 size);
    // Maps the whole file as it was opened. False when it cannot be mapped.
    bool mapAll();
    // Lets the process go of the mapping's pages from `from` (the start of a page) to `to`
    // rounded down to a page. Their contents stay in the file and the page cache; a later store
    // to such a page maps it again. Returns where the pages let go of end: `from` when none.
    qint64 releasePages(qint64 from, qint64 to);
    // How much of the file a flush writes to disk.
    enum class Flush {
        // The data and what the file system records about the file (its length, where its data
        // lies), and waits for the disk to keep them.
        Full,
        // The data only. What the file system records about it, such as that space reserved
        // ahead now holds data, is kept with the file system's next commit of its own, in the
        // order of the changes made before it. A full flush would force that commit, and with it
        // every other change made so far on the file system.
        DataOnly,
    };
    // Writes the file to disk on a pool thread, through a descriptor of its own, so that the
    // caller never waits for the disk; `done`, when given, is cleared when it has (or at once
    // when no descriptor could be had).
    void flushInBackground(Flush how = Flush::Full,
                           std::shared_ptr<std::atomic<bool>> done = {}) const;
    // Writes the changes made through the mapping to disk and waits for them.
    void syncMapping();
    // Lets go of the mapping, cuts the file to `length` bytes and, when that worked, flushes it
    // on a pool thread; then unlocks and closes it.
    void closeAt(qint64 length);
    // Lets go of the mapping and closes the file as it is.
    void close();

private:
    void unmap();

    int fd_ = -1;
    char* map_ = nullptr;
    qint64 mapped_ = 0;
    qint64 fileSize_ = 0;
};

// Whether `path` is a folder owned by the user, seen without following a symbolic link. When it
// is, whatever permissions others have on it are taken away.
bool makeOwnFolderPrivate(const QByteArray& path);

} // namespace varnex
