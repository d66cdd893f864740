// Painting a dialog and the icons it paints: CPaintDC, DrawIcon and icons
// loaded from the resources.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "afx_qt.h"
#include "dib.h"
#include "dlgtemplate.h"
#include "qt_dialog.h"
#include "qt_internal.h"

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {
    auto* window = pWnd ? dynamic_cast<DialogWindow*>(pWnd->m_hWnd) : nullptr;
    if (window && window->paintEvent && !window->paintDc) {
        auto* dc = new HDC__;
        dc->painter = new QPainter(window->widget);
        // Client coordinates start below a caption the dialog draws itself.
        dc->painter->translate(0, window->clientTop);
        window->paintDc = dc;
        m_hDC = dc;
    }
}

CPaintDC::~CPaintDC() {
    if (!m_hDC) return;
    auto* window = dynamic_cast<DialogWindow*>(m_pWnd->m_hWnd);
    if (window) window->paintDc = nullptr;
    delete m_hDC->painter;
    delete m_hDC;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
    if (!hdc || !hdc->painter || !icon) return FALSE;
    const int size = GetSystemMetrics(SM_CXICON);
    hdc->painter->drawPixmap(x, y, icon->icon.pixmap(size, size));
    return TRUE;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON:
        return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize) : 32;
    default:
        return 0;
    }
}

// A module is a resource table: the one converted from the program's script.
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType) {
    if (!IS_INTRESOURCE(lpszName) || !IS_INTRESOURCE(lpszType)) return nullptr;
    const ResourceTable* table = AfxFindResourceTable(static_cast<unsigned>(reinterpret_cast<uintptr_t>(lpszName)),
                                                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(lpszType)));
    return reinterpret_cast<HINSTANCE>(const_cast<ResourceTable*>(table));
}

QImage ToQImage(const DecodedImage& d) {
    QImage image(d.width, d.height, QImage::Format_ARGB32);
    for (int y = 0; y < d.height; ++y)
        std::memcpy(image.scanLine(y), d.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(d.width),
                    static_cast<size_t>(d.width) * 4);
    return image;
}

HICON LoadIcon(HINSTANCE instance, LPCTSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const unsigned id = static_cast<unsigned>(reinterpret_cast<uintptr_t>(name));
    const FileResource* resource = nullptr;
    if (const auto* table = reinterpret_cast<const ResourceTable*>(instance)) {
        for (size_t i = 0; i < table->iconCount && !resource; ++i)
            if (table->icons[i].id == id) resource = &table->icons[i];
    } else {
        resource = AfxFindIconResource(id);
    }
    if (!resource) return nullptr;
    // Icons from resources are shared and live as long as the program.
    static auto* loaded = new std::map<const FileResource*, HICON>;
    if (auto it = loaded->find(resource); it != loaded->end()) return it->second;
    std::vector<IconFileEntry> entries;
    std::string error;
    if (!ReadIconDirectory(resource->data, resource->size, &entries, &error)) return nullptr;
    auto* icon = new HICON__;
    for (const IconFileEntry& entry : entries) {
        DecodedImage decoded;
        if (DecodeIconImage(resource->data, resource->size, entry, &decoded, &error))
            icon->icon.addPixmap(QPixmap::fromImage(ToQImage(decoded)));
    }
    (*loaded)[resource] = icon;
    return icon;
}

QIcon AfxQtIcon(HICON icon) { return icon ? icon->icon : QIcon(); }

namespace {

COLORREF ToColorRef(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace

DWORD GetSysColor(int nIndex) {
    const QPalette palette = QApplication::instance() ? QApplication::palette() : QPalette();
    switch (nIndex) {
    case COLOR_WINDOW: return ToColorRef(palette.color(QPalette::Base));
    case COLOR_WINDOWTEXT: return ToColorRef(palette.color(QPalette::Text));
    case COLOR_GRAYTEXT: return ToColorRef(palette.color(QPalette::Disabled, QPalette::Text));
    case COLOR_HOTLIGHT: return ToColorRef(palette.color(QPalette::Link));
    default: return ToColorRef(palette.color(QPalette::Window));
    }
}

// No desktop of Linux says so in a way Qt passes on; the colours chosen
// against the palette's own keep their contrast in a dark or light scheme.
BOOL AfxIsHighContrast() { return FALSE; }

void AfxSetAccessibleName(HWND hWnd, LPCTSTR lpszName) {
    if (QWidget* w = AfxQtWidget(hWnd)) w->setAccessibleName(FromUtf8(lpszName));
}
