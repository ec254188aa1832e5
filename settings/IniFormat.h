#pragma once

#include <QSettings>
#include <optional>

namespace varnex {

// The INI file format of the settings, read and written as plain text. The syntax is the one
// QSettings uses for its own INI files (sections, escaped keys, quoted and escaped values), so
// existing files read as before, but a value is never decoded into a typed value: "@Variant(",
// "@ByteArray(" and the like stay text, so no stored value can make the program crash.
//
// Every value read from a file is kept verbatim as an IniRawValue and written back unchanged,
// so keys and sections the program does not know survive a save untouched. Values the program
// sets are text (QString) and are escaped when written.
QSettings::Format iniTextFormat();

// A value as it stands in the file, after the "=".
struct IniRawValue {
    QByteArray text;
};

// The text a value read from the file stands for, the way QSettings reads it: a quoted part is
// taken as is, escapes are resolved, a list is joined by ", ", "@@" stands for "@", and
// "@String(...)" and "@ByteArray(...)" for their contents. std::nullopt for a typed value
// ("@Variant(...)", "@Rect(...)" and the like), which is not a text.
std::optional<QString> iniValueText(const QVariant& value);

} // namespace varnex

Q_DECLARE_METATYPE(varnex::IniRawValue)
