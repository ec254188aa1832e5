#pragma once

#include <QString>

namespace varnex {

enum class RenameType { None, ReplaceText, Prepend, Postpend, ConvertCase };
enum class CaseMode { Lower = 0, Upper = 1, Title = 2 };

// The rename choices that apply to one file, read afresh from the window for every file.
struct RenameOptions {
    RenameType renameType = RenameType::None;
    QString findText;
    QString replaceWith;
    bool caseSensitive = false;
    bool includeExtension = false;
    QString prependText;
    QString postpendText;
    bool postpendBeforeExtension = false;
    CaseMode caseMode = CaseMode::Lower;
};

inline constexpr int MaxNameLength = 255;

struct NewNameResult {
    bool renames = false;
    QString newName;
    bool tooLong = false;
};

} // namespace varnex
