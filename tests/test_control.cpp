// The control as a whole: its composition, the order of nested handlers that a script
// cannot see, error paths, layout and properties.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/tintbox_internals.hpp"
#include "tintbox/tintbox.hpp"

namespace {

using namespace tintbox;

TEST(Composition, HasThirtyNineViewsTopmostFirst) {
    Tintbox control;
    TintboxInternals inside(control);
    std::vector<std::string> names;
    for (const auto& view : control.UserControl().views()) {
        names.push_back(view->name());
    }
    const std::vector<std::string> expected = {
        "tmrGetPixelColor", "txtHidden2",     "txtHidden",    "picNewColor",
        "picOldColor",      "hsRed",          "hsGreen",      "hsBlue",
        "picRed",           "picGreen",       "picBlue",      "txtWebHexRed",
        "txtWebHexGreen",   "txtWebHexBlue",  "picMinWidth",  "txtRed",
        "Picture4",         "Picture3",       "txtGreen",     "txtBlue",
        "txtDec",           "txtHex",         "txtWebHex",    "Picture7",
        "Picture10",        "Picture14",      "Picture12",    "Picture11",
        "Picture8",         "Picture5",       "CornerFrame",  "Picture6",
        "Picture9",         "ColorFrame",     "Colors",       "Frame",
        "lblWebHexRed",     "lblWebHexGreen", "lblWebHexBlue"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(inside.Colors.parent(), &inside.ColorFrame);
}

TEST(Composition, TabbingVisitsTheEditorsInOrderAndWraps) {
    Tintbox control;
    TintboxInternals inside(control);
    std::vector<std::string> order;
    for (int i = 0; i < 10; ++i) {
        control.UserControl().tab();
        order.push_back(control.UserControl().focused()->name());
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"hsRed", "txtRed", "hsGreen", "txtGreen", "hsBlue",
                                        "txtBlue", "txtDec", "txtHex", "txtWebHex", "hsRed"}));
    EXPECT_EQ(inside.ColorFrame.TabIndex(), 9);
    EXPECT_EQ(inside.Frame.TabIndex(), 10);
}

TEST(Composition, ColourBarsCoverTheRightEndOfTheComponentFields) {
    Tintbox control;
    TintboxInternals inside(control);
    Surface& surface = control.UserControl();
    const std::pair<TextField*, PictureBox*> rows[] = {{&inside.txtRed, &inside.picRed},
                                                       {&inside.txtGreen, &inside.picGreen},
                                                       {&inside.txtBlue, &inside.picBlue}};
    for (auto [field, strip] : rows) {
        EXPECT_EQ(strip->Left() + strip->Width(), field->Left() + field->Width());
        EXPECT_EQ(strip->Width(), 60);
        const Twips y = field->Top() + 50;
        EXPECT_EQ(surface.view_at(field->Left() + field->Width() - 30, y), strip);
        EXPECT_EQ(surface.view_at(field->Left() + field->Width() - 61, y), field);
    }
}

TEST(Composition, PointerShapesHaveTheirHotSpotInTheOpenCentre) {
    const auto a = pointer_shape_a();
    const auto b = pointer_shape_b();
    auto drawn = [](const PointerShapePtr& shape, int column, int row) {
        return static_cast<bool>(shape->drawn[static_cast<std::size_t>(row * 32 + column)]);
    };
    for (const auto& shape : {a, b}) {
        EXPECT_EQ(shape->hot_x, 15);
        EXPECT_EQ(shape->hot_y, 15);
        EXPECT_TRUE(drawn(shape, 15, 8));
        EXPECT_TRUE(drawn(shape, 16, 23));
        EXPECT_TRUE(drawn(shape, 8, 15));
        EXPECT_TRUE(drawn(shape, 23, 16));
        for (int i = 14; i <= 17; ++i) {
            EXPECT_FALSE(drawn(shape, 15, i));
            EXPECT_FALSE(drawn(shape, i, 16));
        }
        EXPECT_FALSE(drawn(shape, 15, 7));
        EXPECT_FALSE(drawn(shape, 15, 24));
    }
    int a_count = 0;
    int b_count = 0;
    for (int i = 0; i < 32 * 32; ++i) {
        a_count += a->drawn[static_cast<std::size_t>(i)];
        b_count += b->drawn[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(a_count, 48);
    EXPECT_EQ(b_count, 48 + 4 * 9);  // four brackets of two 5-pixel arms sharing a corner
    EXPECT_TRUE(drawn(b, 5, 5));
    EXPECT_TRUE(drawn(b, 9, 5));
    EXPECT_TRUE(drawn(b, 5, 9));
    EXPECT_FALSE(drawn(b, 10, 5));
    EXPECT_TRUE(drawn(b, 26, 26));
    EXPECT_TRUE(drawn(b, 22, 26));
    EXPECT_FALSE(drawn(a, 5, 5));
}

TEST(StartUp, ShowsBlackEverywhereAndRaisedChangeOnce) {
    Tintbox control;
    TintboxInternals inside(control);
    EXPECT_EQ(control.changes_raised(), 1u);
    EXPECT_EQ(inside.ChangeSource(), "ColorSpectrum");
    for (TextField* field :
         {&inside.txtDec, &inside.txtHex, &inside.txtRed, &inside.txtGreen, &inside.txtBlue}) {
        EXPECT_EQ(field->Text(), u"0") << field->name();
    }
    EXPECT_EQ(inside.txtWebHex.Text(), u"000000");
    for (TextField* pair : {&inside.txtWebHexRed, &inside.txtWebHexGreen, &inside.txtWebHexBlue}) {
        EXPECT_EQ(pair->Top(), 3150);
        EXPECT_EQ(pair->Text(), u"00");
        EXPECT_TRUE(pair->Visible());
        EXPECT_EQ(pair->ForeColor(), 0);
    }
    EXPECT_EQ(inside.picRed.BackColor(), 0);
    EXPECT_EQ(inside.hsRed.Value(), 0);
}

TEST(ColourCore, PicOldColorStillShowsThePreviousColourDuringTheNestedUpdate) {
    Tintbox control;
    TintboxInternals inside(control);
    control.SetRGB(0x00FF00);
    std::vector<ColorValue> old_colour_at_change;
    control.set_change_handler(
        [&] { old_colour_at_change.push_back(inside.picOldColor.BackColor()); });
    control.SetRed(255);
    EXPECT_EQ(old_colour_at_change, (std::vector<ColorValue>{0x00FF00, 0x00FFFF}));
    EXPECT_EQ(control.GetRGB(), 0x00FFFF);
    old_colour_at_change.clear();
    control.SetRed(255);  // the text is already "255": only the final update runs
    EXPECT_EQ(old_colour_at_change.size(), 1u);
}

TEST(ComponentEditors, ABarMovedUnderASettersTagStillMovesItsField) {
    Tintbox control;
    TintboxInternals inside(control);
    Surface& surface = control.UserControl();
    surface.scroll_to(inside.hsRed, 220);  // hsRed keeps the focus from here on
    control.SetRed(245);                   // leaves the tag "txtRed" behind
    surface.scroll(inside.hsRed, ScrollAction::PageDown);
    EXPECT_EQ(inside.hsRed.Value(), 246);
    EXPECT_EQ(inside.txtRed.Text(), u"246");
    EXPECT_EQ(control.GetRGB(), 246);
}

TEST(ComponentEditors, TheFieldsOwnTextIsNotRewrittenFromItsBar) {
    Tintbox control;
    TintboxInternals inside(control);
    Surface& surface = control.UserControl();
    surface.focus_by_keyboard(inside.txtRed);
    surface.type(u"007");
    EXPECT_EQ(inside.txtRed.Text(), u"007");
    EXPECT_EQ(inside.hsRed.Value(), 7);
    surface.tab();  // leaving the field normalises it
    EXPECT_EQ(inside.txtRed.Text(), u"7");
}

TEST(ColourCore, AFailingUpdateKeepsTheCommittedColourAndRaisesNoChange) {
    Tintbox control;
    TintboxInternals inside(control);
    control.SetRGB(0x123456);
    const auto changes = control.changes_raised();
    // A text the editors never let through: eight hexadecimal digits overflow.
    inside.set_change_source("ColorSpectrum");
    inside.txtHex.SetText(u"80000000");
    ColorValue color = 0;
    EXPECT_THROW(inside.UpdateColor("txtHex", color), Error);
    EXPECT_EQ(inside.CurrentColor(), 0x123456);
    EXPECT_EQ(inside.picNewColor.BackColor(), 0x123456);
    EXPECT_EQ(control.changes_raised(), changes);
}

TEST(ColourCore, AnUnknownTagOnlyCommitsTheColourPassed) {
    Tintbox control;
    TintboxInternals inside(control);
    ColorValue color = 0x0000FF;
    inside.UpdateColor("", color);
    EXPECT_EQ(control.GetRGB(), 0x0000FF);
    EXPECT_EQ(inside.txtDec.Text(), u"0");
    EXPECT_EQ(inside.picRed.BackColor(), 0xFF);
    ColorValue negative = -1;
    inside.UpdateColor("ColorSpectrum", negative);
    EXPECT_EQ(negative, 0x0000FF);  // the committed colour comes back in the argument
    EXPECT_EQ(inside.txtDec.Text(), u"255");
}

TEST(Errors, AHandlerErrorReachesTheSinkAndLeavesTheViewsWrittenSoFar) {
    Tintbox control;
    TintboxInternals inside(control);
    std::vector<std::string> errors;
    control.set_error_sink([&](const Error& e) { errors.push_back(e.what()); });
    control.set_change_handler([] { throw Error(ErrorKind::Overflow, "host handler"); });
    Surface& surface = control.UserControl();
    surface.focus_by_keyboard(inside.txtRed);
    EXPECT_NO_THROW(surface.type(u"7"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(inside.txtDec.Text(), u"7");
    EXPECT_EQ(inside.CurrentColor(), 7);
}

TEST(Eyedropper, GivesTheScreenContextBackEvenWhenTheUpdateFails) {
    Tintbox control;
    TintboxInternals inside(control);
    FakeScreen& screen = *inside.fake_screen();
    int errors = 0;
    control.set_error_sink([&](const Error&) { ++errors; });
    control.set_change_handler([] { throw Error(ErrorKind::Internal, "host handler"); });
    Surface& surface = control.UserControl();
    surface.press(kRightButton, inside.ColorFrame.Left() + 100, 100);
    screen.set_pixel({0, 0}, 0x112233);
    surface.advance_time(30);
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(screen.open_contexts(), 0);
    EXPECT_EQ(inside.CurrentColor(), 0x112233);
}

// The screen hears how each eyedropper run ended: a person's release may hand the pick to
// the desktop's own picker, a gesture that lost its release must not.
TEST(Eyedropper, TellsTheScreenWhetherTheRunEndedWithARelease) {
    enum Ending { Release, ReleaseLeft, Escape, SwitchOff };
    const struct {
        const char* how;
        std::int16_t pressed;  // a second button held with the right one, or 0
        std::int16_t button;
        Ending ending;
        int released_runs;
        int lost_runs;
    } rows[] = {
        {"right released", 0, kRightButton, Release, 1, 0},
        {"left released, right still held", kLeftButton, kRightButton, ReleaseLeft, 1, 0},
        {"Escape", 0, kRightButton, Escape, 0, 1},
        {"switched off", 0, kRightButton, SwitchOff, 0, 1},
        {"left drag released", 0, kLeftButton, Release, 0, 0},
        {"middle released", 0, kMiddleButton, Release, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        Tintbox control;
        TintboxInternals inside(control);
        Surface& surface = control.UserControl();
        const Twips x = inside.ColorFrame.Left() + 100;
        if (row.pressed != 0) {
            surface.press(row.pressed, x, 100);
        }
        surface.press(row.button, x, 100);
        surface.advance_time(20);
        switch (row.ending) {
            case Release:
                surface.release(row.button, x, 100);
                break;
            case ReleaseLeft:
                surface.release(kLeftButton, x, 100);
                surface.release(kRightButton, x, 100);  // the run has ended already
                break;
            case Escape:
                surface.key(Key::Escape);
                break;
            case SwitchOff:
                control.SetEnabled(false);
                break;
        }
        EXPECT_EQ(inside.fake_screen()->released_runs(), row.released_runs);
        EXPECT_EQ(inside.fake_screen()->lost_runs(), row.lost_runs);
    }
}

// The desktop's picker answers after the release: its colour reaches every view through
// the same door as a tick, even when a host call moved the tag to an editor meanwhile.
TEST(Eyedropper, AColourFromTheDesktopPickerGoesInAsOneTick) {
    Tintbox control;
    TintboxInternals inside(control);
    control.SetRGB(0x123456);
    control.SetRed(0x56);  // leaves the tag on txtRed
    const auto changes = control.changes_raised();
    inside.pick_screen_color(0xABCDEF);
    EXPECT_EQ(control.GetRGB(), 0xABCDEF);
    EXPECT_EQ(inside.txtHex.Text(), u"ABCDEF");
    EXPECT_EQ(inside.txtRed.Text(), u"239");
    EXPECT_EQ(inside.picOldColor.BackColor(), 0x123456);
    EXPECT_EQ(control.changes_raised(), changes + 1);

    control.SetEnabled(false);  // switched off while the person picked: dropped
    inside.pick_screen_color(0x000001);
    EXPECT_EQ(control.GetRGB(), 0xABCDEF);
    EXPECT_EQ(control.changes_raised(), changes + 1);
}

// A tick over the colour already shown raises Change, and no view has anything new to
// show: a front end mirrors nothing.
TEST(Eyedropper, ATickOverTheSameColourRaisesChangeAndChangesNoView) {
    Tintbox control;
    TintboxInternals inside(control);
    FakeScreen& screen = *inside.fake_screen();
    Surface& surface = control.UserControl();
    surface.press(kRightButton, inside.ColorFrame.Left() + 100, 100);
    screen.set_pixel({0, 0}, 0x112233);
    surface.advance_time(10);
    ASSERT_EQ(control.GetRGB(), 0x112233);
    std::vector<std::string> told;
    for (const auto& view : surface.views()) {
        view->set_observer(
            [&told](const View& changed, Aspect) { told.push_back(changed.name()); });
    }
    const auto changes = control.changes_raised();
    surface.advance_time(10);
    EXPECT_EQ(control.changes_raised(), changes + 1);
    EXPECT_EQ(told, std::vector<std::string>());
}

TEST(Layout, TheHeightIsFixedAndTheWidthIsCompactOrFull) {
    const struct {
        Twips requested, width, frame, color_frame;
    } cases[] = {
        {1000, 1695, 2970, 2940}, {1695, 1695, 2970, 2940}, {1845, 1695, 2970, 2940},
        {1846, 1846, 46, 16},     {4770, 4770, 2970, 2940}, {6000, 6000, 4200, 4170},
    };
    for (const auto& c : cases) {
        Tintbox control;
        TintboxInternals inside(control);
        Surface& surface = control.UserControl();
        surface.SetWidth(c.requested);
        surface.SetHeight(100);
        EXPECT_EQ(surface.Width(), c.width) << c.requested;
        EXPECT_EQ(surface.Height(), 3375) << c.requested;
        EXPECT_EQ(inside.Frame.Width(), c.frame) << c.requested;
        EXPECT_EQ(inside.ColorFrame.Width(), c.color_frame) << c.requested;
        EXPECT_EQ(inside.Colors.Width(), c.color_frame) << c.requested;
    }
}

TEST(Layout, ShrinkingKeepsTheLastFullLayout) {
    Tintbox control;
    TintboxInternals inside(control);
    Surface& surface = control.UserControl();
    surface.SetWidth(6000);
    surface.SetWidth(1000);
    EXPECT_EQ(surface.Width(), 1695);
    EXPECT_EQ(inside.Frame.Width(), 4200);
    EXPECT_EQ(inside.Colors.Width(), 4170);
}

TEST(Layout, ASumBeyondSinglePrecisionIsAnOverflowOfTheResizeHandler) {
    auto screen = std::make_shared<FakeScreen>();
    Tintbox control(TintboxPlatform{screen, std::make_shared<DefaultFontMetrics>(), nullptr});
    std::vector<ErrorKind> errors;
    control.set_error_sink([&](const Error& e) { errors.push_back(e.kind()); });
    screen->set_twips_per_pixel_x(3.0e38f);
    control.UserControl().SetWidth(5000);
    EXPECT_EQ(errors, std::vector<ErrorKind>{ErrorKind::Overflow});
    EXPECT_EQ(control.UserControl().Width(), 5000);
}

TEST(Properties, EnabledSwitchesExactlyTheEditors) {
    Tintbox control;
    TintboxInternals inside(control);
    std::vector<std::string> changed;
    control.set_property_changed_handler([&](const std::string& name) { changed.push_back(name); });
    control.SetEnabled(false);
    EXPECT_FALSE(control.Enabled());
    for (const auto& view : control.UserControl().views()) {
        const std::string& name = view->name();
        const bool editor = name == "hsRed" || name == "hsGreen" || name == "hsBlue" ||
                            name == "txtRed" || name == "txtGreen" || name == "txtBlue" ||
                            name == "txtDec" || name == "txtHex" || name == "txtWebHexRed" ||
                            name == "txtWebHexGreen" || name == "txtWebHexBlue";
        const bool expected_enabled = !editor && name != "tmrGetPixelColor";
        EXPECT_EQ(view->Enabled(), expected_enabled) << name;
    }
    EXPECT_EQ(changed, (std::vector<std::string>{"Enabled"}));
    control.SetEnabled(true);
    EXPECT_TRUE(inside.txtDec.Enabled());
}

TEST(Properties, ReadingABagSwitchesTheEditorsAsEnabledDoes) {
    for (const bool stored : {true, false}) {
        SCOPED_TRACE(stored ? "stored True on a disabled control" : "stored False");
        Tintbox control;
        TintboxInternals inside(control);
        control.SetEnabled(!stored);
        std::vector<std::string> changed;
        control.set_property_changed_handler(
            [&](const std::string& name) { changed.push_back(name); });
        MemoryPropertyBag bag;
        bag.set_entry("Enabled", stored);
        control.UserControl_ReadProperties(bag);
        EXPECT_EQ(control.Enabled(), stored);
        EXPECT_EQ(inside.txtRed.Enabled(), stored);
        EXPECT_EQ(inside.hsBlue.Enabled(), stored);
        EXPECT_EQ(inside.txtWebHexGreen.Enabled(), stored);
        EXPECT_EQ(changed, std::vector<std::string>{"Picture"}) << "Enabled is restored directly";
    }
}

TEST(Properties, PictureIsTheSameObjectAndABadStoredPictureStopsBeforeEnabled) {
    Tintbox control;
    auto picture = std::make_shared<const Picture>(1, 1, std::vector<ColorValue>{0x00FF00});
    control.SetPicture(picture);
    EXPECT_EQ(control.Picture().get(), picture.get());

    MemoryPropertyBag saved;
    control.UserControl_WriteProperties(saved);
    EXPECT_EQ(saved.entries().count("Enabled"), 0u);  // the default is not stored
    EXPECT_EQ(saved.entries().count("Picture"), 1u);

    MemoryPropertyBag bad;
    bad.set_entry("Picture", std::u16string(u"not a picture"));
    bad.set_entry("Enabled", false);
    Tintbox restored;
    EXPECT_THROW(restored.UserControl_ReadProperties(bad), Error);
    EXPECT_TRUE(restored.Enabled());
}

// A gesture on the spectrum that cannot end with its own release: switching the control
// off or Escape. Each row presses a button on the spectrum and ends the gesture.
TEST(Picking, AGestureThatLosesItsReleaseLeavesNothingRunning) {
    struct Row {
        const char* how;
        std::int16_t button;
        bool escape;  // Escape puts the colour from before the press back
    };
    const Row rows[] = {{"left, switched off", kLeftButton, false},
                        {"right, switched off", kRightButton, false},
                        {"left, Escape", kLeftButton, true},
                        {"right, Escape", kRightButton, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        Tintbox control;
        TintboxInternals inside(control);
        auto picture = std::make_shared<const Picture>(1, 1, std::vector<ColorValue>{0x00FF00});
        control.SetPicture(picture);
        control.SetRGB(0x123456);
        inside.fake_screen()->fill(0x0000FF);
        Surface& surface = control.UserControl();
        const Twips x = inside.ColorFrame.Left() + 100;
        surface.press(row.button, x, 100);
        surface.advance_time(30);
        ASSERT_NE(control.GetRGB(), 0x123456);
        const auto changes = control.changes_raised();
        if (row.escape) {
            EXPECT_TRUE(surface.key(Key::Escape));
            EXPECT_EQ(control.GetRGB(), 0x123456);
            EXPECT_EQ(inside.txtHex.Text(), u"123456");
            EXPECT_EQ(control.changes_raised(), changes + 1);
        } else {
            control.SetEnabled(false);
            surface.advance_time(50);
            EXPECT_EQ(control.changes_raised(), changes);
            control.SetEnabled(true);
        }
        EXPECT_FALSE(inside.SpectrumPressed());
        EXPECT_FALSE(inside.tmrGetPixelColor.Enabled());
        EXPECT_EQ(inside.Colors.MousePointer(), kDefaultPointer);
        EXPECT_EQ(surface.held_buttons(), 0);
        // A click on a field now lands on the field.
        surface.press(kLeftButton, inside.txtRed.Left() + 50, inside.txtRed.Top() + 50);
        surface.release(kLeftButton, inside.txtRed.Left() + 50, inside.txtRed.Top() + 50);
        EXPECT_EQ(surface.focused(), &inside.txtRed);
    }
}

TEST(Picking, EscapeWithoutAPickLeavesTheColourAlone) {
    Tintbox control;
    TintboxInternals inside(control);
    control.SetRGB(0x123456);
    Surface& surface = control.UserControl();
    surface.press(kMiddleButton, inside.ColorFrame.Left() + 100, 100);
    const auto changes = control.changes_raised();
    EXPECT_TRUE(surface.key(Key::Escape));
    EXPECT_EQ(control.changes_raised(), changes);
    EXPECT_EQ(control.GetRGB(), 0x123456);
}

// Windows and X11 report moves where the pointer did not go anywhere; during a drag on
// the spectrum such a move must not pick again. Each row is one step of one drag and the
// Change events it raises.
TEST(Picking, AMoveThatWentNowhereDoesNotPickAgain) {
    enum class Act { Press, Move, Release };
    struct Row {
        const char* what;
        Act act;
        Twips x;
        int changes;
    };
    const Twips a = 100;
    const Twips b = 200;
    const Row rows[] = {{"press at a", Act::Press, a, 1},
                        {"move to a, where the press was", Act::Move, a, 0},
                        {"move to b", Act::Move, b, 1},
                        {"move to b again", Act::Move, b, 0},
                        {"move to b once more", Act::Move, b, 0},
                        {"release at b", Act::Release, b, 0},
                        {"press at a", Act::Press, a, 1},
                        {"move to b, where the last drag ended", Act::Move, b, 1},
                        {"move back to a", Act::Move, a, 1}};
    Tintbox control;
    TintboxInternals inside(control);
    control.SetPicture(std::make_shared<const Picture>(1, 1, std::vector<ColorValue>{0x00FF00}));
    Surface& surface = control.UserControl();
    const Twips left = inside.ColorFrame.Left();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto before = control.changes_raised();
        switch (row.act) {
            case Act::Press:
                surface.press(kLeftButton, left + row.x, 100);
                break;
            case Act::Move:
                surface.move(left + row.x, 100);
                break;
            case Act::Release:
                surface.release(kLeftButton, left + row.x, 100);
                break;
        }
        EXPECT_EQ(control.changes_raised() - before, row.changes);
    }
}

TEST(HexEditors, AColourNumberIsPastedAsPeopleCopyIt) {
    struct Row {
        const char* field;
        std::u16string pasted;
        std::u16string text;
        ColorValue color;
    };
    const Row rows[] = {
        {"txtWebHex", u"#1E90FF", u"1E90FF", 0xFF901E},
        {"txtWebHex", u"  0x00FF00 ", u"00FF00", 0x00FF00},
        {"txtHex", u"0x00FF00", u"00FF00", 0x00FF00},
        {"txtHex", u"&HFF8000", u"FF8000", 0xFF8000},
        {"txtHex", u"##12", u"12", 0x12},  // one "#" only; the second is cleaned away
    };
    for (const Row& row : rows) {
        Tintbox control;
        Surface& surface = control.UserControl();
        auto& field = static_cast<TextField&>(*surface.find(row.field));
        surface.focus_by_keyboard(field);
        surface.paste(row.pasted);
        EXPECT_EQ(field.Text(), row.text) << row.field;
        EXPECT_EQ(control.GetRGB(), row.color) << row.field;
    }
}

TEST(ComponentEditors, ADisabledEditorThatKeepsTheFocusTakesNoTyping) {
    Tintbox control;
    TintboxInternals inside(control);
    Surface& surface = control.UserControl();
    surface.focus_by_keyboard(inside.txtRed);
    inside.txtRed.SetEnabled(false);
    ASSERT_TRUE(surface.Enabled());
    ASSERT_FALSE(inside.txtRed.Enabled());
    surface.type(u"7");
    EXPECT_EQ(control.GetRed(), 0);
}

}  // namespace
