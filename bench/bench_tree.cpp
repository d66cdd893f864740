// The tree control with a view attached: a million items inserted one
// InsertItem call each in pre-order, as the dialog fills it after an
// analysis, then shown; and deleting them all. Prints the time and the
// bytes each item costs beyond its text.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <cstdio>

#include "afx_qt.h"
#include "afxcmn.h"

namespace {

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Inserts `items` items shaped like a large AVI file: a root, a header list
// with a few chunks, and a movie list holding `lists` lists of frame chunks.
// Returns the bytes of text inserted (with terminators).
size_t Fill(CTreeCtrl& tree, size_t items, size_t lists) {
    char text[48];
    size_t textBytes = 0;
    auto insert = [&](HTREEITEM parent, const char* label, long size) {
        const int n = std::snprintf(text, sizeof text, "%s[%ldBytes]", label, size);
        textBytes += static_cast<size_t>(n) + 1;
        return tree.InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, TVI_LAST);
    };
    HTREEITEM root = insert(nullptr, "RIFF_AVI ", 1234567890);
    HTREEITEM hdrl = insert(root, "LIST_hdrl", 8830);
    for (int i = 0; i < 6; ++i) insert(hdrl, "strh", 56);
    HTREEITEM movi = insert(root, "LIST_movi", 1200000000);
    size_t done = 9;
    const size_t perList = (items - done - lists) / lists;
    for (size_t l = 0; l < lists; ++l) {
        HTREEITEM rec = lists > 1 ? insert(movi, "LIST_rec ", 40000) : movi;
        if (lists > 1) ++done;
        const size_t count = l + 1 == lists ? items - done - 1 : perList;
        for (size_t i = 0; i < count; ++i) insert(rec, (i & 1) ? "01wb" : "00dc", static_cast<long>(1000 + i % 50000));
        done += count;
    }
    insert(root, "idx1", 16000000);
    return textBytes;
}

void BM_InsertItems(benchmark::State& state) {
    const size_t items = static_cast<size_t>(state.range(0));
    const size_t lists = static_cast<size_t>(state.range(1));
    double perItem = 0;
    double leftAfterDelete = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CTreeCtrl tree;
        tree.Create(WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, RECT{0, 0, 480, 640},
                    nullptr, 1000);
        QCoreApplication::processEvents();
        const size_t before = HeapInUse();
        state.ResumeTiming();

        const size_t textBytes = Fill(tree, items, lists);
        QCoreApplication::processEvents();  // the view takes the new items and lays out its first rows

        state.PauseTiming();
        if (tree.GetCount() != items) state.SkipWithError("item count differs");
        perItem = (static_cast<double>(HeapInUse() - before) - static_cast<double>(textBytes)) / static_cast<double>(items);
        tree.DeleteAllItems();
        QCoreApplication::processEvents();
        leftAfterDelete = static_cast<double>(HeapInUse()) - static_cast<double>(before);
        tree.DestroyWindow();
        state.ResumeTiming();
    }
    state.counters["items"] = static_cast<double>(items);
    state.counters["bytes_per_item_beyond_text"] = perItem;
    state.counters["heap_left_after_delete"] = leftAfterDelete;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
}
BENCHMARK(BM_InsertItems)->Args({1000000, 1})->Args({1000000, 1000})->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeleteAllItems(benchmark::State& state) {
    const size_t items = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CTreeCtrl tree;
        tree.Create(WS_VISIBLE, RECT{0, 0, 480, 640}, nullptr, 1000);
        Fill(tree, items, 1);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        state.PauseTiming();
        tree.DestroyWindow();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteAllItems)->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
