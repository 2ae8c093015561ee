#include "NameTables.h"

const ZObjectKindName kObjectKinds[kObjectKindCount] = {
    {"org_group", "org_group"},
    {"ind_group", "independent"},
    {"dms_list", "dynamic_multilist"},
    {"sms_list", "static_multilist"},
    {"dss_list", "dynamic_list"},
    {"sss_list", "static_list"},
    {"trigger", "trigger"},
    {"ornament", "ornament"},
    {"view", "view"},
    {"edit_view", "editable_view"},
    {"boolean", "boolean"},
    {"select_boolean", "selectable_boolean"},
    {"range", "range"},
    {"select_range", "selectable_range"},
    {"variable", "variable"},
    {"bad_object", "bad_object"},
    {"root", "root"},
    {"tool_group", "toolbar_group"},
    {"tab_group", "tab_group"},
    {"tab_page", "tab_page"},
};

const char* const kAlertKinds[kAlertKindCount] = {
    "?",       "info",        "error",  "pop_info",      "pop_error",
    "warning", "pop_warning", "yes_no", "yes_no_cancel",
};

const char* const kCriteria[kCriterionCount] = {
    "void",
    "select",
    "close",
    "open",
    "gain_focus",
    "lose_focus",
    "cancel",
    "enter_free",
    "enter_paid",
    "create",
    "online",
    "offline",
    "restore",
    "unknown",
    "minimize",
    "restore_from_maximize",
    "restore_from_minimize",
    "time_out",
    "screen_name_changed",
    "movie_over",
    "drop",
    "url_drop",
    "user_delete",
    "toggle_up",
    "activated",
    "deactivated",
};

const char* const kCriterionSelection = "selection";

const char kHorizontalLetters[kJustificationCount + 1] = "clrfe";
const char kVerticalLetters[kJustificationCount + 1] = "ctbfe";

std::optional<uint8_t> FindObjectKind(std::string_view name) {
    for (size_t i = 0; i < kObjectKindCount; ++i)
        if (name == kObjectKinds[i].shortName || name == kObjectKinds[i].longName)
            return uint8_t(i);
    return std::nullopt;
}

std::optional<uint8_t> FindAlertKind(std::string_view name) {
    for (size_t i = 0; i < kAlertKindCount; ++i)
        if (name == kAlertKinds[i]) return uint8_t(i);
    return std::nullopt;
}

std::optional<uint8_t> FindCriterion(std::string_view name) {
    if (name == kCriterionSelection) return uint8_t(1);
    for (size_t i = 0; i < kCriterionCount; ++i)
        if (name == kCriteria[i]) return uint8_t(i);
    return std::nullopt;
}

std::optional<uint8_t> FindJustification(char letter) {
    switch (letter) {
    case 'c':
        return uint8_t(0);
    case 'l':
    case 't':
        return uint8_t(1);
    case 'r':
    case 'b':
        return uint8_t(2);
    case 'f':
        return uint8_t(3);
    case 'e':
        return uint8_t(4);
    default:
        return std::nullopt;
    }
}
