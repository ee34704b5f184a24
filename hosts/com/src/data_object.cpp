// The control's picture as data: Word, Excel and PowerPoint show a control embedded in a
// document through IDataObject, and keep its picture in the document, as an enhanced
// metafile, a bitmap or a device-independent bitmap, each drawn by IViewObject2::Draw
// at the control's extent. The picture is drawn anew at every request; the control
// sends no data advice (its IViewObject2 sink tells a container to draw again).
#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "control_object.hpp"
#include "snapshot_enumerator.hpp"
#include "win32_platform.hpp"

namespace tintbox::windows {
namespace {

// The formats the control renders, each on its one kind of medium, in the order of
// preference: a metafile scales without losing the lines and text.
constexpr FORMATETC kFormats[] = {
    {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF},
    {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI},
    {CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
};

// The entry of kFormats that `format` asks for, or why none fits.
HRESULT find_format(const FORMATETC* format, const FORMATETC*& found) {
    if (!format) {
        return E_INVALIDARG;
    }
    if (format->dwAspect != DVASPECT_CONTENT) {
        return DV_E_DVASPECT;
    }
    if (format->lindex != -1) {
        return DV_E_LINDEX;
    }
    for (const FORMATETC& candidate : kFormats) {
        if (candidate.cfFormat == format->cfFormat) {
            found = &candidate;
            return (format->tymed & candidate.tymed) ? S_OK : DV_E_TYMED;
        }
    }
    return DV_E_FORMATETC;
}

struct FormatItems {
    using Item = FORMATETC;  // of kFormats: no target device to copy
    static Item copy(Item item) noexcept { return item; }
    static void release(Item) noexcept {}
};

// A packed device-independent bitmap of `bitmap` (24 bits a pixel, rows from the bottom,
// as CF_DIB's readers expect), in movable global memory; null when there is no room.
HGLOBAL packed_dib_of(HBITMAP bitmap) {
    BITMAP header{};
    if (!GetObjectW(bitmap, sizeof header, &header)) {
        return nullptr;
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = header.bmWidth;
    info.biHeight = header.bmHeight;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD row_bytes = (static_cast<DWORD>(header.bmWidth) * 3 + 3) & ~3u;
    info.biSizeImage = row_bytes * static_cast<DWORD>(header.bmHeight);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof info + info.biSizeImage);
    if (!memory) {
        return nullptr;
    }
    auto* bytes = static_cast<unsigned char*>(GlobalLock(memory));
    std::memcpy(bytes, &info, sizeof info);
    HDC dc = GetDC(nullptr);
    const int rows =
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(header.bmHeight), bytes + sizeof info,
                  reinterpret_cast<BITMAPINFO*>(bytes), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    GlobalUnlock(memory);
    if (rows != header.bmHeight) {
        GlobalFree(memory);
        return nullptr;
    }
    return memory;
}

}  // namespace

HENHMETAFILE ControlObject::draw_metafile() {
    SIZEL extent{};  // HIMETRIC, the frame a metafile names
    GetExtent(DVASPECT_CONTENT, &extent);
    const RECT frame{0, 0, extent.cx, extent.cy};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    if (!dc) {
        return nullptr;
    }
    const Surface& surface = control_.UserControl();
    const float twips_per_pixel = screen_->twips_per_pixel_x();
    const RECTL bounds{0, 0, to_pixels(surface.Width(), twips_per_pixel),
                       to_pixels(surface.Height(), twips_per_pixel)};
    Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
    return CloseEnhMetaFile(dc);
}

HBITMAP ControlObject::draw_bitmap() {
    const Surface& surface = control_.UserControl();
    const float twips_per_pixel = screen_->twips_per_pixel_x();
    const int width = std::max(1, to_pixels(surface.Width(), twips_per_pixel));
    const int height = std::max(1, to_pixels(surface.Height(), twips_per_pixel));
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (bitmap && dc) {
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECTL bounds{0, 0, width, height};
        Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
        SelectObject(dc, previous);
    }
    if (dc) {
        DeleteDC(dc);
    }
    return bitmap;
}

HRESULT ControlObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) {
        return E_POINTER;
    }
    const FORMATETC* found = nullptr;
    if (const HRESULT fits = find_format(format, found); FAILED(fits)) {
        return fits;
    }
    *medium = STGMEDIUM{};
    bool rendered = false;
    try {
        switch (found->cfFormat) {
            case CF_ENHMETAFILE:
                medium->hEnhMetaFile = draw_metafile();
                rendered = medium->hEnhMetaFile != nullptr;
                break;
            case CF_BITMAP:
                medium->hBitmap = draw_bitmap();
                rendered = medium->hBitmap != nullptr;
                break;
            default:
                if (HBITMAP bitmap = draw_bitmap()) {
                    medium->hGlobal = packed_dib_of(bitmap);
                    rendered = medium->hGlobal != nullptr;
                    DeleteObject(bitmap);
                }
                break;
        }
    } catch (const std::bad_alloc&) {
        // Out of memory while drawing: nothing is handed out.
    }
    if (!rendered) {
        return E_OUTOFMEMORY;
    }
    medium->tymed = found->tymed;
    return S_OK;
}

HRESULT ControlObject::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;  // every format comes in a medium of its own
}

HRESULT ControlObject::QueryGetData(FORMATETC* format) {
    const FORMATETC* found = nullptr;
    return find_format(format, found);
}

HRESULT ControlObject::GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* out) {
    if (!format || !out) {
        return E_POINTER;
    }
    *out = *format;
    out->ptd = nullptr;  // the picture is the same for every target device
    return DATA_S_SAMEFORMATETC;
}

HRESULT ControlObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

HRESULT ControlObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (direction != DATADIR_GET) {
        return E_NOTIMPL;
    }
    try {
        return make_enumerator<IEnumFORMATETC, IID_IEnumFORMATETC, FormatItems>(
            ComRef<IUnknown>::share(static_cast<IDataObject*>(this)),
            {std::begin(kFormats), std::end(kFormats)}, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ControlObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* connection) {
    if (connection) {
        *connection = 0;
    }
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT ControlObject::DUnadvise(DWORD) {
    return OLE_E_NOCONNECTION;
}

HRESULT ControlObject::EnumDAdvise(IEnumSTATDATA** out) {
    if (out) {
        *out = nullptr;
    }
    return OLE_E_ADVISENOTSUPPORTED;
}

}  // namespace tintbox::windows
