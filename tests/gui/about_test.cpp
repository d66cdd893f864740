// The system menu of the main dialog, the About box it opens, the icon and
// the version information, as Tarnwick carries them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "about_dlg.h"
#include "afx_qt.h"
#include "afxtest.h"
#include "dialog_driver.h"
#include "dib.h"
#include "dlgtemplate.h"
#include "viewer_dlg.h"
#include "viewer_version.h"

namespace {

using namespace dialog_driver;

using Items = std::vector<MenuPopupRequest::Item>;

struct SystemMenu : Fixture {
    std::vector<MenuPopupRequest> popups;
    std::optional<UINT> answer;  // what the user picks from the menu
    int aboutShown = 0;
    std::function<void(CDialog&)> onAbout = [](CDialog& d) { d.EndDialog(IDOK); };

    void SetUp() override {
        Fixture::SetUp();
        AfxSetMenuPopupHandler([this](const MenuPopupRequest& r) {
            popups.push_back(r);
            return answer;
        });
    }
    void TearDown() override {
        AfxSetMenuPopupHandler({});
        Fixture::TearDown();
    }

    // Runs the main dialog with `script`; an About box that opens meanwhile
    // is counted and given to onAbout.
    INT_PTR RunMain(ProbeDlg& dlg, const std::function<void(QWidget*)>& script) {
        AfxSetDialogShownHandler([&](CDialog& d) {
            if (d.GetTemplateId() == IDD_ABOUTBOX) {
                ++aboutShown;
                onAbout(d);
                return;
            }
            QWidget* w = AfxQtWidget(d.m_hWnd);
            script(w);
            if (w->isVisible()) d.EndDialog(99);
        });
        return dlg.DoModal();
    }
};

TEST_F(SystemMenu, EndsWithSeparatorAndTheAboutEntryAfterClose) {
    ProbeDlg dlg;
    RunMain(dlg, [&](QWidget*) {
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->GetMenuItemCount(), 3);
        EXPECT_EQ(menu->GetMenuItemID(0), SC_CLOSE);
        EXPECT_EQ(menu->GetMenuState(1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
        EXPECT_EQ(menu->GetMenuItemID(2), UINT{IDM_ABOUTBOX});
        CString text;
        EXPECT_GT(menu->GetMenuString(IDM_ABOUTBOX, text, MF_BYCOMMAND), 0);
        EXPECT_EQ(text, "关于 Tarnwick(&A)...");
        EXPECT_EQ(CMenu::FromHandle(menu->GetSafeHmenu()), menu);
        // Reverting drops what the program appended.
        EXPECT_EQ(dlg.GetSystemMenu(TRUE), nullptr);
        EXPECT_EQ(menu->GetMenuItemCount(), 1);
    });
}

TEST_F(SystemMenu, AltSpaceAndARightClickOnTheBackgroundOpenIt) {
    ProbeDlg dlg;
    RunMain(dlg, [&](QWidget* w) {
        // Alt+Space from the path field (which would otherwise take the space) and from the dialog.
        Control(w, IDC_PATH)->setFocus();
        QTest::keyClick(Control(w, IDC_PATH), Qt::Key_Space, Qt::AltModifier);
        ASSERT_EQ(popups.size(), 1u);
        EXPECT_FALSE(popups[0].byMouse);
        EXPECT_EQ((QPoint(popups[0].x, popups[0].y)), w->mapToGlobal(QPoint(0, 0)));
        EXPECT_EQ(FieldText(w), "C:\\WINDOWS\\clock.avi");
        QTest::keyClick(w, Qt::Key_Space, Qt::AltModifier);
        ASSERT_EQ(popups.size(), 2u);

        // A right-click on a control is the control's; on the background it is the menu's.
        // (A right-click reaches a widget as a context-menu event; the
        // offscreen platform does not make one from a mouse click.)
        auto rightClick = [](QWidget* target, QPoint pos) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
            QApplication::sendEvent(target, &event);
        };
        rightClick(Control(w, IDC_ANALYZE), QPoint(3, 3));  // a button passes it on to the dialog
        rightClick(Control(w, IDC_PATH), QPoint(3, 3));
        rightClick(Control(w, -1), QPoint(3, 3));  // the prompt
        EXPECT_EQ(popups.size(), 2u);
        const QPoint background(w->width() - 5, 5);
        ASSERT_EQ(w->childAt(background), nullptr);
        rightClick(w, background);
        ASSERT_EQ(popups.size(), 3u);
        EXPECT_TRUE(popups[2].byMouse);
        EXPECT_EQ((QPoint(popups[2].x, popups[2].y)), w->mapToGlobal(background));

        const Items& items = popups[2].items;
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(items[0].id, SC_CLOSE);
        EXPECT_EQ(items[1].flags & MF_SEPARATOR, MF_SEPARATOR);
        EXPECT_EQ(items[2].text, "关于 Tarnwick(&A)...");
    });
    EXPECT_EQ(boxes.size(), 0u);
    EXPECT_EQ(aboutShown, 0) << "dismissing the menu chooses nothing";
}

TEST_F(SystemMenu, ChoosingAboutOpensTheAboutBoxAndCloseEndsTheDialog) {
    ProbeDlg dlg;
    answer = IDM_ABOUTBOX;
    const INT_PTR result = RunMain(dlg, [&](QWidget* w) {
        QTest::keyClick(w, Qt::Key_Space, Qt::AltModifier);
        EXPECT_EQ(aboutShown, 1);
        EXPECT_TRUE(w->isVisible()) << "the main dialog stays after the About box";
        answer = SC_CLOSE;
        QTest::keyClick(w, Qt::Key_Space, Qt::AltModifier);
    });
    EXPECT_EQ(result, IDCANCEL) << "Close ends the dialog as the close box does";
}

TEST_F(SystemMenu, CommandsWithTheAboutIdInTheirHighBitsOpenTheAboutBox) {
    ProbeDlg dlg;
    RunMain(dlg, [&](QWidget* w) {
        for (UINT id = 0x0010; id <= 0x001F; ++id) dlg.SendMessage(WM_SYSCOMMAND, id, 0);
        EXPECT_EQ(aboutShown, 16);
        for (UINT id : {0x0000u, 0x000Fu, 0x0020u, 0x0110u, SC_KEYMENU, SC_RESTORE}) dlg.SendMessage(WM_SYSCOMMAND, id, 0);
        EXPECT_EQ(aboutShown, 16);
        EXPECT_TRUE(w->isVisible());
        dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);  // default processing, low bits ignored
        EXPECT_FALSE(w->isVisible());
    });
}

// The real popup menu: its items as Qt shows them, and the access key A choosing About.
TEST_F(SystemMenu, ThePopupShowsTheItemsAndTheAccessKeyChoosesAbout) {
    AfxSetMenuPopupHandler({});
    QStringList shown;
    onAbout = [](CDialog& d) { QTest::keyClick(AfxQtWidget(d.m_hWnd), Qt::Key_Escape); };
    ProbeDlg dlg;
    RunMain(dlg, [&](QWidget* w) {
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* a : menu->actions()) shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
            QTest::keyClick(menu, Qt::Key_A);
        });
        QTest::keyClick(w, Qt::Key_Space, Qt::AltModifier);
        EXPECT_EQ(aboutShown, 1);
        EXPECT_TRUE(w->isVisible());
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("关闭(&C)\tAlt+F4"), QStringLiteral("-"),
                                  QStringLiteral("关于 Tarnwick(&A)...")}));
}

// ---------------------------------------------------------------------------
// The About box

struct AboutBox : Fixture {
    // Runs the About box over a running main dialog, as the program does.
    template <typename Script>
    INT_PTR RunAbout(Script script) {
        ProbeDlg main;
        INT_PTR result = -2;
        AfxSetDialogShownHandler([&](CDialog& d) {
            if (d.GetTemplateId() == IDD_VIEWER_DIALOG) {
                AfxGetApp()->m_pMainWnd = &main;
                CAboutDlg about;
                result = about.DoModal();
                AfxGetApp()->m_pMainWnd = nullptr;
                d.EndDialog(IDCANCEL);
                return;
            }
            QWidget* w = AfxQtWidget(d.m_hWnd);
            script(d, w, AfxQtWidget(main.m_hWnd));
            if (w->isVisible()) d.EndDialog(99);
        });
        main.DoModal();
        return result;
    }
};

TEST_F(AboutBox, ShowsItsTextsAndPictureWhereTheTemplatePutsThem) {
    RunAbout([](CDialog&, QWidget* w, QWidget* main) {
        EXPECT_EQ(w->windowTitle().toStdString(), "关于 Tarnwick");
        EXPECT_EQ(w->parentWidget(), main) << "it opens over the main dialog";
        EXPECT_TRUE(w->isModal());

        const DlgTemplate* t = AfxFindDialogTemplate(IDD_ABOUTBOX);
        ASSERT_NE(t, nullptr);
        const QFontMetrics metrics(w->font());
        const DialogBaseUnits base = BaseUnitsFromFont(
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
            metrics.height());
        const PixelRect frame = DialogUnitsToPixels(0, 0, 235, 86, base);
        EXPECT_EQ(w->size(), QSize(frame.width, frame.height));

        const auto labels = w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        ASSERT_EQ(labels.size(), 3);
        struct Expected {
            const char* text;
            int x, y, cx, cy;
        };
        const Expected texts[] = {{"Tarnwick 1.0 版", 69, 10, 71, 8}, {"只读查看文件结构", 69, 25, 72, 8}};
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            const PixelRect r = DialogUnitsToPixels(texts[i].x, texts[i].y, texts[i].cx, texts[i].cy, base);
            EXPECT_EQ(labels[i]->text().toStdString(), texts[i].text);
            EXPECT_EQ(labels[i]->geometry(), QRect(r.x, r.y, r.width, r.height));
            EXPECT_LE(labels[i]->sizeHint().width(), r.width) << "the text fits on its line";
        }
        // The picture sits at 7, 7 in its own size, 74 x 100 pixels.
        const PixelRect p = DialogUnitsToPixels(7, 7, 49, 67, base);
        EXPECT_EQ(labels[2]->geometry(), QRect(p.x, p.y, 74, 100));
        const QImage picture = labels[2]->pixmap().toImage();
        ASSERT_EQ(picture.size(), QSize(74, 100));
        EXPECT_NE(picture.pixel(0, 0), picture.pixel(0, 99)) << "a gradient from top to bottom";

        auto* ok = qobject_cast<QPushButton*>(Control(w, IDOK));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text().toStdString(), "确定");
        const PixelRect b = DialogUnitsToPixels(178, 7, 50, 14, base);
        EXPECT_EQ(ok->geometry(), QRect(b.x, b.y, b.width, b.height));
        EXPECT_EQ(w->focusWidget(), ok) << "the first tab stop";
    });
}

TEST_F(AboutBox, OkEnterAndEscCloseIt) {
    EXPECT_EQ(RunAbout([](CDialog&, QWidget* w, QWidget*) { Click(w, IDOK); }), IDOK);
    EXPECT_EQ(RunAbout([](CDialog&, QWidget* w, QWidget*) {
                  QTest::keyClick(w->focusWidget(), Qt::Key_Return);
              }),
              IDOK);
    EXPECT_EQ(RunAbout([](CDialog&, QWidget* w, QWidget*) { QTest::keyClick(w, Qt::Key_Escape); }), IDCANCEL);
    // Its own system menu offers Close only: the About entry belongs to the main dialog.
    EXPECT_EQ(RunAbout([](CDialog& d, QWidget*, QWidget*) {
                  ASSERT_NE(d.GetSystemMenu(FALSE), nullptr);
                  EXPECT_EQ(d.GetSystemMenu(FALSE)->GetMenuItemCount(), 1);
                  d.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);  // no handler: nothing happens
                  d.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
              }),
              IDCANCEL);
}

// ---------------------------------------------------------------------------
// Icon and version

TEST(Icon, TheWindowShowsTheIconGroupOfTheResources) {
    const HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_MAINFRAME + 50), RT_GROUP_ICON), nullptr);
    const HICON icon = LoadIcon(module, MAKEINTRESOURCE(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME)), icon) << "one icon, shared";
    EXPECT_EQ(LoadIcon(module, MAKEINTRESOURCE(IDB_ABOUT)), nullptr);

    // Both images, pixel for pixel as the icon file has them.
    const FileResource* file = AfxFindIconResource(IDR_MAINFRAME);
    ASSERT_NE(file, nullptr);
    std::vector<IconFileEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadIconDirectory(file->data, file->size, &entries, &error));
    for (const IconFileEntry& e : entries) {
        SCOPED_TRACE(e.width);
        DecodedImage decoded;
        ASSERT_TRUE(DecodeIconImage(file->data, file->size, e, &decoded, &error)) << error;
        const QImage shown = AfxQtIcon(icon).pixmap(e.width, e.height).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(shown.size(), QSize(e.width, e.height));
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; ++x)
                ASSERT_EQ(shown.pixel(x, y), decoded.pixels[static_cast<size_t>(y * e.width + x)]) << x << "," << y;
    }
    EXPECT_EQ(qAlpha(AfxQtIcon(icon).pixmap(32, 32).toImage().pixel(0, 0)), 0) << "the corners are transparent";

    ProbeDlg dlg;
    AfxSetDialogShownHandler([&](CDialog& d) {
        QWidget* w = AfxQtWidget(d.m_hWnd);
        EXPECT_EQ(w->windowIcon().cacheKey(), AfxQtIcon(icon).cacheKey());
        EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), icon);
        d.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    AfxSetDialogShownHandler({});
}

TEST(Icon, AMinimisedDialogPaintsTheIconCentred) {
    ProbeDlg dlg;
    AfxSetDialogShownHandler([&](CDialog& d) {
        QWidget* w = AfxQtWidget(d.m_hWnd);
        w->setWindowState(Qt::WindowMinimized);
        ASSERT_TRUE(d.IsIconic());
        // The dialog's own painting, without its controls (a minimised window shows none).
        QImage painted(w->size(), QImage::Format_ARGB32);
        painted.fill(Qt::magenta);
        w->render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        const int size = GetSystemMetrics(SM_CXICON);
        const QPoint at((w->width() - size + 1) / 2, (w->height() - size + 1) / 2);
        const QImage icon =
            AfxQtIcon(LoadIcon(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME))).pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        // Opaque icon pixels appear where the icon is drawn; the rest is the erased background.
        int compared = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(icon.pixel(x, y)) == 255) {
                    ASSERT_EQ(painted.pixel(at + QPoint(x, y)), icon.pixel(x, y)) << x << "," << y;
                    ++compared;
                }
        EXPECT_GT(compared, size * size / 2);
        EXPECT_EQ(painted.pixel(1, 1), w->palette().window().color().rgba());
        d.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    AfxSetDialogShownHandler({});
}

TEST(Version, TheApplicationTakesItsNameAndVersionFromTheVersionResource) {
    const VersionResource* v = AfxFindVersionResource(1);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(AfxVersionText(*v), VIEWER_VERSION_TEXT);
    EXPECT_STREQ(AfxVersionString(*v, "ProductName"), "Tarnwick 应用程序");
    EXPECT_EQ(AfxVersionString(*v, "Comments"), nullptr);
    AfxQtApplyVersionResource();
    EXPECT_EQ(QCoreApplication::applicationVersion().toStdString(), VIEWER_VERSION_TEXT);
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "Tarnwick");
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "tarnwick");
}

}  // namespace
