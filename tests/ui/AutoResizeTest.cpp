#include <gtest/gtest.h>

#include <QWidget>

#include "ui/AutoResize.h"

namespace {

using namespace KIVTOOLCommon;

class AutoResizeTest : public ::testing::Test {
protected:
    AutoResizeTest() : button(&parent), other(&parent) {
        parent.resize(100, 90);
        button.setGeometry(12, 60, 75, 23);
        other.setGeometry(10, 10, 30, 20);
    }
    QWidget parent;
    QWidget button;
    QWidget other;
    CAutoResize layout;
};

TEST_F(AutoResizeTest, CentredButtonKeepsItsSizeAndItsDistanceFromTheBottom) {
    ASSERT_TRUE(layout.SetRule(&button, RS_UNSET, RS_UNSET, RS_UNSET, RS_UNSET,
                               RS_CENTERX | RS_KEEPWIDTH | RS_KEEPHEIGHT | RS_BOTTOM, -37));
    parent.resize(300, 120);
    layout.Apply(&parent);
    EXPECT_EQ(button.geometry(), QRect(113, 90, 75, 23));
    EXPECT_TRUE(parent.updatesEnabled());
}

TEST_F(AutoResizeTest, RefusedCombinationsChangeNothing) {
    const unsigned refused[] = {
        RS_CENTERX,
        RS_CENTERX | RS_KEEPWIDTH | RS_LEFT,
        RS_CENTERX | RS_KEEPWIDTH | RS_RIGHT,
        RS_LEFT | RS_RIGHT | RS_KEEPWIDTH,
        RS_TOP | RS_BOTTOM | RS_KEEPHEIGHT,
    };
    for (const unsigned flags : refused) {
        EXPECT_FALSE(layout.SetRule(&button, RS_UNSET, RS_UNSET, RS_UNSET, RS_UNSET, flags))
            << std::hex << flags;
    }
    EXPECT_FALSE(layout.SetRule(nullptr, 0, 0, 0, 0, RS_LEFT));
    QWidget orphan;
    EXPECT_FALSE(layout.SetRule(&orphan, RS_UNSET, RS_UNSET, RS_UNSET, RS_UNSET, RS_LEFT))
        << "margins from the layout need a parent";
    EXPECT_TRUE(layout.SetRule(&orphan, 1, RS_UNSET, RS_UNSET, RS_UNSET, RS_LEFT))
        << "given margins are stored as they are";
    ASSERT_EQ(layout.Rules().size(), 1u);
    EXPECT_EQ(layout.Rules()[0].window, &orphan);
}

TEST_F(AutoResizeTest, ASecondRuleReplacesTheFirstAndFlagsZeroRemoveIt) {
    EXPECT_FALSE(layout.SetRule(&button, 0, 0, 0, 0, 0)) << "no rule to remove yet";
    ASSERT_TRUE(layout.SetRule(&button, 5, 0, 0, 0, RS_LEFT));
    ASSERT_TRUE(layout.SetRule(&other, 0, 0, 0, 0, RS_TOP));
    ASSERT_TRUE(layout.SetRule(&button, 0, 0, 8, 0, RS_RIGHT | RS_KEEPWIDTH));
    ASSERT_EQ(layout.Rules().size(), 2u);
    EXPECT_EQ(layout.Rules()[0].window, &button) << "a replaced rule keeps its place";
    EXPECT_EQ(layout.Rules()[0].flags, RS_RIGHT | RS_KEEPWIDTH);
    layout.Apply(&parent);
    EXPECT_EQ(button.geometry(), QRect(17, 60, 75, 23));
    EXPECT_TRUE(layout.SetRule(&button, 0, 0, 0, 0, 0));
    ASSERT_EQ(layout.Rules().size(), 1u);
    EXPECT_EQ(layout.Rules()[0].window, &other);
}

TEST_F(AutoResizeTest, LeftAndRightTogetherStretchAndEdgesWithoutFlagsStay) {
    ASSERT_TRUE(layout.SetRule(&other, RS_UNSET, RS_UNSET, RS_UNSET, RS_UNSET,
                               RS_LEFT | RS_RIGHT | RS_BOTTOM));
    parent.resize(200, 100);
    layout.Apply(&parent);
    // Right margin 60 and bottom margin 60 kept; the top edge did not move.
    EXPECT_EQ(other.geometry(), QRect(10, 10, 130, 30));
}

TEST_F(AutoResizeTest, CentredRuleTakesTheBottomMarginItIsGiven) {
    ASSERT_TRUE(layout.SetCenteredRule(&button, RS_CENTERX | RS_KEEPWIDTH | RS_KEEPHEIGHT, 4, 0));
    EXPECT_EQ(layout.Rules()[0].flags & RS_BOTTOM, RS_BOTTOM);
    layout.Apply(&parent);
    EXPECT_EQ(button.geometry(), QRect(50, 63, 75, 23));
}

TEST_F(AutoResizeTest, AFlagWithAnUnsetMarginLeavesItsEdge) {
    ASSERT_TRUE(layout.SetRule(&other, RS_UNSET, 4, RS_UNSET, RS_UNSET,
                               RS_LEFT | RS_TOP | RS_KEEPWIDTH | RS_KEEPHEIGHT));
    layout.Apply(&parent);
    EXPECT_EQ(other.geometry(), QRect(10, 4, 30, 20));
}

TEST_F(AutoResizeTest, AControlThatIsGoneIsSkipped) {
    auto* doomed = new QWidget(&parent);
    doomed->setGeometry(0, 0, 5, 5);
    ASSERT_TRUE(layout.SetRule(doomed, 1, 1, 1, 1, RS_LEFT | RS_TOP));
    ASSERT_TRUE(
        layout.SetRule(&other, 2, 2, 2, 2, RS_LEFT | RS_TOP | RS_KEEPWIDTH | RS_KEEPHEIGHT));
    delete doomed;
    layout.Apply(&parent);
    EXPECT_EQ(other.geometry(), QRect(2, 2, 30, 20));
}

}  // namespace
