#include "tintbox/error.hpp"

namespace tintbox {

const char* error_kind_name(ErrorKind kind) noexcept {
    switch (kind) {
        case ErrorKind::Overflow:
            return "Overflow";
        case ErrorKind::InvalidPropertyValue:
            return "InvalidPropertyValue";
        case ErrorKind::InvalidProcedureCall:
            return "InvalidProcedureCall";
        case ErrorKind::InvalidPicture:
            return "InvalidPicture";
        case ErrorKind::FileError:
            return "FileError";
        case ErrorKind::BadPropertyBag:
            return "BadPropertyBag";
        case ErrorKind::Internal:
            return "Internal";
    }
    return "Internal";
}

Error::Error(ErrorKind kind, const std::string& detail)
    : std::runtime_error(std::string(error_kind_name(kind)) +
                         (detail.empty() ? "" : ": " + detail)),
      kind_(kind),
      detail_(detail) {}

}  // namespace tintbox
