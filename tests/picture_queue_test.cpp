#include <gtest/gtest.h>

#include "workbench/picture_queue.h"

namespace {

TEST(PictureQueueTest, SortsNamesAsPeopleNumberThem) {
    std::vector<std::string> paths = {
        "/b/walk_10.pcx", "/b/walk_2.pcx", "/a/walk_1.pcx",  "/c/walk_02.pcx",
        "/a/Walk_2.pcx",  "/z/idle.pcx",   "/a/WALK_9b.pcx", "/a/walk_9a.pcx",
    };
    SortNaturally(paths);
    const std::vector<std::string> expected = {
        "/z/idle.pcx",                      // letters before the walk frames
        "/a/walk_1.pcx",  "/a/Walk_2.pcx",  // case does not count...
        "/b/walk_2.pcx",                    // ...ties go by the full path
        "/c/walk_02.pcx",                   // a leading zero is the same number
        "/a/walk_9a.pcx", "/a/WALK_9b.pcx", "/b/walk_10.pcx",
    };
    EXPECT_EQ(paths, expected);
}

TEST(PictureQueueTest, FindsTheDirectionWordInAName) {
    const struct {
        const char* path;
        std::optional<int> slot;
    } cases[] = {
        {"/x/beetle_0_nodirection_1.pcx", 0},
        {"/x/beetle_1_left_4.pcx", 1},
        {"/x/hero-RIGHT-03.png", 2},
        {"/x/up7.pcx", 3},
        {"/x/Down.pcx", 4},
        {"/x/bug_leftup_1.pcx", 5},
        {"/x/bug.leftdown.2.pcx", 6},
        {"/x/bug_rightup_1.pcx", 7},
        {"/x/9rightdown9.pcx", 8},
        {"/left/bug_1.pcx", std::nullopt},      // only the file's own name counts
        {"/x/upper_1.pcx", std::nullopt},       // a word, not a part of one
        {"/x/left_right_1.pcx", std::nullopt},  // two directions: neither
        {"/x/left_up_1.pcx", std::nullopt},     // "left" and "up" are two words
        {"/x/walk_left_left.pcx", 1},           // the same one twice is fine
    };
    for (const auto& c : cases) EXPECT_EQ(DirectionSlotInName(c.path), c.slot) << c.path;
}

TEST(PictureQueueTest, MarksUnbrokenRunsOfEnoughFrames) {
    constexpr std::nullopt_t none = std::nullopt;
    // Cells 5.. hold: left x3, up x2, right, down x4 split by a nameless one.
    const std::vector<std::optional<int>> slots = {1, 1, 1, 3, 3, none, 2, 4, 4, none, 4, 4};
    const NamedRanges ranges = RangesFromNames(slots, 5, 3);
    ASSERT_EQ(ranges.marked.size(), 1u);
    EXPECT_EQ(ranges.marked[0].slot, 1);
    EXPECT_EQ(ranges.marked[0].firstCell, 5);
    EXPECT_EQ(ranges.marked[0].lastCell, 7);
    const std::vector<std::string> expected = {
        "right: 1 pictures, fewer than 3",
        "up: 2 pictures, fewer than 3",
        "down: its pictures are not next to each other",
    };
    EXPECT_EQ(ranges.leftUnmarked, expected);
}

}  // namespace
