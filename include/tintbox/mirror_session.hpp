/// \file
/// The toolkit-free half of mirroring the view layer into a front end's widgets. Views
/// tell their observer of every change as it happens; a front end notes each change in its
/// session, and the session decides when the widgets catch up: once, when the outermost
/// host call or person's input event ends (a host or the next key may read the widgets at
/// once); on a posted flush for a change made outside any of them; and at the front end's
/// next frame after a tick of the clock, so that a timer faster than the screen mirrors
/// once per frame, not once per tick (the view layer stays the truth meanwhile: the
/// host's calls read it, never the widgets). The session also keeps who is acting, the
/// echo guard for the front end's own focus moves, the error boundary that keeps a
/// handler's error out of the toolkit's event loop, and the clock's tick, which never
/// re-enters itself.
///
/// A front end serves it through MirrorHooks; everything else here is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include "tintbox/views.hpp"

namespace tintbox {

/// A view's aspects as bits of a mask.
constexpr unsigned aspect_bit(Aspect aspect) {
    return 1u << static_cast<unsigned>(aspect);
}
/// Every aspect at once: a view to mirror whole.
constexpr unsigned kAllAspects = ~0u;

/// For each view (by its index in the front end's own table), the aspects changed since
/// it was last mirrored, and the order in which the views first changed.
class PendingChanges {
  public:
    /// `views` views, none with a change pending.
    void reset(std::size_t views) {
        aspects_.assign(views, 0);
        order_.clear();
    }
    /// Adds `aspects` to what `view` has pending.
    void note(std::size_t view, unsigned aspects) {
        if (aspects_[view] == 0) {
            order_.push_back(view);
        }
        aspects_[view] |= aspects;
    }
    /// No view has a change pending.
    bool empty() const noexcept { return order_.empty(); }

    /// Hands each view's pending aspects to `apply(view, aspects)` until none is left.
    /// Changes that applying causes come in the same call: a view noted again before its
    /// turn is applied once with both, one noted after its turn comes round again.
    template <class Apply>
    void drain(Apply&& apply) {
        std::vector<std::size_t> views;
        while (!order_.empty()) {
            views.clear();
            views.swap(order_);
            for (std::size_t view : views) {
                const unsigned aspects = aspects_[view];
                aspects_[view] = 0;
                apply(view, aspects);
            }
        }
        // The next changes go into the room these took: a tick would allocate otherwise.
        if (views.capacity() > order_.capacity()) {
            views.clear();
            order_.swap(views);
        }
    }

  private:
    std::vector<unsigned> aspects_;
    std::vector<std::size_t> order_;
};

/// What a front end does for its session.
class MirrorHooks {
  public:
    /// Have flush() called soon from the toolkit's event loop (a queued call, a posted
    /// message); the session asks once until that flush has run.
    virtual void post_flush() = 0;
    /// Have flush() called before the front end next paints, no sooner than its frame
    /// rate asks; the session asks once until a flush has run. Without a frame clock of
    /// its own a front end flushes on the event loop's next pass.
    virtual void request_frame() { post_flush(); }
    /// Bring the widgets up to date: the surface's own size and state, each view's
    /// changed aspects, then the keyboard focus.
    ///@{
    virtual void mirror_surface() = 0;
    virtual void mirror_view(std::size_t view, unsigned aspects) = 0;
    virtual void mirror_focus(bool moved) = 0;
    ///@}
    /// A flush ended; `changed` when it brought anything over.
    virtual void mirrored(bool /*changed*/) {}
    /// A person's input or a tick ended with an error: it goes to the host's sink.
    virtual void report(const std::exception& error) = 0;

  protected:
    ~MirrorHooks() = default;
};

/// One front end's session with the view layer: it batches the changes to mirror and
/// hands them to the front end's MirrorHooks in flush order, knows who is acting (a
/// host, a person or the clock), tells the toolkit's echo from a person's input, and
/// keeps a person's errors out of the toolkit's event loop.
class MirrorSession {
  public:
    /// Who is acting while a scope is open.
    enum class Actor { Host, Person, Clock };

    /// A session that mirrors through `hooks`; call reset() once the widgets exist.
    explicit MirrorSession(MirrorHooks& hooks) : hooks_(hooks) {}
    MirrorSession(const MirrorSession&) = delete;
    MirrorSession& operator=(const MirrorSession&) = delete;

    /// `views` views, each to be mirrored whole at the next flush.
    void reset(std::size_t views) {
        pending_.reset(views);
        for (std::size_t view = 0; view < views; ++view) {
            pending_.note(view, kAllAspects);
        }
        surface_dirty_ = true;
        detached_ = false;
    }
    /// Mirrors nothing more, for good: the widgets are going.
    void detach() {
        detached_ = true;
        pending_.reset(0);
    }
    /// detach() was called (and no reset() since).
    bool detached() const noexcept { return detached_; }

    /// A view's aspects changed (the view's observer calls it): mirrored at the next
    /// flush, which is posted unless a host call or input is still running.
    void note(std::size_t view, unsigned aspects) {
        if (detached_) {
            return;
        }
        pending_.note(view, aspects);
        ++notes_;
        if (aspects & aspect_bit(Aspect::Focus)) {
            focus_moved_ = true;
        }
        schedule_flush();
    }
    /// The surface's own size or state changed; mirrored as note() says.
    void note_surface() {
        surface_dirty_ = true;
        ++notes_;
        schedule_flush();
    }
    /// A person moved the focus into the control: the next flush may pull the toolkit's.
    void note_focus_moved() noexcept {
        focus_moved_ = true;
        ++notes_;
    }

    /// Runs `call` as a host call: its error goes on to the caller.
    template <class Call>
    void host_call(Call&& call) {
        Scope scope(*this, Actor::Host);
        call();
    }
    /// Runs `call` as a person's input or a tick of the clock: nothing escapes into the
    /// toolkit's event loop; an error goes to the host through report().
    template <class Call>
    void input(Actor actor, Call&& call) {
        if (detached_) {
            return;
        }
        Scope scope(*this, actor);
        try {
            call();
        } catch (const std::exception& error) {
            hooks_.report(error);
        }
    }

    /// One tick of the front end's clock: advances `surface`'s timers by `milliseconds` as
    /// input() of the clock. A tick that comes while one runs (a host's modal dialog,
    /// opened from a handler inside the tick, pumping the toolkit's timer) does nothing:
    /// the timers' handlers are never re-entered.
    void tick(Surface& surface, std::int32_t milliseconds) {
        if (ticking_) {
            return;
        }
        ticking_ = true;
        struct Restore {
            bool& ticking;
            ~Restore() { ticking = false; }
        } restore{ticking_};
        input(Actor::Clock, [&] { surface.advance_time(milliseconds); });
    }

    /// Whether the caller paints the frames (a benchmark standing in for the screen): a
    /// tick's changes then wait for the caller's flush() instead of request_frame(). A
    /// frame the caller still owes is asked of the front end when it stops.
    void set_frames_from_host(bool from_host) {
        frames_from_host_ = from_host;
        if (!from_host && frame_requested_ && !detached_) {
            hooks_.request_frame();
        }
    }

    /// Brings the widgets up to date through the hooks: the surface, each view's changed
    /// aspects in the order they first changed, then the focus. Does nothing while a
    /// flush runs or once detached.
    void flush() {
        posted_ = false;
        frame_requested_ = false;
        if (flushing_ || detached_) {
            return;
        }
        flushing_ = true;
        ++echo_;
        const bool changed = surface_dirty_ || !pending_.empty();
        if (surface_dirty_) {
            surface_dirty_ = false;
            hooks_.mirror_surface();
        }
        pending_.drain(
            [this](std::size_t view, unsigned aspects) { hooks_.mirror_view(view, aspects); });
        hooks_.mirror_focus(focus_moved_);
        focus_moved_ = false;
        --echo_;
        flushing_ = false;
        hooks_.mirrored(changed);
    }

    /// Inside a host call or a person's input.
    bool inside() const noexcept { return depth_ > 0; }
    /// Inside a person's input (which may pull the toolkit's focus into the control).
    bool person() const noexcept { return person_; }
    /// The outermost scope's actor; Host outside every scope.
    Actor actor() const noexcept { return depth_ == 0 ? Actor::Host : actor_; }

    /// While the front end itself moves the toolkit's focus or capture: the toolkit's
    /// events that follow are its own echo, not a person's.
    bool echoing() const noexcept { return echo_ > 0; }
    /// Runs `call` (the front end moving the toolkit's focus or capture) as echoing().
    template <class Call>
    void without_echo(Call&& call) {
        ++echo_;
        struct Restore {
            int& echo;
            ~Restore() { --echo; }
        } restore{echo_};
        call();
    }

  private:
    struct Scope {
        Scope(MirrorSession& session, Actor actor)
            : session(session),
              was_person(session.person_),
              was_actor(session.actor_),
              notes_before(session.notes_) {
            if (session.depth_++ == 0) {
                session.actor_ = actor;
            }
            session.person_ = session.person_ || actor == Actor::Person;
        }
        ~Scope() {
            if (--session.depth_ == 0) {
                session.ended(session.actor_, session.notes_ != notes_before);
            }
            session.person_ = was_person;
            session.actor_ = was_actor;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        MirrorSession& session;
        bool was_person;
        Actor was_actor;
        unsigned long notes_before;
    };

    void schedule_flush() {
        if (depth_ > 0 || posted_ || detached_) {
            return;
        }
        posted_ = true;
        hooks_.post_flush();
    }

    bool anything_pending() const noexcept {
        return surface_dirty_ || focus_moved_ || !pending_.empty();
    }

    /// The outermost call or event of `actor` ended; `noted` when it changed anything.
    void ended(Actor actor, bool noted) {
        switch (actor) {
            case Actor::Person:
                // A pointer moving while the eyedropper ticks changes nothing itself: the
                // ticks' changes wait for their frame.
                if (!noted && frame_requested_) {
                    break;
                }
                flush();
                break;
            case Actor::Host:
                flush();
                break;
            case Actor::Clock:
                // A tick that changed nothing (the pointer still over the same colour)
                // asks for no frame at all.
                if (anything_pending() && !posted_ && !frame_requested_ && !detached_) {
                    frame_requested_ = true;
                    if (!frames_from_host_) {
                        hooks_.request_frame();
                    }
                }
                break;
        }
    }

    MirrorHooks& hooks_;
    PendingChanges pending_;
    bool surface_dirty_ = true;  ///< the surface's Width, Height or Enabled changed
    bool focus_moved_ = false;   ///< the model's focus moved since the last flush
    int depth_ = 0;              ///< nesting of host calls and input events
    bool person_ = false;
    Actor actor_ = Actor::Host;
    bool flushing_ = false;
    bool ticking_ = false;           ///< inside tick()
    bool posted_ = false;            ///< a flush waits on the event loop
    bool frame_requested_ = false;   ///< a flush waits for the front end's frame
    bool frames_from_host_ = false;  ///< the caller flushes at its frames
    int echo_ = 0;
    bool detached_ = false;
    unsigned long notes_ = 0;  ///< changes noted so far, to tell whether a scope made any
};

}  // namespace tintbox
