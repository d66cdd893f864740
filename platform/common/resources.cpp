#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "afxwin.h"
#include "dlgtemplate.h"

namespace {

std::vector<const ResourceTable*>& Tables() {
    static std::vector<const ResourceTable*> tables;
    return tables;
}

// The module AfxSetResourceHandle chose, searched before the others.
const ResourceTable* g_current = nullptr;

// The first non-null answer of find(table): the chosen module first, then
// every registered table, the latest first.
template <typename Find>
auto Search(Find find) -> decltype(find(*g_current)) {
    if (g_current)
        if (auto found = find(*g_current)) return found;
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        if (auto found = find(**t)) return found;
    return nullptr;
}

// The entry `id` of one of a table's lists, or null.
template <typename T>
const T* FindIn(const T* list, size_t count, unsigned id) {
    for (size_t i = 0; i < count; ++i)
        if (static_cast<unsigned>(list[i].id) == id) return &list[i];
    return nullptr;
}

}  // namespace

void AfxRegisterResources(const ResourceTable* table) { Tables().push_back(table); }

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_current = reinterpret_cast<const ResourceTable*>(hInstResource); }

const DlgTemplate* AfxFindDialogTemplate(unsigned id) {
    return Search([id](const ResourceTable& t) { return FindIn(t.dialogs, t.dialogCount, id); });
}

const FileResource* AfxFindIconResource(unsigned id) {
    return Search([id](const ResourceTable& t) { return FindIn(t.icons, t.iconCount, id); });
}

const FileResource* AfxFindBitmapResource(unsigned id) {
    return Search([id](const ResourceTable& t) { return FindIn(t.bitmaps, t.bitmapCount, id); });
}

const VersionResource* AfxFindVersionResource(unsigned id) {
    return Search([id](const ResourceTable& t) { return FindIn(t.versions, t.versionCount, id); });
}

const StringResource* AfxFindStringResource(unsigned id) {
    return Search([id](const ResourceTable& t) { return FindIn(t.strings, t.stringCount, id); });
}

const ResourceTable* AfxFindResourceTable(unsigned id, unsigned type) {
    return Search([id, type](const ResourceTable& r) -> const ResourceTable* {
        const bool found = type == 2    ? FindIn(r.bitmaps, r.bitmapCount, id) != nullptr
                           : type == 5  ? FindIn(r.dialogs, r.dialogCount, id) != nullptr
                           : type == 6  ? FindIn(r.strings, r.stringCount, id) != nullptr
                           : type == 14 ? FindIn(r.icons, r.iconCount, id) != nullptr
                           : type == 16 ? FindIn(r.versions, r.versionCount, id) != nullptr
                                        : false;
        return found ? &r : nullptr;
    });
}

std::string AfxVersionText(const VersionResource& v) {
    return std::to_string(v.fileVersionMS >> 16) + "." + std::to_string(v.fileVersionMS & 0xFFFF) + "." +
           std::to_string(v.fileVersionLS >> 16) + "." + std::to_string(v.fileVersionLS & 0xFFFF);
}

const char* AfxVersionString(const VersionResource& version, const char* key) {
    if (version.blockCount == 0) return nullptr;
    const VersionStringBlock* block = &version.blocks[0];
    if (version.translationCount > 0) {
        char name[9];
        std::snprintf(name, sizeof name, "%04X%04X", version.translations[0].language, version.translations[0].codePage);
        for (size_t i = 0; i < version.blockCount; ++i)
            if (strcasecmp(version.blocks[i].name, name) == 0) block = &version.blocks[i];
    }
    for (size_t i = 0; i < block->count; ++i)
        if (std::strcmp(block->strings[i].key, key) == 0) return block->strings[i].value;
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

PixelRect PlaceInside(const PixelRect& area, int width, int height, int cx, int cy) {
    // Right and bottom first, then left and top, which win when the window
    // does not fit.
    const auto fit = [](int start, int size, int areaStart, int areaSize) {
        start = std::min(start, areaStart + areaSize - size);
        return std::max(start, areaStart);
    };
    return PixelRect{fit(cx - width / 2, width, area.x, area.width), fit(cy - height / 2, height, area.y, area.height),
                     width, height};
}
