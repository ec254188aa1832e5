#pragma once

#include <QString>
#include <QStringView>
#include <algorithm>
#include <limits>

namespace varnex {

// `a` followed by `b`, in a string of exactly their length. Two QStrings joined with `%` or `+`
// give a copy of the first grown to take the second, with as much room again kept for growth
// that never comes: held for every file of a large list or preview, that room would double the
// memory of their texts.
inline QString joined(QStringView a, QStringView b) {
    QString text(a.size() + b.size(), Qt::Uninitialized);
    std::copy(b.begin(), b.end(), std::copy(a.begin(), a.end(), text.begin()));
    return text;
}

// `a`, `b` and `c` one after the other, in a string of exactly their length.
inline QString joined(QStringView a, QStringView b, QStringView c) {
    QString text(a.size() + b.size() + c.size(), Qt::Uninitialized);
    std::copy(c.begin(), c.end(),
              std::copy(b.begin(), b.end(), std::copy(a.begin(), a.end(), text.begin())));
    return text;
}

// The count that picks the plural form of a translated text: languages differ in which counts
// take which form (French says "0 erreur", English "0 errors").
inline int pluralCount(qint64 n) {
    return int(std::clamp<qint64>(n, 0, std::numeric_limits<int>::max()));
}

// Whether every character of `text` is plain ASCII, so that its UTF-8 bytes are its characters.
inline bool isPlainAscii(QStringView text) {
    // Every unit is looked at, without a branch per unit: names are short, and nearly all of
    // them are plain ASCII to their end anyway.
    char16_t any = 0;
    for (const QChar c : text)
        any |= c.unicode();
    return any < 0x80;
}

// Copies `text`, which must be plain ASCII (see isPlainAscii), to `at`: one byte per character.
// Returns the end of the bytes written.
inline char* copyPlainAscii(QStringView text, char* at) {
    return std::transform(text.begin(), text.end(), at, [](QChar c) { return char(c.unicode()); });
}

} // namespace varnex
