// A library built without Qt offers no windowless interface.
#include "server.hpp"

namespace tintbox::shell {

TintboxStatus create_windowless(TintboxWindowless**) noexcept {
    return TINTBOX_E_CLASS_NOT_AVAILABLE;
}

const unsigned char* cursor_resource(std::int32_t, std::size_t& size) noexcept {
    size = 0;
    return nullptr;
}

}  // namespace tintbox::shell
