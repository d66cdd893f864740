// The tree's accessible object (MSAA IAccessible, which UI Automation
// clients reach through the system's bridge): an outline whose children are
// the rows shown, each an outline item named by its label, valued by its
// depth, described by its tip, and opened or closed by its default action.
//
// A child id is the item's handle (its index in the store plus one), not
// its row: it stays the same as levels open and close above it, so a
// client that kept one still names the same item. Any item's handle is
// accepted, also of one inside a closed part (then STATE_SYSTEM_INVISIBLE),
// given as VT_I4 or VT_INT; TVM_MAPACCIDTOHTREEITEM and
// TVM_MAPHTREEITEMTOACCID map them one to one. The children, counted as
// the rows shown, are listed in order by the object's IEnumVARIANT (a
// client that counts ids 1..n instead would name the first n items).
//
// The object holds only the window's handle and looks its tree up on each
// call: after the window is gone it answers RPC_E_DISCONNECTED.
#include <windows.h>
#include <oleacc.h>

#include <new>
#include <string>

#include "tree_view.h"
#include "tree_window.h"
#include "utf16.h"

namespace {

using Index = TreeStore::Index;
constexpr Index kNone = TreeStore::kNone;

// What a VARIANT child id names: the tree itself, an item, or nothing.
struct Target {
    bool self = false;
    Index item = kNone;
    bool Valid() const { return self || item != kNone; }
};

Target TargetOf(TreeView& view, const VARIANT& child) {
    long id;
    if (child.vt == VT_I4) id = child.lVal;
    else if (child.vt == VT_INT) id = child.intVal;
    else return {};
    if (id == CHILDID_SELF) return Target{true, kNone};
    const auto v = static_cast<unsigned long>(id);
    if (id < 0 || v - 1 >= view.engine.Store().Count()) return {};
    return Target{false, static_cast<Index>(v - 1)};
}

long IdOf(Index i) { return static_cast<long>(i) + 1; }

void SetId(VARIANT* out, long id) {
    out->vt = VT_I4;
    out->lVal = id;
}

HRESULT Text(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring Label(TreeView& view, Index i) {
    std::u16string wide;
    if (!viewer::Utf8ToUtf16(view.engine.Store().Text(i), &wide)) return L"?";
    return std::wstring(wide.begin(), wide.end());
}

bool HasChildren(TreeView& view, Index i) { return view.engine.Store().ChildCount(i) > 0; }

class TreeAccessible final : public IAccessible, public IEnumVARIANT {
public:
    explicit TreeAccessible(HWND hwnd, ULONG position = 0) : hwnd_(hwnd), position_(position) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible))
            *out = static_cast<IAccessible*>(this);
        else if (riid == __uuidof(IEnumVARIANT))
            *out = static_cast<IEnumVARIANT*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IDispatch: no type information; clients call the methods directly.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!View()) return RPC_E_DISCONNECTED;
        return CreateStdAccessibleObject(hwnd_, OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(out));
    }
    STDMETHODIMP get_accChildCount(long* out) override {
        if (!out) return E_POINTER;
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        *out = static_cast<long>(view->engine.RowCount());
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        return t.item != kNone ? S_FALSE : E_INVALIDARG;  // the items are simple children
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
        return Answer(child, out, [](TreeView& view, const Target& t) {
            if (!t.self) return Label(view, t.item);
            const auto* name = static_cast<const wchar_t*>(GetPropW(view.hwnd, kAccessibleNameProperty));
            return std::wstring(name ? name : L"");
        });
    }
    // As the system's tree view has it: an item's value is its level, 0 at the top.
    STDMETHODIMP get_accValue(VARIANT child, BSTR* out) override {
        return Answer(child, out, [](TreeView& view, const Target& t) {
            return t.self ? std::wstring() : std::to_wstring(view.engine.Depth(t.item));
        });
    }
    // An item's tip text, which tells its offsets and sizes and what is wrong with it.
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override {
        return Answer(child, out, [](TreeView& view, const Target& t) {
            return t.self ? std::wstring() : AskTipText(view, t.item);
        });
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
        return AnswerNumber(child, out, [](TreeView&, const Target& t) {
            return long{t.self ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_OUTLINEITEM};
        });
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
        return AnswerNumber(child, out, [this](TreeView& view, const Target& t) {
            return static_cast<long>(t.self ? TreeState(view) : ItemState(view, t.item));
        });
    }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* out) override { return Text({}, out); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* out) override { return Text({}, out); }
    STDMETHODIMP get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        if (GetFocus() != hwnd_) return S_FALSE;
        const Index caret = view->engine.Selected();
        SetId(out, caret == kNone ? CHILDID_SELF : IdOf(caret));
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Index caret = view->engine.Selected();
        if (caret == kNone) return S_FALSE;
        SetId(out, IdOf(caret));
        return S_OK;
    }
    // The default action of an item with children opens or closes it.
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Answer(child, out, [](TreeView& view, const Target& t) {
            if (t.self || !HasChildren(view, t.item)) return std::wstring();
            return std::wstring(view.engine.Expanded(t.item) ? L"折叠" : L"展开");
        });
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        if (!t.Valid()) return E_INVALIDARG;
        if (flags & (SELFLAG_EXTENDSELECTION | SELFLAG_ADDSELECTION)) return E_INVALIDARG;  // one selection only
        if (flags & SELFLAG_TAKEFOCUS) SetFocus(hwnd_);
        if (!t.self && (flags & SELFLAG_TAKESELECTION)) view->engine.Select(t.item);
        if (!t.self && (flags & SELFLAG_REMOVESELECTION) && view->engine.Selected() == t.item)
            view->engine.Select(kNone);
        Apply(*view);
        return S_OK;
    }
    // Screen coordinates: the window's client area, or an item's label;
    // an item in a closed part has none.
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        if (!t.Valid()) return E_INVALIDARG;
        RECT r{};
        if (t.self) {
            GetClientRect(hwnd_, &r);
        } else {
            const size_t row = view->engine.RowOf(t.item);
            TreeRect label;
            if (row == TreeEngine::kNoRow || !view->engine.LabelRect(row, &label)) return S_FALSE;
            r = RECT{label.left, label.top, label.right, label.bottom};
        }
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    // The rows in order: the first and last child of the tree, the row
    // after or before an item.
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, start);
        if (!t.Valid()) return E_INVALIDARG;
        TreeEngine& e = view->engine;
        const size_t rows = e.RowCount();
        size_t row = TreeEngine::kNoRow;
        if (t.self) {
            if (direction == NAVDIR_FIRSTCHILD && rows) row = 0;
            else if (direction == NAVDIR_LASTCHILD && rows) row = rows - 1;
        } else if (const size_t at = e.RowOf(t.item); at != TreeEngine::kNoRow) {
            if ((direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) && at + 1 < rows) row = at + 1;
            else if ((direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) && at > 0) row = at - 1;
        }
        if (row == TreeEngine::kNoRow) return S_FALSE;
        SetId(out, IdOf(e.RowItem(row)));
        return S_OK;
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        POINT at{x, y};
        RECT client{};
        GetClientRect(hwnd_, &client);
        ScreenToClient(hwnd_, &at);
        if (!PtInRect(&client, at)) return S_FALSE;
        const TreeHit hit = view->engine.HitTest(at.x, at.y);
        SetId(out, hit.item == kNone ? CHILDID_SELF : IdOf(hit.item));
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        if (!t.Valid()) return E_INVALIDARG;
        if (t.self || !HasChildren(*view, t.item)) return DISP_E_MEMBERNOTFOUND;
        const size_t row = view->engine.RowOf(t.item);
        if (row == TreeEngine::kNoRow) return DISP_E_MEMBERNOTFOUND;  // inside a closed part: no row to open
        view->engine.ToggleRow(row, TreeEngine::Toggle::Flip);
        Apply(*view);
        return S_OK;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

    // IEnumVARIANT: the child ids of the rows shown, top to bottom.
    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (!out) return E_POINTER;
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        ULONG n = 0;
        for (; n < count && position_ < view->engine.RowCount(); ++n, ++position_) {
            VariantInit(&out[n]);
            SetId(&out[n], IdOf(view->engine.RowItem(position_)));
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const size_t rows = view->engine.RowCount(), wanted = position_ + count;
        position_ = wanted > rows ? rows : wanted;
        return position_ == wanted ? S_OK : S_FALSE;  // S_FALSE: fewer rows were left
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        auto* copy = new (std::nothrow) TreeAccessible(hwnd_, static_cast<ULONG>(position_));
        *out = copy;
        return copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~TreeAccessible() = default;

    TreeView* View() const { return TreeViewOfWindow(hwnd_); }

    template <typename Get>
    HRESULT Answer(const VARIANT& child, BSTR* out, Get get) {
        if (!out) return E_POINTER;
        *out = nullptr;
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        if (!t.Valid()) return E_INVALIDARG;
        return Text(get(*view, t), out);
    }

    // The same for a number: a role or a set of states.
    template <typename Get>
    HRESULT AnswerNumber(const VARIANT& child, VARIANT* out, Get get) {
        if (!out) return E_POINTER;
        VariantInit(out);
        TreeView* view = View();
        if (!view) return RPC_E_DISCONNECTED;
        const Target t = TargetOf(*view, child);
        if (!t.Valid()) return E_INVALIDARG;
        SetId(out, get(*view, t));
        return S_OK;
    }

    DWORD TreeState(TreeView& view) const {
        DWORD state = STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == view.hwnd) state |= STATE_SYSTEM_FOCUSED;
        if (!IsWindowVisible(view.hwnd)) state |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(view.hwnd)) state |= STATE_SYSTEM_UNAVAILABLE;
        return state;
    }

    DWORD ItemState(TreeView& view, Index i) const {
        TreeEngine& e = view.engine;
        DWORD state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (e.Selected() == i) {
            state |= STATE_SYSTEM_SELECTED;
            if (GetFocus() == view.hwnd) state |= STATE_SYSTEM_FOCUSED;
        }
        if (HasChildren(view, i)) state |= e.Expanded(i) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
        const size_t row = e.RowOf(i);
        if (row == TreeEngine::kNoRow)
            state |= STATE_SYSTEM_INVISIBLE;  // inside a closed part
        else if (!e.RowLayout(row))
            state |= STATE_SYSTEM_OFFSCREEN;  // shown, scrolled out of the window
        return state;
    }

    LONG refs_ = 1;
    HWND hwnd_;
    size_t position_;  // the enumeration's next row
};

}  // namespace

LRESULT TreeAccessibleObject(TreeView& view, WPARAM wParam) {
    auto* object = new (std::nothrow) TreeAccessible(view.hwnd);
    if (!object) return 0;
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();
    return result;
}

void NotifyTreeEvents(TreeView& view, unsigned changes) {
    TreeEngine& e = view.engine;
    if ((changes & kTreeExpansion) && e.LastToggled() != kNone)
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, view.hwnd, OBJID_CLIENT, IdOf(e.LastToggled()));
    if ((changes & kTreeSelection) && e.Selected() != kNone) {
        if (e.Focused()) NotifyWinEvent(EVENT_OBJECT_FOCUS, view.hwnd, OBJID_CLIENT, IdOf(e.Selected()));
        NotifyWinEvent(EVENT_OBJECT_SELECTION, view.hwnd, OBJID_CLIENT, IdOf(e.Selected()));
    }
}

void NotifyTreeFocus(TreeView& view) {
    // The system tells of the window itself gaining the focus; the caret
    // item is ours to tell of.
    const Index caret = view.engine.Selected();
    if (caret != kNone) NotifyWinEvent(EVENT_OBJECT_FOCUS, view.hwnd, OBJID_CLIENT, IdOf(caret));
}
