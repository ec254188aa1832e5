#include "settings/IniFormat.h"

#include <QIODevice>
#include <QStringList>
#include <optional>

namespace varnex {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A key or section name: "%XX" and "%UXXXX" are escaped characters, "\" stands for "/".
QString unescapedKey(QStringView key) {
    QString out;
    out.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key[i];
        if (c == u'\\') {
            out.append(u'/');
        } else if (c == u'%' && i + 5 < key.size() && key[i + 1] == u'U' && isHex(key[i + 2]) &&
                   isHex(key[i + 3]) && isHex(key[i + 4]) && isHex(key[i + 5])) {
            out.append(QChar(char16_t(key.sliced(i + 2, 4).toUInt(nullptr, 16))));
            i += 5;
        } else if (c == u'%' && i + 2 < key.size() && isHex(key[i + 1]) && isHex(key[i + 2])) {
            out.append(QChar(char16_t(key.sliced(i + 1, 2).toUInt(nullptr, 16))));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

void appendEscapedKey(QByteArray& out, QStringView key) {
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/') {
            out.append('\\');
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                   (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.') {
            out.append(char(c));
        } else if (c <= 0xFF) {
            out.append('%').append(HexDigits[c >> 4]).append(HexDigits[c & 0xF]);
        } else {
            out.append("%U");
            for (int shift = 12; shift >= 0; shift -= 4)
                out.append(HexDigits[(c >> shift) & 0xF]);
        }
    }
}

// A value's text in the file's syntax: quoted when it holds a separator or starts or ends
// with a blank, with the escapes of C for control characters, quotes and backslashes.
void appendEscapedText(QByteArray& out, const QString& text) {
    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar qc = text.at(i);
        const char16_t c = qc.unicode();
        if (qc.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(QStringView(text).sliced(i, 2).toUtf8());
            ++i;
            escapeNextIfHex = false;
            continue;
        }
        if (c == u';' || c == u',' || c == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && isHex(qc)) {
            out.append("\\x").append(QByteArray::number(c, 16));
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
        case u'\0':
            out.append("\\0");
            escapeNextIfHex = true;
            break;
        case u'\a':
            out.append("\\a");
            break;
        case u'\b':
            out.append("\\b");
            break;
        case u'\f':
            out.append("\\f");
            break;
        case u'\n':
            out.append("\\n");
            break;
        case u'\r':
            out.append("\\r");
            break;
        case u'\t':
            out.append("\\t");
            break;
        case u'\v':
            out.append("\\v");
            break;
        case u'"':
        case u'\\':
            out.append('\\').append(char(c));
            break;
        default:
            if (c <= 0x1F) {
                out.append("\\x").append(QByteArray::number(c, 16));
                escapeNextIfHex = true;
            } else {
                out.append(QStringView(&qc, 1).toUtf8());
            }
        }
    }
    if (needsQuotes ||
        (start < out.size() && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out.append('"');
    }
}

// The parts of a value as the file's syntax reads them: quoted parts kept as they are, escapes
// resolved, blanks around unquoted parts dropped, "," between parts, ";" starts a comment.
QStringList valueParts(const QString& raw) {
    QStringList parts;
    QString current;
    qsizetype keep = 0; // current's length up to its last character that is not a loose blank
    bool quoted = false;
    bool started = false;
    const auto finish = [&] {
        current.truncate(keep);
        parts.append(current);
        current.clear();
        keep = 0;
        started = false;
    };
    const qsizetype n = raw.size();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const QChar c = raw[i];
        if (c == u'"') {
            quoted = !quoted;
            started = true;
            keep = current.size();
            continue;
        }
        if (!quoted && (c == u';'))
            break;
        if (!quoted && c == u',') {
            finish();
            continue;
        }
        if (c == u'\\' && i + 1 < n) {
            const QChar e = raw[++i];
            static const QString simple = QStringLiteral("abfnrtv\"'\\?");
            static const QString meant = QStringLiteral("\a\b\f\n\r\t\v\"'\\?");
            if (const qsizetype k = simple.indexOf(e); k >= 0) {
                current.append(meant[k]);
            } else if (e == u'x') {
                uint code = 0;
                while (i + 1 < n && isHex(raw[i + 1]))
                    code = (code << 4) | uint(QString(raw[++i]).toUInt(nullptr, 16));
                current.append(QChar(char16_t(code & 0xFFFF)));
            } else if (e >= u'0' && e <= u'7') {
                uint code = uint(e.unicode() - u'0');
                while (i + 1 < n && raw[i + 1] >= u'0' && raw[i + 1] <= u'7')
                    code = (code << 3) | uint(raw[++i].unicode() - u'0');
                current.append(QChar(char16_t(code & 0xFFFF)));
            } else {
                current.append(e);
            }
            started = true;
            keep = current.size();
            continue;
        }
        // Only the file's own blanks are loose: a space beyond ASCII is part of the text.
        if (!quoted && c.unicode() < 0x80 && c.isSpace()) {
            if (started)
                current.append(c);
            continue;
        }
        current.append(c);
        started = true;
        keep = current.size();
    }
    finish();
    return parts;
}

bool readIni(QIODevice& device, QSettings::SettingsMap& map) {
    // Never a failure: what cannot be read is passed over, and QSettings would drop every value
    // read when told of one.
    const QByteArray data = device.readAll();
    QString section;
    qsizetype start = 0;
    // A byte order mark at the start is not part of the first line.
    if (data.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QByteArrayView line = QByteArrayView(data).sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            qsizetype close = line.indexOf(']');
            if (close < 0)
                close = line.size(); // read on, under the name given
            section = unescapedKey(QString::fromUtf8(line.sliced(1, close - 1)).trimmed());
            if (section.compare(u"General", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (section.compare(u"%General", Qt::CaseInsensitive) == 0)
                section = QStringLiteral("General");
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString key = unescapedKey(QString::fromUtf8(line.first(equals)).trimmed());
        if (key.isEmpty())
            continue;
        const QByteArray value = line.sliced(equals + 1).trimmed().toByteArray();
        map.insert(section.isEmpty() ? key : section % u'/' % key,
                   QVariant::fromValue(IniRawValue{value}));
    }
    return true;
}

bool writeIni(QIODevice& device, const QSettings::SettingsMap& map) {
    // Sections in the order of their names, the keys outside any section under "General".
    QMap<QString, QList<QSettings::SettingsMap::const_iterator>> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(u'/');
        sections[slash < 0 ? QString() : it.key().left(slash)].append(it);
    }
    QByteArray out;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        if (!out.isEmpty())
            out.append('\n');
        out.append('[');
        if (s.key().isEmpty())
            out.append("General");
        else if (s.key().compare(u"General", Qt::CaseInsensitive) == 0)
            out.append('%').append(s.key().toUtf8());
        else
            appendEscapedKey(out, s.key());
        out.append("]\n");
        const qsizetype skip = s.key().isEmpty() ? 0 : s.key().size() + 1;
        for (const auto& it : s.value()) {
            appendEscapedKey(out, QStringView(it.key()).sliced(skip));
            out.append('=');
            const QVariant& value = it.value();
            if (value.typeId() == qMetaTypeId<IniRawValue>()) {
                out.append(value.value<IniRawValue>().text);
            } else {
                QString text = value.toString();
                // The forms QSettings gives a text that could read as a typed value.
                if (text.contains(QChar(u'\0')))
                    text = QStringLiteral("@String(") % text % u')';
                else if (text.startsWith(u'@'))
                    text.prepend(u'@');
                appendEscapedText(out, text);
            }
            out.append('\n');
        }
    }
    return device.write(out) == out.size();
}

} // namespace

QSettings::Format iniTextFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), readIni, writeIni, Qt::CaseSensitive);
    return format;
}

std::optional<QString> iniValueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() != qMetaTypeId<IniRawValue>())
        return std::nullopt;
    const QStringList parts = valueParts(QString::fromUtf8(value.value<IniRawValue>().text));
    QStringList texts;
    for (const QString& part : parts) {
        if (!part.startsWith(u'@'))
            texts.append(part);
        else if (part.startsWith(u"@@"))
            texts.append(part.sliced(1));
        else if (part.startsWith(u"@String(") && part.endsWith(u')'))
            texts.append(part.sliced(8).chopped(1));
        else if (part.startsWith(u"@ByteArray(") && part.endsWith(u')'))
            texts.append(part.sliced(11).chopped(1));
        else
            return std::nullopt;
    }
    return texts.join(u", ");
}

} // namespace varnex
