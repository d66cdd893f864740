// Tarnwick's dialog fed hostile paths and files: every failure shows its
// message and keeps the tree on screen; every odd file that does analyse
// shows its tree. Nothing may crash, block or leak.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis.h"
#include "byte_builder.h"
#include "dialog_driver.h"
#include "memory_budget.h"
#include "node_block_test_hooks.h"
#include "read_failure_test_hooks.h"
#include "riff_analysis.h"
#include "tree_store.h"

namespace {

using namespace dialog_driver;
using Items_t = std::vector<std::string>;


struct HostileDialog : Fixture {
    // A good file analysed first, so every failure can be seen to keep its tree.
    std::string good;
    const Items_t goodItems = {"RIFF_WAVE[22Bytes]", "  fmt [2Bytes]", "  data[0Bytes]"};
    void SetUp() override {
        Fixture::SetUp();
        good = File("good.wav", Form("WAVE", Bytes::Chunk("fmt ", Bytes().fill(2)).append(Bytes::Chunk("data", Bytes()))).str());
    }
    // Analyses `path` after the good file; returns the items then shown.
    Items_t AnalyseAfterGood(QWidget* w, const std::string& path) {
        TypePath(w, good);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), goodItems);
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        return Items(w);
    }
};

TEST_F(HostileDialog, PathsThatAreNotReadableFilesKeepTheOldTree) {
    const std::string fifo = dir.filePath("pipe").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = dir.filePath("dangling").toStdString();
    ASSERT_EQ(symlink("/nonexistent/target.avi", dangling.c_str()), 0);
    const std::string locked = File("locked.avi", Form("AVI ", Bytes()).str());
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    const std::string longPath = "/tmp/" + std::string(4091, 'x');  // 4,096 characters, names nothing

    const std::vector<std::string> paths = {dir.path().toStdString(), fifo, "/dev/zero", "/dev/urandom", dangling, locked,
                                            longPath};
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        for (const std::string& path : paths) EXPECT_EQ(AnalyseAfterGood(w, path), goodItems) << path;
        EXPECT_EQ(AnalyseAfterGood(w, ""), goodItems);
    });
    ASSERT_EQ(boxes.size(), paths.size() + 1);
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(boxes[i].text, ReasonText(Reason::kCannotOpen)) << paths[i];
    EXPECT_EQ(boxes.back().text, ReasonText(Reason::kEmptyPath));
    for (const MessageBoxRequest& box : boxes) EXPECT_EQ(box.caption, AppTitle());
}

TEST_F(HostileDialog, HostileFilesShowTheirTreesOrTheirMessages) {
    // Defect: 100,000 LISTs nested each in the one before; shown to depth 256.
    const int levels = 100000;
    Bytes nest;
    for (int i = 0; i < levels; ++i) nest.code("LIST").le32(static_cast<uint32_t>(levels - i) * 12 - 8).code("deep");
    const std::string deep = File("深层 вложение 🎞.avi", Form("AVI ", nest).str());
    // Defect: a chunk with a size whose top bit is set, and one running past its parent.
    const std::string streamed = File("streamed.wav", Bytes().code("RIFF").le32(0xFFFFFFFF).code("WAVE")
                                                          .append(Bytes::Chunk("fmt ", Bytes().fill(16)))
                                                          .code("data").le32(0xFFFFFFFF).fill(10).str());
    // Defect: too small, and not RIFF.
    const std::string tiny = File("tiny.avi", "RIFF\x04");
    const std::string text = File("text.avi", "this is plain text, not a RIFF file");

    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        const Items_t deepItems = AnalyseAfterGood(w, deep);
        ASSERT_EQ(deepItems.size(), 1u + riff::kMaxDepth);
        EXPECT_EQ(deepItems.back(), std::string(2 * riff::kMaxDepth, ' ') + "LIST_deep[" +
                                        std::to_string((levels - riff::kMaxDepth + 1) * 12 - 8) + "Bytes]");
        EXPECT_EQ(AnalyseAfterGood(w, streamed), (Items_t{"RIFF_WAVE[-1Bytes]", "  fmt [16Bytes]", "  data[-1Bytes]"}));
        EXPECT_EQ(AnalyseAfterGood(w, tiny), goodItems);
        EXPECT_EQ(AnalyseAfterGood(w, text), goodItems);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kTooSmall));
    EXPECT_EQ(boxes[1].text, ReasonText(Reason::kNotRiff));
}

TEST_F(HostileDialog, SixGibSparseFileIsShownWithItsTrueSizes) {
    const std::string path = File("big.avi", "");
    {
        std::ofstream f(path, std::ios::binary);
        f << Bytes().code("RIFF").le32(0xFFFFFFF0).code("AVI ").code("JUNK").le32(0xFFFFFFE4).str();
    }
    ASSERT_EQ(truncate(path.c_str(), 6LL << 30), 0);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        EXPECT_EQ(AnalyseAfterGood(w, path), (Items_t{"RIFF_AVI [4294967280Bytes]", "  JUNK[4294967268Bytes]"}));
    });
    EXPECT_TRUE(boxes.empty());
    unlink(path.c_str());
}

TEST_F(HostileDialog, RunningOutOfMemoryReportsAndKeepsTheOldTree) {
    // A LIST of 100,000 empty chunks needs a second block of nodes, which fails.
    Bytes movi;
    for (int i = 0; i < 100000; ++i) movi.code("00dc").le32(0);
    const std::string big = File("big.avi", Form("AVI ", Bytes::List("movi", movi)).str());
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, good);
        Click(w, IDC_ANALYZE);
        const ChunkNode* before = dlg.m_pRoot;
        SetBlockAllocationFailureForTesting(2);
        TypePath(w, big);
        Click(w, IDC_ANALYZE);
        SetBlockAllocationFailureForTesting(0);
        EXPECT_EQ(Items(w), goodItems);
        EXPECT_EQ(dlg.m_pRoot, before);
        EXPECT_EQ(LabelText(*dlg.m_pRoot), goodItems[0]);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kOutOfMemory));
}

// Tarnwick's dialog with its tree control open to the test.
class TreeProbeDlg : public ProbeDlg {
public:
    using ProbeDlg::m_tree;
};

// 100,000 empty chunks in LIST movi: 100,002 items, two record blocks of the
// tree store.
std::string BigAvi(HostileDialog& t) {
    Bytes movi;
    for (int i = 0; i < 100000; ++i) movi.code("00dc").le32(0);
    return t.File("big.avi", Form("AVI ", Bytes::List("movi", movi)).str());
}

TEST_F(HostileDialog, TreeItemsThatDoNotFitKeepTheOldTree) {
    // Defect: the tree store cannot get memory for more than 70,000 items,
    // and the new tree needs 100,002: an item per node or none at all.
    // Then a budget the nodes fit into but the nodes and items do not.
    const std::string big = BigAvi(*this);
    TreeProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, good);
        Click(w, IDC_ANALYZE);
        const ChunkNode* before = dlg.m_pRoot;
        TreeStore::SetCapacityLimitForTesting(70000);
        TypePath(w, big);
        Click(w, IDC_ANALYZE);
        TreeStore::SetCapacityLimitForTesting(0);
        EXPECT_EQ(Items(w), goodItems);
        EXPECT_EQ(dlg.m_pRoot, before);

        SetMemoryBudget(8 << 20);  // the nodes take under 6 MiB, their items 4.5 MiB more
        Click(w, IDC_ANALYZE);
        SetMemoryBudget(0);
        EXPECT_EQ(Items(w), goodItems);
        EXPECT_EQ(dlg.m_pRoot, before);

        Click(w, IDC_ANALYZE);
        EXPECT_EQ(dlg.m_tree.GetCount(), 100002u);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kOutOfMemory));
    EXPECT_EQ(boxes[1].text, ReasonText(Reason::kOutOfMemory));
}

TEST_F(HostileDialog, TheShownTreeCountsAgainstTheBudgetOfTheNextAndOpeningTakesNothing) {
    // Defect: the budget held one analysis, not the dialog: a tree shown
    // beside a new one of the same size passed it unseen. 100,002 items
    // take about 12 MiB with their nodes; two do not fit into 16 MiB.
    const std::string big = BigAvi(*this);
    TreeProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        SetMemoryBudget(16 << 20);
        TypePath(w, big);
        Click(w, IDC_ANALYZE);
        ASSERT_EQ(dlg.m_tree.GetCount(), 100002u);
        const ChunkNode* shown = dlg.m_pRoot;
        // Opening every level takes no memory beyond the room made for the rows.
        TreeEngine& tree = Engine(w);
        const size_t rowBytes = tree.RowBytes();
        tree.Key(TreeKey::Home);
        tree.Key(TreeKey::Multiply);
        EXPECT_EQ(tree.RowCount(), 100002u);
        EXPECT_EQ(tree.RowBytes(), rowBytes);

        Click(w, IDC_ANALYZE);  // the same file again, beside itself
        EXPECT_EQ(dlg.m_pRoot, shown);
        EXPECT_EQ(dlg.m_tree.GetCount(), 100002u);
        SetMemoryBudget(32 << 20);
        Click(w, IDC_ANALYZE);
        EXPECT_NE(dlg.m_pRoot, shown);
        SetMemoryBudget(0);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kOutOfMemory));
}

TEST_F(HostileDialog, ReadErrorShowsThePartialTreeThenSaysSo) {
    // Defect: the file system fails every read from 64 KiB on.
    const std::string big = BigAvi(*this);
    TreeProbeDlg dlg;
    std::vector<UINT> itemsWhenTold;
    AfxSetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        itemsWhenTold.push_back(dlg.m_tree.GetCount());
        return IDOK;
    });
    Run(dlg, [&](QWidget* w) {
        SetReadFailureForTesting(65536, EIO);
        TypePath(w, big);
        Click(w, IDC_ANALYZE);
        SetReadFailureForTesting(-1, 0);
        const Items_t items = Items(w);
        ASSERT_EQ(items.size(), 2u + (65536 - 24) / 8);  // RIFF, movi, the chunks read whole
        EXPECT_EQ(items[1], "  LIST_movi[800004Bytes]");
        EXPECT_EQ(items.back(), "    00dc[0Bytes]");
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kReadError));
    EXPECT_EQ(boxes[0].text, "文件读取出错，无法读到结尾！");
    EXPECT_EQ(itemsWhenTold, std::vector<UINT>{2u + (65536 - 24) / 8});  // the tree was in before the box
}

TEST_F(HostileDialog, AHeaderThatCannotBeReadIsAReadErrorAndKeepsTheOldTree) {
    // Defect: the file system fails inside the 12-byte RIFF header.
    const std::string wave = File("wave.wav", Form("WAVE", Bytes::Chunk("data", Bytes().fill(4))).str());
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, good);
        Click(w, IDC_ANALYZE);
        SetReadFailureForTesting(6, EIO);
        TypePath(w, wave);
        Click(w, IDC_ANALYZE);
        SetReadFailureForTesting(-1, 0);
        EXPECT_EQ(Items(w), goodItems);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kReadError));
}

}  // namespace
