#include "NameTransform.h"

#include "platform/Text.h"

namespace varnex {

namespace {

constexpr char16_t CapitalSigma = u'\u03A3';
constexpr char16_t SmallSigma = u'\u03C3';
constexpr char16_t FinalSigma = u'\u03C2';

// The code point that ends just before `pos`, or 0 at the start.
char32_t codePointBefore(QStringView s, qsizetype pos) {
    if (pos <= 0)
        return 0;
    const QChar last = s[pos - 1];
    if (last.isLowSurrogate() && pos >= 2 && s[pos - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(s[pos - 2], last);
    return last.unicode();
}

// The code point that starts at `pos` and the number of UTF-16 units it takes.
std::pair<char32_t, qsizetype> codePointAt(QStringView s, qsizetype pos) {
    const QChar first = s[pos];
    if (first.isHighSurrogate() && pos + 1 < s.size() && s[pos + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(first, s[pos + 1]), 2};
    return {first.unicode(), 1};
}

void appendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

// A capital sigma at the end of a word becomes the final form ς, elsewhere σ. Qt's lower-case
// mapping does not look at the context, so this one letter is handled here.
bool isWordFinal(QStringView s, qsizetype pos) {
    if (!QChar::isLetter(codePointBefore(s, pos)))
        return false;
    const qsizetype next = pos + 1;
    return next >= s.size() || !QChar::isLetter(codePointAt(s, next).first);
}

QString toLowerCase(const QString& name) {
    if (!name.contains(QChar(CapitalSigma)))
        return name.toLower();
    QString out;
    out.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] != QChar(CapitalSigma))
            continue;
        out += name.mid(runStart, i - runStart).toLower();
        out += QChar(isWordFinal(name, i) ? FinalSigma : SmallSigma);
        runStart = i + 1;
    }
    out += name.mid(runStart).toLower();
    return out;
}

// Only a blank and these control characters separate words; every other character belongs
// to the word it stands in.
bool isWordSeparator(QChar c) {
    switch (c.unicode()) {
    case u' ':
    case u'\0':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
        return true;
    default:
        return false;
    }
}

QString toTitleCase(const QString& name) {
    const QString lower = toLowerCase(name);
    QString out;
    out.reserve(lower.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < lower.size();) {
        const auto [c, units] = codePointAt(lower, i);
        if (wordStart && !isWordSeparator(lower[i]))
            appendCodePoint(out, QChar::toTitleCase(c));
        else
            out += QStringView(lower).mid(i, units);
        wordStart = isWordSeparator(lower[i]);
        i += units;
    }
    return out;
}

QString convertCase(const QString& name, CaseMode mode) {
    switch (mode) {
    case CaseMode::Upper:
        return name.toUpper();
    case CaseMode::Title:
        return toTitleCase(name);
    case CaseMode::Lower:
        break;
    }
    return toLowerCase(name);
}

// A name built by appending holds room to spare, and a preview of a million files keeps every
// new name: each is cut to its length.
QString compact(QString name) {
    if (name.capacity() > name.size())
        name.squeeze();
    return name;
}

NewNameResult limited(QString newName) {
    NewNameResult result;
    result.renames = true;
    // The file system counts a name in bytes of UTF-8: a name of few characters can exceed the
    // limit too. Three bytes per UTF-16 unit at most, so short names need no encoding; a name
    // has no more characters than UTF-16 units, so short names need no counting either.
    result.tooLong =
        (newName.size() > MaxNameLength && NameLength(newName) > MaxNameLength) ||
        (newName.size() * 3 > MaxNameLength && newName.toUtf8().size() > MaxNameLength);
    result.newName = compact(std::move(newName));
    return result;
}

} // namespace

bool ContainsText(const QString& text, const QString& find, Qt::CaseSensitivity cs) {
    return text.contains(find, cs);
}

QString ReplaceAll(const QString& text, const QString& find, const QString& replacement,
                   Qt::CaseSensitivity cs) {
    // Qt would insert the replacement between every two characters for an empty find text.
    if (find.isEmpty())
        return text;
    QString result = text;
    result.replace(find, replacement, cs);
    return result;
}

std::optional<NameSplit> SplitAtLastDot(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return std::nullopt;
    return NameSplit{name.left(dot), name.mid(dot)};
}

qsizetype NameLength(QStringView name) {
    qsizetype pairs = 0;
    for (qsizetype i = 0; i + 1 < name.size(); ++i) {
        if (name[i].isHighSurrogate() && name[i + 1].isLowSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    return name.size() - pairs;
}

NewNameResult ComputeNewName(const RenameOptions& options, const QString& fileName) {
    switch (options.renameType) {
    case RenameType::ReplaceText: {
        const Qt::CaseSensitivity cs =
            options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (options.includeExtension && ContainsText(fileName, options.findText, cs))
            return limited(ReplaceAll(fileName, options.findText, options.replaceWith, cs));
        // Otherwise only the base is worked on; a name without a dot is all base.
        const std::optional<NameSplit> split = SplitAtLastDot(fileName);
        if (!split)
            return limited(ReplaceAll(fileName, options.findText, options.replaceWith, cs));
        return limited(joined(ReplaceAll(split->base, options.findText, options.replaceWith, cs),
                              split->extension));
    }
    case RenameType::Prepend:
        return limited(joined(options.prependText, fileName));
    case RenameType::Postpend: {
        // The base and the extension are read in place: the new name is the one text built.
        const qsizetype dot = options.postpendBeforeExtension ? fileName.lastIndexOf(u'.') : -1;
        if (dot >= 0) {
            const QStringView name(fileName);
            return limited(joined(name.first(dot), options.postpendText, name.sliced(dot)));
        }
        return limited(joined(fileName, options.postpendText));
    }
    case RenameType::ConvertCase: {
        NewNameResult result;
        result.renames = true;
        result.newName = compact(convertCase(fileName, options.caseMode));
        return result; // no length limit for a change of case
    }
    case RenameType::None:
        break;
    }
    return {};
}

} // namespace varnex
