#include "silence/linux/X11VirtualKey.h"

#include <algorithm>
#include <iterator>
#include <xkbcommon/xkbcommon.h>

namespace corvale {
namespace {

// The ANSI keyboard's codes, plus the ISO key beside the left Shift (10) and the key in the
// place of Help, which PC keyboards label Insert (114). The keypad's Clear has no counterpart: its
// place holds Num Lock, which shortcuts ignore.
constexpr X11VirtualKey table[] = {
    {0, "AC01", XKB_KEY_a},
    {1, "AC02", XKB_KEY_s},
    {2, "AC03", XKB_KEY_d},
    {3, "AC04", XKB_KEY_f},
    {4, "AC06", XKB_KEY_h},
    {5, "AC05", XKB_KEY_g},
    {6, "AB01", XKB_KEY_z},
    {7, "AB02", XKB_KEY_x},
    {8, "AB03", XKB_KEY_c},
    {9, "AB04", XKB_KEY_v},
    {10, "LSGT", XKB_KEY_less},
    {11, "AB05", XKB_KEY_b},
    {12, "AD01", XKB_KEY_q},
    {13, "AD02", XKB_KEY_w},
    {14, "AD03", XKB_KEY_e},
    {15, "AD04", XKB_KEY_r},
    {16, "AD06", XKB_KEY_y},
    {17, "AD05", XKB_KEY_t},
    {18, "AE01", XKB_KEY_1},
    {19, "AE02", XKB_KEY_2},
    {20, "AE03", XKB_KEY_3},
    {21, "AE04", XKB_KEY_4},
    {22, "AE06", XKB_KEY_6},
    {23, "AE05", XKB_KEY_5},
    {24, "AE12", XKB_KEY_equal},
    {25, "AE09", XKB_KEY_9},
    {26, "AE07", XKB_KEY_7},
    {27, "AE11", XKB_KEY_minus},
    {28, "AE08", XKB_KEY_8},
    {29, "AE10", XKB_KEY_0},
    {30, "AD12", XKB_KEY_bracketright},
    {31, "AD09", XKB_KEY_o},
    {32, "AD07", XKB_KEY_u},
    {33, "AD11", XKB_KEY_bracketleft},
    {34, "AD08", XKB_KEY_i},
    {35, "AD10", XKB_KEY_p},
    {36, "RTRN", XKB_KEY_Return},
    {37, "AC09", XKB_KEY_l},
    {38, "AC07", XKB_KEY_j},
    {39, "AC11", XKB_KEY_apostrophe},
    {40, "AC08", XKB_KEY_k},
    {41, "AC10", XKB_KEY_semicolon},
    {42, "BKSL", XKB_KEY_backslash},
    {43, "AB08", XKB_KEY_comma},
    {44, "AB10", XKB_KEY_slash},
    {45, "AB06", XKB_KEY_n},
    {46, "AB07", XKB_KEY_m},
    {47, "AB09", XKB_KEY_period},
    {48, "TAB", XKB_KEY_Tab},
    {49, "SPCE", XKB_KEY_space},
    {50, "TLDE", XKB_KEY_grave},
    {51, "BKSP", XKB_KEY_BackSpace},
    {53, "ESC", XKB_KEY_Escape},
    {64, "FK17", XKB_KEY_F17},
    {65, "KPDL", XKB_KEY_KP_Decimal},
    {67, "KPMU", XKB_KEY_KP_Multiply},
    {69, "KPAD", XKB_KEY_KP_Add},
    {75, "KPDV", XKB_KEY_KP_Divide},
    {76, "KPEN", XKB_KEY_KP_Enter},
    {78, "KPSU", XKB_KEY_KP_Subtract},
    {79, "FK18", XKB_KEY_F18},
    {80, "FK19", XKB_KEY_F19},
    {81, "KPEQ", XKB_KEY_KP_Equal},
    {82, "KP0", XKB_KEY_KP_0},
    {83, "KP1", XKB_KEY_KP_1},
    {84, "KP2", XKB_KEY_KP_2},
    {85, "KP3", XKB_KEY_KP_3},
    {86, "KP4", XKB_KEY_KP_4},
    {87, "KP5", XKB_KEY_KP_5},
    {88, "KP6", XKB_KEY_KP_6},
    {89, "KP7", XKB_KEY_KP_7},
    {90, "FK20", XKB_KEY_F20},
    {91, "KP8", XKB_KEY_KP_8},
    {92, "KP9", XKB_KEY_KP_9},
    {96, "FK05", XKB_KEY_F5},
    {97, "FK06", XKB_KEY_F6},
    {98, "FK07", XKB_KEY_F7},
    {99, "FK03", XKB_KEY_F3},
    {100, "FK08", XKB_KEY_F8},
    {101, "FK09", XKB_KEY_F9},
    {103, "FK11", XKB_KEY_F11},
    {105, "FK13", XKB_KEY_F13},
    {106, "FK16", XKB_KEY_F16},
    {107, "FK14", XKB_KEY_F14},
    {109, "FK10", XKB_KEY_F10},
    {111, "FK12", XKB_KEY_F12},
    {113, "FK15", XKB_KEY_F15},
    {114, "INS", XKB_KEY_Insert},
    {115, "HOME", XKB_KEY_Home},
    {116, "PGUP", XKB_KEY_Prior},
    {117, "DELE", XKB_KEY_Delete},
    {118, "FK04", XKB_KEY_F4},
    {119, "END", XKB_KEY_End},
    {120, "FK02", XKB_KEY_F2},
    {121, "PGDN", XKB_KEY_Next},
    {122, "FK01", XKB_KEY_F1},
    {123, "LEFT", XKB_KEY_Left},
    {124, "RGHT", XKB_KEY_Right},
    {125, "DOWN", XKB_KEY_Down},
    {126, "UP", XKB_KEY_Up},
};

} // namespace

std::span<const X11VirtualKey> X11VirtualKey::all() {
    return table;
}

std::optional<X11VirtualKey> X11VirtualKey::forVirtualKeyCode(std::uint32_t code) {
    auto found = std::find_if(std::begin(table), std::end(table),
                              [&](const X11VirtualKey& key) { return key.virtualKeyCode == code; });
    return found == std::end(table) ? std::nullopt : std::optional(*found);
}

std::optional<std::uint32_t> X11VirtualKey::virtualKeyCodeForKeyName(std::string_view name) {
    auto found = std::find_if(std::begin(table), std::end(table),
                              [&](const X11VirtualKey& key) { return key.keyName == name; });
    return found == std::end(table) ? std::nullopt : std::optional(found->virtualKeyCode);
}

std::optional<std::uint32_t> X11VirtualKey::virtualKeyCodeForKeysym(std::uint32_t keysym) {
    const auto lower = xkb_keysym_to_lower(keysym);
    auto found = std::find_if(std::begin(table), std::end(table),
                              [&](const X11VirtualKey& key) { return key.keysym == lower; });
    return found == std::end(table) ? std::nullopt : std::optional(found->virtualKeyCode);
}

} // namespace corvale
