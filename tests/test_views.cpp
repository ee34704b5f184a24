// The view contract: notification rules, focus, mouse routing and a person's editing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view_contract_fixture.hpp"

namespace {

using namespace tintbox;

TEST_F(ViewContract, ChangeIsRaisedOnlyForADifferentTextAndBeforeTheWriteReturns) {
    bool seen_new_text = false;
    other->on_change = [&] { seen_new_text = other->Text() == u"abc"; };
    other->SetText(u"abc");
    EXPECT_TRUE(seen_new_text);
    seen_new_text = false;
    other->SetText(u"abc");
    EXPECT_FALSE(seen_new_text);
}

TEST_F(ViewContract, SelectionAndColourWritesRaiseNothing) {
    other->SetText(u"hello");
    log.clear();
    other->SetSelStart(2);
    other->SetSelLength(2);
    other->SetForeColor(0x123456);
    other->SetVisible(false);
    other->SetEnabled(false);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(other->SelStart(), 2);
    EXPECT_EQ(other->SelLength(), 2);
}

TEST_F(ViewContract, SelStartBeyondTheEndPutsTheCaretAtTheEnd) {
    other->SetText(u"abc");
    other->SetSelStart(99);
    EXPECT_EQ(other->SelStart(), 3);
    EXPECT_EQ(other->SelLength(), 0);
    other->SetSelStart(1);
    other->SetSelLength(99);
    EXPECT_EQ(other->SelLength(), 2);
}

TEST_F(ViewContract, ReentrantWritesFromAChangeHandlerEnd) {
    // A handler that cleans its own text: the nested write of the cleaned text raises
    // Change once more, and the write of an unchanged text ends the chain.
    int runs = 0;
    other->on_change = [&] {
        ++runs;
        std::u16string cleaned;
        for (char16_t c : other->Text()) {
            if (c != u'x') {
                cleaned.push_back(c);
            }
        }
        other->SetText(cleaned);
    };
    other->SetText(u"axbxc");
    EXPECT_EQ(other->Text(), u"abc");
    EXPECT_EQ(runs, 2);
}

TEST_F(ViewContract, ScrollBarValueFollowsTheSameRules) {
    bar->SetValue(7);
    bar->SetValue(7);
    EXPECT_EQ(log, (std::vector<std::string>{"bar.Change 7"}));
    EXPECT_THROW(bar->SetValue(256), Error);
}

TEST_F(ViewContract, SetFocusRaisesLostFocusBeforeGotFocus) {
    other->SetFocus();
    top->SetFocus();
    top->SetFocus();  // already focused: nothing
    EXPECT_EQ(log, (std::vector<std::string>{"other.GotFocus", "other.LostFocus", "top.GotFocus"}));
    other->SetVisible(false);
    EXPECT_THROW(other->SetFocus(), Error);
}

TEST_F(ViewContract, TabFollowsTheTabIndicesAndWraps) {
    std::vector<std::string> order;
    for (int i = 0; i < 5; ++i) {
        surface.tab();
        order.push_back(surface.focused()->name());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"under", "top", "other", "bar", "under"}));
    surface.backtab();
    EXPECT_EQ(surface.focused()->name(), "bar");
    other->SetEnabled(false);  // disabled views are skipped
    surface.backtab();
    EXPECT_EQ(surface.focused()->name(), "top");
}

TEST_F(ViewContract, APressRaisesMouseDownThenMovesTheFocusThenPlacesTheCaret) {
    other->SetText(u"hello");
    top->SetFocus();
    log.clear();
    std::int32_t caret_during_got_focus = -1;
    other->on_got_focus = [&] {
        log.push_back("other.GotFocus");
        caret_during_got_focus = other->SelStart();
    };
    // 2.5 default-font characters ("he" = 12 px) in from the left edge at 15 twips a pixel.
    surface.press(kLeftButton, 13 * 15, 1100);
    EXPECT_EQ(log,
              (std::vector<std::string>{"other.MouseDown 1", "top.LostFocus", "other.GotFocus"}));
    EXPECT_EQ(caret_during_got_focus, 0);
    EXPECT_EQ(other->SelStart(), 2);
    surface.release(kLeftButton, 13 * 15, 1100);
}

TEST_F(ViewContract, HiddenAndDisabledViewsLetTheMouseThrough) {
    surface.press(kLeftButton, 100, 100);
    surface.release(kLeftButton, 100, 100);
    EXPECT_EQ(log.front(), "top.MouseDown 1");
    for (auto hide :
         {+[](TextField& f) { f.SetVisible(false); }, +[](TextField& f) { f.SetEnabled(false); }}) {
        top->SetVisible(true);
        top->SetEnabled(true);
        hide(*top);
        log.clear();
        surface.press(kRightButton, 100, 100);
        surface.release(kRightButton, 100, 100);
        EXPECT_EQ(log.front(), "under.MouseDown 2");
    }
}

TEST_F(ViewContract, ThePressedViewCapturesMovesAndTheReleaseUntilTheButtonGoesUp) {
    for (TextField* field : {top, other}) {
        field->on_mouse_move = [this, field](const MouseEvent&) {
            log.push_back(field->name() + ".MouseMove");
        };
    }
    surface.press(kLeftButton, 100, 1100);  // on "other"
    log.clear();
    surface.move(100, 100);                    // over "top"
    surface.release(kLeftButton, 2900, 2900);  // far outside every view
    surface.move(100, 100);
    EXPECT_EQ(log, (std::vector<std::string>{"other.MouseMove", "other.MouseMove", "other.MouseUp",
                                             "top.MouseMove"}));
}

TEST_F(ViewContract, TypingRespectsMaxLengthAndPasteIsCutToFit) {
    other->SetFocus();
    other->SetMaxLength(3);
    log.clear();
    surface.type(u"12345");
    EXPECT_EQ(other->Text(), u"123");
    EXPECT_EQ(log.size(), 3u);  // one Change per accepted keystroke
    surface.select(1, 1);
    surface.paste(u"abcdef");
    EXPECT_EQ(other->Text(), u"1a3");
    surface.key(Key::End);
    surface.paste(u"z");  // no room: nothing happens
    EXPECT_EQ(other->Text(), u"1a3");
    other->SetMaxLength(0);  // 0 means no limit
    surface.type(u"4567");
    EXPECT_EQ(other->Text(), u"1a34567");
}

TEST_F(ViewContract, EditingKeysMoveTheCaretAndSelect) {
    other->SetFocus();
    surface.type(u"abcd");
    surface.key(Key::Backspace);
    EXPECT_EQ(other->Text(), u"abc");
    surface.key(Key::Home);
    surface.key(Key::Delete);
    EXPECT_EQ(other->Text(), u"bc");
    surface.key(Key::ShiftEnd);
    EXPECT_EQ(other->SelStart(), 0);
    EXPECT_EQ(other->SelLength(), 2);
    surface.key(Key::Right);  // collapses to the selection's end
    EXPECT_EQ(other->SelStart(), 2);
    surface.key(Key::ShiftLeft);
    surface.type(u"Z");
    EXPECT_EQ(other->Text(), u"bZ");
    surface.key(Key::CtrlA);
    surface.key(Key::Backspace);
    EXPECT_EQ(other->Text(), u"");
    const auto changes_before = log.size();
    surface.key(Key::Backspace);  // nothing to delete: no Change
    EXPECT_EQ(log.size(), changes_before);
}

TEST_F(ViewContract, AScrollBarTakesTheFocusBeforeItMovesAndAThumbDragChangesOnceOnRelease) {
    surface.scroll(*bar, ScrollAction::LineDown);
    EXPECT_EQ(log, (std::vector<std::string>{"bar.GotFocus", "bar.Change 1"}));
    log.clear();
    surface.scroll(*bar, ScrollAction::LineUp);
    surface.scroll(*bar, ScrollAction::LineUp);  // already at Min: nothing
    EXPECT_EQ(log, (std::vector<std::string>{"bar.Change 0"}));
    log.clear();
    // Drag the thumb with the mouse: moves change nothing, the release changes once.
    const Twips thumb_centre = bar->thumb_left() + bar->arrow_size() / 2;
    surface.press(kLeftButton, thumb_centre, 2100);
    surface.move(600, 2100);
    surface.move(900, 2100);
    EXPECT_TRUE(log.empty());
    surface.release(kLeftButton, 900, 2100);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_GT(bar->Value(), 128);
}

TEST_F(ViewContract, AHandlerErrorGoesToTheSinkAndTheWriteStillReturns) {
    other->on_change = [] { throw Error(ErrorKind::Overflow, "in other.Change"); };
    EXPECT_NO_THROW(other->SetText(u"x"));
    EXPECT_EQ(other->Text(), u"x");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "error Overflow: in other.Change");
}

TEST_F(ViewContract, TimersFireEveryIntervalWhileEnabled) {
    Timer& timer = surface.add<Timer>("timer");
    timer.SetInterval(10);
    timer.SetEnabled(false);
    int ticks = 0;
    timer.on_timer = [&] {
        if (++ticks == 3) {
            timer.SetEnabled(false);
        }
    };
    surface.advance_time(50);
    EXPECT_EQ(ticks, 0);
    timer.SetEnabled(true);
    surface.advance_time(25);
    EXPECT_EQ(ticks, 2);
    surface.advance_time(100);
    EXPECT_EQ(ticks, 3);  // it disabled itself
}

TEST_F(ViewContract, PointReadsTheStretchedPictureAndTheBoxColourAroundIt) {
    PictureBox& box = surface.add<PictureBox>("box");
    Image& image = surface.add<Image>("image");
    box.SetWidth(300);
    box.SetHeight(300);
    box.SetBackColor(0x00FF00);
    image.place_inside(box);
    image.SetWidth(200);
    image.SetHeight(100);
    image.SetStretch(true);
    // A 2 x 1 picture stretched to 200 x 100 twips: each pixel covers 100 twips.
    image.SetPicture(
        std::make_shared<const Picture>(2, 1, std::vector<ColorValue>{0x0000FF, 0xFF0000}));
    EXPECT_EQ(box.Point(0, 0), 0x0000FF);
    EXPECT_EQ(box.Point(99.9f, 99), 0x0000FF);
    EXPECT_EQ(box.Point(100, 0), 0xFF0000);
    EXPECT_EQ(box.Point(199, 99), 0xFF0000);
    EXPECT_EQ(box.Point(200, 50), 0x00FF00);  // right of the picture: the box's colour
    EXPECT_EQ(box.Point(300, 0), -1);         // outside the box
    EXPECT_EQ(box.Point(-1, 0), -1);
    image.SetPicture(nullptr);
    box.SetBackColor(kSystemButtonFace);
    EXPECT_EQ(box.Point(0, 0), resolve_system_color(kSystemButtonFace));
}

TEST_F(ViewContract, AutoSizedLabelsTakeTheWidthOfTheirCaption) {
    Label& label = surface.add<Label>("label");
    label.SetAutoSize(true);
    label.SetCaption(u"11");
    const Twips narrow = label.Width();
    label.SetCaption(u"88");
    EXPECT_LT(narrow, label.Width());
    EXPECT_EQ(label.Width(), 12 * 15);
}

TEST_F(ViewContract, ALeftDragSelectsAndADoubleClickSelectsTheWholeText) {
    other->SetText(u"hello");
    // In the default font "h" is 6 pixels (90 twips) wide and "hell" 20 (300 twips).
    surface.press(kLeftButton, 95, 1100);  // caret after "h"
    EXPECT_EQ(other->SelStart(), 1);
    surface.move(305, 1100);  // to after "hell"
    EXPECT_EQ(other->SelStart(), 1);
    EXPECT_EQ(other->SelLength(), 3);
    surface.release(kLeftButton, 305, 1100);
    surface.move(95, 1100);  // no button held: the selection stays
    EXPECT_EQ(other->SelLength(), 3);

    surface.press(kLeftButton, 95, 1100);
    surface.double_click(kLeftButton, 95, 1100);
    surface.move(100, 1100);  // a jitter before the release keeps the whole text selected
    EXPECT_EQ(other->SelStart(), 0);
    EXPECT_EQ(other->SelLength(), 5);
    surface.release(kLeftButton, 100, 1100);
}

TEST_F(ViewContract, FocusLeavingTheSurfaceRaisesLostFocusOnce) {
    other->SetFocus();
    log.clear();
    surface.clear_focus();
    surface.clear_focus();
    EXPECT_EQ(log, (std::vector<std::string>{"other.LostFocus"}));
    EXPECT_EQ(surface.focused(), nullptr);
    surface.tab();
    EXPECT_EQ(surface.focused(), under);
}

TEST_F(ViewContract, KeyboardFocusDoesNotReachAViewThatCannotTakeIt) {
    other->SetEnabled(false);
    surface.focus_by_keyboard(*other);
    EXPECT_EQ(surface.focused(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewContract, ADisabledSurfaceIgnoresAPersonsInput) {
    surface.SetEnabled(false);
    surface.tab();
    surface.press(kLeftButton, 100, 100);
    surface.scroll(*bar, ScrollAction::LineDown);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(surface.focused(), nullptr);
}

TEST_F(ViewContract, ResizeIsRaisedForANewSizeOnly) {
    int resizes = 0;
    surface.on_resize = [&] { ++resizes; };
    surface.SetWidth(3000);
    surface.SetWidth(2000);
    surface.SetHeight(2000);
    EXPECT_EQ(resizes, 2);
    EXPECT_THROW(surface.SetWidth(std::numeric_limits<float>::infinity()), Error);
}

}  // namespace
