// libFuzzer target for the name computation. Checks, for any name and any choices, that the
// computation does not crash and that its results keep their invariants.
//
// Input: byte 0 picks the type of rename (modulo 5: none, Replace Text, Prepend, Postpend,
// Convert Case); byte 1 holds the flags (bit 0 case sensitive, bit 1 include extension, bit 2
// postpend before the extension, bits 3-4 the case mode modulo 3, bit 5 texts in UTF-16 so
// that lone surrogates occur); the rest is split at 0x1F into the name, the find text, the
// replacement, the prepend text and the postpend text.

#include "engine/NameTransform.h"

#include <QByteArrayList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace varnex;

namespace {

[[noreturn]] void fail(const char* what, const QString& name, const QString& newName) {
    std::fprintf(stderr, "invariant broken: %s\n  name:     %s\n  new name: %s\n", what,
                 name.toUtf8().constData(), newName.toUtf8().constData());
    std::abort();
}

QString decode(const QByteArray& bytes, bool utf16) {
    if (!utf16)
        return QString::fromUtf8(bytes);
    if (bytes.size() < 2)
        return {};
    std::vector<char16_t> units(size_t(bytes.size() / 2));
    std::memcpy(units.data(), bytes.constData(), units.size() * sizeof(char16_t));
    return QString::fromUtf16(units.data(), qsizetype(units.size()));
}

// UTF-16 units of the code point at `i`.
qsizetype unitsAt(const QString& s, qsizetype i) {
    return s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate() ? 2 : 1;
}

// Whether no character of `s` changes its length in UTF-16 units under any case mapping.
bool casesKeepLength(const QString& s) {
    for (qsizetype i = 0; i < s.size();) {
        const qsizetype n = unitsAt(s, i);
        const QString c = s.mid(i, n);
        const char32_t cp = n == 2 ? QChar::surrogateToUcs4(s[i], s[i + 1]) : s[i].unicode();
        if (c.toUpper().size() != n || c.toLower().size() != n ||
            (QChar::requiresSurrogates(QChar::toTitleCase(cp)) ? 2 : 1) != n)
            return false;
        i += n;
    }
    return true;
}

// Surrogate pairs formed where `left` ends and `right` begins.
int pairsAtJoin(const QString& left, const QString& right) {
    return !left.isEmpty() && !right.isEmpty() && left.back().isHighSurrogate() &&
           right.front().isLowSurrogate();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const QByteArrayList fields =
        QByteArray(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2)).split('\x1f');
    const bool utf16 = data[1] & 0x20;
    const QString name = decode(fields.value(0), utf16);

    RenameOptions o;
    o.renameType = RenameType(data[0] % 5);
    o.caseSensitive = data[1] & 0x01;
    o.includeExtension = data[1] & 0x02;
    o.postpendBeforeExtension = data[1] & 0x04;
    o.caseMode = CaseMode(((data[1] >> 3) & 0x03) % 3);
    o.findText = decode(fields.value(1), utf16);
    o.replaceWith = decode(fields.value(2), utf16);
    o.prependText = decode(fields.value(3), utf16);
    o.postpendText = decode(fields.value(4), utf16);

    const NewNameResult r = ComputeNewName(o, name);
    const QString& out = r.newName;
    if (r.renames != (o.renameType != RenameType::None))
        fail("renames is true for every type but none", name, out);
    if (!r.renames)
        return 0;
    const bool pastLimit = NameLength(out) > MaxNameLength || out.toUtf8().size() > MaxNameLength;
    if (r.tooLong != (o.renameType != RenameType::ConvertCase && pastLimit))
        fail("too long exactly past 255 characters or 255 bytes of UTF-8, never for a change of "
             "case",
             name, out);

    const std::optional<NameSplit> split = SplitAtLastDot(name);
    const Qt::CaseSensitivity cs = o.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    switch (o.renameType) {
    case RenameType::ReplaceText:
        if (split && !o.includeExtension && !out.endsWith(split->extension))
            fail("an excluded extension is kept", name, out);
        if (!o.findText.isEmpty() && !ContainsText(name, o.findText, cs) && out != name)
            fail("a name without the find text is kept", name, out);
        break;
    case RenameType::Prepend:
        if (out != o.prependText + name)
            fail("the prepend text goes in front", name, out);
        if (NameLength(out) !=
            NameLength(o.prependText) + NameLength(name) - pairsAtJoin(o.prependText, name))
            fail("prepended lengths add up", name, out);
        break;
    case RenameType::Postpend: {
        const bool before = split && o.postpendBeforeExtension;
        const QString head = before ? split->base : name;
        const QString tail = before ? split->extension : QString();
        if (out != head + o.postpendText + tail)
            fail("the postpend text goes before the extension or at the end", name, out);
        if (NameLength(out) != NameLength(head) + NameLength(o.postpendText) + NameLength(tail) -
                                   pairsAtJoin(head, o.postpendText) -
                                   pairsAtJoin(o.postpendText, tail))
            fail("postpended lengths add up", name, out);
        break;
    }
    case RenameType::ConvertCase:
        if (casesKeepLength(name) && out.size() != name.size())
            fail("a change of case keeps the length of letters whose cases are as long", name, out);
        break;
    case RenameType::None:
        break;
    }
    return 0;
}
