// The handle table, the stock objects, and the calls that work on any kind of object:
// SelectObject, DeleteObject, GetObject, GetObjectType, GetCurrentObject.
#include "platform/gfx/gdi_object.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform::gfx {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> live;
    // Objects deleted while still selected into a DC: no longer valid handles, freed when the
    // last DC lets go of them.
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> pending;
    GdiObject* stock[DEFAULT_GUI_FONT + 1] = {};
    Bitmap* stock_bitmap = nullptr;
};

template <class T>
T* AddStock(HandleTable& table, std::unique_ptr<T> object) {
    object->stock = true;
    T* raw = object.get();
    table.live.emplace(static_cast<const void*>(static_cast<GdiObject*>(raw)), std::move(object));
    return raw;
}

std::unique_ptr<Brush> MakeBrush(COLORREF color, bool hollow) {
    auto brush = std::make_unique<Brush>();
    brush->color = color;
    brush->hollow = hollow;
    return brush;
}

std::unique_ptr<Pen> MakePen(COLORREF color, int style) {
    auto pen = std::make_unique<Pen>();
    pen->color = color;
    pen->style = style;
    return pen;
}

std::unique_ptr<Font> MakeFont(int height, const char* face) {
    auto font = std::make_unique<Font>();
    font->height = height;
    font->face = face;
    return font;
}

void AddStockObjects(HandleTable& table) {
    table.stock[WHITE_BRUSH] = AddStock(table, MakeBrush(RGB(255, 255, 255), false));
    table.stock[LTGRAY_BRUSH] = AddStock(table, MakeBrush(RGB(192, 192, 192), false));
    table.stock[GRAY_BRUSH] = AddStock(table, MakeBrush(RGB(128, 128, 128), false));
    table.stock[DKGRAY_BRUSH] = AddStock(table, MakeBrush(RGB(64, 64, 64), false));
    table.stock[BLACK_BRUSH] = AddStock(table, MakeBrush(RGB(0, 0, 0), false));
    table.stock[NULL_BRUSH] = AddStock(table, MakeBrush(0, true));
    table.stock[WHITE_PEN] = AddStock(table, MakePen(RGB(255, 255, 255), PS_SOLID));
    table.stock[BLACK_PEN] = AddStock(table, MakePen(RGB(0, 0, 0), PS_SOLID));
    table.stock[NULL_PEN] = AddStock(table, MakePen(0, PS_NULL));
    table.stock[SYSTEM_FONT] = AddStock(table, MakeFont(16, "System"));
    table.stock[DEFAULT_GUI_FONT] = AddStock(table, MakeFont(-11, "Tahoma"));
    // A memory DC starts with a 1×1 bitmap selected, as on the device; nothing draws into it.
    auto bitmap = NewBitmap(1, 1);
    table.stock_bitmap = AddStock(table, std::move(bitmap));
}

// The table is never destroyed: a program's static objects and threads still running at exit
// may release their handles after static destructors have run.
HandleTable& Table() {
    static HandleTable* const table = [] {
        auto* created = new HandleTable;
        std::lock_guard lock(created->mutex);
        AddStockObjects(*created);
        return created;
    }();
    return *table;
}

GdiObject* LookupLocked(HandleTable& table, const void* handle) {
    if (!handle) return nullptr;
    auto found = table.live.find(handle);
    return found == table.live.end() ? nullptr : found->second.get();
}

void ReleaseLocked(HandleTable& table, GdiObject* object) {
    if (!object) return;
    --object->select_count;
    if (object->select_count == 0 && object->delete_pending) table.pending.erase(HandleOf(object));
}

// Which slot of the DC an object of this kind goes into.
GdiObject** SlotOf(Dc& dc, ObjectKind kind) { return &dc.selected[static_cast<int>(kind)]; }

}  // namespace

void* HandleOf(const GdiObject* object) { return const_cast<void*>(static_cast<const void*>(object)); }

void* Register(std::unique_ptr<GdiObject> object) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    void* handle = HandleOf(object.get());
    if (object->kind == ObjectKind::Dc) {
        // A new DC holds the default objects, as on the device.
        auto& dc = static_cast<Dc&>(*object);
        if (!dc.wrapped) *SlotOf(dc, ObjectKind::Bitmap) = table.stock_bitmap;
        *SlotOf(dc, ObjectKind::Pen) = table.stock[BLACK_PEN];
        *SlotOf(dc, ObjectKind::Brush) = table.stock[WHITE_BRUSH];
        *SlotOf(dc, ObjectKind::Font) = table.stock[SYSTEM_FONT];
        for (GdiObject* held : dc.selected)
            if (held) ++held->select_count;
    }
    table.live.emplace(handle, std::move(object));
    return handle;
}

GdiObject* Lookup(const void* handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    GdiObject* object = LookupLocked(table, handle);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

Surface Dc::Target() const {
    if (wrapped) return wrapped->surface;
    const Bitmap* bitmap = SelectedBitmap();
    if (!bitmap || bitmap->stock) return {};
    return bitmap->surface;
}

// Deletes a DC: lets go of everything selected into it.
bool DeleteDcObject(const void* handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    GdiObject* object = LookupLocked(table, handle);
    if (!object || object->kind != ObjectKind::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    auto& dc = static_cast<Dc&>(*object);
    for (GdiObject* held : dc.selected) ReleaseLocked(table, held);
    table.live.erase(handle);
    return true;
}

}  // namespace platform::gfx

using namespace platform::gfx;

HGDIOBJ GetStockObject(int index) {
    HandleTable& table = Table();
    if (index < 0 || index > DEFAULT_GUI_FONT || !table.stock[index]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return HandleOf(table.stock[index]);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    GdiObject* dc_object = LookupLocked(table, hdc);
    GdiObject* object = LookupLocked(table, handle);
    if (!dc_object || dc_object->kind != ObjectKind::Dc || !object || object->kind == ObjectKind::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto& dc = static_cast<Dc&>(*dc_object);
    GdiObject** slot = SlotOf(dc, object->kind);
    if (object->kind == ObjectKind::Bitmap) {
        // A DC over foreign pixels has no bitmap to swap, and a bitmap lives in one DC at a time.
        if (dc.wrapped || (object->select_count > 0 && !object->stock && *slot != object)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    GdiObject* previous = *slot;
    ++object->select_count;
    *slot = object;
    void* previous_handle = HandleOf(previous);
    ReleaseLocked(table, previous);
    return previous_handle;
}

HGDIOBJ GetCurrentObject(HDC hdc, DWORD type) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    GdiObject* dc_object = LookupLocked(table, hdc);
    if (!dc_object || dc_object->kind != ObjectKind::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto& dc = static_cast<Dc&>(*dc_object);
    switch (type) {
        case OBJ_BITMAP: return HandleOf(dc.SelectedBitmap());
        case OBJ_PEN: return HandleOf(dc.SelectedPen());
        case OBJ_BRUSH: return HandleOf(dc.SelectedBrush());
        case OBJ_FONT: return HandleOf(dc.SelectedFont());
        default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    GdiObject* object = LookupLocked(table, handle);
    if (!object || object->kind == ObjectKind::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;  // stock objects outlive every program
    if (object->select_count > 0) {
        // The device refuses to delete a bitmap that a DC still draws into; pens, brushes and
        // fonts go away once no DC holds them.
        if (object->kind == ObjectKind::Bitmap) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        object->delete_pending = true;
        auto node = table.live.extract(handle);
        table.pending.insert(std::move(node));
        return TRUE;
    }
    table.live.erase(handle);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
    GdiObject* object = Lookup(handle);
    if (!object) return 0;
    switch (object->kind) {
        case ObjectKind::Bitmap: return OBJ_BITMAP;
        case ObjectKind::Pen: return OBJ_PEN;
        case ObjectKind::Brush: return OBJ_BRUSH;
        case ObjectKind::Font: return OBJ_FONT;
        case ObjectKind::Dc: return static_cast<Dc*>(object)->wrapped ? OBJ_DC : OBJ_MEMDC;
    }
    return 0;
}

namespace {
template <class T>
int CopyOut(const T& value, int size, void* out) {
    if (!out) return static_cast<int>(sizeof(T));
    if (size < static_cast<int>(sizeof(T))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, &value, sizeof(T));
    return static_cast<int>(sizeof(T));
}
}  // namespace

int GetObject(HGDIOBJ handle, int size, void* out) {
    GdiObject* object = Lookup(handle);
    if (!object) return 0;
    switch (object->kind) {
        case ObjectKind::Bitmap: {
            const auto& bitmap = static_cast<const Bitmap&>(*object);
            BITMAP info;
            info.bmWidth = bitmap.surface.width;
            info.bmHeight = bitmap.surface.height;
            info.bmWidthBytes = bitmap.surface.width * 4;
            info.bmPlanes = 1;
            info.bmBitsPixel = 32;
            info.bmBits = bitmap.memory;
            return CopyOut(info, size, out);
        }
        case ObjectKind::Pen: {
            const auto& pen = static_cast<const Pen&>(*object);
            LOGPEN info;
            info.lopnStyle = static_cast<UINT>(pen.style);
            info.lopnWidth.x = pen.width;
            info.lopnColor = pen.color;
            return CopyOut(info, size, out);
        }
        case ObjectKind::Brush: {
            const auto& brush = static_cast<const Brush&>(*object);
            LOGBRUSH info;
            info.lbStyle = brush.hollow ? BS_NULL : BS_SOLID;
            info.lbColor = brush.color;
            return CopyOut(info, size, out);
        }
        case ObjectKind::Font:
        case ObjectKind::Dc: break;
    }
    // Fonts are described by the arguments they were created with; the device's LOGFONT, with
    // its fixed UTF-16 face buffer, is not offered.
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
