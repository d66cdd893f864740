#include <cstdlib>
#include <vector>

#include "dlgtemplate.h"

namespace {
std::vector<const ResourceTable*>& Tables() {
    static std::vector<const ResourceTable*> tables;
    return tables;
}
}  // namespace

void AfxRegisterResources(const ResourceTable* table) { Tables().push_back(table); }

const DlgTemplate* AfxFindDialogTemplate(unsigned id) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        for (size_t i = 0; i < (*t)->dialogCount; ++i)
            if (static_cast<unsigned>((*t)->dialogs[i].id) == id) return &(*t)->dialogs[i];
    return nullptr;
}

const StringResource* AfxFindStringResource(unsigned id) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        for (size_t i = 0; i < (*t)->stringCount; ++i)
            if ((*t)->strings[i].id == id) return &(*t)->strings[i];
    return nullptr;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const int64_t num = product < 0 ? -product : product;
    const int64_t den = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (num + den / 2) / den;
    return static_cast<int>(negative ? -q : q);
}

DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int fontHeight) {
    // The average of the 52 letters, rounded: (width / 26 + 1) / 2.
    return DialogBaseUnits{(alphabetWidth / 26 + 1) / 2, fontHeight};
}

PixelRect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits base) {
    return PixelRect{MulDiv(x, base.x, 4), MulDiv(y, base.y, 8), MulDiv(cx, base.x, 4),
                     MulDiv(cy, base.y, 8)};
}
