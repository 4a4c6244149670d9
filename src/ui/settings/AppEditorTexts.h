#pragma once

#include "core/FlashColor.h"
#include "core/Rule.h"
#include "platform/Dialogs.h"

#include <optional>
#include <string>

// The words of the app editor pane, its confirmations and the rule sheet, kept out of the views so
// every text the user reads is decided (and tested) here. Worded for the Linux desktop: the app's
// own sound is muted in the desktop's settings, and the blink is the tray icon's.
namespace corvale::AppEditorTexts {

inline constexpr const char* customSound = "Custom sound";
std::string customSoundNote(const std::string& app, bool on);

inline constexpr const char* notDetectedTitle = "Not detected yet";
std::string notDetectedNote(const std::string& app);

inline constexpr const char* soundCard = "Sound";
inline constexpr const char* soundLabel = "Sound:";
inline constexpr const char* volumeLabel = "Volume:";
inline constexpr const char* previewLabel = "Preview:";
inline constexpr const char* test = "Test";
inline constexpr const char* respectSuppressSound = "Stay quiet when the app plays its own sound";

inline constexpr const char* rulesCard = "Rules";
std::string rulesNote(const std::string& app);
inline constexpr const char* addRule = "Add rule\u2026";
inline constexpr const char* editRule = "Edit\u2026";
inline constexpr const char* remove = "Remove";
// "Title: “invoice” → Ping": a content rule's row.
std::string ruleRowLabel(const std::optional<Condition>& condition, const std::string& soundName);

inline constexpr const char* alertsCard = "Alerts";
inline constexpr const char* flashTrayIcon = "Flash tray icon";
inline constexpr const char* flashScreen = "Flash screen";
inline constexpr const char* flashColorLabel = "Flash color:";
inline constexpr const char* flashStyleLabel = "Flash style:";
inline constexpr const char* flashStyleName = "Flash style";
inline constexpr const char* previewFlash = "Preview Flash";
std::string alertsNote(const std::string& app);
inline constexpr const char* intensityLabel = "Flash intensity:";
inline constexpr const char* durationLabel = "Flash duration:";
inline constexpr const char* repeatLabel = "Flash repeat:";
std::string overridesNote(const std::string& app);

inline constexpr const char* nativeSoundCard = "Native Sound";
inline constexpr const char* mutedInSettings = "Muted in your desktop\u2019s settings";
std::string nativeSoundNote(const std::string& app);
inline constexpr const char* openNotificationSettings = "Open Notification Settings\u2026";

inline constexpr const char* removeAppCard = "Remove App";
inline constexpr const char* removeAppButton = "Remove\u2026";
std::string removeAppNote(const std::string& app);

// The confirmations; the first button removes.
AlertSpec removeAppAlert(const std::string& app);
// `app` none: the default pane ("This app").
AlertSpec removeRuleAlert(const std::optional<Condition>& condition, const std::string& soundName,
                          const std::optional<std::string>& app);

// "Any" without a condition; otherwise "Title: “…”", "Body: “…”" or "Regex: “…”" with the
// trimmed operand cut to 22 characters and "…".
std::string conditionSummary(const std::optional<Condition>& condition);

// The swatch picker's names: the palette colours by what people call them, and "no colour".
std::string colorName(const FlashColor& color);
inline constexpr const char* automaticColor = "Automatic";
inline constexpr const char* automaticColorHelp =
    "No color of its own: a white screen flash without the app\u2019s name";

// The rule sheet.
std::string sheetTitle(const std::string& app, bool editing);
inline constexpr const char* conditionCard = "Condition";
inline constexpr const char* matchLabel = "Match:";
inline constexpr const char* keywordLabel = "Keyword:";
inline constexpr const char* keywordPlaceholder = "keyword";
std::string sheetConditionNote(const std::string& app);
inline constexpr const char* cancel = "Cancel";
inline constexpr const char* save = "Save";
// Shown under the keyword field when a pattern does not compile: what is wrong, in words.
std::string regexRefusal(const std::string& errorName, const std::optional<int>& offset);

// The chooser of an app to add, which then opens the app's editor.
inline constexpr const char* addAppTitle = "Add an app to Corvale";
inline constexpr const char* addAppMessage =
    "Choose an app. Corvale uses its name as it appears in notifications.";
inline constexpr const char* addAppFilterPlaceholder = "Filter, or type an app\u2019s name";
inline constexpr const char* addAppFilterName = "App name";
inline constexpr const char* addAppListName = "Apps";
inline constexpr const char* add = "Add";

} // namespace corvale::AppEditorTexts
