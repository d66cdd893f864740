// Holds the tree window's protocol against the facade's afxcmn.h, which is
// what callers of the window send. The facade's text is UTF-8: on Windows
// its headers bring <windows.h> without UNICODE, which this library's own
// files are built with.
#undef UNICODE
#undef _UNICODE
#include <cstddef>

#include "afxcmn.h"
#include "tree_protocol.h"

namespace tp = tree_protocol;

static_assert(TVM_INSERTITEM == tp::kInsertItem);
static_assert(TVM_DELETEITEM == tp::kDeleteItem);
static_assert(TVM_GETCOUNT == tp::kGetCount);
static_assert(TVM_GETNEXTITEM == tp::kGetNextItem);
static_assert(TVM_GETITEM == tp::kGetItem);
static_assert(TVM_INITSTORAGE == tp::kInitStorage);
static_assert(TVGN_ROOT == tp::kNextRoot && TVGN_NEXT == tp::kNextSibling);
static_assert(TVGN_PARENT == tp::kNextParent && TVGN_CHILD == tp::kNextChild);
static_assert(TVIF_TEXT == tp::kMaskText);
static_assert(TVS_HASBUTTONS == tp::kHasButtons && TVS_HASLINES == tp::kHasLines);
static_assert(TVS_LINESATROOT == tp::kLinesAtRoot && TVS_SHOWSELALWAYS == tp::kShowSelAlways);

static_assert(sizeof(TVITEM) == sizeof(tp::Item));
static_assert(offsetof(TVITEM, mask) == offsetof(tp::Item, mask));
static_assert(offsetof(TVITEM, hItem) == offsetof(tp::Item, hItem));
static_assert(offsetof(TVITEM, pszText) == offsetof(tp::Item, pszText));
static_assert(offsetof(TVITEM, cchTextMax) == offsetof(tp::Item, cchTextMax));
static_assert(offsetof(TVITEM, lParam) == offsetof(tp::Item, lParam));
static_assert(sizeof(TVINSERTSTRUCT) == sizeof(tp::Insert));
static_assert(offsetof(TVINSERTSTRUCT, hParent) == offsetof(tp::Insert, hParent));
static_assert(offsetof(TVINSERTSTRUCT, hInsertAfter) == offsetof(tp::Insert, hInsertAfter));
static_assert(offsetof(TVINSERTSTRUCT, item) == offsetof(tp::Insert, item));

static_assert(TVIF_PARAM == tp::kMaskParam);
static_assert(NM_CUSTOMDRAW == tp::kCustomDraw);
static_assert(TVN_GETINFOTIP == tp::kGetInfoTip);
static_assert(TVS_INFOTIP == tp::kInfoTipStyle);
static_assert(sizeof(NMTVGETINFOTIP) == sizeof(tp::GetInfoTip));
static_assert(offsetof(NMTVGETINFOTIP, pszText) == offsetof(tp::GetInfoTip, pszText));
static_assert(offsetof(NMTVGETINFOTIP, hItem) == offsetof(tp::GetInfoTip, hItem));
static_assert(offsetof(NMTVGETINFOTIP, lParam) == offsetof(tp::GetInfoTip, lParam));
static_assert(CDDS_PREPAINT == tp::kDrawPrePaint && CDDS_ITEMPREPAINT == tp::kDrawItemPrePaint);
static_assert(CDRF_NOTIFYITEMDRAW == tp::kNotifyItemDraw && CLR_DEFAULT == tp::kDefaultColor);
static_assert(sizeof(NMHDR) == sizeof(tp::NotifyHeader));
static_assert(offsetof(NMHDR, code) == offsetof(tp::NotifyHeader, code));
static_assert(sizeof(NMTVCUSTOMDRAW) == sizeof(tp::CustomDraw));
static_assert(offsetof(NMTVCUSTOMDRAW, nmcd.dwDrawStage) == offsetof(tp::CustomDraw, dwDrawStage));
static_assert(offsetof(NMTVCUSTOMDRAW, nmcd.dwItemSpec) == offsetof(tp::CustomDraw, dwItemSpec));
static_assert(offsetof(NMTVCUSTOMDRAW, nmcd.lItemlParam) == offsetof(tp::CustomDraw, lItemlParam));
static_assert(offsetof(NMTVCUSTOMDRAW, clrText) == offsetof(tp::CustomDraw, clrText));
static_assert(offsetof(NMTVCUSTOMDRAW, iLevel) == offsetof(tp::CustomDraw, iLevel));

bool tree_protocol::MatchesFacadeHandles() {
    return TVI_ROOT == reinterpret_cast<HTREEITEM>(kRootHandle) && TVI_LAST == reinterpret_cast<HTREEITEM>(kLastHandle);
}
