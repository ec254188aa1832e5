#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace varnex {

// One entry of the Open dialog's file-type list: the text shown, and the name patterns it lets
// through ("*" lets every name through, with or without a dot).
struct FileFilter {
    QString description;
    QStringList patterns;

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// The multi-select open-file dialog, behind an interface so that tests can answer it.
class OpenFileDialog {
public:
    struct Request {
        QString initialFolder;
        QList<FileFilter> filters;
        int filterIndex = 1; // 1-based position in `filters`
    };

    enum class Status {
        Accepted,
        Cancelled,
        // The chosen names do not fit what the dialog can hand back.
        ResultTooLarge,
        Failed,
    };

    struct Result {
        Status status = Status::Cancelled;
        // The chosen files as full paths, in the dialog's order.
        QStringList paths;
        int filterIndex = 1; // 1-based filter selected when the user confirmed
        // For ResultTooLarge and Failed: the failure's number, the component that raised it
        // and its description.
        int errorNumber = 0;
        QString errorSource;
        QString errorDescription;
    };

    virtual ~OpenFileDialog() = default;
    // Shows the dialog modally and returns once it is closed.
    virtual Result show(const Request& request) = 0;
};

} // namespace varnex
