// The tree control itself, without a window system: the items (a TreeStore),
// the rows shown, the selection, scrolling, every key and click the control
// answers, hit-testing, and the layout of the rows in the window. Each
// backend keeps one engine per tree control, feeds it the window's size, the
// font's measurements and the user's input, and paints what Layout() says.
//
// The layout of the visible rows is computed when the state changes, never
// while painting: every operation below that moves, opens or scrolls lays
// the rows out again before it returns. Appending items is the exception
// (a fill inserts a million of them); the rows catch up in Flush(), which
// the backend calls once control is back in its event loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tree_rows.h"
#include "tree_store.h"

struct TreeRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const TreeRect&) const = default;
};

// A connector line, one pixel wide, from (x0, y0) up to but not including
// (x1, y1); either x0 == x1 or y0 == y1. Lines are dotted: a pixel is drawn
// where x + y is even, so that the dots of neighbouring rows and of both
// directions meet.
struct TreeLine {
    int x0, y0, x1, y1;
    bool operator==(const TreeLine&) const = default;
};

// Where one visible row goes, in the window's coordinates (scrolling applied).
struct TreeRowLayout {
    size_t row = 0;
    TreeStore::Index item = TreeStore::kNone;
    unsigned depth = 0;   // 0 for top-level items
    int level = 0;        // columns of indentation before the label
    int top = 0, bottom = 0;
    size_t firstLine = 0, lineCount = 0;  // its lines in TreeEngine::Lines()
    bool hasBox = false;  // the +/- box
    bool expanded = false;
    TreeRect box;
    TreeRect label;  // the label's highlight; its text starts 2 pixels in
    bool selected = false;
};

// What changed since the backend last asked (TakeChanges), so that it
// repaints, sets its scroll bars or takes its tip down only when needed.
enum TreeChange : unsigned {
    kTreeRepaint = 1u << 0,      // the rows' layout or look changed
    kTreeScrollBars = 1u << 1,   // row count, page, extent or position changed
    kTreeSelection = 1u << 2,    // another item is selected
    kTreeScrolled = 1u << 3,     // rows moved under the pointer: a shown tip is stale
    kTreeExpansion = 1u << 4,    // an item opened or closed
};

enum class TreeKey { Up, Down, Left, Right, Home, End, PageUp, PageDown, Add, Subtract, Multiply };

enum class TreePart { Nowhere, Indent, Box, Label, RightOfLabel };

struct TreeHit {
    size_t row = TreeRows::kNoRow;
    TreeStore::Index item = TreeStore::kNone;
    TreePart part = TreePart::Nowhere;
};

// Sizes of the control's parts, scaled with the font and the screen.
struct TreeMetrics {
    int textHeight = 13;
    int rowHeight = 16;  // the text and two pixels, so glyphs below the descent stay clear
    int indent = 19;     // one column of indentation
    int box = 9;         // the +/- box's side (odd, so the sign sits in its middle)
    int sign = 2;        // half the length of the sign's strokes

    // For a font `textHeight` pixels tall on a screen of `dpi` dots per inch:
    // the classic sizes at 96 dpi and a 12- or 13-pixel font, grown in
    // proportion to whichever of the two is larger.
    static TreeMetrics For(int textHeight, int dpi);
};

struct TreeStyle {
    bool buttons = false;      // TVS_HASBUTTONS
    bool lines = false;        // TVS_HASLINES
    bool linesAtRoot = false;  // TVS_LINESATROOT
    bool showSelAlways = false;
};

class TreeEngine {
public:
    using Index = TreeStore::Index;
    static constexpr Index kNone = TreeStore::kNone;
    static constexpr size_t kNoRow = TreeRows::kNoRow;
    // A pause longer than this (milliseconds) starts a new type-ahead word.
    static constexpr uint64_t kTypeAheadTimeout = 1000;

    // `measure` gives a UTF-8 text's width in pixels in the control's font.
    using Measure = std::function<int(const char* utf8)>;

    explicit TreeEngine(TreeStyle style);
    TreeEngine(const TreeEngine&) = delete;
    TreeEngine& operator=(const TreeEngine&) = delete;

    const TreeStore& Store() const { return store_; }
    const TreeStyle& Style() const { return style_; }

    // --- Items
    Index Append(Index parent, const char* text, size_t length, intptr_t param);
    // Room for `items` items, their texts and their rows: once made, filling
    // the tree and opening its levels take no further memory.
    bool Reserve(size_t items, size_t textBytes);
    // What an item costs beyond its text when room is made for it.
    static constexpr size_t kItemBytes = TreeStore::kRecordBytes + TreeRows::kRowBytes;
    void Clear();
    // Brings the rows, the scroll range and the layout up to date after
    // appends; true when there was anything to do.
    bool Flush();
    bool FlushPending() const { return pending_; }

    // --- The window
    void SetMetrics(const TreeMetrics& metrics, Measure measure);
    const TreeMetrics& Metrics() const { return metrics_; }
    void SetViewport(int width, int height);
    int ViewportWidth() const { return width_; }
    int ViewportHeight() const { return height_; }
    void SetFocused(bool focused);
    bool Focused() const { return focused_; }

    // --- Rows and state
    size_t RowCount() { return rows_.Count(); }
    Index RowItem(size_t row) { return rows_.At(row); }
    size_t RowOf(Index item);  // kNoRow when hidden
    bool Expanded(Index item) const { return rows_.Expanded(item); }
    unsigned Depth(Index item) const { return rows_.Depth(item); }
    Index Selected() const { return selected_; }
    size_t SelectedRow();  // kNoRow when nothing is selected
    // Bytes held beyond the store: the rows shown and the open marks.
    size_t RowBytes() const { return rows_.Bytes(); }

    // --- Scrolling: the first row shown and the pixels scrolled sideways.
    size_t Top() const { return top_; }
    int HScroll() const { return hscroll_; }
    size_t PageRows() const;  // whole rows that fit, at least 1
    size_t MaxTop();
    int Extent() const { return extent_; }  // the widest row laid out so far
    int MaxHScroll() const { return extent_ > width_ ? extent_ - width_ : 0; }
    void ScrollToRow(size_t top);
    void ScrollToX(int x);
    void ScrollRows(long long delta);  // negative: up
    // Scrolls `row` into view, and its label sideways: the whole label when
    // it fits, else its start with the box.
    void EnsureVisible(size_t row);

    // --- Actions
    void SelectRow(size_t row);  // and scrolls it into view
    void Select(Index item);     // opens its ancestors first; kNone clears
    enum class Toggle { Expand, Collapse, Flip, ExpandAll };
    // Opens, closes or fully opens the item at `row`; a selection inside a
    // closed part moves up to the item closed.
    void ToggleRow(size_t row, Toggle how);
    void Key(TreeKey key);
    // A typed character (UTF-8) at time `nowMs`: selects the next row whose
    // label starts with the letters typed so far; repeating one letter
    // steps through the rows starting with it.
    void Type(std::string_view utf8, uint64_t nowMs);
    // A press of the left button; a double click opens or closes.
    void Click(int x, int y, bool doubleClick);
    // The wheel: `lines` rows towards the top (the wheel turned away from
    // the user), negative towards the end. The selection stays.
    void Wheel(long long lines) { ScrollRows(-lines); }

    TreeHit HitTest(int x, int y);

    // --- Layout of the rows in the window, top to bottom.
    const std::vector<TreeRowLayout>& Layout() const { return layout_; }
    const std::vector<TreeLine>& Lines() const { return lines_; }
    // The layout of one row in view, or null.
    const TreeRowLayout* RowLayout(size_t row) const;
    // Where the +/- box of `row` is (in view or not); false if it has none.
    bool BoxRect(size_t row, TreeRect* out);
    // Where the label's highlight of `row` is (in view or not); false for
    // no such row.
    bool LabelRect(size_t row, TreeRect* out);
    // The item ToggleRow last opened or closed (kNone before any), for the
    // backends' notices of an item's state.
    Index LastToggled() const { return lastToggled_; }

    // The changes among `which`; those are forgotten, the others kept.
    unsigned TakeChanges(unsigned which = ~0u) {
        const unsigned c = changes_ & which;
        changes_ &= ~which;
        return c;
    }

private:
    int LevelOf(Index item) const { return static_cast<int>(rows_.Depth(item)) + (style_.linesAtRoot ? 1 : 0); }
    int BoxCenterX(int level) const { return (level - 1) * metrics_.indent + metrics_.indent / 2 - hscroll_; }
    int LabelLeft(int level) const { return level * metrics_.indent + 2 - hscroll_; }
    int LabelWidth(Index item) const;
    TreeRect BoxAt(int level, int top) const;
    void KeyLeft(size_t row);
    void KeyRight(size_t row);
    // Marks the layout stale; it is laid out again at once, or, inside an
    // operation made of several steps (Batch), once when it ends.
    void Relayout();
    void LayOut();
    void LayRow(size_t row, int top);
    struct Batch {
        explicit Batch(TreeEngine& engine) : e(engine) { ++e.batch_; }
        ~Batch() {
            if (--e.batch_ == 0 && e.stale_) e.LayOut();
        }
        TreeEngine& e;
    };
    void Changed(unsigned what) { changes_ |= what; }

    TreeStore store_;
    TreeRows rows_{store_};
    TreeStyle style_;
    TreeMetrics metrics_;
    Measure measure_;
    int width_ = 0, height_ = 0;
    bool focused_ = false;
    bool pending_ = false;  // items appended since the last Flush

    size_t top_ = 0;
    int hscroll_ = 0;
    int extent_ = 0;
    Index selected_ = kNone;
    size_t selectedRow_ = 0;  // where the selection was last seen
    Index lastToggled_ = kNone;

    std::string typed_;
    uint64_t typedAt_ = 0;

    std::vector<TreeRowLayout> layout_;
    std::vector<TreeLine> lines_;
    int batch_ = 0;       // operations under way (Batch)
    bool stale_ = false;  // the layout waits for the outermost one to end
    unsigned changes_ = 0;
};
