// Quellby's main dialog: the same shell as Tarnwick's with its own caption,
// default path and analysis.
#include <gtest/gtest.h>

#include <QColor>
#include <QHelpEvent>
#include <QToolTip>

#include "analysis.h"
#include "byte_builder.h"
#include "dialog_driver.h"
#include "viewer_dlg.h"
#include "viewer_version.h"

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
        EXPECT_EQ(w->windowTitle().toStdString(), "Quellby V" VIEWER_VERSION_SHORT_TEXT);
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
        QAbstractScrollArea* view = Tree(w);
        const TreeStore::Index top = Child(w, TreeStore::kNone, 0);
        const TreeStore::Index sgpd = Child(w, Child(w, top, 0), 0);
        const TreeStore::Index roll = Child(w, sgpd, 0), moov = Child(w, top, 1);
        EXPECT_EQ(AfxQtTreeItemColor(view, roll), QColor(0x80, 0x80, 0x80));
        EXPECT_EQ(AfxQtTreeItemColor(view, moov), QColor(0x8B, 0, 0));
        EXPECT_FALSE(AfxQtTreeItemColor(view, sgpd).isValid());
        // The tips as the pointer resting on each label shows them.
        Engine(w).Key(TreeKey::Home);
        Engine(w).Key(TreeKey::Multiply);
        const auto tip = [&](TreeStore::Index item) {
            const QPoint at = LabelRect(w, item).center();
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
            return help.isAccepted() ? QToolTip::text().toStdString() : std::string("(none)");
        };
        EXPECT_EQ(tip(roll),
                  "并非真实原子：上级原子的数据被误读为原子头\n偏移：0x00000010（16）\n声明大小：16777216 字节\n"
                  "头部：8 字节\n超出上级范围 16777198 字节\n文件在此节点结束前截断，缺少 16777174 字节");
        EXPECT_EQ(tip(sgpd),
                  "偏移：0x00000008（8）\n声明大小：26 字节\n头部：8 字节\n内容看似原子头，但并不吻合：是数据，不是子原子");
    });
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
