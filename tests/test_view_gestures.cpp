// The view layer's gestures that lose their release, keys that leave or stay in the
// control, the key chords of every front end, the clipboard, undo, and input to a view
// that is switched off.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tintbox/input.hpp"
#include "tintbox/mirror_session.hpp"
#include "view_contract_fixture.hpp"

namespace {

using namespace tintbox;

TEST_F(ViewContract, EndGestureReleasesEveryHeldButtonOnceWhereThePointerIs) {
    surface.press(kLeftButton, 100, 100);
    surface.press(kRightButton, 100, 100);
    surface.move(2500, 2500);  // far outside: the capture still gets the release
    log.clear();
    surface.end_gesture();
    EXPECT_EQ(log, (std::vector<std::string>{"top.MouseUp", "top.MouseUp"}));
    EXPECT_EQ(surface.held_buttons(), 0);
    EXPECT_EQ(surface.captured(), nullptr);
    log.clear();
    surface.end_gesture();  // nothing held: nothing to end
    EXPECT_TRUE(log.empty());
    // The next press goes to the view under the pointer, not to the old capture.
    surface.press(kLeftButton, 100, 1100);
    EXPECT_EQ(log.front(), "other.MouseDown 1");
}

TEST_F(ViewContract, SwitchingTheSurfaceOffCommitsAThumbDragAndForgetsTheDragSelection) {
    top->SetText(u"abcdef");
    surface.press(kLeftButton, 10, 100);  // starts a drag selection in `top`
    surface.SetEnabled(false);
    surface.SetEnabled(true);
    surface.move(900, 100);  // no button held: selects nothing
    EXPECT_EQ(top->SelLength(), 0);

    const Twips thumb_centre = bar->thumb_left() + bar->arrow_size() / 2;
    surface.press(kLeftButton, thumb_centre, 2100);
    surface.move(900, 2100);
    log.clear();
    surface.SetEnabled(false);
    ASSERT_EQ(log.size(), 1u);  // the drag's one Change, as its release would give
    EXPECT_GT(bar->Value(), 128);
    EXPECT_FALSE(bar->dragging());
    EXPECT_EQ(surface.held_buttons(), 0);
}

TEST_F(ViewContract, EscapeCancelsAGestureOnlyAndTellsTheViewBeforeItsRelease) {
    EXPECT_FALSE(surface.key(Key::Escape));  // no gesture: the host's key
    top->on_gesture_cancelled = [this] { log.push_back("top.Cancelled"); };
    surface.press(kLeftButton, 100, 100);
    log.clear();
    EXPECT_TRUE(surface.key(Key::Escape));
    EXPECT_EQ(log, (std::vector<std::string>{"top.Cancelled", "top.MouseUp"}));
    EXPECT_EQ(surface.held_buttons(), 0);
}

TEST_F(ViewContract, TabLeavesTheControlOnlyPastEitherEndOfTheTabOrder) {
    struct Row {
        View* focused;
        bool forward;
        bool leaves;
    };
    const Row rows[] = {
        {nullptr, true, false}, {under, false, true}, {under, true, false},
        {top, true, false},     {bar, true, true},    {bar, false, false},
    };
    for (const Row& row : rows) {
        if (row.focused != nullptr) {
            surface.focus_by_keyboard(*row.focused);
        } else {
            surface.clear_focus();
        }
        EXPECT_EQ(surface.tab_leaves(row.forward), row.leaves)
            << (row.focused ? row.focused->name() : "none") << (row.forward ? " Tab" : " Backtab");
    }
}

// A skin's batch: a view changed again before its turn is mirrored once with both
// changes; one changed by its own mirroring comes round again.
TEST(PendingChanges, DrainsInFirstChangeOrderUntilNothingIsLeft) {
    PendingChanges pending;
    pending.reset(3);
    pending.note(2, aspect_bit(Aspect::Text));
    pending.note(0, aspect_bit(Aspect::Colors));
    std::vector<std::pair<std::size_t, unsigned>> applied;
    pending.drain([&](std::size_t view, unsigned aspects) {
        applied.emplace_back(view, aspects);
        if (view == 2 && aspects == aspect_bit(Aspect::Text)) {
            pending.note(0, aspect_bit(Aspect::Value));  // before 0's turn
            pending.note(2, aspect_bit(Aspect::Focus));  // after its own
        }
    });
    const std::vector<std::pair<std::size_t, unsigned>> expected = {
        {2, aspect_bit(Aspect::Text)},
        {0, aspect_bit(Aspect::Colors) | aspect_bit(Aspect::Value)},
        {2, aspect_bit(Aspect::Focus)},
    };
    EXPECT_EQ(applied, expected);
    EXPECT_TRUE(pending.empty());
}

// The session every front end shares: nested calls mirror once, when the outermost ends;
// a change outside any call asks the toolkit for one flush; a person's error goes to the
// host's sink and never escapes into the event loop.
TEST(MirrorSession, MirrorsOnceAtTheOutermostEndAndKeepsErrorsOutOfTheEventLoop) {
    struct Front : MirrorHooks {
        int posts = 0, flushes = 0, surfaces = 0;
        std::vector<std::string> reports;
        void post_flush() override { ++posts; }
        void mirror_surface() override { ++surfaces; }
        void mirror_view(std::size_t, unsigned) override {}
        void mirror_focus(bool) override { ++flushes; }
        void report(const std::exception& error) override { reports.push_back(error.what()); }
    } front;
    MirrorSession session(front);
    session.reset(2);
    session.input(MirrorSession::Actor::Person, [&] {
        session.note(0, aspect_bit(Aspect::Text));
        session.host_call([&] { session.note(1, aspect_bit(Aspect::Value)); });
        EXPECT_EQ(front.flushes, 0);
        EXPECT_TRUE(session.person());
        throw std::runtime_error("handler failed");
    });
    EXPECT_EQ(front.flushes, 1);
    EXPECT_EQ(front.surfaces, 1);
    EXPECT_EQ(front.reports, std::vector<std::string>{"handler failed"});
    EXPECT_EQ(front.posts, 0);
    EXPECT_FALSE(session.person());

    session.note(0, aspect_bit(Aspect::Text));
    session.note(1, aspect_bit(Aspect::Text));
    EXPECT_EQ(front.posts, 1);
    session.flush();
    EXPECT_EQ(front.flushes, 2);
    EXPECT_THROW(session.host_call([] { throw std::runtime_error("to the caller"); }),
                 std::runtime_error);
}

// Ticks of the clock mirror at the front end's next frame: ticks between two frames are
// merged into one mirror, a tick that changed nothing asks for no frame at all, and a
// person's input that changed nothing does not bring the frame forward.
TEST(MirrorSession, TicksMirrorOncePerFrameAndAnIdleTickAsksForNone) {
    struct Front : MirrorHooks {
        int posts = 0, frames = 0;
        std::vector<std::pair<std::size_t, unsigned>> mirrored;
        void post_flush() override { ++posts; }
        void request_frame() override { ++frames; }
        void mirror_surface() override {}
        void mirror_view(std::size_t view, unsigned aspects) override {
            mirrored.emplace_back(view, aspects);
        }
        void mirror_focus(bool) override {}
        void report(const std::exception&) override {}
    } front;
    MirrorSession session(front);
    session.reset(2);
    session.flush();
    front.mirrored.clear();
    const auto tick = [&](std::size_t view, unsigned aspects) {
        session.input(MirrorSession::Actor::Clock, [&] {
            if (aspects != 0) {
                session.note(view, aspects);
            }
        });
    };

    tick(0, 0);
    EXPECT_EQ(front.frames, 0);
    tick(0, aspect_bit(Aspect::Text));
    tick(0, aspect_bit(Aspect::Colors));
    tick(1, aspect_bit(Aspect::Text));
    EXPECT_EQ(front.frames, 1);
    EXPECT_TRUE(front.mirrored.empty());
    session.flush();  // the frame
    const std::vector<std::pair<std::size_t, unsigned>> merged = {
        {0, aspect_bit(Aspect::Text) | aspect_bit(Aspect::Colors)}, {1, aspect_bit(Aspect::Text)}};
    EXPECT_EQ(front.mirrored, merged);
    tick(1, aspect_bit(Aspect::Colors));
    EXPECT_EQ(front.frames, 2);
    EXPECT_EQ(front.posts, 0);

    // A person's input that changed nothing (the pointer moving under the eyedropper)
    // leaves the ticks' changes to their frame; one that changed something mirrors all.
    session.input(MirrorSession::Actor::Person, [] {});
    EXPECT_EQ(front.mirrored, merged);
    session.input(MirrorSession::Actor::Person, [&] { session.note(0, aspect_bit(Aspect::Text)); });
    const std::vector<std::pair<std::size_t, unsigned>> all = {
        {0, aspect_bit(Aspect::Text) | aspect_bit(Aspect::Colors)},
        {1, aspect_bit(Aspect::Text)},
        {1, aspect_bit(Aspect::Colors)},
        {0, aspect_bit(Aspect::Text)}};
    EXPECT_EQ(front.mirrored, all);

    // While the caller paints the frames, a tick asks the front end for none; a frame the
    // caller still owes when it stops is asked for then, not lost.
    session.set_frames_from_host(true);
    tick(0, aspect_bit(Aspect::Text));
    EXPECT_EQ(front.frames, 2);
    session.set_frames_from_host(false);
    EXPECT_EQ(front.frames, 3);
}

// A host's modal dialog opened from a timer's handler pumps the toolkit's loop, whose
// timer ticks again: that tick does nothing, and the next tick after it runs.
TEST(MirrorSession, ATickThatComesInsideATickDoesNothing) {
    struct Front : MirrorHooks {
        void post_flush() override {}
        void mirror_surface() override {}
        void mirror_view(std::size_t, unsigned) override {}
        void mirror_focus(bool) override {}
        void report(const std::exception&) override {}
    } front;
    Surface surface(std::make_shared<FakeScreen>(), std::make_shared<DefaultFontMetrics>());
    Timer& timer = surface.add<Timer>("timer");
    timer.SetInterval(10);
    timer.SetEnabled(true);
    MirrorSession session(front);
    session.reset(surface.views().size());
    int handled = 0;
    timer.on_timer = [&] {
        if (++handled == 1) {
            session.tick(surface, 10);  // the modal loop's tick
        }
    };

    session.tick(surface, 10);
    EXPECT_EQ(handled, 1);
    session.tick(surface, 10);
    EXPECT_EQ(handled, 2);
}

TEST_F(ViewContract, FocusEnteringFromOutsideGoesWhereTabOrTheWindowSystemSends) {
    struct Row {
        View* held;      // the model's focus before
        View* received;  // the view the window system gave the focus to
        bool by_tab;
        bool backward;
        View* expected;
    };
    const Row rows[] = {
        {nullptr, top, false, false, top},     {other, top, false, false, top},
        {other, nullptr, false, false, other}, {nullptr, nullptr, false, false, under},
        {nullptr, nullptr, false, true, bar},  {other, top, true, false, under},
        {other, top, true, true, bar},         {nullptr, bar, false, false, bar},
    };
    for (const Row& row : rows) {
        if (row.held != nullptr) {
            surface.focus_by_keyboard(*row.held);
        } else {
            surface.clear_focus();
        }
        EXPECT_TRUE(surface.focus_entered(row.received, row.by_tab, row.backward));
        EXPECT_EQ(surface.focused(), row.expected)
            << (row.received ? row.received->name() : "none") << (row.by_tab ? " by Tab" : "")
            << (row.backward ? " backward" : "");
    }
    // A view that cannot take the focus is passed over; with no tab stop nothing takes it.
    surface.clear_focus();
    other->SetEnabled(false);
    EXPECT_TRUE(surface.focus_entered(other, false, false));
    EXPECT_EQ(surface.focused(), under);
    surface.clear_focus();
    for (View* view :
         {static_cast<View*>(top), static_cast<View*>(under), static_cast<View*>(bar)}) {
        view->SetEnabled(false);
    }
    EXPECT_FALSE(surface.focus_entered(nullptr, false, false));
    EXPECT_EQ(surface.focused(), nullptr);
}

TEST_F(ViewContract, ArrowKeysMoveAFocusedBarAndUpDownMeanNothingToAField) {
    surface.focus_by_keyboard(*bar);
    EXPECT_TRUE(surface.key(Key::Down));
    EXPECT_TRUE(surface.key(Key::Right));
    EXPECT_EQ(bar->Value(), 2);
    EXPECT_TRUE(surface.key(Key::Up));
    EXPECT_EQ(bar->Value(), 1);
    surface.focus_by_keyboard(*top);
    EXPECT_FALSE(surface.key(Key::Up));
    EXPECT_FALSE(surface.key(Key::Down));
}

TEST_F(ViewContract, AThumbDraggedFarOutsideTheBarStopsAtItsEnds) {
    const Twips thumb_centre = bar->thumb_left() + bar->arrow_size() / 2;
    surface.press(kLeftButton, thumb_centre, 2100);
    surface.move(5e9f, 2100);
    surface.release(kLeftButton, 5e9f, 2100);
    EXPECT_EQ(bar->Value(), 255);
    surface.press(kLeftButton, bar->thumb_left() + bar->arrow_size() / 2, 2100);
    surface.move(-5e9f, 2100);
    surface.release(kLeftButton, -5e9f, 2100);
    EXPECT_EQ(bar->Value(), 0);
}

TEST(KeyChords, FollowTheDesktopsConventionsOnEveryFrontEnd) {
    const KeyCode z = letter_key('Z'), y = letter_key('Y'), v = letter_key('V');
    const struct {
        KeyChord chord;
        std::optional<Key> command;
    } rows[] = {
        {{z, kCtrlKey}, Key::CtrlZ},
        {{y, kCtrlKey}, Key::CtrlShiftZ},
        {{z, kCtrlKey | kShiftKey}, Key::CtrlShiftZ},
        {{KeyCode::Insert, kCtrlKey}, Key::CtrlC},
        {{KeyCode::Insert, kShiftKey}, Key::CtrlV},
        {{KeyCode::Insert, 0}, std::nullopt},
        {{KeyCode::Delete, kShiftKey}, Key::CtrlX},
        {{KeyCode::Delete, kCtrlKey}, Key::Delete},
        {{KeyCode::Home, kShiftKey | kCtrlKey}, Key::ShiftHome},
        {{KeyCode::PageDown, kShiftKey}, Key::PageDown},
        {{v, 0}, std::nullopt},                       // typing
        {{v, kCtrlKey | kShiftKey}, std::nullopt},    // no such command
        {{v, kCtrlKey | kAltKey}, std::nullopt},      // AltGr types
        {{KeyCode::Left, kAltKey}, std::nullopt},     // the host's
        {{letter_key('C'), kMetaKey}, std::nullopt},  // the desktop's
        {{KeyCode::Escape, kShiftKey}, Key::Escape},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(key_command(row.chord), row.command)
            << "key " << static_cast<int>(row.chord.key) << " modifiers " << row.chord.modifiers;
    }
}

// Parts of a notch add up, both ways, and a turn the other way starts afresh.
TEST(WheelNotches, PartsAddUpToWholeNotchesAndATurnBackForgetsThePart) {
    const struct {
        std::vector<int> deltas;
        std::vector<int> notches;
    } rows[] = {
        {{60, 60, 240}, {0, 1, 2}},
        {{-60, -60, -250}, {0, -1, -2}},
        {{100, -30, -100}, {0, 0, -1}},
        {{-100, 30, 100}, {0, 0, 1}},
    };
    for (const auto& row : rows) {
        WheelNotches wheel(120);
        std::vector<int> notches;
        for (const int delta : row.deltas) {
            notches.push_back(wheel.turn(delta));
        }
        EXPECT_EQ(notches, row.notches) << "from " << row.deltas.front();
    }
}

TEST_F(ViewContract, CopyCutAndPasteGoThroughTheClipboard) {
    surface.focus_by_keyboard(*other);
    surface.type(u"hello");
    surface.select(1, 3);
    EXPECT_TRUE(surface.key(Key::CtrlC));
    EXPECT_EQ(surface.clipboard().text(), u"ell");
    EXPECT_TRUE(surface.key(Key::CtrlX));
    EXPECT_EQ(other->Text(), u"ho");
    surface.key(Key::End);
    EXPECT_TRUE(surface.key(Key::CtrlV));
    EXPECT_EQ(other->Text(), u"hoell");
    // Copying nothing leaves the clipboard alone.
    surface.key(Key::End);
    surface.key(Key::CtrlC);
    EXPECT_EQ(surface.clipboard().text(), u"ell");
}

TEST_F(ViewContract, AnEmptyPasteDeletesTheSelectionAndAFilterRunsBeforeTheCut) {
    surface.focus_by_keyboard(*other);
    surface.type(u"abcdef");
    surface.select(1, 2);
    surface.paste(u"");
    EXPECT_EQ(other->Text(), u"adef");
    other->SetMaxLength(6);
    other->paste_filter = [](std::u16string_view text) {
        return std::u16string(text.substr(text.size() > 1 ? 1 : 0));
    };
    surface.key(Key::CtrlA);
    surface.paste(u"#123456789");
    EXPECT_EQ(other->Text(), u"123456");
}

TEST_F(ViewContract, UndoAndRedoStepThroughAPersonsEditsAsEditsOfTheirOwn) {
    surface.focus_by_keyboard(*other);
    surface.type(u"ab");
    surface.key(Key::Backspace);
    log.clear();
    EXPECT_TRUE(surface.key(Key::CtrlZ));
    EXPECT_EQ(other->Text(), u"ab");
    EXPECT_EQ(log, (std::vector<std::string>{"other.Change"}));
    surface.key(Key::CtrlZ);
    surface.key(Key::CtrlZ);
    EXPECT_EQ(other->Text(), u"");
    EXPECT_FALSE(other->can_undo());
    surface.key(Key::CtrlShiftZ);
    EXPECT_EQ(other->Text(), u"a");
    // A write that is not the person's own edit starts the history afresh.
    other->SetText(u"xyz");
    EXPECT_FALSE(other->can_undo());
    EXPECT_FALSE(other->can_redo());
}

TEST_F(ViewContract, AKeystrokeThatTheChangeHandlerTakesBackLeavesNoUndoStep) {
    other->on_change = [this] {
        std::u16string digits;
        for (char16_t c : other->Text()) {
            if (c >= u'0' && c <= u'9') {
                digits += c;
            }
        }
        other->SetText(digits);  // part of the person's edit: keeps the history
        other->SetSelStart(static_cast<std::int32_t>(digits.size()));
    };
    surface.focus_by_keyboard(*other);
    surface.type(u"1x2");
    EXPECT_EQ(other->Text(), u"12");
    surface.key(Key::CtrlZ);
    EXPECT_EQ(other->Text(), u"1");
    surface.key(Key::CtrlZ);
    EXPECT_EQ(other->Text(), u"");
}

TEST_F(ViewContract, AFocusedViewThatIsSwitchedOffKeepsTheFocusButTakesNoInput) {
    surface.focus_by_keyboard(*other);
    other->SetText(u"12");
    other->SetEnabled(false);
    surface.type(u"7");
    surface.paste(u"9");
    surface.select(0, 2);
    EXPECT_FALSE(surface.key(Key::Backspace));
    EXPECT_EQ(other->Text(), u"12");
    EXPECT_EQ(other->SelLength(), 0);
    EXPECT_EQ(surface.focused(), other);
    surface.focus_by_keyboard(*bar);
    bar->SetEnabled(false);
    EXPECT_FALSE(surface.key(Key::Right));
    EXPECT_EQ(bar->Value(), 0);
}

}  // namespace
