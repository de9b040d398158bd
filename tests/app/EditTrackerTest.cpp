#include "app/EditTracker.h"

#include <gtest/gtest.h>

// A position of the text as it was, after edits before it, around it and
// after it: moved by what was added and removed before it, onto the end of
// an edit that took it away, left alone by edits after it.
TEST(EditTracker, PositionsFollowTheEditsMadeSince)
{
    EditTracker edits;
    edits.noteEdit(0, 0, 5);  // "Typed" before everything
    edits.noteEdit(12, 4, 1); // 4 characters at 7..11 of the old text become 1
    edits.noteEdit(40, 3, 0); // after the words asked about
    const struct
    {
        quint64 then, now;
    } cases[] = {{0, 5}, {6, 11}, {7, 12}, {9, 13}, {11, 13}, {20, 22}};
    for (const auto &c : cases)
        EXPECT_EQ(edits.position(c.then), c.now) << c.then;
    EXPECT_TRUE(edits.hasEdits() && edits.isFollowing());
    edits.follow(nullptr);
    EXPECT_EQ(edits.position(9), 9u) << "edits from before follow() were kept";
    edits.stop();
    EXPECT_FALSE(edits.isFollowing());
}
