// Quellby's main dialog: the same shell as Tarnwick's with its own caption,
// default path and analysis.
#include <gtest/gtest.h>

#include <QColor>
#include <QTreeView>

#include "analysis.h"
#include "byte_builder.h"
#include "dialog_driver.h"
#include "viewer_dlg.h"

namespace {

using namespace dialog_driver;

// Quellby's dialog, with Quellby's resources chosen as its application does.
struct QuellbyDialog : Fixture {
    void SetUp() override {
        Fixture::SetUp();
        AfxSetResourceHandle(QuellbyProgram().resources);
    }
    void TearDown() override {
        AfxSetResourceHandle(TarnwickProgram().resources);
        Fixture::TearDown();
    }
};

TEST_F(QuellbyDialog, QuellbyStartsWithItsCaptionAndDefaultPath) {
    ProbeDlg dlg(QuellbyProgram());
    Run(dlg, [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle().toStdString(), "Quellby V1.0");
        EXPECT_EQ(FieldText(w), "d:\\test\\demo.3g2");
        Click(w, IDC_ANALYZE);  // the default path does not exist here
        EXPECT_TRUE(Items(w).empty());
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kCannotOpen));
    EXPECT_EQ(boxes[0].caption, AppTitle());
}

TEST_F(QuellbyDialog, QuellbyShowsTheAtomTreeUnderTop) {
    const Bytes mp4 = A("ftyp", Bytes().code("isom").be32(0))
                          .append(A("moov", A("mvhd", Bytes().fill(100)).append(A("trak", A("tkhd", Bytes().fill(84))))))
                          .append(A("mdat", Bytes().fill(5)));
    const std::string path = File("电影.mp4", mp4.str());
    const std::string empty = File("empty.3g2", "");
    ProbeDlg dlg(QuellbyProgram());
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"TOP[245Bytes]", "  ftyp[16Bytes]", "  moov[216Bytes]",
                                                      "    mvhd[108Bytes]", "    trak[100Bytes]", "      tkhd[92Bytes]",
                                                      "  mdat[13Bytes]"}));
        // Any file that opens succeeds, an empty one too; a directory does not open.
        TypePath(w, empty);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), std::vector<std::string>{"TOP[0Bytes]"});
        TypePath(w, dir.path().toStdString());
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), std::vector<std::string>{"TOP[0Bytes]"});
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kCannotOpen));
    ASSERT_NE(dlg.m_pRoot, nullptr);
    EXPECT_EQ(LabelText(*dlg.m_pRoot), "TOP[0Bytes]");
}

TEST_F(QuellbyDialog, PhantomsAreGreyAndSaySoWhileDamageStaysDarkRed) {
    // An AAC track's sample group, whose grouping type "roll" passes for an
    // atom of 16 MiB (a phantom), then a moov cut short (damage, shown
    // without children).
    const Bytes mp4 = A("stbl", A("sgpd", Bytes().be32(0x01000000).code("roll").be32(2).be32(1).le16(0xFFFF)))
                          .be32(200).code("moov").append(A("mvhd", Bytes().fill(8)));
    const std::string path = File("aac.mp4", mp4.str());
    ProbeDlg dlg(QuellbyProgram());
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"TOP[58Bytes]", "  stbl[34Bytes]", "    sgpd[26Bytes]",
                                                      "      roll[16777216Bytes]", "  moov[200Bytes]"}));
        QTreeView* view = Tree(w);
        const QModelIndex top = view->model()->index(0, 0);
        const QModelIndex sgpd = view->model()->index(0, 0, view->model()->index(0, 0, top));
        const QModelIndex roll = view->model()->index(0, 0, sgpd), moov = view->model()->index(1, 0, top);
        view->expandAll();
        view->grab();  // a painting asks for the colours
        EXPECT_EQ(roll.data(Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0x80, 0x80));
        EXPECT_EQ(moov.data(Qt::ForegroundRole).value<QColor>(), QColor(0x8B, 0, 0));
        EXPECT_FALSE(sgpd.data(Qt::ForegroundRole).isValid());
        EXPECT_EQ(roll.data(Qt::ToolTipRole).toString().toStdString(),
                  "并非真实原子：上级原子的数据被误读为原子头\n偏移：0x00000010（16）\n声明大小：16777216 字节\n"
                  "头部：8 字节\n超出上级范围 16777198 字节\n文件在此节点结束前截断，缺少 16777174 字节");
        EXPECT_EQ(sgpd.data(Qt::ToolTipRole).toString().toStdString(),
                  "偏移：0x00000008（8）\n声明大小：26 字节\n头部：8 字节\n内容看似原子头，但并不吻合：是数据，不是子原子");
    });
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
