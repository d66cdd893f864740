// The main dialog as a window of a Linux desktop: Qt's own texts in
// Chinese, where windows open and whom they belong to, the keys of the
// window frame, dropped files, the tree's lines and how it scrolls.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "byte_builder.h"
#include "dialog_driver.h"

namespace {

using namespace dialog_driver;

// Runs `check` on the first modal window that opens over the dialog, then
// closes it as its Cancel/OK button would.
void OnNextModal(QWidget* dialog, std::function<void(QWidget*)> check) {
    QTimer::singleShot(50, [dialog, check = std::move(check)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == dialog) return;
        check(modal);
        if (auto* box = qobject_cast<QDialog*>(modal)) box->reject();
    });
}

void Drop(QWidget* target, const QList<QUrl>& urls, const QString& text = {}) {
    QMimeData data;
    if (!urls.isEmpty()) data.setUrls(urls);
    if (!text.isEmpty()) data.setText(text);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

TEST_F(Fixture, TheFileDialogSpeaksChineseShowsTheFilterAsWrittenAndBelongsToTheDialog) {
    AfxSetFileDialogHandler({});  // the real dialog
    ProbeDlg dlg;
    QString title, filter, cancel;
    QWidget* owner = nullptr;
    QWidget* dialog = nullptr;
    QSize size;
    Run(dlg, [&](QWidget* w) {
        dialog = w;
        OnNextModal(w, [&](QWidget* modal) {
            auto* files = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(files, nullptr);
            owner = files->parentWidget();
            title = files->windowTitle();
            size = files->size();
            if (auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) filter = types->currentText();
            for (QPushButton* b : files->findChildren<QPushButton*>()) cancel += b->text() + u'|';
        });
        Click(w, IDC_BROWSE);
        EXPECT_EQ(FieldText(w), "C:\\WINDOWS\\clock.avi");  // cancelled: unchanged
    });
    EXPECT_EQ(owner, dialog) << "the file dialog belongs to the main dialog";
    EXPECT_EQ(title.toStdString(), "打开");
    EXPECT_EQ(filter.toStdString(), "RIFF文件(*.*)");
    EXPECT_TRUE(cancel.contains(QStringLiteral("取消"))) << cancel.toStdString();
    EXPECT_GE(size.width(), 600);
    // The Qt texts of other widgets are Chinese too (the path field's menu).
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Paste").toStdString(), "粘贴(&P)");
}

TEST_F(Fixture, MessageBoxesAndTheAboutBoxOpenCentredOverTheDialogWhichIsCentredOnTheScreen) {
    AfxSetMessageBoxHandler({});  // the real box
    ProbeDlg dlg;
    QWindow* transientFor = nullptr;
    QWindow* dialogWindow = nullptr;
    QPoint boxCentre, dialogCentre, screenCentre;
    Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        dialogWindow = w->windowHandle();
        dialogCentre = w->geometry().center();
        screenCentre = w->screen()->availableGeometry().center();
        OnNextModal(w, [&](QWidget* box) {
            ASSERT_NE(qobject_cast<QMessageBox*>(box), nullptr);
            transientFor = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
            boxCentre = box->geometry().center();
        });
        Click(w, IDC_ANALYZE);  // the default path is missing: a message box
    });
    EXPECT_EQ(transientFor, dialogWindow);
    EXPECT_LE((boxCentre - dialogCentre).manhattanLength(), 4);
    EXPECT_LE((dialogCentre - screenCentre).manhattanLength(), 4);
}

// A fixed dialog has no maximised or full-screen state, whoever asks for
// one: on Wayland a maximised fixed-size surface is a protocol error that
// ends the program, so there the window takes the size the compositor
// names and asks to be normal again at once.
TEST_F(Fixture, TheDialogAndItsMessageBoxesRefuseMaximiseAndFullScreen) {
    AfxSetMessageBoxHandler({});  // the real box
    ProbeDlg dlg;
    QSize size, boxSize;
    Qt::WindowStates states, boxStates;
    Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        size = w->size();
        const auto back = [&size, w] { return w->windowState() == Qt::WindowNoState && w->size() == size; };
        w->showMaximized();
        EXPECT_TRUE(QTest::qWaitFor(back, 3000));
        w->windowHandle()->setWindowStates(Qt::WindowFullScreen);
        EXPECT_TRUE(QTest::qWaitFor(back, 3000));
        states = w->windowState();
        EXPECT_EQ(w->size(), size);
        OnNextModal(w, [&](QWidget* box) {
            boxSize = box->size();
            box->showMaximized();
            EXPECT_TRUE(QTest::qWaitFor([&] { return box->windowState() == Qt::WindowNoState && box->size() == boxSize; }, 3000));
            boxStates = box->windowState();
            EXPECT_EQ(box->size(), boxSize);
        });
        Click(w, IDC_ANALYZE);  // the default path is missing: a message box
    });
    EXPECT_EQ(states, Qt::WindowNoState);
    EXPECT_FALSE(boxSize.isEmpty()) << "no message box came";
    EXPECT_EQ(boxStates, Qt::WindowNoState);
}

// Where the window system leaves the frame to the program (Wayland), the
// dialogs and boxes have no frame of the toolkit, which would offer
// maximise, but a caption of their own: the title, a close box, and the
// system menu on a right-click, as on Windows. Runs under a Wayland
// compositor only (the gui_wayland test).
TEST_F(Fixture, OnWaylandTheWindowsDrawTheirOwnCaptionWithOurSystemMenu) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) GTEST_SKIP() << "not on Wayland";
    AfxSetMessageBoxHandler({});
    std::vector<bool> menusByMouse;
    AfxSetMenuPopupHandler([&](const MenuPopupRequest& r) -> std::optional<UINT> {
        menusByMouse.push_back(r.byMouse);
        return std::nullopt;
    });
    ProbeDlg dlg;
    int captionHeight = 0, clientHeight = 0, widgetHeight = 0, fieldTop = 0;
    bool frameless = false, boxFrameless = false, boxHasCaption = false;
    QString captionName, title;
    Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        frameless = w->windowFlags().testFlag(Qt::FramelessWindowHint);
        auto* caption = w->findChild<QWidget*>(QStringLiteral("caption"));
        ASSERT_NE(caption, nullptr);
        captionHeight = caption->height();
        captionName = caption->accessibleName();
        title = w->windowTitle();
        EXPECT_EQ(caption->geometry().topLeft(), QPoint(0, 0));
        EXPECT_EQ(caption->width(), w->width());
        widgetHeight = w->height();
        fieldTop = Control(w, IDC_PATH)->y();
        CRect client;
        dlg.GetClientRect(&client);
        clientHeight = static_cast<int>(client.Height());
        QContextMenuEvent menu(QContextMenuEvent::Mouse, caption->rect().center(),
                               caption->mapToGlobal(caption->rect().center()));
        QApplication::sendEvent(caption, &menu);
        OnNextModal(w, [&](QWidget* box) {
            boxFrameless = box->windowFlags().testFlag(Qt::FramelessWindowHint);
            boxHasCaption = box->findChild<QWidget*>(QStringLiteral("caption")) != nullptr;
        });
        Click(w, IDC_ANALYZE);
    });
    AfxSetMenuPopupHandler({});
    EXPECT_TRUE(frameless);
    EXPECT_GT(captionHeight, 12);
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(captionName, title) << "the caption is named by the title";
    EXPECT_EQ(clientHeight, widgetHeight - captionHeight) << "the caption is not client area";
    EXPECT_GT(fieldTop, captionHeight) << "the controls sit below the caption";
    EXPECT_EQ(menusByMouse, std::vector<bool>{true});
    EXPECT_TRUE(boxFrameless);
    EXPECT_TRUE(boxHasCaption);
}

TEST_F(Fixture, FocusAndTheDefaultButtonShowFromTheStart) {
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_TRUE(w->testAttribute(Qt::WA_KeyboardFocusChange)) << "the focus frame is drawn at once";
        auto* exit = qobject_cast<QPushButton*>(Control(w, IDCANCEL));
        auto* analyse = qobject_cast<QPushButton*>(Control(w, IDC_ANALYZE));
        EXPECT_TRUE(exit->isDefault());  // focused, so Enter presses it and it looks so
        EXPECT_FALSE(analyse->isDefault());
        Tree(w)->setFocus();
        EXPECT_FALSE(exit->isDefault());  // no default push button in this template
        EXPECT_FALSE(analyse->isDefault());
    });
}

TEST_F(Fixture, FrameKeysOpenTheSystemMenuAndAltF4Closes) {
    std::vector<int> menus;
    AfxSetMenuPopupHandler([&](const MenuPopupRequest& r) -> std::optional<UINT> {
        menus.push_back(static_cast<int>(r.items.size()));
        return std::nullopt;
    });
    ProbeDlg dlg;
    const INT_PTR result = Run(dlg, [&](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(Control(w, IDCANCEL), Qt::Key_F10, Qt::ShiftModifier);
        QTest::keyClick(Tree(w), Qt::Key_Menu);
        QTest::keyClick(Control(w, IDC_PATH), Qt::Key_Space, Qt::AltModifier);
        QTest::keyClick(Control(w, IDC_PATH), Qt::Key_F4, Qt::AltModifier);
    });
    AfxSetMenuPopupHandler({});
    EXPECT_EQ(menus.size(), 3u);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(Fixture, ADroppedFileNamesThePathWithoutAnalysingAndOtherDropsAreRefused) {
    const std::string first = File("第一.avi", "x"), second = File("second.wav", "y");
    ProbeDlg dlg;
    std::vector<std::string> fields;
    Run(dlg, [&](QWidget* w) {
        const QUrl one = QUrl::fromLocalFile(QString::fromStdString(first));
        const QUrl two = QUrl::fromLocalFile(QString::fromStdString(second));
        Drop(Control(w, IDC_PATH), {one});
        fields.push_back(FieldText(w));
        Drop(Tree(w)->viewport(), {two});
        fields.push_back(FieldText(w));
        Drop(w, {one});
        fields.push_back(FieldText(w));
        Drop(Control(w, IDC_PATH), {one, two});                        // two files: no one file
        Drop(Control(w, IDC_PATH), {QUrl("https://example.org/a.avi")});  // not local
        Drop(Control(w, IDC_PATH), {}, QStringLiteral("text"));          // not a file
        fields.push_back(FieldText(w));
        EXPECT_TRUE(Items(w).empty()) << "a drop does not analyse";
    });
    EXPECT_EQ(fields, (std::vector<std::string>{first, second, first, first}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Fixture, LabelBytesAbove7FShowOneCharacterEach) {
    // Defect: bytes 0x80 to 0xFF were read as UTF-8 and all showed as U+FFFD.
    const std::string path = File("latin.wav", Form("WAVE", Leaf("\xA9" "cmt", 2).append(Leaf("\xFF\xFE" "ab", 2))).str());
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"RIFF_WAVE[24Bytes]", "  ©cmt[2Bytes]", "  ÿþab[2Bytes]"}));
    });
}

TEST_F(Fixture, ADeepItemSelectedComesIntoViewSideways) {
    Bytes body = Leaf("deep", 4);
    for (int level = 0; level < 60; ++level) body = Bytes::List("nest", body);
    const std::string path = File("deep.avi", Form("AVI ", body).str());
    ProbeDlg dlg;
    Run(dlg, [&](QWidget* w) {
        TypePath(w, path);
        Click(w, IDC_ANALYZE);
        QAbstractScrollArea* tree = Tree(w);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Home);
        QTest::keyClick(tree, Qt::Key_Asterisk);  // opens every level under the root
        QTest::keyClick(tree, Qt::Key_End);
        const TreeStore::Index deepest = Engine(w).Selected();
        ASSERT_NE(deepest, TreeStore::kNone);
        EXPECT_STREQ(Engine(w).Store().Text(deepest), "deep[4Bytes]");
        const QRect label = LabelRect(w, deepest);
        EXPECT_GT(tree->horizontalScrollBar()->value(), 0);
        EXPECT_GE(label.left(), 0);
        EXPECT_LE(label.left() + tree->fontMetrics().horizontalAdvance(QStringLiteral("deep[4Bytes]")),
                  tree->viewport()->width());
        QTest::keyClick(tree, Qt::Key_Home);
        EXPECT_EQ(tree->horizontalScrollBar()->value(), 0);
    });
}

}  // namespace
