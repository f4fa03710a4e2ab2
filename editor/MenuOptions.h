#pragma once
// How the editor's menus turn a list parameter's option text into entries:
// fixed-width slices, and runs of options that share a prefix before '$'
// grouped into sub-menus. Pure functions; any thread.
#include <cstdint>
#include <string>
#include <vector>

namespace menus {

// Option widths a menu accepts (the option texts are read into 320 bytes).
constexpr int32_t kMinOptionWidth = 1;
constexpr int32_t kMaxOptionWidth = 319;
constexpr int32_t kMaxSubMenus = 32;
constexpr int32_t kMaxEntryRecords = 256;

// Option `option` (0-based) of a text of width-wide options: the slice, its
// trailing blanks cut; with shown, its first '$' becomes a blank. Empty for
// an option past the end of the text or a width outside 1..319.
std::string optionSlice(const std::string& optionText, int32_t width, int32_t option, bool shown = true);

// True when options a and b (raw slices) share the prefix before a's first '$'.
bool sharesPrefix(const std::string& a, const std::string& b);

// One place of a grouped menu: a plain option, or a run of options that
// becomes one sub-menu titled by their common prefix.
struct MenuRun {
    int32_t firstOption = 0;   // relative to the minimum
    int32_t count = 1;
    bool subMenu = false;
    std::string title;         // sub-menu: the prefix before '$'
};

// Groups the raw option slices (options minimum..maximum, in order): at most
// 32 sub-menus (later runs stay plain options) and at most 256 options.
std::vector<MenuRun> groupOptions(const std::vector<std::string>& rawOptions);

} // namespace menus
