// What a skin still has to bring over from the view layer. Views tell their observer of
// every change as it happens; a skin collects them here and mirrors them in batches.
#pragma once

#include <cstddef>
#include <vector>

#include "tintbox/views.hpp"

namespace tintbox {

// A view's aspects as bits of a mask.
constexpr unsigned aspect_bit(Aspect aspect) {
    return 1u << static_cast<unsigned>(aspect);
}
constexpr unsigned kAllAspects = ~0u;

// For each view (by its index in the skin's own table), the aspects changed since the
// skin last mirrored it, and the order in which the views first changed.
class PendingChanges {
  public:
    // `views` views, none with a change pending.
    void reset(std::size_t views) {
        aspects_.assign(views, 0);
        order_.clear();
    }
    void note(std::size_t view, unsigned aspects) {
        if (aspects_[view] == 0) {
            order_.push_back(view);
        }
        aspects_[view] |= aspects;
    }
    bool empty() const noexcept { return order_.empty(); }

    // Hands each view's pending aspects to `apply(view, aspects)` until none is left.
    // Changes that applying causes come in the same call: a view noted again before its
    // turn is applied once with both, one noted after its turn comes round again.
    template <class Apply>
    void drain(Apply&& apply) {
        while (!order_.empty()) {
            std::vector<std::size_t> views;
            views.swap(order_);
            for (std::size_t view : views) {
                const unsigned aspects = aspects_[view];
                aspects_[view] = 0;
                apply(view, aspects);
            }
        }
    }

  private:
    std::vector<unsigned> aspects_;
    std::vector<std::size_t> order_;
};

}  // namespace tintbox
