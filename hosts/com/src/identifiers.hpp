// The identifiers of the type library, the class and its interfaces, and the dispatch ids
// of the members. The GUIDs are those the project's Linux server publishes
// (shell/include/tintbox/tintbox_shell.h) and tintbox.idl declares, so a host stores one
// set; a test checks that the three agree.
#pragma once

#include <windows.h>

namespace tintbox::windows {

// {0834C306-968F-4E38-BF37-B47BD5F4336D}
inline constexpr GUID kLibId = {
    0x0834C306, 0x968F, 0x4E38, {0xBF, 0x37, 0xB4, 0x7B, 0xD5, 0xF4, 0x33, 0x6D}};
// {8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}
inline constexpr GUID kClsId = {
    0x8A5AE6DE, 0xFBA5, 0x4570, {0xA3, 0xE5, 0x45, 0x04, 0x7F, 0x40, 0x49, 0xF8}};
// _Tintbox: {D2209109-F4EB-4DB5-B1B8-6B042F4EF562}
inline constexpr GUID kIidDispatchInterface = {
    0xD2209109, 0xF4EB, 0x4DB5, {0xB1, 0xB8, 0x6B, 0x04, 0x2F, 0x4E, 0xF5, 0x62}};
// __Tintbox: {083D3C31-CB2D-4CC8-99FB-AB40B3882990}
inline constexpr GUID kIidEventInterface = {
    0x083D3C31, 0xCB2D, 0x4CC8, {0x99, 0xFB, 0xAB, 0x40, 0xB3, 0x88, 0x29, 0x90}};

inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;
inline constexpr LCID kTypeLibLocale = 0x409;

inline constexpr wchar_t kProgId[] = L"TintboxControl.Tintbox";
inline constexpr wchar_t kVersionedProgId[] = L"TintboxControl.Tintbox.1";
inline constexpr wchar_t kSourceName[] = L"TintboxControl.Tintbox";
inline constexpr int kToolboxBitmapId = 30000;

// Members of _Tintbox and __Tintbox, as the member table (tintbox/members.hpp) has them;
// tests/test_members.cpp checks that they agree.
namespace dispid {
inline constexpr DISPID kGetRGB = 0x60030002;
inline constexpr DISPID kSetRGB = 0x60030003;
inline constexpr DISPID kGetRed = 0x60030004;
inline constexpr DISPID kGetGreen = 0x60030005;
inline constexpr DISPID kGetBlue = 0x60030006;
inline constexpr DISPID kSetRed = 0x60030007;
inline constexpr DISPID kSetGreen = 0x60030008;
inline constexpr DISPID kSetBlue = 0x60030009;
inline constexpr DISPID kDec = 0x6003000B;
inline constexpr DISPID kSepRGB = 0x60030033;
inline constexpr DISPID kPicture = 0x68030001;
inline constexpr DISPID kEnabled = 0x68030000;
inline constexpr DISPID kChange = 1;
}  // namespace dispid

}  // namespace tintbox::windows
