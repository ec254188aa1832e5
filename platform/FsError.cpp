#include "FsError.h"

#include "AppInfo.h"

#include <cerrno>

namespace varnex {

QString applicationSource() {
    return applicationTitle();
}

namespace {

QString describe(int number) {
    switch (number) {
    case fserr::BadFileName:
        return QStringLiteral("Bad file name or number");
    case fserr::FileNotFound:
        return QStringLiteral("File not found");
    case fserr::DeviceIo:
        return QStringLiteral("Device I/O error");
    case fserr::FileExists:
        return QStringLiteral("File already exists");
    case fserr::DiskFull:
        return QStringLiteral("Disk full");
    case fserr::TooManyFiles:
        return QStringLiteral("Too many files");
    case fserr::PermissionDenied:
        return QStringLiteral("Permission denied");
    case fserr::RenameAcrossDisks:
        return QStringLiteral("Can't rename with different drive");
    case fserr::PathFileAccess:
        return QStringLiteral("Path/File access error");
    case fserr::PathNotFound:
        return QStringLiteral("Path not found");
    default:
        return QStringLiteral("File error");
    }
}

} // namespace

FsError fsError(int number) {
    if (number == 0)
        return FsError::success();
    return FsError{number, applicationSource(), describe(number)};
}

FsError fsErrorFromErrno(int err) {
    switch (err) {
    case ENOENT:
        return fsError(fserr::FileNotFound);
    case EEXIST:
    case ENOTEMPTY:
        return fsError(fserr::FileExists);
    case EACCES:
    case EPERM:
        return fsError(fserr::PermissionDenied);
    case ENOTDIR:
    case ELOOP:
        return fsError(fserr::PathNotFound);
    case ENOSPC:
    case EDQUOT:
        return fsError(fserr::DiskFull);
    case EIO:
        return fsError(fserr::DeviceIo);
    case EXDEV:
        return fsError(fserr::RenameAcrossDisks);
    case ENAMETOOLONG:
    case EILSEQ: // the file system cannot hold a character of the name
        return fsError(fserr::BadFileName);
    case EMFILE:
    case ENFILE:
        return fsError(fserr::TooManyFiles);
    default:
        // EROFS, EBUSY, ETXTBSY and anything unforeseen: access to the path was refused.
        // Errno 0 lands here too, so a failure is never mistaken for success.
        return fsError(fserr::PathFileAccess);
    }
}

} // namespace varnex
