// Drives a main dialog as a user does: typing into the path field, clicking
// its buttons, and reading the tree control's items back. Shared by the
// dialog tests of both programs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractScrollArea>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "afx_qt.h"
#include "afxdlgs.h"
#include "afxtest.h"
#include "programs.h"
#include "tree_engine.h"
#include "viewer_dlg.h"

namespace dialog_driver {

using namespace viewer;

// A program's dialog with its state open to the test; Tarnwick's unless
// another program is given.
class ProbeDlg : public CViewerDlg {
public:
    explicit ProbeDlg(const ViewerProgram& program = TarnwickProgram()) : CViewerDlg(program) {}
    using CViewerDlg::m_pFile;
    using CViewerDlg::m_pRoot;
    using CViewerDlg::m_strPath;
};

struct Fixture : ::testing::Test {
    std::vector<MessageBoxRequest> boxes;
    std::vector<bool> waitCursorOverBox;  // for each box: did the wait cursor show over it?
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<FileDialogRequest> fileRequests;
    QTemporaryDir dir;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        AfxSetMessageBoxHandler([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            const QCursor* cursor = QApplication::overrideCursor();
            waitCursorOverBox.push_back(cursor && cursor->shape() == Qt::WaitCursor);
            return IDOK;
        });
        AfxSetFileDialogHandler([this](const FileDialogRequest& r) -> std::optional<std::string> {
            fileRequests.push_back(r);
            if (fileAnswers.empty()) return std::nullopt;
            auto answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        AfxSetMessageBoxHandler({});
        AfxSetFileDialogHandler({});
        AfxSetDialogShownHandler({});
    }

    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = dir.filePath(QString::fromUtf8(name.c_str())).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs the dialog; `script` acts on it while it is on screen. A script
    // that leaves the dialog open has it ended with 99.
    INT_PTR Run(ProbeDlg& dlg, const std::function<void(QWidget*)>& script) {
        AfxSetDialogShownHandler([&](CDialog& d) {
            QWidget* w = AfxQtWidget(d.m_hWnd);
            script(w);
            if (w->isVisible()) d.EndDialog(99);
        });
        return dlg.DoModal();
    }
};

inline QWidget* Control(QWidget* dialog, int id) {
    return dialog->findChild<QWidget*>(QStringLiteral("ctl_%1").arg(id));
}

inline void Click(QWidget* dialog, int id) {
    auto* button = qobject_cast<QPushButton*>(Control(dialog, id));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void TypePath(QWidget* dialog, const std::string& text) {
    auto* edit = qobject_cast<QLineEdit*>(Control(dialog, IDC_PATH));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    // One key event per character, carrying the character as its text (a
    // character outside the BMP, such as an emoji, is one event of two units).
    const QString all = QString::fromUtf8(text.c_str());
    for (qsizetype i = 0; i < all.size(); ++i) {
        const qsizetype n = all[i].isHighSurrogate() && i + 1 < all.size() ? 2 : 1;
        const QString c = all.mid(i, n);
        i += n - 1;
        QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, c, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, c, Qt::NoModifier);
    }
}

inline std::string FieldText(QWidget* dialog) {
    return qobject_cast<QLineEdit*>(Control(dialog, IDC_PATH))->text().toStdString();
}

inline QAbstractScrollArea* Tree(QWidget* dialog) {
    return qobject_cast<QAbstractScrollArea*>(Control(dialog, IDC_TREE));
}
// The engine behind the dialog's tree: its items, rows and layout.
inline TreeEngine& Engine(QWidget* dialog) { return *AfxQtTreeEngine(Control(dialog, IDC_TREE)); }

// The tree's items in pre-order, two spaces per level.
inline void Collect(const TreeStore& store, TreeStore::Index parent, int depth, std::vector<std::string>& out) {
    for (TreeStore::Index i = store.FirstChild(parent); i != TreeStore::kNone; i = store.NextSibling(i)) {
        out.push_back(std::string(2 * depth, ' ') + store.Text(i));
        Collect(store, i, depth + 1, out);
    }
}
inline std::vector<std::string> Items(QWidget* dialog) {
    std::vector<std::string> out;
    Collect(Engine(dialog).Store(), TreeStore::kNone, 0, out);
    return out;
}
// The child at `row` of `parent` (kNone: the top level).
inline TreeStore::Index Child(QWidget* dialog, TreeStore::Index parent, uint32_t row) {
    return Engine(dialog).Store().ChildAt(parent, row);
}
// Where a shown item's label is, in the tree's viewport.
inline QRect LabelRect(QWidget* dialog, TreeStore::Index item) {
    TreeEngine& e = Engine(dialog);
    const TreeRowLayout* row = e.RowLayout(e.RowOf(item));
    if (!row) return {};
    return QRect(row->label.left, row->label.top, row->label.right - row->label.left, row->label.bottom - row->label.top);
}

inline std::string AppTitle() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString(); }

}  // namespace dialog_driver
