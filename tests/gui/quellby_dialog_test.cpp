// Quellby's main dialog: the same shell as Tarnwick's with its own caption,
// default path and analysis.
#include <gtest/gtest.h>

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

}  // namespace
