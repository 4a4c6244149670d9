#include "platform/AppTranslocation.h"

namespace corvale {

bool AppTranslocation::isTranslocated(const std::filesystem::path& bundle) {
    return bundle.string().find("/AppTranslocation/") != std::string::npos;
}

std::optional<std::filesystem::path> AppTranslocation::originalURL(const std::filesystem::path&) {
    return std::nullopt;
}

AlertSpec RelocationCheck::alert() {
    return {"Move Corvale to a permanent folder",
            "Corvale is running from a temporary, read-only location, so it may lose its "
            "notification access. Move Corvale into a permanent folder, then open it from there.",
            {"Reveal in the file manager", "Quit", "Continue Anyway"}};
}

bool RelocationCheck::nudgeIfTranslocatedShouldQuit() const {
    if (!AppTranslocation::isTranslocated(bundle)) {
        return false;
    }
    log("[translocation] running translocated at " + bundle.string() +
        " - nudging to move to /Applications");
    // Without a way to ask, carry on as the user most often does.
    auto choice = dialogs ? dialogs->runModalAlert(alert()) : std::nullopt;
    if (choice == quitButton) {
        log("[translocation] user chose Quit");
        if (terminate) {
            terminate();
        }
        return true;
    }
    if (choice == revealButton) {
        auto shown = AppTranslocation::originalURL(bundle).value_or(bundle);
        if (workspace) {
            workspace->revealFile(shown);
        }
        log("[translocation] revealed " + shown.string() + " in Finder; continuing this session");
        return false;
    }
    log("[translocation] user chose Continue Anyway");
    return false;
}

} // namespace corvale
