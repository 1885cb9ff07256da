// The list-view data holder: rows and their records, check boxes, selection and focus,
// scrolling, change notification, and page copies taken while another thread changes the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <string>
#include <thread>

#include "platform/app/list_view.h"

namespace {

std::atomic<int> s_records_alive{0};

struct CountedRecord : CListRecord {
    explicit CountedRecord(int value) : value(value) { ++s_records_alive; }
    ~CountedRecord() override { --s_records_alive; }
    int value;
};

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override { s_records_alive = 0; }
    void Fill(int rows) {
        for (int i = 0; i < rows; ++i)
            ASSERT_EQ(m_list.InsertItem(i, "row " + std::to_string(i), std::make_unique<CountedRecord>(i), i % 3), i);
    }
    CListCtrl m_list;
};

TEST_F(ListViewTest, RowsOwnTheirRecordsAndFreeThemWhenTheyGo) {
    Fill(4);
    EXPECT_EQ(m_list.InsertItem(99, "last"), 4) << "past the end means at the end";
    EXPECT_EQ(m_list.InsertItem(-1, "nowhere"), -1);
    EXPECT_EQ(m_list.InsertItem(1, "second"), 1);
    EXPECT_EQ(m_list.GetItemCount(), 6);
    EXPECT_EQ(m_list.GetItemText(2, 0), "row 1");
    EXPECT_EQ(m_list.GetItemText(6, 0), "");
    EXPECT_EQ(m_list.GetItemText(0, 1), "") << "there is one column";
    EXPECT_EQ(m_list.GetItemDataAs<CountedRecord>(2)->value, 1);
    EXPECT_EQ(m_list.GetItemData(1), nullptr);
    EXPECT_EQ(s_records_alive, 4);

    EXPECT_TRUE(m_list.DeleteItem(0));
    EXPECT_EQ(s_records_alive, 3);
    EXPECT_FALSE(m_list.DeleteItem(5));
    EXPECT_TRUE(m_list.SetItemData(1, std::make_unique<CountedRecord>(40)));
    EXPECT_EQ(s_records_alive, 3) << "the record replaced is freed";
    EXPECT_FALSE(m_list.SetItemData(9, std::make_unique<CountedRecord>(41)));
    EXPECT_EQ(s_records_alive, 3) << "a record no row took is freed as well";

    int seen = -1;
    EXPECT_TRUE(m_list.ReadItemData(1, [&](const CListRecord* record) {
        seen = dynamic_cast<const CountedRecord*>(record)->value;
    }));
    EXPECT_EQ(seen, 40);
    EXPECT_FALSE(m_list.ReadItemData(7, [&](const CListRecord*) { seen = -2; }));
    EXPECT_EQ(seen, 40);

    EXPECT_TRUE(m_list.DeleteAllItems());
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(s_records_alive, 0);
}

TEST_F(ListViewTest, MovingARowCarriesItsRecordWithoutFreeingIt) {
    Fill(3);
    // Up one: the record goes again at row 0 and the old row, now row 2, is deleted.
    auto record = m_list.TakeItemData(1);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(m_list.InsertItem(0, m_list.GetItemText(1), std::move(record)), 0);
    ASSERT_TRUE(m_list.DeleteItem(2));
    EXPECT_EQ(s_records_alive, 3);
    EXPECT_EQ(m_list.GetItemDataAs<CountedRecord>(0)->value, 1);
    EXPECT_EQ(m_list.GetItemText(0), "row 1");
    EXPECT_EQ(m_list.GetItemText(1), "row 0");
    EXPECT_EQ(m_list.TakeItemData(5), nullptr);
}

TEST_F(ListViewTest, CheckBoxesAreStateImagesOneAndTwo) {
    m_list.InsertItem(0, "before boxes");
    EXPECT_EQ(m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT | LVS_EX_CHECKBOXES), 0u);
    EXPECT_EQ(m_list.GetItemState(0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    m_list.InsertItem(1, "after boxes");
    EXPECT_EQ(m_list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_FALSE(m_list.GetCheck(1));
    EXPECT_TRUE(m_list.SetCheck(1));
    EXPECT_TRUE(m_list.GetCheck(1));
    EXPECT_EQ(m_list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    EXPECT_TRUE(m_list.SetItemState(0, INDEXTOSTATEIMAGEMASK(3), LVIS_STATEIMAGEMASK));
    EXPECT_FALSE(m_list.GetCheck(0)) << "only image 2 is a checked box";
    EXPECT_TRUE(m_list.SetCheck(1, FALSE));
    EXPECT_EQ(m_list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_FALSE(m_list.SetCheck(2));
    EXPECT_FALSE(m_list.GetCheck(2));

    m_list.SetCheck(1);
    EXPECT_EQ(m_list.SetExtendedStyle(0), LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT | LVS_EX_CHECKBOXES);
    EXPECT_EQ(m_list.GetItemState(1, LVIS_STATEIMAGEMASK), 0u) << "no boxes, no state images";
}

TEST_F(ListViewTest, SelectionIsPerRowAndFocusIsOnOneRowAtMost) {
    Fill(5);
    const struct {
        int index;
        UINT state, mask;
        int first_selected, first_focused;
    } steps[] = {
        {1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, 1, 1},
        {3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, 1, 3},  // focus moves
        {1, 0, LVIS_SELECTED, 3, 3},
        {-1, LVIS_SELECTED, LVIS_SELECTED, 0, 3},                               // every row
        {-1, LVIS_FOCUSED, LVIS_FOCUSED, 0, 3},                                 // not every row
        {-1, 0, LVIS_SELECTED | LVIS_FOCUSED, -1, -1},
        {4, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED, -1, 4},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        EXPECT_TRUE(m_list.SetItemState(step.index, step.state, step.mask)) << "step " << i;
        EXPECT_EQ(m_list.GetNextItem(-1, LVNI_SELECTED), step.first_selected) << "step " << i;
        EXPECT_EQ(m_list.GetNextItem(-1, LVNI_FOCUSED), step.first_focused) << "step " << i;
    }
    m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(m_list.GetNextItem(2, LVNI_SELECTED), 3) << "the search starts after the row given";
    EXPECT_EQ(m_list.GetNextItem(4, LVNI_SELECTED), -1);
    EXPECT_EQ(m_list.GetNextItem(1, LVNI_ALL), 2);
    EXPECT_EQ(m_list.GetNextItem(INT_MAX, LVNI_ALL), -1);
    EXPECT_EQ(m_list.GetNextItem(-1, LVNI_SELECTED | LVNI_FOCUSED), 4);
    EXPECT_EQ(m_list.GetItemState(4, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_FALSE(m_list.SetItemState(5, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(m_list.GetItemState(5, LVIS_SELECTED), 0u);
}

TEST_F(ListViewTest, TheTopRowFollowsEnsureVisibleAndStaysOnARow) {
    Fill(20);
    m_list.SetCountPerPage(8);
    EXPECT_TRUE(m_list.EnsureVisible(7));
    EXPECT_EQ(m_list.GetTopIndex(), 0);
    EXPECT_TRUE(m_list.EnsureVisible(10));
    EXPECT_EQ(m_list.GetTopIndex(), 3) << "scrolled just far enough";
    EXPECT_TRUE(m_list.EnsureVisible(2));
    EXPECT_EQ(m_list.GetTopIndex(), 2);
    EXPECT_FALSE(m_list.EnsureVisible(20));
    EXPECT_EQ(m_list.GetTopIndex(), 2);
    EXPECT_TRUE(m_list.SetTopIndex(16));
    EXPECT_FALSE(m_list.SetTopIndex(20));
    for (int i = 0; i < 6; ++i) m_list.DeleteItem(0);
    EXPECT_EQ(m_list.GetTopIndex(), 13) << "the last row, once the top row went";
    auto page = m_list.CopyPage();
    EXPECT_EQ(page.top, 13);
    EXPECT_EQ(page.item_count, 14);
    ASSERT_EQ(page.rows.size(), 1u);
    EXPECT_EQ(page.rows[0].text, "row 19");
    m_list.DeleteAllItems();
    EXPECT_EQ(m_list.GetTopIndex(), 0);
    EXPECT_TRUE(m_list.CopyPage().rows.empty());
}

TEST_F(ListViewTest, APageCopyHoldsWhatAPainterNeeds) {
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    Fill(10);
    m_list.SetCheck(5);
    m_list.SetItemState(6, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemImage(7, 9);
    auto page = m_list.CopyPage(4, 8);
    EXPECT_EQ(page.top, 4);
    EXPECT_EQ(page.item_count, 10);
    ASSERT_EQ(page.rows.size(), 6u) << "the page ends with the rows";
    EXPECT_EQ(page.rows[0].index, 4);
    EXPECT_EQ(page.rows[0].text, "row 4");
    EXPECT_EQ(page.rows[0].image, 1);
    EXPECT_EQ(page.rows[1].state_image, 2u);
    EXPECT_EQ(page.rows[0].state_image, 1u);
    EXPECT_TRUE(page.rows[2].selected && page.rows[2].focused);
    EXPECT_FALSE(page.rows[1].selected || page.rows[1].focused);
    EXPECT_EQ(page.rows[3].image, 9);
    EXPECT_TRUE(m_list.CopyPage(10, 8).rows.empty());
    EXPECT_TRUE(m_list.CopyPage(0, 0).rows.empty());
}

TEST_F(ListViewTest, ChangesAreToldExceptWhileRedrawIsOff) {
    int told = 0;
    ListPageCopy seen;
    // The handler runs outside the lock, so it may read the holder at once.
    m_list.SetChangeHandler([&] {
        ++told;
        seen = m_list.CopyPage(0, 8);
    });
    m_list.InsertItem(0, "a");
    m_list.SetItemText(0, 0, "b");
    m_list.SetCheck(0);
    EXPECT_EQ(told, 3);
    EXPECT_EQ(seen.rows.at(0).text, "b");
    EXPECT_EQ(m_list.GetItemText(0), "b");
    m_list.SetItemData(0, std::make_unique<CountedRecord>(1));
    m_list.GetItemCount();
    m_list.SetItemText(5, 0, "no such row");
    EXPECT_EQ(told, 3) << "neither records, reads nor failed calls are shown";

    m_list.SetRedraw(FALSE);
    for (int i = 0; i < 10; ++i) m_list.InsertItem(i, "r");
    m_list.DeleteItem(0);
    EXPECT_EQ(told, 3);
    m_list.SetRedraw(TRUE);
    EXPECT_EQ(told, 4) << "once for everything meanwhile";
    EXPECT_EQ(seen.item_count, 10);
    m_list.SetRedraw(FALSE);
    m_list.SetRedraw(TRUE);
    EXPECT_EQ(told, 4) << "nothing changed";
}

// A writer inserts 10,000 rows at the end and deletes from the front while a painter keeps
// taking page copies. The rows are always a run of consecutive numbers, so every copy must be
// one too: a copy torn by a change in the middle would show a gap, a repeat or a stale count.
TEST_F(ListViewTest, PageCopiesAreWholeWhileAnotherThreadChangesTheRows) {
    constexpr int kRows = 10000;
    constexpr int kPage = 8;
    std::atomic<int> told{0};
    m_list.SetChangeHandler([&] { ++told; });
    std::atomic<bool> writing{true};
    int deletes = 0;
    std::thread writer([&] {
        for (int value = 0; value < kRows; ++value) {
            m_list.InsertItem(m_list.GetItemCount(), std::to_string(value), std::make_unique<CountedRecord>(value),
                              value % 5);
            if (value % 4 == 3 && m_list.DeleteItem(0)) ++deletes;
        }
        while (m_list.DeleteItem(0)) ++deletes;
        writing = false;
    });

    int copies = 0, failures = 0, last_front = -1;
    auto check = [&](const ListPageCopy& page, int asked_top) {
        ++copies;
        const int expected_rows = std::clamp(page.item_count - asked_top, 0, kPage);
        bool whole = page.top == asked_top && static_cast<int>(page.rows.size()) == expected_rows;
        for (std::size_t i = 0; whole && i < page.rows.size(); ++i) {
            const auto& row = page.rows[i];
            const int value = std::stoi(row.text);
            whole = row.index == asked_top + static_cast<int>(i) && row.image == value % 5 &&
                    (i == 0 || value == std::stoi(page.rows[i - 1].text) + 1);
        }
        if (whole && asked_top == 0 && !page.rows.empty()) {
            const int front = std::stoi(page.rows[0].text);
            whole = front >= last_front;  // rows leave only at the front
            last_front = front;
        }
        if (!whole && ++failures <= 3) ADD_FAILURE() << "torn copy at top " << asked_top << " of " << page.item_count;
    };
    for (int round = 0; writing || round < 2; ++round) {
        check(m_list.CopyPage(0, kPage), 0);
        const int top = (round * 37) % 3000;
        check(m_list.CopyPage(top, kPage), top);
    }
    writer.join();

    EXPECT_EQ(failures, 0);
    EXPECT_GT(copies, 2);
    EXPECT_EQ(deletes, kRows);
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(s_records_alive, 0) << "every deleted row freed its record";
    EXPECT_EQ(told, kRows * 2) << "one notice per insert and per delete";
}

}  // namespace
