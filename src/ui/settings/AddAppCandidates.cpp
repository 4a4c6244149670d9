#include "ui/settings/AddAppCandidates.h"

#include "core/Text.h"
#include "ui/menubar/MenuModel.h"

#include <algorithm>
#include <set>

namespace corvale::AddAppCandidates {

std::string typedTitle(const std::string& name) {
    return "Add \u201C" + name + "\u201D by name";
}

namespace {

bool byName(const Row& a, const Row& b) {
    return localizedCaseInsensitiveLess(a.name, b.name);
}

} // namespace

std::vector<Row> rows(const std::vector<std::string>& seen,
                      const std::vector<InstalledApp>& installed,
                      const std::vector<std::string>& configured, std::string_view filter) {
    std::set<std::string> taken;
    for (const auto& name : configured) {
        taken.insert(nameKey(name));
    }
    std::vector<Row> seenRows;
    std::vector<Row> installedRows;
    for (const auto& name : seen) {
        auto trimmedName = trimmed(name);
        if (MenuModel::canBeAppName(trimmedName) && taken.insert(nameKey(trimmedName)).second) {
            seenRows.push_back({Row::Kind::seen, trimmedName, trimmedName, std::nullopt});
        }
    }
    for (const auto& app : installed) {
        auto trimmedName = trimmed(app.name);
        auto key = nameKey(trimmedName);
        if (!MenuModel::canBeAppName(trimmedName)) {
            continue;
        }
        if (taken.insert(key).second) {
            installedRows.push_back({Row::Kind::installed, trimmedName, trimmedName, app.icon});
            continue;
        }
        // The same app seen in notifications keeps its seen name and borrows the icon.
        for (auto& row : seenRows) {
            if (!row.icon && nameKey(row.name) == key) {
                row.icon = app.icon;
            }
        }
    }
    auto typed = trimmed(filter);
    auto keep = [&](std::vector<Row>& list) {
        std::erase_if(list, [&](const Row& row) { return !containsIgnoringCase(row.name, typed); });
        std::stable_sort(list.begin(), list.end(), byName);
    };
    keep(seenRows);
    keep(installedRows);

    std::vector<Row> out;
    const auto typedKey = nameKey(typed);
    bool listed = false;
    for (const auto* list : {&seenRows, &installedRows}) {
        listed = listed || std::any_of(list->begin(), list->end(), [&](const Row& row) {
                     return nameKey(row.name) == typedKey;
                 });
    }
    if (!seenRows.empty()) {
        out.push_back({Row::Kind::heading, seenHeading, {}, std::nullopt});
        out.insert(out.end(), seenRows.begin(), seenRows.end());
    }
    if (!installedRows.empty()) {
        out.push_back({Row::Kind::heading, installedHeading, {}, std::nullopt});
        out.insert(out.end(), installedRows.begin(), installedRows.end());
    }
    if (!typed.empty() && !listed) {
        if (MenuModel::canBeAppName(typed)) {
            out.push_back({Row::Kind::typed, typedTitle(typed), typed, std::nullopt});
        } else {
            out.push_back({Row::Kind::note, unusableName, {}, std::nullopt});
        }
    }
    return out;
}

std::optional<size_t> enterRow(const std::vector<Row>& rows, std::string_view filter) {
    const auto typedKey = nameKey(trimmed(filter));
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].choosable() && (typedKey.empty() || nameKey(rows[i].name) == typedKey)) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace corvale::AddAppCandidates
