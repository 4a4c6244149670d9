#include "ui/settings/HotKeyNotes.h"

#include "platform/Dialogs.h"
#include "silence/GnomeKeybindings.h"
#include "silence/HotKeyRegistrar.h"
#include "ui/settings/GeneralTexts.h"

namespace corvale {

namespace T = GeneralTexts;

HotKeyNotes::HotKeyNotes(Sources sources, Dialogs& dialogs, LogFn log)
    : sources_(std::move(sources)), dialogs_(dialogs), log_(std::move(log)) {}

HotKeyNotes::Named HotKeyNotes::named(std::uint32_t hotKeyID) {
    return hotKeyID == HotKeyRegistrar::muteHotKeyID
               ? Named{"corvale-mute", T::muteShortcutTitle, "mute"}
               : Named{"corvale-snooze", T::snoozeShortcutTitle, "snooze"};
}

std::string HotKeyNotes::command(std::uint32_t hotKeyID) const {
    return desktopShortcutCommand(sources_.executable, named(hotKeyID).word);
}

bool HotKeyNotes::desktopShortcutSet(std::uint32_t hotKeyID) {
    if (!sources_.desktopShortcuts) {
        return false;
    }
    auto known = desktopShortcutSet_.find(hotKeyID);
    if (known == desktopShortcutSet_.end()) {
        known = desktopShortcutSet_
                    .emplace(hotKeyID, sources_.desktopShortcuts->isSet(named(hotKeyID).name))
                    .first;
    }
    return known->second;
}

HotKeyNotes::Note HotKeyNotes::note(std::uint32_t hotKeyID) {
    const auto status = sources_.status ? sources_.status(hotKeyID) : GlobalShortcutStatus{};
    if (!status.combo) {
        return {};
    }
    switch (status.mechanism) {
    case GlobalShortcutMechanism::x11KeyGrab:
        return status.registered ? Note{} : Note{T::hotKeyInUse, true, {}};
    case GlobalShortcutMechanism::desktopPortal:
        if (status.assignedTrigger) {
            return {T::hotKeyAssigned(*status.assignedTrigger), false, {}};
        }
        if (status.setInDesktopSettings || !status.registered) {
            return {T::hotKeySetInDesktop, true,
                    sources_.openShortcutSettings ? T::openShortcutSettings : ""};
        }
        return {T::hotKeyWaiting, false, {}};
    case GlobalShortcutMechanism::gnomeCustomShortcut:
        if (desktopShortcutSet(hotKeyID)) {
            return {T::hotKeyGnomeSet(command(hotKeyID)), false, T::removeGnomeShortcut};
        }
        if (sources_.desktopShortcuts && GnomeKeybindings::accelerator(*status.combo)) {
            return {T::hotKeyGnomeOffer(command(hotKeyID)), true, T::addGnomeShortcut};
        }
        break;
    case GlobalShortcutMechanism::desktopCommand:
        break;
    }
    return {T::hotKeyUnavailable(command(hotKeyID)), true, {}};
}

void HotKeyNotes::act(std::uint32_t hotKeyID) {
    const auto status = sources_.status ? sources_.status(hotKeyID) : GlobalShortcutStatus{};
    if (status.mechanism == GlobalShortcutMechanism::desktopPortal) {
        if (sources_.openShortcutSettings) {
            sources_.openShortcutSettings();
        }
        return;
    }
    if (status.mechanism != GlobalShortcutMechanism::gnomeCustomShortcut ||
        !sources_.desktopShortcuts || !status.combo) {
        return;
    }
    const auto name = named(hotKeyID);
    if (desktopShortcutSet(hotKeyID)) {
        if (sources_.desktopShortcuts->remove(name.name)) {
            desktopShortcutSet_[hotKeyID] = false;
            log_(std::string("[hotkey] removed the GNOME shortcut ") + name.name);
        }
        return;
    }
    const auto answer = dialogs_.runModalAlert(
        {T::addGnomeShortcutMessage,
         T::addGnomeShortcutText(name.title, status.combo->displayText(), command(hotKeyID)),
         {T::addGnomeShortcutButton, T::cancel}});
    if (answer == std::optional<std::size_t>(0) && !writeDesktopShortcut(hotKeyID, *status.combo)) {
        dialogs_.runModalAlert({T::gnomeShortcutFailed, {}, {AlertSpec::ok}});
    }
}

bool HotKeyNotes::writeDesktopShortcut(std::uint32_t hotKeyID, const HotKeyCombo& combo) {
    const auto name = named(hotKeyID);
    const auto keys = GnomeKeybindings::accelerator(combo);
    if (!keys ||
        !sources_.desktopShortcuts->set({name.name, name.title, command(hotKeyID), *keys})) {
        return false;
    }
    desktopShortcutSet_[hotKeyID] = true;
    log_(std::string("[hotkey] set the GNOME shortcut ") + name.name + " to " + *keys);
    return true;
}

void HotKeyNotes::comboChanged(std::uint32_t hotKeyID) {
    // Only a shortcut the user agreed to is followed; anything else stays unwritten.
    if (!desktopShortcutSet(hotKeyID)) {
        return;
    }
    const auto status = sources_.status ? sources_.status(hotKeyID) : GlobalShortcutStatus{};
    if (status.combo && writeDesktopShortcut(hotKeyID, *status.combo)) {
        return;
    }
    if (sources_.desktopShortcuts->remove(named(hotKeyID).name)) {
        desktopShortcutSet_[hotKeyID] = false;
        log_(std::string("[hotkey] removed the GNOME shortcut ") + named(hotKeyID).name);
    }
}

} // namespace corvale
