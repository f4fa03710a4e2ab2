// The option menu's entries: sub-menus that stay with their entries (and
// are released with them), the 256-byte bound and the limit. Numbering,
// insertion and visible indexes are tested through the menu.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/OptionEntries.h"

using namespace VSTGUI;

namespace {

// A sub-menu stand-in that counts its own destruction.
struct CountedMenu : CReferenceCounter {
    explicit CountedMenu(int* destroyed) : destroyed_(destroyed) {}
    ~CountedMenu() override { ++*destroyed_; }
    int* destroyed_;
};

TEST(OptionEntries, SubMenusStayWithTheirEntries) {
    int destroyed = 0;
    OptionEntries entries;
    auto* first = new CountedMenu(&destroyed);
    auto* second = new CountedMenu(&destroyed);
    entries.add("plain");
    entries.addSubMenu(first, "First");
    entries.add("-Mlooks like a sub-menu");   // opens nothing
    entries.addSubMenu(second, "Second");
    first->forget();
    second->forget();
    EXPECT_EQ(destroyed, 0);   // the entries hold them
    EXPECT_EQ(entries.subMenuCount(), 2);
    EXPECT_EQ(entries.subMenu(1), first);
    EXPECT_EQ(entries.subMenu(2), nullptr);
    EXPECT_EQ(entries.kind(2), EntryKind::SubMenu);
    EXPECT_EQ(entries.subMenu(3), second);

    // Removing the first sub-menu entry: the second still opens its own.
    ASSERT_TRUE(entries.remove(1));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(entries.subMenu(2), second);
    EXPECT_STREQ(entries.text(2), "-MSecond");
    // Inserting before it moves it with its entry.
    entries.add("inserted", 0);
    EXPECT_EQ(entries.subMenu(3), second);
    EXPECT_EQ(entries.subMenuCount(), 1);
    entries.removeAll();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(entries.count(), 0);
    EXPECT_EQ(entries.current(), -1);
}

TEST(OptionEntries, LongTextsAreCutToTheEntryAndTerminated) {
    const std::string name(320, 'n');   // a file-list name can be this long
    OptionEntries entries;
    entries.setPrefixNumbers(3);
    ASSERT_TRUE(entries.add(name.c_str()));
    EXPECT_EQ(std::strlen(entries.text(0)), kTextBufferSize - 1);
    EXPECT_EQ(std::string(entries.text(0)).substr(0, 5), "01 nn");
    ASSERT_TRUE(entries.setText(0, name.c_str()));
    EXPECT_EQ(std::strlen(entries.text(0)), kTextBufferSize - 1);
    int destroyed = 0;
    auto* sub = new CountedMenu(&destroyed);
    ASSERT_TRUE(entries.addSubMenu(sub, name.c_str()));
    sub->forget();
    EXPECT_EQ(std::strlen(entries.text(1)), kTextBufferSize - 1);
    // A cut never splits a UTF-8 character: 254 'a' then "é" (2 bytes).
    std::string accented(254, 'a');
    accented += "\xC3\xA9";
    entries.setText(0, accented.c_str());
    EXPECT_EQ(std::strlen(entries.text(0)), 254u);
    // No text at all: an empty entry.
    ASSERT_TRUE(entries.add(nullptr));
    EXPECT_STREQ(entries.text(2), "03 ");
}

TEST(OptionEntries, AtMost1024EntriesInTablesGrowingBy32) {
    OptionEntries entries;
    ASSERT_TRUE(entries.add("0"));
    EXPECT_EQ(entries.entryCapacity(), 32);
    for (int i = 1; i < OptionEntries::kMaxEntries; ++i) ASSERT_TRUE(entries.add("x"));
    EXPECT_EQ(entries.entryCapacity(), 1024);
    EXPECT_FALSE(entries.add("one too many"));
    int destroyed = 0;
    auto* sub = new CountedMenu(&destroyed);
    EXPECT_FALSE(entries.addSubMenu(sub, "refused"));
    sub->forget();
    EXPECT_EQ(destroyed, 1);   // a refused sub-menu is not kept
    EXPECT_EQ(entries.count(), 1024);
}

} // namespace
