#include "settings/StoredChoices.h"

#include "platform/AppInfo.h"
#include "settings/ValueForms.h"

#include <algorithm>
#include <cmath>

namespace varnex {

namespace {

using K = SettingKey;
using A = OptionArray;

const std::array<ChoiceBinding, 26> kReadingOrder{{
    {K::SelectAFolder, OptionMemberRef{A::FolderFile, 0}},
    {K::Path, PathTarget::FolderCaption},
    {K::Path, PathTarget::FolderToolTip},
    {K::Path, PathTarget::Dir1Folder},
    {K::Path, PathTarget::File1Folder},
    {K::CheckboxRecursive, CheckBox::Recursive},
    {K::SelectFiles, OptionMemberRef{A::FolderFile, 1}},
    {K::OptionReplace, OptionMemberRef{A::TypeOfRename, 0}},
    {K::TextFind, ChoiceText::Find},
    {K::TextReplace, ChoiceText::Replace},
    {K::OptionIncludeExtension, OptionMemberRef{A::IncludeExtension, 0}},
    {K::OptionExcludeExtension, OptionMemberRef{A::IncludeExtension, 1}},
    {K::CaseSensitive, CheckBox::CaseSensitive},
    {K::OptionPrepend, OptionMemberRef{A::TypeOfRename, 1}},
    {K::TextPrepend, ChoiceText::Prepend},
    {K::OptionPostpend, OptionMemberRef{A::TypeOfRename, 2}},
    {K::TextPostpend, ChoiceText::Postpend},
    {K::OptionPostpendBefore, OptionMemberRef{A::PostpendPosition, 0}},
    {K::OptionPostpendAfter, OptionMemberRef{A::PostpendPosition, 1}},
    {K::OptionConvertCase, OptionMemberRef{A::TypeOfRename, 3}},
    {K::OptionConvertLowerCase, OptionMemberRef{A::ConvertCase, 0}},
    {K::OptionConvertUpperCase, OptionMemberRef{A::ConvertCase, 1}},
    {K::OptionConvertProperCase, OptionMemberRef{A::ConvertCase, 2}},
    {K::CheckboxReadOnly, CheckBox::ReadOnly},
    {K::CheckboxHidden, CheckBox::Hidden},
    {K::CheckboxSystem, CheckBox::System},
}};

const std::array<ChoiceBinding, 23> kWritingOrder{{
    {K::SelectAFolder, OptionMemberRef{A::FolderFile, 0}},
    {K::SelectFiles, OptionMemberRef{A::FolderFile, 1}},
    {K::Path, PathTarget::FolderCaption},
    {K::OptionReplace, OptionMemberRef{A::TypeOfRename, 0}},
    {K::TextFind, ChoiceText::Find},
    {K::TextReplace, ChoiceText::Replace},
    {K::OptionPrepend, OptionMemberRef{A::TypeOfRename, 1}},
    {K::TextPrepend, ChoiceText::Prepend},
    {K::OptionIncludeExtension, OptionMemberRef{A::IncludeExtension, 0}},
    {K::OptionExcludeExtension, OptionMemberRef{A::IncludeExtension, 1}},
    {K::CaseSensitive, CheckBox::CaseSensitive},
    {K::OptionPostpend, OptionMemberRef{A::TypeOfRename, 2}},
    {K::TextPostpend, ChoiceText::Postpend},
    {K::OptionPostpendBefore, OptionMemberRef{A::PostpendPosition, 0}},
    {K::OptionPostpendAfter, OptionMemberRef{A::PostpendPosition, 1}},
    {K::OptionConvertCase, OptionMemberRef{A::TypeOfRename, 3}},
    {K::OptionConvertLowerCase, OptionMemberRef{A::ConvertCase, 0}},
    {K::OptionConvertUpperCase, OptionMemberRef{A::ConvertCase, 1}},
    {K::OptionConvertProperCase, OptionMemberRef{A::ConvertCase, 2}},
    {K::CheckboxRecursive, CheckBox::Recursive},
    {K::CheckboxReadOnly, CheckBox::ReadOnly},
    {K::CheckboxHidden, CheckBox::Hidden},
    {K::CheckboxSystem, CheckBox::System},
}};

QString read(const SettingsStore& store, SettingKey key, const QString& defaultValue) {
    return store.readSetting(applicationTitle(), settingsSection(), keyName(key), defaultValue);
}

QString read(const SettingsStore& store, SettingKey key) {
    return read(store, key, defaultText(key));
}

void write(SettingsStore& store, SettingKey key, const QString& value) {
    store.writeSetting(applicationTitle(), settingsSection(), keyName(key), value);
}

// Visits a variant with one lambda per alternative.
template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

void applyOne(const ChoiceBinding& binding, const QString& text, ChoicesTarget& target) {
    std::visit(Overloaded{
                   [&](const OptionMemberRef& member) {
                       if (const auto value = truthFromText(text))
                           target.setOptionMember(member.array, member.index, *value);
                   },
                   [&](CheckBox box) {
                       if (const auto state = tickFromText(text))
                           target.setCheckBox(box, *state);
                   },
                   [&](ChoiceText which) { target.setText(which, text); },
                   [&](PathTarget place) {
                       switch (place) {
                       case PathTarget::FolderCaption:
                           target.setFolderCaption(text);
                           break;
                       case PathTarget::FolderToolTip:
                           target.setFolderToolTip(text);
                           break;
                       case PathTarget::Dir1Folder:
                           target.setDir1Folder(text);
                           break;
                       case PathTarget::File1Folder:
                           target.setFile1Folder(text);
                           break;
                       }
                   },
               },
               binding.control);
}

QString storedText(const ChoiceBinding& binding, const ChoicesSource& source) {
    return std::visit(Overloaded{
                          [&](const OptionMemberRef& member) {
                              return truthText(source.optionMember(member.array, member.index));
                          },
                          [&](CheckBox box) { return tickText(source.checkBox(box)); },
                          [&](ChoiceText which) { return source.text(which); },
                          // Only the folder caption is written.
                          [&](PathTarget) { return source.folderCaption(); },
                      },
                      binding.control);
}

std::optional<double> readDimension(const SettingsStore& store, SettingKey key, double minimum,
                                    double maximum) {
    const auto twips = twipsFromText(read(store, key));
    if (!twips || !std::isfinite(*twips) || *twips > maximum)
        return std::nullopt;
    return std::max(*twips, minimum);
}

} // namespace

const std::array<ChoiceBinding, 26>& choiceReadingOrder() {
    return kReadingOrder;
}

const std::array<ChoiceBinding, 23>& choiceWritingOrder() {
    return kWritingOrder;
}

void applyStoredChoices(const SettingsStore& store, ChoicesTarget& target,
                        const QString& defaultPath, const QString& pathInstead) {
    for (const ChoiceBinding& binding : kReadingOrder) {
        const bool path = binding.key == SettingKey::Path;
        const QString text = path && !pathInstead.isEmpty() ? pathInstead
                             : path                         ? read(store, binding.key, defaultPath)
                                                            : read(store, binding.key);
        applyOne(binding, text, target);
    }
}

double WindowSizeChoice::outerWidth(double designedWidth) const {
    return std::max(width.value_or(designedWidth), kMinimumWindowWidthTwips);
}

double WindowSizeChoice::outerHeight(double designedHeight) const {
    return std::max(height.value_or(designedHeight), kMinimumWindowHeightTwips);
}

WindowSizeChoice readWindowSize(const SettingsStore& store, double maxWidth, double maxHeight) {
    WindowSizeChoice choice;
    // Exact text on purpose: only what the exit sequence writes maximises.
    if (read(store, SettingKey::WindowMaximized) == truthText(true)) {
        choice.maximized = true;
        return choice;
    }
    choice.width =
        readDimension(store, SettingKey::WindowWidth, kMinimumWindowWidthTwips, maxWidth);
    choice.height =
        readDimension(store, SettingKey::WindowHeight, kMinimumWindowHeightTwips, maxHeight);
    return choice;
}

bool saveChoices(SettingsStore& store, const ChoicesSource& source, WindowState state,
                 double widthTwips, double heightTwips) {
    switch (state) {
    case WindowState::Minimized:
        // The size of the last exit in another state stays.
        break;
    case WindowState::Maximized:
        write(store, SettingKey::WindowMaximized, truthText(true));
        break;
    case WindowState::Normal:
        write(store, SettingKey::WindowMaximized, truthText(false));
        write(store, SettingKey::WindowWidth, twipsText(widthTwips));
        write(store, SettingKey::WindowHeight, twipsText(heightTwips));
        break;
    }
    for (const ChoiceBinding& binding : kWritingOrder)
        write(store, binding.key, storedText(binding, source));
    return store.flush();
}

std::optional<int> readOpenFilterIndex(const SettingsStore& store) {
    const auto index = wholeNumberFromText(read(store, SettingKey::OpenFilterIndex));
    if (!index || *index < 1 || *index > kOpenFilterCount)
        return std::nullopt;
    return index;
}

QString readOpenPath(const SettingsStore& store, const QString& defaultPath) {
    return read(store, SettingKey::Path, defaultPath);
}

bool writeOpenChoice(SettingsStore& store, int filterIndex, const QString& folderWithSeparator) {
    write(store, SettingKey::OpenFilterIndex, QString::number(filterIndex));
    write(store, SettingKey::Path, folderWithSeparator);
    return store.flush();
}

} // namespace varnex
