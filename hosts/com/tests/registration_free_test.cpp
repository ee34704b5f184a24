// A program that ships Tintbox.ocx beside itself and uses it without registration: its
// application manifest (registration_free_test.exe.manifest) names the assembly
// "Tintbox", whose manifest (Tintbox.manifest, generated with the library) declares the
// class, its program ids, its type library and its MiscStatus. run_windows_tests.sh runs
// it from a folder of its own while the registry holds nothing of Tintbox.
#include <windows.h>

#include <ole2.h>

#include "check.hpp"
#include "com_ref.hpp"
#include "identifiers.hpp"

using namespace tintbox::windows;

namespace {

bool class_is_registered() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

HRESULT call(IDispatch& object, const wchar_t* name, VARIANT* argument, VARIANT* result) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    const HRESULT found = object.GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(found)) {
        return found;
    }
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    return object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                         nullptr, nullptr);
}

TEST(nothing_of_the_class_is_in_the_registry) {
    CHECK(!class_is_registered());
}

// Wine 8 answers CLSIDFromProgID with the activation context's alias of the class, which
// creates the class as its id does: what the program id gives is checked by what it makes.
TEST(the_program_ids_create_the_class_through_the_manifest) {
    for (const wchar_t* program_id : {L"TintboxControl.Tintbox", L"TintboxControl.Tintbox.1"}) {
        CLSID found{};
        CHECK_EQ(CLSIDFromProgID(program_id, &found), S_OK);
        ComRef<IPersist> control;
        CHECK_EQ(CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist,
                                  reinterpret_cast<void**>(control.put())),
                 S_OK);
        CLSID made{};
        CHECK(control && SUCCEEDED(control->GetClassID(&made)) && made == kClsId);
    }
}

TEST(the_control_is_created_and_called_by_name) {
    ComRef<IDispatch> control;
    CHECK_EQ(CoCreateInstance(kClsId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(control.put())),
             S_OK);
    if (!control) {
        return;
    }
    VARIANT color;
    V_VT(&color) = VT_I4;
    V_I4(&color) = 0x336699;
    CHECK_EQ(call(*control, L"SetRGB", &color, nullptr), S_OK);
    VARIANT result;
    VariantInit(&result);
    CHECK_EQ(call(*control, L"GetRGB", nullptr, &result), S_OK);
    CHECK(V_VT(&result) == VT_I4 && V_I4(&result) == 0x336699);
    // A form designer reads the class's MiscStatus before it creates an instance.
    DWORD status = 0;
    CHECK_EQ(OleRegGetMiscStatus(kClsId, DVASPECT_CONTENT, &status), S_OK);
    CHECK_EQ(status, 131473ul);
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("OleInitialize failed\n");
        return 1;
    }
    const int status = testing::run_all(argc, argv);
    OleUninitialize();
    return status;
}
