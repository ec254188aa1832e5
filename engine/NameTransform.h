#pragma once

#include "RenameOptions.h"

#include <QStringView>
#include <optional>

namespace varnex {

struct NameSplit {
    QString base;
    QString extension; // starts with the last "."
};

// Whether `find` occurs anywhere in `text`.
bool ContainsText(const QString& text, const QString& find, Qt::CaseSensitivity cs);

// `text` with every non-overlapping occurrence of `find` replaced, scanning left to right;
// inserted text is never searched again. An empty `find` matches nothing.
QString ReplaceAll(const QString& text, const QString& find, const QString& replacement,
                   Qt::CaseSensitivity cs);

// Splits at the last "."; std::nullopt when the name holds no ".".
std::optional<NameSplit> SplitAtLastDot(const QString& name);

// The length of a name in characters (Unicode code points): a surrogate pair counts once.
qsizetype NameLength(QStringView name);

// The new bare name of one file under the given choices.
NewNameResult ComputeNewName(const RenameOptions& options, const QString& fileName);

} // namespace varnex
