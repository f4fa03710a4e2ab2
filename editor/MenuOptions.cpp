#include "editor/MenuOptions.h"

#include <algorithm>

namespace menus {

std::string optionSlice(const std::string& optionText, int32_t width, int32_t option, bool shown) {
    if (width < kMinOptionWidth || width > kMaxOptionWidth || option < 0) return std::string();
    const size_t start = static_cast<size_t>(option) * static_cast<size_t>(width);
    if (start >= optionText.size()) return std::string();
    std::string slice = optionText.substr(start, static_cast<size_t>(width));
    // A slice ends at the text's terminator when the last option is short.
    slice.resize(slice.find('\0') == std::string::npos ? slice.size() : slice.find('\0'));
    while (!slice.empty() && slice.back() == ' ') slice.pop_back();
    if (shown) {
        const size_t dollar = slice.find('$');
        if (dollar != std::string::npos) slice[dollar] = ' ';
    }
    return slice;
}

bool sharesPrefix(const std::string& a, const std::string& b) {
    const size_t dollar = a.find('$');
    if (dollar == std::string::npos || dollar == 0) return false;
    return b.size() > dollar && b.compare(0, dollar + 1, a, 0, dollar + 1) == 0;
}

std::vector<MenuRun> groupOptions(const std::vector<std::string>& rawOptions) {
    std::vector<MenuRun> runs;
    const int32_t count = std::min<int32_t>(static_cast<int32_t>(rawOptions.size()), kMaxEntryRecords);
    int32_t subMenus = 0;
    for (int32_t option = 0; option < count;) {
        int32_t end = option + 1;
        while (end < count && sharesPrefix(rawOptions[option], rawOptions[end])) ++end;
        MenuRun run;
        run.firstOption = option;
        if (end - option > 1 && subMenus < kMaxSubMenus) {
            run.count = end - option;
            run.subMenu = true;
            run.title = rawOptions[option].substr(0, rawOptions[option].find('$'));
            ++subMenus;
            option = end;
        } else {
            ++option;
        }
        runs.push_back(run);
    }
    return runs;
}

} // namespace menus
