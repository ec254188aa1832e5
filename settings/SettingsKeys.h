#pragma once

#include <QString>
#include <array>

namespace varnex {

// The section that holds every key of the program.
QString settingsSection();

// The keys kept between runs, in the order of the key table.
enum class SettingKey {
    WindowMaximized,
    WindowWidth,
    WindowHeight,
    SelectAFolder,
    Path,
    CheckboxRecursive,
    SelectFiles,
    OptionReplace,
    TextFind,
    TextReplace,
    OptionIncludeExtension,
    OptionExcludeExtension,
    CaseSensitive,
    OptionPrepend,
    TextPrepend,
    OptionPostpend,
    TextPostpend,
    OptionPostpendBefore,
    OptionPostpendAfter,
    OptionConvertCase,
    OptionConvertLowerCase,
    OptionConvertUpperCase,
    OptionConvertProperCase,
    CheckboxReadOnly,
    CheckboxHidden,
    CheckboxSystem,
    OpenFilterIndex,
};

inline constexpr int kSettingKeyCount = 27;

// How a key's value is written as text and read back (see ValueForms.h).
enum class ValueForm {
    Truth,       // "True" / "False"
    Tick,        // check box state 0, 1 or 2
    Twips,       // a window dimension, single precision
    FreeText,    // stored unchanged
    WholeNumber, // a whole number in decimal
};

struct SettingKeyInfo {
    SettingKey key;
    const char16_t* name;
    ValueForm form;
    // The text a read yields when the key is missing. Empty for "Path", whose default is the
    // program's folder and is supplied by the caller.
    const char16_t* defaultText;
};

// Every key with its name, form and default, indexed by SettingKey.
const std::array<SettingKeyInfo, kSettingKeyCount>& settingKeyTable();

QString keyName(SettingKey key);
ValueForm valueForm(SettingKey key);
QString defaultText(SettingKey key);

// Smallest outer window size that start-up accepts, in twips.
inline constexpr double kMinimumWindowWidthTwips = 8000;
inline constexpr double kMinimumWindowHeightTwips = 6480;

// The Open dialog's filters count from 1; the second (text files) is the default.
inline constexpr int kOpenFilterCount = 3;
inline constexpr int kDefaultOpenFilterIndex = 2;

} // namespace varnex
