#include "ole_picture.hpp"

#include <cstring>
#include <vector>

#include "tintbox/error.hpp"

namespace tintbox::windows {
namespace {

constexpr int kScreenDpi = 96;
constexpr int kHimetricPerInch = 2540;

Error invalid(const std::string& detail) {
    return Error(ErrorKind::InvalidPicture, detail);
}

void check_size(LONG width, LONG height) {
    if (width <= 0 || height <= 0 || width > Picture::kMaxSide || height > Picture::kMaxSide) {
        throw invalid("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels (each side must be 1 to " + std::to_string(Picture::kMaxSide) + ")");
    }
}

BITMAPINFO top_down_32bit(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// 32-bit DIB pixels are blue, green, red, unused; a ColorValue is 0x00BBGGRR.
ColorValue color_of_dib_pixel(std::uint32_t pixel) {
    const std::uint32_t blue = pixel & 0xFF;
    const std::uint32_t green = (pixel >> 8) & 0xFF;
    const std::uint32_t red = (pixel >> 16) & 0xFF;
    return static_cast<ColorValue>(red | (green << 8) | (blue << 16));
}

std::uint32_t dib_pixel_of(ColorValue color) {
    const auto value = static_cast<std::uint32_t>(color);
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

PicturePtr picture_of_dib(const std::uint32_t* pixels, LONG width, LONG height) {
    std::vector<ColorValue> colors(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        colors[i] = color_of_dib_pixel(pixels[i]);
    }
    return std::make_shared<const Picture>(width, height, std::move(colors));
}

class MemoryDc {
  public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {
        if (!dc_) {
            throw invalid("no device context to read the picture with");
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() { DeleteDC(dc_); }
    HDC get() const noexcept { return dc_; }

  private:
    HDC dc_;
};

PicturePtr pixels_of_bitmap(HBITMAP bitmap) {
    BITMAP header{};
    if (!bitmap || GetObjectW(bitmap, sizeof header, &header) != sizeof header) {
        throw invalid("the picture's bitmap cannot be read");
    }
    check_size(header.bmWidth, header.bmHeight);
    BITMAPINFO info = top_down_32bit(header.bmWidth, header.bmHeight);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(header.bmWidth) * header.bmHeight);
    MemoryDc dc;
    if (GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(header.bmHeight), pixels.data(), &info,
                  DIB_RGB_COLORS) != header.bmHeight) {
        throw invalid("the picture's bitmap cannot be read");
    }
    return picture_of_dib(pixels.data(), header.bmWidth, header.bmHeight);
}

// Icons and metafiles have no pixels of their own: draw them.
PicturePtr pixels_of_drawing(IPicture& picture) {
    OLE_XSIZE_HIMETRIC himetric_width = 0;
    OLE_YSIZE_HIMETRIC himetric_height = 0;
    if (FAILED(picture.get_Width(&himetric_width)) ||
        FAILED(picture.get_Height(&himetric_height))) {
        throw invalid("the picture has no size");
    }
    const LONG width = MulDiv(himetric_width, kScreenDpi, kHimetricPerInch);
    const LONG height = MulDiv(himetric_height, kScreenDpi, kHimetricPerInch);
    check_size(width, height);
    BITMAPINFO info = top_down_32bit(width, height);
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!canvas) {
        throw invalid("no memory to draw the picture in");
    }
    std::memset(bits, 0xFF, static_cast<std::size_t>(width) * height * 4);
    MemoryDc dc;
    const HGDIOBJ previous = SelectObject(dc.get(), canvas);
    const HRESULT drawn = picture.Render(dc.get(), 0, 0, width, height, 0, himetric_height,
                                         himetric_width, -himetric_height, nullptr);
    GdiFlush();
    SelectObject(dc.get(), previous);
    PicturePtr result;
    if (SUCCEEDED(drawn)) {
        result = picture_of_dib(static_cast<const std::uint32_t*>(bits), width, height);
    }
    DeleteObject(canvas);
    if (!result) {
        throw invalid("the picture cannot be drawn");
    }
    return result;
}

}  // namespace

ComRef<IPictureDisp> as_picture_object(IUnknown* object) {
    ComRef<IPictureDisp> picture;
    if (object &&
        FAILED(object->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(picture.put())))) {
        throw invalid("the object is not a picture");
    }
    return picture;
}

PicturePtr pixels_of(IUnknown& object) {
    ComRef<IPicture> picture;
    if (FAILED(object.QueryInterface(IID_IPicture, reinterpret_cast<void**>(picture.put())))) {
        throw invalid("the object is not a picture");
    }
    SHORT type = PICTYPE_UNINITIALIZED;
    if (FAILED(picture->get_Type(&type))) {
        throw invalid("the picture's type cannot be read");
    }
    if (type == PICTYPE_NONE || type == PICTYPE_UNINITIALIZED) {
        return nullptr;
    }
    if (type == PICTYPE_BITMAP) {
        OLE_HANDLE handle = 0;
        if (FAILED(picture->get_Handle(&handle))) {
            throw invalid("the picture's bitmap cannot be read");
        }
        return pixels_of_bitmap(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
    }
    return pixels_of_drawing(*picture);
}

ComRef<IPictureDisp> ole_picture_of(const Picture& picture) {
    BITMAPINFO info = top_down_32bit(picture.width(), picture.height());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        throw invalid("no memory for a bitmap of the picture");
    }
    auto* out = static_cast<std::uint32_t*>(bits);
    for (const ColorValue color : picture.pixels()) {
        *out++ = dib_pixel_of(color);
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    ComRef<IPictureDisp> result;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                        reinterpret_cast<void**>(result.put())))) {
        DeleteObject(bitmap);
        throw invalid("no OLE picture could be made of the picture");
    }
    return result;
}

ComRef<IPictureDisp> load_ole_picture(std::string_view bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) {
        throw invalid("no memory for the picture's data");
    }
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    ComRef<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.put()))) {
        GlobalFree(memory);
        throw invalid("no memory for the picture's data");
    }
    ComRef<IPictureDisp> result;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE,
                              IID_IPictureDisp, reinterpret_cast<void**>(result.put())))) {
        throw invalid("the data is no picture that OLE can read");
    }
    return result;
}

}  // namespace tintbox::windows
