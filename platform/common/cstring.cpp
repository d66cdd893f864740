#include <cstdarg>
#include <cstdio>

#include "afxwin.h"
#include "dlgtemplate.h"

void CString::Format(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        s_.clear();
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        s_.assign(small, static_cast<size_t>(n));
    } else {
        std::string big(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), format, again);
        big.resize(static_cast<size_t>(n));
        s_ = std::move(big);
    }
    va_end(again);
}

BOOL CString::LoadString(UINT id) {
    const StringResource* res = AfxFindStringResource(id);
    if (!res) return FALSE;
    s_ = res->text;
    return TRUE;
}
