#include "settings/ValueForms.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <limits>

namespace varnex {

namespace {

std::optional<double> numberFromText(const QString& text) {
    // The C locale keeps stored files portable between users with different number formats.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Nearest whole number, a half going to the even neighbour.
double roundHalfToEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        return below + 1.0;
    return below;
}

} // namespace

std::optional<bool> truthFromText(const QString& text) {
    const QString word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = numberFromText(word))
        return *number != 0.0;
    return std::nullopt;
}

std::optional<int> wholeNumberFromText(const QString& text) {
    const auto number = numberFromText(text);
    if (!number)
        return std::nullopt;
    const double whole = roundHalfToEven(*number);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(whole);
}

std::optional<int> tickFromText(const QString& text) {
    const auto state = wholeNumberFromText(text);
    if (!state || *state < 0 || *state > 2)
        return std::nullopt;
    return state;
}

std::optional<double> twipsFromText(const QString& text) {
    const auto number = numberFromText(text);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<double>(static_cast<float>(*number));
}

QString truthText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString tickText(int state) {
    return QString::number(state);
}

QString twipsText(double twips) {
    // Adding 0 turns a negative zero into "0".
    const float value = static_cast<float>(twips) + 0.0f;
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString::number(value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace varnex
