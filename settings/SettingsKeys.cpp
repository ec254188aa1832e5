#include "settings/SettingsKeys.h"

namespace varnex {

QString settingsSection() {
    return QStringLiteral("Settings");
}

namespace {

using K = SettingKey;
using F = ValueForm;

// The names and default texts are stored data: a changed letter loses the user's choices.
constexpr std::array<SettingKeyInfo, kSettingKeyCount> kTable{{
    {K::WindowMaximized, u"Window Maximized", F::Truth, u"False"},
    {K::WindowWidth, u"Window Width", F::Twips, u"8000"},
    {K::WindowHeight, u"Window Height", F::Twips, u"6480"},
    {K::SelectAFolder, u"Select a Folder", F::Truth, u"True"},
    {K::Path, u"Path", F::FreeText, u""},
    {K::CheckboxRecursive, u"Checkbox Recursive", F::Tick, u"0"},
    {K::SelectFiles, u"Select Files", F::Truth, u"False"},
    {K::OptionReplace, u"Option Replace", F::Truth, u"True"},
    {K::TextFind, u"Text Find", F::FreeText, u""},
    {K::TextReplace, u"Text Replace", F::FreeText, u""},
    {K::OptionIncludeExtension, u"Option Include Extension", F::Truth, u"False"},
    {K::OptionExcludeExtension, u"Option Exclude Extension", F::Truth, u"True"},
    {K::CaseSensitive, u"Case Sensitive", F::Tick, u"1"},
    {K::OptionPrepend, u"Option Prepend", F::Truth, u"False"},
    {K::TextPrepend, u"Text Prepend", F::FreeText, u""},
    {K::OptionPostpend, u"Option Postpend", F::Truth, u"False"},
    {K::TextPostpend, u"Text Postpend", F::FreeText, u""},
    {K::OptionPostpendBefore, u"Option Postpend Before", F::Truth, u"True"},
    {K::OptionPostpendAfter, u"Option Postpend After", F::Truth, u"False"},
    {K::OptionConvertCase, u"Option Convert Case", F::Truth, u"False"},
    {K::OptionConvertLowerCase, u"Option Convert LowerCase", F::Truth, u"True"},
    {K::OptionConvertUpperCase, u"Option Convert UpperCase", F::Truth, u"False"},
    {K::OptionConvertProperCase, u"Option Convert ProperCase", F::Truth, u"False"},
    {K::CheckboxReadOnly, u"Checkbox ReadOnly", F::Tick, u"0"},
    {K::CheckboxHidden, u"Checkbox Hidden", F::Tick, u"0"},
    {K::CheckboxSystem, u"Checkbox System", F::Tick, u"0"},
    {K::OpenFilterIndex, u"OpenFilterIndex", F::WholeNumber, u"2"},
}};

// The table is indexed by SettingKey.
static_assert([] {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i].key != static_cast<SettingKey>(i))
            return false;
    }
    return true;
}());

const SettingKeyInfo& info(SettingKey key) {
    return kTable[static_cast<std::size_t>(key)];
}

} // namespace

const std::array<SettingKeyInfo, kSettingKeyCount>& settingKeyTable() {
    return kTable;
}

QString keyName(SettingKey key) {
    return QString::fromUtf16(info(key).name);
}

ValueForm valueForm(SettingKey key) {
    return info(key).form;
}

QString defaultText(SettingKey key) {
    return QString::fromUtf16(info(key).defaultText);
}

} // namespace varnex
