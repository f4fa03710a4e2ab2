// Option slices of list parameters and their grouping into sub-menus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/MenuOptions.h"

using namespace menus;

namespace {

TEST(MenuOptions, SlicesCutTrailingBlanksAndShowTheFirstDollarAsABlank) {
    const std::string text = "Off      Learn    Kick$1$a Clear All";   // width 9
    const struct {
        int32_t width, option;
        bool shown;
        const char* expected;
    } table[] = {
        {9, 0, true, "Off"},         {9, 1, true, "Learn"},      {9, 2, true, "Kick 1$a"},
        {9, 2, false, "Kick$1$a"},   {9, 3, true, "Clear All"},  {9, 4, true, ""},
        {0, 0, true, ""},            {320, 0, true, ""},         {9, -1, true, ""},
        {319, 0, true, "Off      Learn    Kick 1$a Clear All"},
    };
    for (const auto& row : table)
        EXPECT_EQ(optionSlice(text, row.width, row.option, row.shown), row.expected)
            << row.width << " " << row.option;
}

TEST(MenuOptions, RunsSharingAPrefixBecomeSubMenus) {
    const std::vector<std::string> options = {"Kick$1", "Kick$2", "Snare", "Hat$a", "Hat$b", "Hat$c", "Hatch$x", "Tom"};
    const auto runs = groupOptions(options);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_TRUE(runs[0].subMenu);
    EXPECT_EQ(runs[0].title, "Kick");
    EXPECT_EQ(runs[0].count, 2);
    EXPECT_FALSE(runs[1].subMenu);
    EXPECT_EQ(runs[1].firstOption, 2);
    EXPECT_TRUE(runs[2].subMenu);
    EXPECT_EQ(runs[2].firstOption, 3);
    EXPECT_EQ(runs[2].count, 3);
    // "Hatch$x" shares the letters but not the prefix before '$'.
    EXPECT_FALSE(runs[3].subMenu);
    EXPECT_EQ(runs[3].firstOption, 6);
    EXPECT_FALSE(runs[4].subMenu);
    EXPECT_FALSE(sharesPrefix("$a", "$b"));   // an empty prefix groups nothing
}

} // namespace
