// The control object: its views with their design-time settings, the pointer shapes,
// and the wiring of every view event to its handler.
#include <initializer_list>
#include <utility>

#include "tintbox_internals.hpp"

namespace tintbox {
namespace {

constexpr int kCursorSide = 32;

void draw(PointerShape& shape, int column, int row) {
    shape.drawn[static_cast<std::size_t>(row * kCursorSide + column)] = true;
}

// A cross of two 2-pixel bars with the centre rows and columns 14..17 left open.
PointerShape cross(std::string name) {
    PointerShape shape{std::move(name), std::vector<bool>(kCursorSide * kCursorSide, false), 15,
                       15};
    for (int along : {8, 9, 10, 11, 12, 13, 18, 19, 20, 21, 22, 23}) {
        for (int across : {15, 16}) {
            draw(shape, across, along);  // vertical bar
            draw(shape, along, across);  // horizontal bar
        }
    }
    return shape;
}

struct Placement {
    Twips left, top, width, height;
    int tab_index;
};

void place(View& view, const Placement& p) {
    view.SetLeft(p.left);
    view.SetTop(p.top);
    view.SetWidth(p.width);
    view.SetHeight(p.height);
    view.set_tab_index(p.tab_index);
}

}  // namespace

PointerShapePtr pointer_shape_a() {
    static const PointerShapePtr shape = std::make_shared<const PointerShape>(cross("A"));
    return shape;
}

PointerShapePtr pointer_shape_b() {
    static const PointerShapePtr shape = [] {
        PointerShape b = cross("B");
        for (int arm = 0; arm < 5; ++arm) {
            for (int edge : {5, 26}) {
                for (int start : {5, 22}) {
                    draw(b, start + arm, edge);  // rows 5 and 26
                    draw(b, edge, start + arm);  // columns 5 and 26
                }
            }
        }
        return std::make_shared<const PointerShape>(std::move(b));
    }();
    return shape;
}

ControlSurface::ControlSurface(TintboxPlatform platform)
    : surface_(std::make_unique<Surface>(
          platform.screen ? std::move(platform.screen) : std::make_shared<FakeScreen>(),
          platform.fonts ? std::move(platform.fonts) : std::make_shared<DefaultFontMetrics>(),
          std::move(platform.clipboard))) {}

ControlViews::ControlViews(Surface& surface)
    : tmrGetPixelColor(surface.add<Timer>("tmrGetPixelColor")),
      txtHidden2(surface.add<TextField>("txtHidden2")),
      txtHidden(surface.add<TextField>("txtHidden")),
      picNewColor(surface.add<PictureBox>("picNewColor")),
      picOldColor(surface.add<PictureBox>("picOldColor")),
      hsRed(surface.add<ScrollBar>("hsRed")),
      hsGreen(surface.add<ScrollBar>("hsGreen")),
      hsBlue(surface.add<ScrollBar>("hsBlue")),
      picRed(surface.add<PictureBox>("picRed")),
      picGreen(surface.add<PictureBox>("picGreen")),
      picBlue(surface.add<PictureBox>("picBlue")),
      txtWebHexRed(surface.add<TextField>("txtWebHexRed")),
      txtWebHexGreen(surface.add<TextField>("txtWebHexGreen")),
      txtWebHexBlue(surface.add<TextField>("txtWebHexBlue")),
      picMinWidth(surface.add<PictureBox>("picMinWidth")),
      txtRed(surface.add<TextField>("txtRed")),
      Picture4(surface.add<PictureBox>("Picture4")),
      Picture3(surface.add<PictureBox>("Picture3")),
      txtGreen(surface.add<TextField>("txtGreen")),
      txtBlue(surface.add<TextField>("txtBlue")),
      txtDec(surface.add<TextField>("txtDec")),
      txtHex(surface.add<TextField>("txtHex")),
      txtWebHex(surface.add<TextField>("txtWebHex")),
      Picture7(surface.add<PictureBox>("Picture7")),
      Picture10(surface.add<PictureBox>("Picture10")),
      Picture14(surface.add<PictureBox>("Picture14")),
      Picture12(surface.add<PictureBox>("Picture12")),
      Picture11(surface.add<PictureBox>("Picture11")),
      Picture8(surface.add<PictureBox>("Picture8")),
      Picture5(surface.add<PictureBox>("Picture5")),
      CornerFrame(surface.add<PictureBox>("CornerFrame")),
      Picture6(surface.add<PictureBox>("Picture6")),
      Picture9(surface.add<PictureBox>("Picture9")),
      ColorFrame(surface.add<PictureBox>("ColorFrame")),
      Colors(surface.add<Image>("Colors")),
      Frame(surface.add<PictureBox>("Frame")),
      lblWebHexRed(surface.add<Label>("lblWebHexRed")),
      lblWebHexGreen(surface.add<Label>("lblWebHexGreen")),
      lblWebHexBlue(surface.add<Label>("lblWebHexBlue")) {}

Tintbox::Parts::Parts(TintboxPlatform platform)
    : ControlSurface(std::move(platform)), ControlViews(*surface_) {
    compose_views();
    connect_handlers();
    UserControl_Initialize();
}

void Tintbox::Parts::compose_views() {
    tmrGetPixelColor.SetEnabled(false);
    tmrGetPixelColor.SetInterval(10);

    // Text fields: place, then their design-time settings.
    place(txtHidden2, {840, 3720, 855, 195, 36});
    txtHidden2.SetText(u"txtHidden2");
    txtHidden2.SetBackColor(kSystemMenu);
    txtHidden2.SetMousePointer(kCustomPointer);
    txtHidden2.SetMouseIcon(pointer_shape_b());
    place(txtHidden, {840, 3480, 855, 195, 11});
    txtHidden.SetText(u"txtHidden");
    txtHidden.SetBackColor(kSystemMenu);
    txtHidden.SetMousePointer(kCustomPointer);
    txtHidden.SetMouseIcon(pointer_shape_a());
    // Focus parking and the pair overlays are reached by code, never by Tab.
    for (TextField* field :
         {&txtHidden2, &txtHidden, &txtWebHexRed, &txtWebHexGreen, &txtWebHexBlue}) {
        field->set_tab_stop(false);
    }
    // The parking fields only hold the focus: their texts are not a person's to copy.
    txtHidden.set_copyable(false);
    txtHidden2.set_copyable(false);

    place(picNewColor, {15, 600, 1665, 600, 31});
    picNewColor.SetBackColor(0x000000);
    place(picOldColor, {15, 15, 1665, 600, 18});
    picOldColor.SetBackColor(0x000000);

    place(hsRed, {0, 1320, 1215, 255, 0});
    place(hsGreen, {0, 1680, 1215, 255, 2});
    place(hsBlue, {0, 2040, 1215, 255, 4});
    for (ScrollBar* bar : {&hsRed, &hsGreen, &hsBlue}) {
        bar->SetMax(255);
    }

    place(picRed, {1590, 1350, 60, 195, 17});
    picRed.SetBackColor(0x0000FF);
    place(picGreen, {1590, 1710, 60, 195, 16});
    picGreen.SetBackColor(0x00FF00);
    place(picBlue, {1590, 2070, 60, 195, 15});
    picBlue.SetBackColor(0xFF0000);

    place(txtWebHexRed, {0, 3720, 180, 195, 14});
    txtWebHexRed.SetText(u"FF");
    txtWebHexRed.SetForeColor(0x0000FF);
    place(txtWebHexGreen, {240, 3720, 180, 195, 13});
    txtWebHexGreen.SetText(u"FF");
    txtWebHexGreen.SetForeColor(0x00FF00);
    place(txtWebHexBlue, {480, 3720, 180, 195, 12});
    txtWebHexBlue.SetText(u"FF");
    txtWebHexBlue.SetForeColor(0xFF0000);

    place(picMinWidth, {0, 0, 1695, 1215, 32});
    place(txtRed, {1305, 1350, 345, 195, 1});
    place(Picture4, {1290, 1335, 390, 225, 19});
    place(Picture3, {1275, 1320, 420, 255, 20});
    place(txtGreen, {1305, 1710, 345, 195, 3});
    place(txtBlue, {1305, 2070, 345, 195, 5});
    for (TextField* field : {&txtRed, &txtGreen, &txtBlue}) {
        field->SetText(u"255");
        field->SetMaxLength(3);
    }
    place(txtDec, {30, 2430, 1635, 195, 6});
    txtDec.SetText(u"16777215");
    txtDec.SetMaxLength(8);
    place(txtHex, {30, 2790, 1635, 195, 7});
    txtHex.SetText(u"FFFFFF");
    txtHex.SetMaxLength(6);
    place(txtWebHex, {30, 3150, 1635, 195, 8});
    txtWebHex.SetText(u"FFFFFF");
    txtWebHex.SetMaxLength(6);

    // The numbered frames, in pairs around each editor: an outer frame with a line
    // border one pixel outside an inner, borderless one.
    //   red field:    Picture3 (outer), Picture4 (inner)
    //   green field:  Picture6 (outer), Picture7 (inner)
    //   blue field:   Picture9 (outer), Picture10 (inner)
    //   txtDec:       Picture8 (outer), Picture11 (inner)
    //   txtHex:       Picture5 (outer), Picture12 (inner)
    //   txtWebHex:    CornerFrame (outer), Picture14 (inner)
    // picMinWidth frames the whole left column (the compact form's width) and Frame
    // the spectrum's ColorFrame.
    place(Picture7, {1290, 1695, 390, 225, 21});
    place(Picture10, {1290, 2055, 390, 225, 23});
    place(Picture14, {15, 3135, 1665, 225, 29});
    place(Picture12, {15, 2775, 1665, 225, 27});
    place(Picture11, {15, 2415, 1665, 225, 25});
    place(Picture8, {0, 2400, 1695, 255, 26});
    place(Picture5, {0, 2760, 1695, 255, 28});
    place(CornerFrame, {0, 3120, 1695, 255, 30});
    place(Picture6, {1275, 1680, 420, 255, 22});
    place(Picture9, {1275, 2040, 420, 255, 24});
    place(ColorFrame, {1815, 15, 2940, 3345, 9});

    place(Colors, {0, 0, 2940, 3345, -1});
    Colors.place_inside(ColorFrame);
    Colors.SetStretch(true);
    Colors.SetMouseIcon(pointer_shape_a());

    place(Frame, {1800, 0, 2970, 3375, 10});
    for (View* outer :
         std::initializer_list<View*>{&Picture3, &Picture6, &Picture9, &Picture8, &Picture5,
                                      &CornerFrame, &picMinWidth, &Frame}) {
        outer->set_border_line(true);
    }

    struct LabelSetting {
        Label* label;
        Twips left;
        ColorValue fore_color;
        int tab_index;
    };
    for (const LabelSetting& s : {LabelSetting{&lblWebHexRed, 0, 0x0000FF, 35},
                                  LabelSetting{&lblWebHexGreen, 240, 0x00FF00, 34},
                                  LabelSetting{&lblWebHexBlue, 480, 0xFF0000, 33}}) {
        place(*s.label, {s.left, 3480, 180, 195, s.tab_index});
        s.label->SetCaption(u"FF");
        s.label->SetBackColor(0x000000);
        s.label->SetForeColor(s.fore_color);
        s.label->SetAutoSize(true);
    }

    surface_->set_design_size(4770, CornerFrame.Top() + CornerFrame.Height(), picMinWidth.Width());
}

void Tintbox::Parts::connect_handlers() {
    surface_->on_resize = [this] { UserControl_Resize(); };

    struct Component {
        ScrollBar& bar;
        TextField& field;
        const char* field_tag;
        const char* bar_tag;
        bool& clicked;
    };
    for (Component c :
         {Component{hsRed, txtRed, tags::kTxtRed, tags::kHsRed, ClickedRed_},
          Component{hsGreen, txtGreen, tags::kTxtGreen, tags::kHsGreen, ClickedGreen_},
          Component{hsBlue, txtBlue, tags::kTxtBlue, tags::kHsBlue, ClickedBlue_}}) {
        ScrollBar* bar = &c.bar;
        TextField* field = &c.field;
        const char* field_tag = c.field_tag;
        const char* bar_tag = c.bar_tag;
        bool* clicked = &c.clicked;
        bar->on_change = [=] { hsComponent_Change(*bar, *field, field_tag); };
        bar->on_got_focus = [=] { ChangeSource_ = bar_tag; };
        field->on_change = [=] { txtComponent_Change(*field, *bar, field_tag, bar_tag); };
        field->on_mouse_down = [=](const MouseEvent& e) {
            if (e.button == kLeftButton) {
                *clicked = true;
            }
        };
        field->on_got_focus = [=] { TextEditor_GotFocus(*field, field_tag, *clicked); };
        field->on_lost_focus = [=] { txtComponent_LostFocus(*field, *clicked); };
    }

    auto set_on_left_press = [](bool& flag) {
        return [&flag](const MouseEvent& e) {
            if (e.button == kLeftButton) {
                flag = true;
            }
        };
    };
    txtDec.on_change = [this] { txtDec_Change(); };
    txtDec.on_got_focus = [this] { TextEditor_GotFocus(txtDec, tags::kTxtDec, ClickedDec_); };
    txtDec.on_lost_focus = [this] { txtDec_LostFocus(); };
    txtDec.on_mouse_down = set_on_left_press(ClickedDec_);
    txtHex.on_change = [this] { txtHex_Change(); };
    txtHex.on_got_focus = [this] { TextEditor_GotFocus(txtHex, tags::kTxtHex, ClickedHex_); };
    txtHex.on_lost_focus = [this] { txtHex_LostFocus(); };
    txtHex.on_mouse_down = set_on_left_press(ClickedHex_);
    txtHex.paste_filter = &Tintbox::Parts::ColorNumberPaste;
    txtHex.whole_text_paste = &Tintbox::Parts::HexNotationPaste;
    txtWebHex.on_change = [this] { txtWebHex_Change(); };
    txtWebHex.on_got_focus = [this] { txtWebHex_GotFocus(); };
    txtWebHex.on_lost_focus = [this] { txtWebHex_LostFocus(); };
    txtWebHex.on_mouse_down = set_on_left_press(ClickedWebHex_);
    txtWebHex.paste_filter = &Tintbox::Parts::ColorNumberPaste;
    txtWebHex.whole_text_paste = &Tintbox::Parts::WebHexNotationPaste;
    for (TextField* pair : {&txtWebHexRed, &txtWebHexGreen, &txtWebHexBlue}) {
        pair->on_mouse_move = [this, pair](const MouseEvent&) { txtWebHexPair_MouseMove(*pair); };
    }

    Colors.on_mouse_down = [this](const MouseEvent& e) { Colors_MouseDown(e); };
    Colors.on_mouse_move = [this](const MouseEvent& e) { Colors_MouseMove(e); };
    Colors.on_mouse_up = [this](const MouseEvent& e) { Colors_MouseUp(e); };
    Colors.on_gesture_cancelled = [this] { Colors_GestureCancelled(); };
    tmrGetPixelColor.on_timer = [this] { tmrGetPixelColor_Timer(); };
}

}  // namespace tintbox
