#include "MappedFile.h"

#include <QThreadPool>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

MappedFile::~MappedFile() {
    close();
}

int MappedFile::create(const QByteArray& path) {
    close();
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        close();
        return err;
    }
    return 0;
}

MappedFile::Refusal MappedFile::openExisting(const QByteArray& path) {
    close();
    fd_ = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        close();
        return Refusal::NotYours;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        close();
        return Refusal::Locked;
    }
    fileSize_ = st.st_size;
    return Refusal::None;
}

int MappedFile::grow(qint64 size) {
    const int err = ::posix_fallocate(fd_, 0, size);
    if (err != 0)
        return err;
    void* map = map_ ? ::mremap(map_, size_t(mapped_), size_t(size), MREMAP_MAYMOVE)
                     : ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED)
        return errno;
    map_ = static_cast<char*>(map);
    mapped_ = size;
    return 0;
}

bool MappedFile::mapAll() {
    void* map = ::mmap(nullptr, size_t(fileSize_), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED)
        return false;
    map_ = static_cast<char*>(map);
    mapped_ = fileSize_;
    return true;
}

qint64 MappedFile::releasePages(qint64 from, qint64 to) {
    static const qint64 page = ::sysconf(_SC_PAGESIZE);
    const qint64 end = to / page * page;
    if (end > from && ::madvise(map_ + from, size_t(end - from), MADV_DONTNEED) == 0)
        return end;
    return from;
}

void MappedFile::flushInBackground(Flush how, std::shared_ptr<std::atomic<bool>> done) const {
    const int own = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        if (done)
            *done = false;
        return;
    }
    QThreadPool::globalInstance()->start([own, how, done] {
        // A file system that cannot write a range of a file on its own gets the full flush.
        constexpr unsigned WriteAndWait =
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        if (how == Flush::Full || ::sync_file_range(own, 0, 0, WriteAndWait) != 0)
            ::fdatasync(own);
        ::close(own);
        if (done)
            *done = false;
    });
}

void MappedFile::syncMapping() {
    if (map_)
        ::msync(map_, size_t(mapped_), MS_SYNC);
}

void MappedFile::unmap() {
    if (map_)
        ::munmap(map_, size_t(mapped_));
    map_ = nullptr;
    mapped_ = 0;
}

void MappedFile::closeAt(qint64 length) {
    unmap();
    if (fd_ >= 0) {
        if (::ftruncate(fd_, length) == 0)
            flushInBackground();
        ::flock(fd_, LOCK_UN); // the flush's descriptor must not keep the lock
    }
    close();
}

void MappedFile::close() {
    unmap();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
}

bool makeOwnFolderPrivate(const QByteArray& path) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0)
        ::chmod(path.constData(), 0700);
    return true;
}

} // namespace varnex
