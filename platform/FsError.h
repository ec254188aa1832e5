#pragma once

#include <QString>

namespace varnex {

// A failure of a file-system operation: a number in the file-error range 52..76, the
// component that raised it and a one-line description. A number of 0 means success.
struct FsError {
    int number = 0;
    QString source;
    QString description;

    bool ok() const { return number == 0; }
    static FsError success() { return {}; }
};

// Failure numbers used by the program's own file operations.
namespace fserr {
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIo = 57;
inline constexpr int FileExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int TooManyFiles = 67;
inline constexpr int PermissionDenied = 70;
inline constexpr int RenameAcrossDisks = 74;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;

inline constexpr int FirstFileError = 52;
inline constexpr int LastFileError = 76;
} // namespace fserr

inline bool isFileError(int number) {
    return number >= fserr::FirstFileError && number <= fserr::LastFileError;
}

// The source named in every failure of the program's own file operations.
QString applicationSource();

// Builds the failure for a file-error number with its standard description.
FsError fsError(int number);

// Maps a POSIX errno value to a failure in the file-error range.
FsError fsErrorFromErrno(int err);

} // namespace varnex
