/// \file
/// Errors raised by the control and its views.
///
/// No procedure of the control catches an error: an Error ends the running procedure at
/// the step that raised it. Public methods pass it to their caller; the view layer catches
/// an event handler's error at the event's boundary and hands it to the host's error sink.
#pragma once

#include <stdexcept>
#include <string>

namespace tintbox {

/// What went wrong, as hosts report it (each host has its own numbers for these).
enum class ErrorKind {
    Overflow,              ///< a number does not fit the integer type it is converted to
    InvalidPropertyValue,  ///< a view or bag property was given a value it cannot take
    InvalidProcedureCall,  ///< an operation that the view cannot do in its state (focus on a
                           ///< hidden view, ...)
    InvalidPicture,        ///< picture data that cannot be decoded
    FileError,             ///< a file that cannot be read or written
    BadPropertyBag,        ///< a property-bag file that is truncated, corrupt or of another version
    Internal,              ///< anything else a handler threw (reported, never swallowed)
};

/// The name the script driver and the C shell print for an error kind ("Overflow", ...).
const char* error_kind_name(ErrorKind kind) noexcept;

/// The one exception type of the control; what() is the kind's name and the detail.
class Error : public std::runtime_error {
  public:
    /// An error of `kind`; `detail` says what failed.
    Error(ErrorKind kind, const std::string& detail);

    /// What went wrong.
    ErrorKind kind() const noexcept { return kind_; }
    /// The detail without the kind's name, as given to the constructor.
    const std::string& detail() const noexcept { return detail_; }

  private:
    ErrorKind kind_;
    std::string detail_;
};

}  // namespace tintbox
