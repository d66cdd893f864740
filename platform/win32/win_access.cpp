// Accessible names of controls whose text does not say what they are (the
// browse button's "..."). The name is kept with the window as a property,
// a UTF-16 string, and the window is subclassed so that what assistive
// technology asks it (WM_GETOBJECT for its client object) carries the name:
// a window that answers with an object of its own (our tree window) reads
// the property itself; for any other, the system's standard object for the
// window is wrapped, with the name put in place of the one it would give.
// The name and the subclassing go with the window, at WM_NCDESTROY.
#include <oleacc.h>

#include <new>

#include "tree_window.h"
#include "win_internal.h"

namespace {

// The window procedure the subclassing replaced.
constexpr wchar_t kPreviousProcProperty[] = L"ViewerAccessibleNameProc";

const wchar_t* NameOf(HWND hwnd) { return static_cast<const wchar_t*>(GetPropW(hwnd, kAccessibleNameProperty)); }

// The system's object for a window, named as the property says; all else
// is the system object's.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* inner, HWND hwnd) : inner_(inner), hwnd_(hwnd) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            inner_->Release();
            delete this;
        }
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    STDMETHODIMP Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                        UINT* a) override {
        return inner_->Invoke(d, r, l, f, p, v, e, a);
    }

    STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
        const wchar_t* name = IsWindow(hwnd_) ? NameOf(hwnd_) : nullptr;
        if (!name || child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accName(child, out);
        if (!out) return E_POINTER;
        *out = SysAllocString(name);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    STDMETHODIMP get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
    STDMETHODIMP get_accChildCount(long* n) override { return inner_->get_accChildCount(n); }
    STDMETHODIMP get_accChild(VARIANT c, IDispatch** p) override { return inner_->get_accChild(c, p); }
    STDMETHODIMP get_accValue(VARIANT c, BSTR* s) override { return inner_->get_accValue(c, s); }
    STDMETHODIMP get_accDescription(VARIANT c, BSTR* s) override { return inner_->get_accDescription(c, s); }
    STDMETHODIMP get_accRole(VARIANT c, VARIANT* r) override { return inner_->get_accRole(c, r); }
    STDMETHODIMP get_accState(VARIANT c, VARIANT* s) override { return inner_->get_accState(c, s); }
    STDMETHODIMP get_accHelp(VARIANT c, BSTR* s) override { return inner_->get_accHelp(c, s); }
    STDMETHODIMP get_accHelpTopic(BSTR* f, VARIANT c, long* t) override { return inner_->get_accHelpTopic(f, c, t); }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT c, BSTR* s) override {
        return inner_->get_accKeyboardShortcut(c, s);
    }
    STDMETHODIMP get_accFocus(VARIANT* c) override { return inner_->get_accFocus(c); }
    STDMETHODIMP get_accSelection(VARIANT* c) override { return inner_->get_accSelection(c); }
    STDMETHODIMP get_accDefaultAction(VARIANT c, BSTR* s) override { return inner_->get_accDefaultAction(c, s); }
    STDMETHODIMP accSelect(long f, VARIANT c) override { return inner_->accSelect(f, c); }
    STDMETHODIMP accLocation(long* l, long* t, long* w, long* h, VARIANT c) override {
        return inner_->accLocation(l, t, w, h, c);
    }
    STDMETHODIMP accNavigate(long d, VARIANT s, VARIANT* e) override { return inner_->accNavigate(d, s, e); }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* c) override { return inner_->accHitTest(x, y, c); }
    STDMETHODIMP accDoDefaultAction(VARIANT c) override { return inner_->accDoDefaultAction(c); }
    STDMETHODIMP put_accName(VARIANT c, BSTR s) override { return inner_->put_accName(c, s); }
    STDMETHODIMP put_accValue(VARIANT c, BSTR s) override { return inner_->put_accValue(c, s); }

private:
    ~NamedAccessible() = default;

    LONG refs_ = 1;
    IAccessible* inner_;
    HWND hwnd_;
};

LRESULT NamedClientObject(HWND hwnd, WPARAM wParam) {
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))))
        return 0;
    auto* named = new (std::nothrow) NamedAccessible(standard, hwnd);
    if (!named) {
        standard->Release();
        return 0;
    }
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
    named->Release();
    return result;
}

LRESULT CALLBACK NamedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kPreviousProcProperty));
    if (!previous) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        const LRESULT own = CallWindowProcW(previous, hwnd, message, wParam, lParam);
        return own ? own : NamedClientObject(hwnd, wParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(hwnd, kPreviousProcProperty);
        delete[] static_cast<wchar_t*>(RemovePropW(hwnd, kAccessibleNameProperty));
    }
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

}  // namespace

void AfxSetAccessibleName(HWND hWnd, LPCTSTR lpszName) {
    if (!hWnd || !IsWindow(hWnd)) return;
    const std::wstring name = AfxWiden(lpszName);
    auto* copy = new wchar_t[name.size() + 1];
    name.copy(copy, name.size());
    copy[name.size()] = L'\0';
    auto* old = static_cast<wchar_t*>(GetPropW(hWnd, kAccessibleNameProperty));
    if (!SetPropW(hWnd, kAccessibleNameProperty, copy)) {
        delete[] copy;
        return;
    }
    delete[] old;
    if (GetPropW(hWnd, kPreviousProcProperty)) return;  // subclassed already
    const auto previous = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (!previous || !SetPropW(hWnd, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous))) return;
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NamedWindowProc));
}
