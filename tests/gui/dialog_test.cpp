// Tarnwick's main dialog driven as a user drives it: typing into the path
// field, clicking its buttons, pressing keys, and reading the tree back.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QAbstractScrollArea>
#include <deque>
#include <fstream>
#include <functional>

#include "afx_qt.h"
#include "afxdlgs.h"
#include "afxtest.h"
#include "analysis.h"
#include "dlgtemplate.h"
#include "byte_builder.h"
#include "sample_files.h"
#include "viewer_app.h"
#include "viewer_dlg.h"
#include "dialog_driver.h"
#include "viewer_version.h"

namespace {

using namespace dialog_driver;

Bytes Text(std::string_view text) { return Bytes().code(text); }
std::string Riff(std::string_view form, const Bytes& body) { return Form(form, body).str(); }

const std::string kWave =
    Riff("WAVE", Bytes::Chunk("fmt ", Bytes().fill(16, 0x01))
                     .append(Bytes::List("INFO", Bytes::Chunk("INAM", Text("name")).append(Bytes::Chunk("ICMT", Text("note")))))
                     .append(Bytes::Chunk("data", Bytes().fill(8))));
const std::vector<std::string> kWaveItems = {"RIFF_WAVE[80Bytes]", "  fmt [16Bytes]",  "  LIST_INFO[28Bytes]",
                                             "    INAM[4Bytes]",   "    ICMT[4Bytes]", "  data[8Bytes]"};


TEST_F(Fixture, AnalyseAtStartOnTheMissingDefaultPathReportsAndShowsNothing) {
    ProbeDlg dlg;
    EXPECT_EQ(dlg.m_pRoot, nullptr);
    EXPECT_EQ(dlg.m_pFile, nullptr);
    Run(dlg, [&](QWidget* w) {
        EXPECT_EQ(FieldText(w), "C:\\WINDOWS\\clock.avi");
        Click(w, IDC_ANALYZE);
        EXPECT_TRUE(Items(w).empty());
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kCannotOpen));
    EXPECT_EQ(boxes[0].caption, AppTitle());
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_EQ(boxes[0].helpId, 0u);
    EXPECT_EQ(dlg.m_pRoot, nullptr);
}

TEST_F(Fixture, EmptyPathIsReported) {
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, "");
        Click(w, IDC_ANALYZE);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kEmptyPath));
}

TEST_F(Fixture, AnalysisShowsTheTreeCollapsedWithRoomForUnderscores) {
    const std::string path = File("sound.wav", kWave);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), kWaveItems);
        TreeEngine& tree = Engine(w);
        const TreeStore::Index root = Child(w, TreeStore::kNone, 0);
        EXPECT_FALSE(tree.Expanded(root));
        EXPECT_FALSE(tree.Expanded(Child(w, root, 1)));
        EXPECT_EQ(tree.RowCount(), 1u);
        EXPECT_GE(LabelRect(w, root).height(), Tree(w)->fontMetrics().height() + 2);
        EXPECT_EQ(FieldText(w), path);  // not written back
    });
    EXPECT_TRUE(boxes.empty());
    ASSERT_NE(dlg.m_pRoot, nullptr);
    EXPECT_EQ(LabelText(*dlg.m_pRoot), "RIFF_WAVE[80Bytes]");
    EXPECT_EQ(dlg.m_pFile, nullptr);
}

// A WAVE cut short: data declares 1000 bytes, 100 are there.
const std::string kCutWave = Bytes().code("RIFF").le32(1036).code("WAVE")
                                 .append(Bytes::Chunk("fmt ", Bytes().fill(16)))
                                 .code("data").le32(1000).fill(100).str();

TEST_F(Fixture, HoveringAnItemTellsWhatItIsAndAnomaliesAreDarkRed) {
    const std::string path = File("cut.wav", kCutWave);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        QAbstractScrollArea* view = Tree(w);
        TreeEngine& tree = Engine(w);
        const TreeStore::Index root = Child(w, TreeStore::kNone, 0);
        tree.ToggleRow(0, TreeEngine::Toggle::Expand);
        const TreeStore::Index fmt = Child(w, root, 0), data = Child(w, root, 1);
        EXPECT_EQ(AfxQtTreeItemColor(view, data), QColor(0x8B, 0, 0));
        EXPECT_EQ(AfxQtTreeItemColor(view, root), QColor(0x8B, 0, 0));
        EXPECT_FALSE(AfxQtTreeItemColor(view, fmt).isValid());  // the control's own colour
        // Painted in it, too.
        const QImage shot = view->viewport()->grab().toImage();
        const QRect dataLabel = LabelRect(w, data);
        bool red = false;
        for (int x = dataLabel.left(); x < dataLabel.right() && !red; ++x)
            for (int y = dataLabel.top(); y < dataLabel.bottom() && !red; ++y)
                red = shot.pixelColor(x, y).red() > 0x60 && shot.pixelColor(x, y).green() < 0x30;  // glyphs blend
        EXPECT_TRUE(red);

        // The pointer resting on a label shows its tip; beside it, none.
        const auto hover = [&](QPoint at) {
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
            return help.isAccepted() ? QToolTip::text().toStdString() : std::string("(none)");
        };
        EXPECT_EQ(hover(dataLabel.center()),
                  "偏移：0x00000024（36）\n声明大小：1000 字节\n头部：8 字节\n"
                  "文件在此节点结束前截断，缺少 900 字节");
        // The format's fields follow (all zero in this file); the cut data
        // has no duration, as its format gives no byte rate.
        EXPECT_EQ(hover(LabelRect(w, fmt).center()),
                  "偏移：0x0000000C（12）\n声明大小：16 字节\n头部：8 字节\n"
                  "wFormatTag：0x0000\nnChannels：0\nnSamplesPerSec：0 Hz\nnAvgBytesPerSec：0 字节/秒\n"
                  "nBlockAlign：0 字节\nwBitsPerSample：0");
        EXPECT_EQ(hover(QPoint(dataLabel.right() + 20, dataLabel.center().y())), "(none)");
        QToolTip::hideText();
    });
    EXPECT_TRUE(boxes.empty());
}

// A tip tells what a well-known chunk holds, read from the file when it is
// asked for; once the file has changed it says so instead.
TEST_F(Fixture, TheTipShowsTheStreamHeaderFieldsUntilTheFileChanges) {
    const std::string path = File("sample.avi", SampleAvi().str());
    ProbeDlg dlg;
    std::string before, after;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        QAbstractScrollArea* view = Tree(w);
        TreeEngine& tree = Engine(w);
        tree.ToggleRow(0, TreeEngine::Toggle::Expand);
        const TreeStore::Index hdrl = Child(w, Child(w, TreeStore::kNone, 0), 0);
        tree.ToggleRow(1, TreeEngine::Toggle::Expand);
        const TreeStore::Index strl = Child(w, hdrl, 1);
        tree.ToggleRow(3, TreeEngine::Toggle::Expand);
        const TreeStore::Index strh = Child(w, strl, 0);
        const auto hover = [&](TreeStore::Index item) {
            const QPoint at = LabelRect(w, item).center();
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
            return QToolTip::text().toStdString();
        };
        before = hover(strh);
        QToolTip::hideText();
        std::ofstream(path, std::ios::binary | std::ios::app) << "more";
        after = hover(strh);
        QToolTip::hideText();
    });
    EXPECT_NE(before.find("\nfccType：vids\nfccHandler：MJPG\n"), std::string::npos) << before;
    EXPECT_NE(before.find("\ndwRate/dwScale：25 帧/秒\n"), std::string::npos) << before;
    EXPECT_NE(before.find("\ndwLength*dwScale/dwRate：00:00:00.320\n"), std::string::npos) << before;
    EXPECT_EQ(after, "偏移：0x00000064（100）\n声明大小：56 字节\n头部：8 字节\n文件在分析之后已改变，不显示字段");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, AScreenReaderHearsNamesLevelsStatesAndHintsAndDarkSchemesKeepContrast) {
    // Defects: the field had no name, the browse button read "...", the
    // tree had none, leaves reported "expanded", no level, and a damaged
    // item could only be seen (dark red), not heard, nor read on black.
    const std::string path = File("cut.wav", kCutWave);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        const auto name = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).toStdString();
        };
        EXPECT_EQ(name(Control(w, IDC_PATH)), "打开文件：");
        EXPECT_EQ(name(Control(w, IDC_BROWSE)), "浏览");
        EXPECT_EQ(qobject_cast<QPushButton*>(Control(w, IDC_BROWSE))->text().toStdString(), "...");
        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(Tree(w));
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->role(), QAccessible::Tree);
        EXPECT_EQ(name(Tree(w)), "文件结构");
        ASSERT_EQ(tree->childCount(), 1);
        QAccessibleInterface* root = tree->child(0);
        EXPECT_EQ(root->text(QAccessible::Name).toStdString(), "RIFF_WAVE[1036Bytes]");
        EXPECT_EQ(root->text(QAccessible::Value).toStdString(), "0");
        EXPECT_TRUE(root->state().expandable && root->state().collapsed && !root->state().expanded);

        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        Tree(w)->setFocus();
        QTest::keyClick(Tree(w), Qt::Key_Home);
        QTest::keyClick(Tree(w), Qt::Key_Plus);
        EXPECT_TRUE(root->state().expanded && !root->state().collapsed);
        EXPECT_TRUE(root->state().selected && root->state().focused);
        EXPECT_EQ(tree->focusChild(), root);
        ASSERT_EQ(tree->childCount(), 3);
        QAccessibleInterface* data = tree->child(2);
        EXPECT_EQ(data->text(QAccessible::Name).toStdString(), "data[1000Bytes]");
        EXPECT_EQ(data->text(QAccessible::Value).toStdString(), "1");
        const QAccessible::State leaf = data->state();
        EXPECT_FALSE(leaf.expandable || leaf.expanded || leaf.collapsed);
        EXPECT_FALSE(leaf.selected);
        EXPECT_EQ(data->text(QAccessible::Description).toStdString(),
                  "偏移：0x00000024（36）\n声明大小：1000 字节\n头部：8 字节\n"
                  "文件在此节点结束前截断，缺少 900 字节");
        EXPECT_EQ(tree->indexOfChild(data), 2);

        // On a black window the anomaly red turns light enough to read.
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Base, Qt::black);
        dark.setColor(QPalette::Text, Qt::white);
        QApplication::setPalette(dark);
        const TreeStore::Index dataItem = Child(w, Child(w, TreeStore::kNone, 0), 1);
        EXPECT_EQ(AfxQtTreeItemColor(Tree(w), dataItem), QColor(0xFF, 0x70, 0x70));
        QApplication::setPalette(light);
        EXPECT_EQ(AfxQtTreeItemColor(Tree(w), dataItem), QColor(0x8B, 0, 0));
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, FurtherTopLevelChunksFollowTheRootAndUnicodeNamesOpen) {
    const std::string avi = Riff("AVI ", Bytes::List("hdrl", Bytes::Chunk("avih", Text("aaaa")))) +
                            Riff("AVIX", Bytes::List("movi", Bytes::Chunk("00dc", Text("abcd"))));
    const std::string path = File("影片_1.avi", avi);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        const std::vector<std::string> expected = {"RIFF_AVI [28Bytes]", "  LIST_hdrl[16Bytes]", "    avih[4Bytes]",
                                                   "RIFF_AVIX[28Bytes]", "  LIST_movi[16Bytes]", "    00dc[4Bytes]"};
        EXPECT_EQ(Items(w), expected);
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, BrowseThenCancelChangesNeitherFieldNorTree) {
    const std::string path = File("a.wav", kWave);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        TypePath(w, "typed but not analysed");
        Click(w, IDC_BROWSE);
        EXPECT_EQ(FieldText(w), "typed but not analysed");
        EXPECT_EQ(Items(w), kWaveItems);
    });
    ASSERT_EQ(fileRequests.size(), 1u);
    const FileDialogRequest& r = fileRequests[0];
    EXPECT_TRUE(r.openFileDialog);
    EXPECT_EQ(r.defaultExt, "*.*");
    EXPECT_EQ(r.fileName, "");
    EXPECT_EQ(r.filter, "RIFF文件(*.*)|*.*||");
    EXPECT_EQ(r.flags, DWORD{OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, BrowseThenChooseFillsTheFieldAndEmptiesTheTree) {
    const std::string first = File("first.wav", kWave);
    const std::string second = File("second.wav", Riff("WAVE", Bytes::Chunk("data", Text("xy"))));
    fileAnswers.push_back(second);
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, first);
        Click(w, IDC_ANALYZE);
        ASSERT_EQ(Items(w), kWaveItems);
        Click(w, IDC_BROWSE);
        EXPECT_EQ(FieldText(w), second);
        EXPECT_TRUE(Items(w).empty());
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"RIFF_WAVE[14Bytes]", "  data[2Bytes]"}));
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, FailedAnalysisKeepsTheOldTreeAndASecondOneReplacesIt) {
    const std::string good = File("good.wav", kWave);
    const std::string notRiff = File("text.txt", "This is not a RIFF file at all");
    const std::string other = File("other.avi", Riff("AVI ", Bytes::Chunk("JUNK", Text("1234"))));
    ProbeDlg dlg;
    const ChunkNode* firstRoot = nullptr;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, good);
        Click(w, IDC_ANALYZE);
        firstRoot = dlg.m_pRoot;
        TypePath(w, notRiff);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), kWaveItems);
        EXPECT_EQ(dlg.m_pRoot, firstRoot);
        TypePath(w, other);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"RIFF_AVI [16Bytes]", "  JUNK[4Bytes]"}));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor goes with the analysis";
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReasonText(Reason::kNotRiff));
    EXPECT_EQ(waitCursorOverBox, std::vector<bool>{false});
    ASSERT_NE(dlg.m_pRoot, nullptr);
    EXPECT_EQ(LabelText(*dlg.m_pRoot), "RIFF_AVI [16Bytes]");
}

TEST_F(Fixture, FocusStartsOnExitAndTabFollowsTheTemplate) {
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_EQ(QApplication::focusWidget(), Control(w, IDCANCEL));
        for (int id : {IDC_TREE, IDC_ANALYZE, IDC_PATH, IDC_BROWSE, IDCANCEL}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), Control(w, id)) << "after Tab, expected control " << id;
        }
    });
}

TEST_F(Fixture, EnterInThePathFieldEndsTheDialogWithOk) {
    ProbeDlg dlg;
    const INT_PTR result = Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        TypePath(w, "typed");
        QTest::keyClick(Control(w, IDC_PATH), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_strPath.str(), "typed");  // OnOK reads the controls
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, EnterAtStartEscAndTheCloseBoxEndWithCancel) {
    {
        ProbeDlg dlg;
        EXPECT_EQ(Run(dlg,
                      [&](QWidget* w) {
                          ASSERT_TRUE(QTest::qWaitForWindowActive(w));
                          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // presses 退出
                      }),
                  IDCANCEL);
    }
    {
        ProbeDlg dlg;
        EXPECT_EQ(Run(dlg, [&](QWidget* w) { QTest::keyClick(Control(w, IDC_PATH), Qt::Key_Escape); }), IDCANCEL);
    }
    {
        ProbeDlg dlg;
        EXPECT_EQ(Run(dlg, [&](QWidget* w) { w->close(); }), IDCANCEL);
    }
    {
        ProbeDlg dlg;
        EXPECT_EQ(Run(dlg, [&](QWidget* w) { Click(w, IDCANCEL); }), IDCANCEL);
    }
}

TEST_F(Fixture, TheProgramEndsWhenTheDialogEnds) {
    AfxSetDialogShownHandler([](CDialog& d) { d.EndDialog(IDOK); });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST_F(Fixture, DialogIsLaidOutFromTheTemplateInDialogUnits) {
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle().toStdString(), "Tarnwick V" VIEWER_VERSION_SHORT_TEXT);
        EXPECT_TRUE(QFontInfo(w->font()).family().contains(QStringLiteral("UMing")))
            << QFontInfo(w->font()).family().toStdString();
        const QFontMetrics fm(w->font());
        const DialogBaseUnits base = BaseUnitsFromFont(
            fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")), fm.height());
        const PixelRect size = DialogUnitsToPixels(0, 0, 251, 335, base);
        EXPECT_EQ(w->size(), QSize(size.width, size.height));
        const DlgTemplate* t = AfxFindDialogTemplate(IDD_VIEWER_DIALOG);
        ASSERT_NE(t, nullptr);
        for (size_t i = 0; i < t->itemCount; ++i) {
            const DlgItemTemplate& item = t->items[i];
            if (item.id == -1) continue;
            const PixelRect r = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy, base);
            EXPECT_EQ(Control(w, item.id)->geometry(), QRect(r.x, r.y, r.width, r.height)) << "control " << item.id;
        }
        auto* label = w->findChild<QLabel*>(QStringLiteral("ctl_-1"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().toStdString(), "打开文件：");
        EXPECT_EQ(qobject_cast<QPushButton*>(Control(w, IDC_ANALYZE))->text().toStdString(), "分析");
    });
}

}  // namespace
