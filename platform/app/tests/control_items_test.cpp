// The items of a list box or combo box on their own: order, selection through inserts and
// deletes, the searches, the limits, and where a list's view can start.
#include "platform/app/control_items.h"

#include <gtest/gtest.h>

namespace platform::controls {
namespace {

std::vector<std::string> Texts(const ControlItemList& list) { return list.Items(); }

TEST(ControlItems, AddInsertAndDeleteKeepOrderAndSelection) {
    ControlItemList list;
    EXPECT_EQ(list.Add("b"), 0);
    EXPECT_EQ(list.Add("c"), 1);
    EXPECT_EQ(list.Insert(0, "a"), 0);
    EXPECT_EQ(list.Insert(-1, "d"), 3) << "-1 is the end";
    EXPECT_EQ(list.Insert(5, "x"), ControlItemList::kError) << "past the end";
    EXPECT_EQ(list.Insert(-2, "x"), ControlItemList::kError);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "c", "d"}));

    ASSERT_TRUE(list.Select(2));  // "c"
    EXPECT_EQ(list.Insert(1, "a2"), 1);
    EXPECT_EQ(list.Selection(), 3) << "an insert before it moves the selection with its item";
    EXPECT_EQ(*list.At(list.Selection()), "c");
    EXPECT_EQ(list.Delete(0), 4);
    EXPECT_EQ(list.Selection(), 2);
    EXPECT_EQ(list.Delete(3), 3) << "one after it leaves it";
    EXPECT_EQ(list.Selection(), 2);
    EXPECT_EQ(list.Delete(2), 2);
    EXPECT_EQ(list.Selection(), -1) << "deleting the selected item clears the selection";
    EXPECT_EQ(list.Delete(2), ControlItemList::kError);
    EXPECT_EQ(list.Delete(-1), ControlItemList::kError);

    EXPECT_FALSE(list.Select(2)) << "no such item";
    EXPECT_FALSE(list.Select(-2));
    EXPECT_EQ(list.Selection(), -1);
    EXPECT_TRUE(list.Select(1));
    EXPECT_TRUE(list.Select(-1)) << "-1 clears";
    EXPECT_EQ(list.Selection(), -1);
    EXPECT_EQ(list.At(2), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);
    list.Select(0);
    list.Reset();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selection(), -1);
}

TEST(ControlItems, ASortedListPlacesItemsIgnoringCaseAfterTheirEquals) {
    ControlItemList list(ItemOrder::Sorted);
    for (const char* text : {"COM3:", "com1:", "Com2:", "COM1:", "b", "A"}) list.Add(text);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"A", "b", "com1:", "COM1:", "Com2:", "COM3:"}));
    EXPECT_EQ(list.Insert(0, "zzz"), 0) << "an insert goes where it is told, sorted or not";
}

TEST(ControlItems, SearchesIgnoreCaseStartAfterTheGivenItemAndGoRound) {
    ControlItemList list;
    for (const char* text : {"4800", "9600", "19200", "COM1:", "com1:", "COM10:"}) list.Add(text);
    EXPECT_EQ(list.FindExact(-1, "com1:"), 3);
    EXPECT_EQ(list.FindExact(3, "com1:"), 4) << "after the start";
    EXPECT_EQ(list.FindExact(4, "COM1:"), 3) << "round past the end";
    EXPECT_EQ(list.FindExact(99, "9600"), 1) << "a start outside the list searches it all";
    EXPECT_EQ(list.FindExact(-1, "COM1"), ControlItemList::kError) << "exact means whole";
    EXPECT_EQ(list.FindExact(-1, ""), ControlItemList::kError);
    EXPECT_EQ(list.FindPrefix(-1, "com1"), 3);
    EXPECT_EQ(list.FindPrefix(4, "COM1"), 5);
    EXPECT_EQ(list.FindPrefix(-1, "192000"), ControlItemList::kError) << "longer than the item";
    EXPECT_EQ(ControlItemList().FindExact(-1, "x"), ControlItemList::kError);
}

TEST(ControlItems, AFullListRefusesMore) {
    ControlItemList list;
    for (int i = 0; i < ControlItemList::kMaxItems; ++i) ASSERT_EQ(list.Add("x"), i);
    EXPECT_EQ(list.Add("y"), ControlItemList::kNoSpace);
    EXPECT_EQ(list.Insert(0, "y"), ControlItemList::kNoSpace);
    EXPECT_EQ(list.Count(), ControlItemList::kMaxItems);
}

TEST(ControlItems, TheViewStopsAtTheLastPage) {
    const struct {
        int top, count, rows, expected;
    } cases[] = {
        {0, 0, 10, 0},    {5, 3, 10, 0},     // everything fits: from the first
        {499, 500, 10, 490}, {489, 500, 10, 489}, {490, 500, 10, 490},
        {-3, 500, 10, 0}, {7, 500, 0, 7},    // a list with no room still shows one row
        {600, 500, 0, 499},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampTopIndex(c.top, c.count, c.rows), c.expected) << c.top << " " << c.count << " " << c.rows;
}

}  // namespace
}  // namespace platform::controls
