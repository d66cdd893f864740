// The tree control's engine without a window: rows, keys, typing, clicks,
// scrolling and the exact layout of lines, boxes and labels.
#include "tree_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Index = TreeEngine::Index;
constexpr Index kNone = TreeEngine::kNone;

// Six pixels per byte of label.
int Measure(const char* text) { return 6 * static_cast<int>(std::strlen(text)); }

struct Engine : ::testing::Test {
    TreeEngine e{TreeStyle{true, true, true, true}};

    void SetUp() override {
        e.SetMetrics(TreeMetrics::For(12, 96), Measure);
        e.SetViewport(200, 10 * e.Metrics().rowHeight);  // ten rows
    }
    Index Add(Index parent, const char* text) { return e.Append(parent, text, std::strlen(text), 0); }
    std::vector<std::string> Rows() {
        e.Flush();
        std::vector<std::string> out;
        for (size_t r = 0; r < e.RowCount(); ++r) out.push_back(e.Store().Text(e.RowItem(r)));
        return out;
    }
    std::string Selected() { return e.Selected() == kNone ? "(none)" : e.Store().Text(e.Selected()); }

    // RIFF_AVI > {LIST_hdrl > {avih, LIST_strl > {strh, strf}}, LIST_movi > frames, idx1}; JUNK
    Index root = kNone, hdrl = kNone, strl = kNone, movi = kNone;
    void FillAvi(int frames) {
        root = Add(kNone, "RIFF_AVI");
        hdrl = Add(root, "LIST_hdrl");
        Add(hdrl, "avih");
        strl = Add(hdrl, "LIST_strl");
        Add(strl, "strh");
        Add(strl, "strf");
        movi = Add(root, "LIST_movi");
        for (int i = 0; i < frames; ++i) Add(movi, i % 2 ? "01wb" : "00dc");
        Add(root, "idx1");
        Add(kNone, "JUNK");
        e.Flush();
    }
};

TEST(TreeMetrics, ClassicAt96DpiAndGrowWithFontAndScreen) {
    const TreeMetrics classic = TreeMetrics::For(12, 96);
    EXPECT_EQ(classic.indent, 19);
    EXPECT_EQ(classic.box, 9);
    EXPECT_EQ(classic.rowHeight, 14);
    // 144 dpi: the font grows to 18 pixels, and so do boxes and indent.
    const TreeMetrics big = TreeMetrics::For(18, 144);
    EXPECT_EQ(big.indent, 29);
    EXPECT_EQ(big.box, 15);  // odd, the sign in its middle
    EXPECT_EQ(big.rowHeight, 20);
    EXPECT_EQ(TreeMetrics::For(26, 96).indent, 38);  // a big font on its own
}

TEST_F(Engine, LinesBoxesAndLabelsOfASmallTree) {
    FillAvi(1);
    e.Key(TreeKey::Home);
    e.Key(TreeKey::Right);  // RIFF_AVI opens
    ASSERT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "LIST_hdrl", "LIST_movi", "idx1", "JUNK"}));
    const auto& rows = e.Layout();
    ASSERT_EQ(rows.size(), 5u);
    const auto lines = [&](size_t r) {
        return std::vector<TreeLine>(e.Lines().begin() + static_cast<long>(rows[r].firstLine),
                                     e.Lines().begin() + static_cast<long>(rows[r].firstLine + rows[r].lineCount));
    };
    // Rows 14 pixels tall, columns 19 wide; the first item's line starts in
    // its middle, a last child's ends there.
    EXPECT_EQ(lines(0), (std::vector<TreeLine>{{9, 7, 9, 14}, {9, 7, 20, 7}}));
    EXPECT_EQ(lines(1), (std::vector<TreeLine>{{9, 14, 9, 28}, {28, 14, 28, 28}, {28, 21, 39, 21}}));
    EXPECT_EQ(lines(3), (std::vector<TreeLine>{{9, 42, 9, 56}, {28, 42, 28, 50}, {28, 49, 39, 49}}));
    EXPECT_EQ(lines(4), (std::vector<TreeLine>{{9, 56, 9, 64}, {9, 63, 20, 63}}));
    EXPECT_TRUE(rows[0].hasBox && rows[0].expanded);
    EXPECT_EQ(rows[0].box, (TreeRect{5, 3, 14, 12}));
    EXPECT_TRUE(rows[1].hasBox && !rows[1].expanded);
    EXPECT_EQ(rows[1].box, (TreeRect{24, 17, 33, 26}));
    EXPECT_FALSE(rows[3].hasBox);  // idx1 has no children
    EXPECT_EQ(rows[4].depth, 0u);
    EXPECT_EQ(rows[1].depth, 1u);
    EXPECT_EQ(rows[1].label, (TreeRect{40, 14, 40 + 6 * 9 + 4, 28}));
    EXPECT_TRUE(rows[0].selected);
    EXPECT_EQ(e.Extent(), 40 + 6 * 9 + 4);

    // Scrolled sideways by 10, every part moves with it.
    e.SetViewport(50, 140);
    e.ScrollToX(10);
    EXPECT_EQ(e.HScroll(), 10);
    EXPECT_EQ(e.Layout()[1].box, (TreeRect{14, 17, 23, 26}));
    EXPECT_EQ(e.Layout()[1].label.left, 30);
}

TEST_F(Engine, ArrowsPlusMinusAndStarOpenCloseAndMove) {
    FillAvi(2);
    e.Key(TreeKey::Down);
    EXPECT_EQ(Selected(), "RIFF_AVI");  // nothing selected: starts at the top
    e.Key(TreeKey::Right);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "LIST_hdrl", "LIST_movi", "idx1", "JUNK"}));
    e.Key(TreeKey::Right);
    EXPECT_EQ(Selected(), "LIST_hdrl");
    e.Key(TreeKey::Down);
    e.Key(TreeKey::Right);
    e.Key(TreeKey::Down);
    EXPECT_EQ(Selected(), "00dc");
    e.Key(TreeKey::Left);  // a leaf goes to its parent
    EXPECT_EQ(Selected(), "LIST_movi");
    e.Key(TreeKey::Left);  // an open item closes
    EXPECT_EQ(e.RowCount(), 5u);
    e.Key(TreeKey::Home);
    e.Key(TreeKey::Multiply);  // everything below
    const std::vector<std::string> all{"RIFF_AVI", "LIST_hdrl", "avih", "LIST_strl", "strh", "strf",
                                       "LIST_movi", "00dc", "01wb", "idx1", "JUNK"};
    EXPECT_EQ(Rows(), all);
    e.Key(TreeKey::Subtract);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "JUNK"}));
    e.Key(TreeKey::Add);  // the levels below stay open
    EXPECT_EQ(Rows(), all);
    // Items appended under open items show in place once flushed.
    Add(strl, "vprp");
    Add(kNone, "LIST_INFO");
    EXPECT_TRUE(e.FlushPending());
    EXPECT_EQ(Rows()[6], "vprp");
    EXPECT_EQ(Rows().back(), "LIST_INFO");
    // Closing an ancestor of the selection takes it up to the item closed.
    e.Key(TreeKey::End);
    e.Key(TreeKey::Up);
    e.Key(TreeKey::Up);
    EXPECT_EQ(Selected(), "idx1");
    e.ToggleRow(0, TreeEngine::Toggle::Collapse);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    EXPECT_EQ(e.SelectedRow(), 0u);
}

TEST_F(Engine, PagesTheEndAndTheWheelScroll) {
    FillAvi(100);
    e.Key(TreeKey::Home);
    e.Key(TreeKey::Multiply);
    ASSERT_EQ(e.RowCount(), 109u);
    e.Key(TreeKey::PageDown);  // to the last full row of the page
    EXPECT_EQ(e.SelectedRow(), 9u);
    EXPECT_EQ(e.Top(), 0u);
    e.Key(TreeKey::PageDown);
    EXPECT_EQ(e.SelectedRow(), 18u);
    EXPECT_EQ(e.Top(), 9u);
    e.TakeChanges();
    e.Key(TreeKey::End);
    EXPECT_EQ(Selected(), "JUNK");
    EXPECT_EQ(e.Top(), 99u);
    EXPECT_EQ(e.TakeChanges() & (kTreeSelection | kTreeScrolled), kTreeSelection | kTreeScrolled);
    e.Key(TreeKey::PageUp);
    EXPECT_EQ(e.SelectedRow(), 99u);
    e.Key(TreeKey::Home);
    EXPECT_EQ(e.Top(), 0u);
    e.Wheel(-3);  // towards the end, the selection stays
    EXPECT_EQ(e.Top(), 3u);
    EXPECT_EQ(Selected(), "RIFF_AVI");
    EXPECT_EQ(e.Layout().front().row, 3u);
    EXPECT_EQ(e.Layout().size(), 10u);
}

TEST_F(Engine, TypingFindsPrefixesCyclesOnOneLetterAndTimesOut) {
    FillAvi(3);
    e.Key(TreeKey::Home);
    e.Key(TreeKey::Multiply);
    e.Type("l", 10'000);
    EXPECT_EQ(Selected(), "LIST_hdrl");
    e.Type("l", 10'100);  // the same letter again: the next row starting with it
    EXPECT_EQ(Selected(), "LIST_strl");
    e.Type("l", 10'200);
    EXPECT_EQ(Selected(), "LIST_movi");
    e.Type("L", 10'300);  // wraps round
    EXPECT_EQ(Selected(), "LIST_movi") << "'L' after 'lll' is no repeat of one unit";
    e.Type("i", 20'000);  // after a pause, a new word
    EXPECT_EQ(Selected(), "idx1");
    e.Type("l", 30'000);
    e.Type("i", 30'100);
    e.Type("s", 30'200);
    e.Type("t", 30'300);
    e.Type("_", 30'400);
    e.Type("s", 30'500);  // a longer word stays while it matches from here
    EXPECT_EQ(Selected(), "LIST_strl");
    e.Type("r", 40'000);  // wraps round to the top
    EXPECT_EQ(Selected(), "RIFF_AVI");
    e.Type("\xE5\x88\x86", 50'000);  // matches nothing: stays
    EXPECT_EQ(Selected(), "RIFF_AVI");
}

TEST_F(Engine, ClicksHitTheBoxTheIndentAndTheLabel) {
    FillAvi(2);
    const int h = e.Metrics().rowHeight;
    EXPECT_EQ(e.HitTest(9, 7).part, TreePart::Box);
    EXPECT_EQ(e.HitTest(21, 7).part, TreePart::Label);
    EXPECT_EQ(e.HitTest(25 + 6 * 8, 7).part, TreePart::RightOfLabel);
    EXPECT_EQ(e.HitTest(9, h + 7).part, TreePart::Indent);  // JUNK: no children, no box
    EXPECT_EQ(e.HitTest(9, 5 * h).item, kNone);             // below the rows
    e.Click(9, 7, false);
    EXPECT_EQ(e.RowCount(), 5u);
    EXPECT_EQ(e.Selected(), kNone);  // the box does not select
    e.Click(50, 2 * h + 3, false);
    EXPECT_EQ(Selected(), "LIST_movi");
    e.Click(50, 2 * h + 3, true);  // a double click opens
    EXPECT_EQ(e.RowCount(), 7u);
    e.Click(2, 3 * h + 3, false);  // the indentation selects nothing
    EXPECT_EQ(Selected(), "LIST_movi");
    e.Key(TreeKey::Down);
    e.Click(9, 7, false);  // closing the root takes the selection up
    EXPECT_EQ(Selected(), "RIFF_AVI");
    TreeRect box;
    ASSERT_TRUE(e.BoxRect(0, &box));
    EXPECT_EQ(box, e.Layout()[0].box);
    EXPECT_FALSE(e.BoxRect(1, &box));
}

TEST_F(Engine, SelectOpensTheAncestorsAndClearForgetsEverything) {
    FillAvi(4);
    e.Select(e.Store().FirstChild(strl));
    EXPECT_EQ(Selected(), "strh");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "LIST_hdrl", "avih", "LIST_strl", "strh", "strf",
                                                "LIST_movi", "idx1", "JUNK"}));
    e.Clear();
    EXPECT_EQ(e.RowCount(), 0u);
    EXPECT_EQ(e.Selected(), kNone);
    EXPECT_TRUE(e.Layout().empty());
    e.Key(TreeKey::Down);  // nothing to do, nothing breaks
    FillAvi(1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"RIFF_AVI", "JUNK"}));
}

TEST_F(Engine, AMillionChildrenOpenJumpAndCloseAsBlocks) {
    const Index top = Add(kNone, "RIFF_AVI");
    const Index list = Add(top, "LIST_movi");
    for (int i = 0; i < 1'000'000; ++i) Add(list, "00dc");
    Add(top, "idx1");
    e.Flush();
    e.Key(TreeKey::Home);
    e.Key(TreeKey::Multiply);
    ASSERT_EQ(e.RowCount(), 1'000'003u);
    e.Key(TreeKey::End);
    EXPECT_EQ(Selected(), "idx1");
    EXPECT_EQ(e.Top(), 1'000'003u - 10);
    ASSERT_EQ(e.Layout().size(), 10u);
    EXPECT_EQ(e.Layout().back().row, 1'000'002u);
    e.Key(TreeKey::Up);
    e.Key(TreeKey::Left);  // a million rows up, to the parent
    EXPECT_EQ(Selected(), "LIST_movi");
    e.Type("i", 1);
    EXPECT_EQ(Selected(), "idx1");
    e.ToggleRow(1, TreeEngine::Toggle::Collapse);
    EXPECT_EQ(e.RowCount(), 3u);
    EXPECT_EQ(e.SelectedRow(), 2u);  // idx1 moved up with the block
    EXPECT_LE(e.RowBytes(), 1'000'003u * 4 * 2 + 1'000'003u / 8 + 64);
}

TEST_F(Engine, LabelsOfRowsOutOfViewAndTheItemLastToggled) {
    FillAvi(20);
    EXPECT_EQ(e.LastToggled(), kNone);
    e.ToggleRow(0, TreeEngine::Toggle::Expand);
    EXPECT_EQ(e.LastToggled(), root);
    e.ToggleRow(2, TreeEngine::Toggle::Expand);  // LIST_movi: 25 rows
    EXPECT_EQ(e.LastToggled(), movi);
    e.ToggleRow(0, TreeEngine::Toggle::Expand);  // open already: nothing toggled
    EXPECT_EQ(e.LastToggled(), movi);
    const int h = e.Metrics().rowHeight;
    TreeRect label;
    // Row 24 (JUNK) lies below the ten in view, laid out or not: at the
    // top level, one column in.
    ASSERT_TRUE(e.LabelRect(24, &label));
    EXPECT_EQ(label, (TreeRect{19 + 2, 24 * h, 19 + 2 + 6 * 4 + 4, 25 * h}));
    e.ScrollToRow(15);
    ASSERT_TRUE(e.LabelRect(3, &label));  // a frame, above the window now
    EXPECT_EQ(label, (TreeRect{3 * 19 + 2, -12 * h, 3 * 19 + 2 + 6 * 4 + 4, -11 * h}));
    ASSERT_TRUE(e.LabelRect(20, &label));
    EXPECT_EQ(label, e.RowLayout(20)->label);  // in view: where it is laid out
    EXPECT_FALSE(e.LabelRect(25, &label));
    e.Clear();
    EXPECT_EQ(e.LastToggled(), kNone);
}

}  // namespace
