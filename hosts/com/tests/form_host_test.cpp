// The control on a form, as a container shows it and a person uses it (form_host.hpp):
// activation, design mode, the pointer shapes, screenshots, resizing, fonts, closing in
// the middle of a click and unloading. Screen positions come from the control's design
// geometry in twips, at the screen's DPI. Screenshots of the activated control are written
// as BMP files into the folder that TINTBOX_SCREENSHOTS names (or the current folder) and
// checked for the swatch's colour.
//
// Sections: helpers; a person's view; test cases.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form_host.hpp"

using namespace tintbox::windows;
using namespace tintbox::windows::form;

namespace {

// ---- Helpers ---------------------------------------------------------------------------

std::string g_screenshot_folder = ".";

// Design geometry of the views the test touches, in twips relative to the control.
struct TwipsRect {
    int left, top, width, height;
};
constexpr TwipsRect kColors = {1815, 15, 2940, 3345};  // inside ColorFrame at (1815, 15)
constexpr TwipsRect kNewColor = {15, 600, 1665, 600};
constexpr TwipsRect kTxtGreen = {1305, 1710, 345, 195};

// A point of a view, as fractions of its size, in pixels relative to the control.
POINT point_in(const TwipsRect& rect, double fx, double fy) {
    return POINT{pixels(rect.left) +
                     static_cast<int>((pixels(rect.left + rect.width) - pixels(rect.left)) * fx),
                 pixels(rect.top) +
                     static_cast<int>((pixels(rect.top + rect.height) - pixels(rect.top)) * fy)};
}

// A spectrum picture of 4 x 4 blocks, each its own colour (0x00BBGGRR).
constexpr int kBlocks = 4;
COLORREF block_color(int column, int row) {
    return RGB(40 + 60 * column, 200 - 50 * row, 30 + 30 * column + 20 * row);
}

ComRef<IPictureDisp> block_picture() {
    std::vector<COLORREF> colors;
    for (int row = 0; row < kBlocks; ++row) {
        for (int column = 0; column < kBlocks; ++column) {
            colors.push_back(block_color(column, row));
        }
    }
    return picture_of(kBlocks, kBlocks, colors);
}

bool focus_is(const Form& form, const TwipsRect& view) {
    const RECT rect = form.focus_rect();
    const POINT corner = point_in(view, 0, 0);
    return rect.left == corner.x && rect.top == corner.y;
}

// ---- A person's view ---------------------------------------------------------------------

// A 24-bit picture to draw or copy into, and to save as a BMP file.
class Capture {
  public:
    Capture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    ~Capture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF pixel(POINT at) const {
        GdiFlush();
        return GetPixel(dc_, at.x, at.y);
    }
    void save(const std::string& path) const {
        GdiFlush();
        const int stride = (width_ * 3 + 3) & ~3;
        BITMAPINFOHEADER header = {
            sizeof(BITMAPINFOHEADER), width_, height_, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height_);
        FILE* out = std::fopen(path.c_str(), "wb");
        CHECK(out != nullptr);
        if (out) {
            std::fwrite(&file, sizeof file, 1, out);
            std::fwrite(&header, sizeof header, 1, out);
            std::fwrite(bits_, static_cast<std::size_t>(stride) * height_, 1, out);
            std::fclose(out);
        }
    }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void* bits_ = nullptr;
};

// The screen's pixels of a window, saved as a BMP; returns the colour at `at` (pixels
// relative to the window's client area).
COLORREF screenshot(HWND window, const std::string& path, POINT at) {
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    Capture capture(rect.right - rect.left, rect.bottom - rect.top);
    HDC screen = GetDC(nullptr);
    BitBlt(capture.dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
           rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    capture.save(path);
    return capture.pixel(at);
}

// The pointer shown now: its hot spot and, for a monochrome cursor, which pixels invert
// the screen (AND mask 1, XOR mask 1) and whether every other one is transparent (AND 1,
// XOR 0).
struct PointerSeen {
    bool monochrome = false;
    DWORD hot_x = 0;
    DWORD hot_y = 0;
    bool others_transparent = true;
    std::vector<bool> inverting;  // row * 32 + column
    bool inverts(int column, int row) const {
        return inverting.size() == 32 * 32 &&
               inverting[static_cast<std::size_t>(row * 32 + column)];
    }
};

PointerSeen current_pointer() {
    PointerSeen seen;
    CURSORINFO info{};
    info.cbSize = sizeof info;
    ICONINFO icon{};
    if (!GetCursorInfo(&info) || !info.hCursor || !GetIconInfo(info.hCursor, &icon)) {
        return seen;
    }
    seen.monochrome = icon.hbmColor == nullptr;
    seen.hot_x = icon.xHotspot;
    seen.hot_y = icon.yHotspot;
    BITMAP header{};
    GetObjectW(icon.hbmMask, sizeof header, &header);
    if (seen.monochrome && header.bmWidth == 32 && header.bmHeight == 64) {
        HDC memory = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(memory, icon.hbmMask);
        for (int row = 0; row < 32; ++row) {
            for (int column = 0; column < 32; ++column) {
                const bool and_bit = GetPixel(memory, column, row) != 0;
                const bool xor_bit = GetPixel(memory, column, row + 32) != 0;
                seen.inverting.push_back(and_bit && xor_bit);
                seen.others_transparent = seen.others_transparent && and_bit;
            }
        }
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    DeleteObject(icon.hbmMask);
    if (icon.hbmColor) {
        DeleteObject(icon.hbmColor);
    }
    return seen;
}

// Cursor A is the open cross; cursor B adds the corner brackets.
void check_pointer(bool corner_brackets) {
    const PointerSeen pointer = current_pointer();
    CHECK(pointer.monochrome);
    CHECK_EQ(pointer.hot_x, 15ul);
    CHECK_EQ(pointer.hot_y, 15ul);
    CHECK(pointer.others_transparent);
    CHECK(pointer.inverts(15, 8) && pointer.inverts(23, 16) && pointer.inverts(8, 15));
    CHECK(!pointer.inverts(15, 15) && !pointer.inverts(14, 14));  // the open centre
    CHECK_EQ(pointer.inverts(5, 5), corner_brackets);
    CHECK_EQ(pointer.inverts(26, 22), corner_brackets);
}

}  // namespace

// ---- Test cases ----------------------------------------------------------------------------

TEST(activation_shows_the_control_in_its_own_window_at_the_site) {
    Form form(true, block_picture());
    CHECK(form.control_window != nullptr);
    CHECK_EQ(GetParent(form.control_window), form.site.form);
    CHECK(IsWindowVisible(form.control_window) != FALSE);
    CHECK_EQ(form.site.in_place_activations, 1);
    RECT rect{};
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, pixels(4770));
    CHECK_EQ(rect.bottom - rect.top, pixels(3375));
    SIZEL extent{};
    CHECK_EQ(form.object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    // The width the form gave, in HIMETRIC (8414 for 318 pixels at 96 dpi).
    CHECK_EQ(extent.cx, std::lround((rect.right - rect.left) * 2540.0 / screen_dpi()));
    CHECK_EQ(extent.cy, 5953L);  // 3375 twips

    // UI activation: the frame hears of the active object, and the keyboard focus goes
    // to the first tab stop (hsRed).
    CHECK(!form.site.active);
    CHECK_EQ(form.object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &form.site, 0, form.site.form,
                                 &form.site.position),
             S_OK);
    form.settle();
    CHECK_EQ(form.site.ui_activations, 1);
    CHECK(form.site.active);
    CHECK(focus_is(form, TwipsRect{0, 1320, 1215, 255}));
    CHECK(form.site.focus_in >= 1);
}

TEST(quick_activation_takes_the_site_ambients_and_event_sink_in_one_call) {
    Site site;
    site.user_mode = false;
    ChangeSink sink;
    ComRef<IQuickActivate> quick;
    CHECK_EQ(CoCreateInstance(kClsId, nullptr, CLSCTX_INPROC_SERVER, IID_IQuickActivate,
                              reinterpret_cast<void**>(quick.put())),
             S_OK);
    if (!quick) {
        return;
    }
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pUnkEventSink = &sink;
    container.dwAmbientFlags = QACONTAINER_USERMODE;
    container.colorBack = 0x80000000u | COLOR_BTNFACE;
    QACONTROL control{};
    control.cbSize = sizeof control;
    CHECK_EQ(quick->QuickActivate(&container, &control), S_OK);
    CHECK((control.dwMiscStatus & OLEMISC_ACTIVATEWHENVISIBLE) != 0);
    CHECK(control.dwEventCookie != 0);
    ComRef<IDispatch> dispatch;
    quick->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
    set_rgb(*dispatch, 0x123456);
    CHECK_EQ(sink.changes, 1);
    SIZEL extent{};
    CHECK_EQ(quick->GetContentExtent(&extent), S_OK);
    CHECK_EQ(extent.cy, 5953L);
    ComRef<IOleObject> object;
    quick->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.put()));
    ComRef<IOleClientSite> held;
    object->GetClientSite(held.put());
    CHECK(held.get() == static_cast<IOleClientSite*>(&site));
    held.reset();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

TEST(a_click_on_the_spectrum_picks_the_picture_colour_under_the_pointer) {
    Form form(true, block_picture());
    // SendInput: the press travels through the window system to the spectrum's window.
    move_to(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    send({mouse_input(MOUSEEVENTF_LEFTDOWN)});
    form.settle();
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
    CHECK(form.sink.changes >= 1);
    CHECK(form.site.ui_activations >= 1);  // the click activated the control's UI
    check_pointer(false);                  // cursor A while the left button is held
    send({mouse_input(MOUSEEVENTF_LEFTUP)});
    form.settle();
    click(form, form.on_screen(point_in(kColors, 0.5 / kBlocks, 3.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(0, 3)));

    // The swatch shows the picked colour on the screen.
    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    form.wait_for_screen(swatch, block_color(0, 3));
    const POINT in_form{swatch.x + form.site.position.left, swatch.y + form.site.position.top};
    const COLORREF seen =
        screenshot(form.site.form, g_screenshot_folder + "/form_host_spectrum.bmp", in_form);
    CHECK_EQ(seen, block_color(0, 3));
}

TEST(typing_into_txtGreen_updates_GetRGB_and_raises_Change) {
    Form form(true, block_picture());
    set_rgb(*form.control, 0x102030);
    form.sink.changes = 0;
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    CHECK(focus_is(form, kTxtGreen));
    press_key(form, 'A', VK_CONTROL);  // select the whole text
    type_text(form, "200");
    CHECK_EQ(get_rgb(*form.control), 0x10C830L);
    CHECK(form.sink.changes >= 3);  // one per keystroke at least

    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    form.wait_for_screen(swatch, 0x10C830);
    const POINT in_form{swatch.x + form.site.position.left, swatch.y + form.site.position.top};
    const COLORREF seen =
        screenshot(form.site.form, g_screenshot_folder + "/form_host.bmp", in_form);
    CHECK_EQ(seen, static_cast<COLORREF>(0x10C830));
}

TEST(right_button_held_over_a_window_of_known_colour_picks_it_on_the_next_tick) {
    Form form(true, block_picture());
    HWND colour = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"TintboxTestColour", L"",
                                  WS_POPUP | WS_VISIBLE, 600, 400, 80, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(colour);
    form.settle();
    move_to(form, form.on_screen(point_in(kColors, 0.5, 0.5)));
    send({mouse_input(MOUSEEVENTF_RIGHTDOWN)});
    form.settle();
    check_pointer(true);  // cursor B while only the right button is held
    move_to(form, POINT{640, 440});
    form.pump(5000, [&] { return get_rgb(*form.control) == static_cast<LONG>(kKnownColor); });
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(kKnownColor));
    send({mouse_input(MOUSEEVENTF_RIGHTUP)});
    form.settle();
    const int changes = form.sink.changes;
    form.pump(100);
    CHECK_EQ(form.sink.changes, changes);  // the release stopped the eyedropper
    DestroyWindow(colour);
}

TEST(in_design_mode_the_control_shows_and_takes_no_input) {
    Form form(false, block_picture());
    g_form_clicks = 0;
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    type_text(form, "77");
    CHECK_EQ(get_rgb(*form.control), 0L);
    CHECK_EQ(form.sink.changes, 0);
    CHECK_EQ(g_form_clicks, 2);  // the presses reached the designer's form beneath
    CHECK_EQ(form.site.ui_activations, 0);

    // The designer draws the control through IViewObject2: the swatch shows the colour.
    set_rgb(*form.control, 0x2040C0);
    const ComRef<IViewObject2> view = form.query<IViewObject2>(IID_IViewObject2);
    Capture drawn(2 * pixels(4770), 2 * pixels(3375));
    const RECTL bounds{0, 0, 2 * pixels(4770), 2 * pixels(3375)};  // drawn twice the size
    CHECK_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc(), &bounds,
                        nullptr, nullptr, 0),
             S_OK);
    drawn.save(g_screenshot_folder + "/form_host_design_drawn.bmp");
    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    CHECK_EQ(drawn.pixel(POINT{2 * swatch.x, 2 * swatch.y}), static_cast<COLORREF>(0x2040C0));

    // Run mode, told through the ambient property, takes input again.
    form.site.user_mode = true;
    ComRef<IOleControl> control = form.query<IOleControl>(IID_IOleControl);
    CHECK_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
}

TEST(a_control_switched_off_greys_its_editors_and_takes_no_input) {
    Form form(true, block_picture());
    VARIANT off;
    V_VT(&off) = VT_BOOL;
    V_BOOL(&off) = VARIANT_FALSE;
    CHECK_EQ(invoke(*form.control, dispid::kEnabled, DISPATCH_PROPERTYPUT, &off, nullptr), S_OK);
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    const HWND green = ChildWindowFromPointEx(form.control_window, point_in(kTxtGreen, 0.3, 0.5),
                                              CWP_SKIPINVISIBLE);
    CHECK(green != nullptr && green != form.control_window && !IsWindowEnabled(green));
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), 0L);
    CHECK_EQ(form.sink.changes, 0);

    VARIANT on = off;
    V_BOOL(&on) = VARIANT_TRUE;
    CHECK_EQ(invoke(*form.control, dispid::kEnabled, DISPATCH_PROPERTYPUT, &on, nullptr), S_OK);
    CHECK(IsWindowEnabled(green) != FALSE);
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
}

TEST(a_change_handler_may_close_the_control_in_the_middle_of_a_click) {
    Form form(true, block_picture());
    bool closed = false;
    form.sink.on_change = [&] {
        if (!closed) {
            closed = true;
            form.object->Close(OLECLOSE_NOSAVE);  // deactivates: the windows go
        }
    };
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK(closed);
    CHECK(!IsWindow(form.control_window));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
    CHECK_EQ(form.site.in_place_deactivations, 1);

    // Activated again, the control takes a person's input as before.
    form.sink.on_change = nullptr;
    CHECK_EQ(form.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &form.site, 0, form.site.form,
                                 &form.site.position),
             S_OK);
    form.site.in_place->GetWindow(&form.control_window);
    form.settle();
    click(form, form.on_screen(point_in(kColors, 0.5 / kBlocks, 0.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(0, 0)));
}

TEST(the_container_resizing_the_control_runs_its_layout) {
    Form form(true, block_picture());
    // Narrower than the left column: the control keeps its compact width and fixed
    // height, and asks the form for that rectangle.
    RECT narrow{8, 8, 8 + 40, 8 + 500};
    form.site.requested_rects.clear();
    CHECK_EQ(form.site.in_place->SetObjectRects(&narrow, &narrow), S_OK);
    form.settle();
    RECT rect{};
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, pixels(1695));
    CHECK_EQ(rect.bottom - rect.top, pixels(3375));
    CHECK(!form.site.requested_rects.empty());
    if (!form.site.requested_rects.empty()) {
        const RECT asked = form.site.requested_rects.back();
        CHECK_EQ(asked.right - asked.left, pixels(1695));
        CHECK_EQ(asked.bottom - asked.top, pixels(3375));
    }
    // Wider: the spectrum follows, still picking what it shows.
    RECT wide{8, 8, 8 + 400, 8 + pixels(3375)};
    CHECK_EQ(form.site.in_place->SetObjectRects(&wide, &wide), S_OK);
    form.settle();
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, 400L);
    const TwipsRect stretched{1815, 15, 400 * 1440 / screen_dpi() - 1815 - 15, 3345};
    click(form, form.on_screen(point_in(stretched, 3.5 / kBlocks, 0.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(3, 0)));
    SIZEL extent{};
    form.object->GetExtent(DVASPECT_CONTENT, &extent);
    CHECK_EQ(extent.cy, 5953L);
}

TEST(the_ambient_font_gives_the_fields_their_face_and_the_size_still_fits) {
    Form form(true, block_picture());
    // The font of txtGreen, focused by a click.
    const auto field_font = [&form] {
        click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
        LOGFONTW logical{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetFocus(), WM_GETFONT, 0, 0)),
                   sizeof logical, &logical);
        return logical;
    };
    const LOGFONTW system_font = field_font();
    FONTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.lpstrName = const_cast<LPOLESTR>(L"Courier New");
    description.cySize.int64 = 240000;  // 24 points: far too tall for the fields
    description.sWeight = FW_NORMAL;
    CHECK_EQ(OleCreateFontIndirect(&description, IID_IFontDisp,
                                   reinterpret_cast<void**>(form.site.font.put())),
             S_OK);
    const ComRef<IOleControl> control = form.query<IOleControl>(IID_IOleControl);
    CHECK_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT), S_OK);
    LOGFONTW logical = field_font();
    // The face the font names (Wine names the face it maps Courier New to).
    ComRef<IFont> ambient;
    form.site.font->QueryInterface(IID_IFont, reinterpret_cast<void**>(ambient.put()));
    BSTR name = nullptr;
    ambient->get_Name(&name);
    CHECK(name && std::wcscmp(logical.lfFaceName, name) == 0);
    CHECK(std::wcscmp(logical.lfFaceName, system_font.lfFaceName) != 0);
    SysFreeString(name);
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectW(&logical);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"255", 3, &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    CHECK(size.cx + 1 <= pixels(1590) - pixels(1305));  // left of the green strip
    CHECK(metrics.tmHeight <= pixels(1710 + 195) - pixels(1710) + 1);
}

// Last: it needs every control of the other cases released.
TEST(the_library_may_unload_once_the_container_released_the_control) {
    {
        Form form(true, block_picture());
        click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    }
    const HMODULE library = GetModuleHandleW(L"Tintbox.ocx");
    CHECK(library != nullptr);
    if (!library) {
        return;
    }
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto can_unload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    CHECK_EQ(can_unload(), S_OK);
}

int main(int argc, char** argv) {
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("OleInitialize failed\n");
        return 1;
    }
    if (const char* folder = std::getenv("TINTBOX_SCREENSHOTS")) {
        g_screenshot_folder = folder;
    }
    const int status = testing::run_all(argc, argv);
    OleUninitialize();
    return status;
}
