// Conversions between OLE picture objects (IPictureDisp), which hosts hand to the control,
// and the control's own pixel pictures, which its spectrum shows.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <string_view>

#include "com_ref.hpp"
#include "tintbox/picture.hpp"

namespace tintbox::windows {

// The object as an OLE picture; null for null (Nothing). Raises Error(InvalidPicture)
// for an object that is no picture.
ComRef<IPictureDisp> as_picture_object(IUnknown* object);

// The pixels an OLE picture shows: a bitmap's own pixels, an icon or metafile drawn at its
// size on a 96-dpi screen over white. An empty picture gives null. Raises
// Error(InvalidPicture) for an object that is no picture or cannot be read.
PicturePtr pixels_of(IUnknown& object);

// A new OLE bitmap picture that owns a copy of `picture`'s pixels.
ComRef<IPictureDisp> ole_picture_of(const Picture& picture);

// An OLE picture decoded by OleLoadPicture from the bytes of an image file (BMP, ICO,
// GIF, JPEG, ...); Error(InvalidPicture) when they are none.
ComRef<IPictureDisp> load_ole_picture(std::string_view bytes);

}  // namespace tintbox::windows
