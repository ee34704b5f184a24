/** \file
 * The Tintbox in-process server: a C interface through which a host written in any
 * language that can call C creates and drives the colour-picker control.
 *
 * The library (libtintboxctl.so) exports exactly four functions:
 *
 *   DllGetClassObject   hands out the class factory of the class Tintbox
 *   DllCanUnloadNow     TINTBOX_OK when no instance, factory reference or lock is alive
 *   DllRegisterServer   records the class in the per-user registry directory
 *   DllUnregisterServer removes it again
 *
 * A host loads the library with dlopen, looks the four functions up with dlsym, gets the
 * factory, creates instances and calls their members by dispatch id or by name. Objects
 * are reference counted: every pointer handed out carries one reference that the host
 * gives back with Release.
 *
 * Threads: an instance may be called from several threads. It runs one call at a time:
 * a call waits until the one running ends (a Change callback runs inside the call that
 * raised it, on that thread, and may call the instance again). ErrorKind and
 * ErrorMessage tell each thread about its own last call on the instance. Reference
 * counts and the factory are safe to use from several threads. The dispatch interface
 * of a windowless instance takes calls on its interface's thread only
 * (tintbox_windowless.h, TINTBOX_E_WRONG_THREAD).
 *
 * Registry: DllRegisterServer writes small text files under the directory named by the
 * environment variable TINTBOX_REGISTRY_DIR, or else $XDG_DATA_HOME/tintbox/registry,
 * or else $HOME/.local/share/tintbox/registry:
 *
 *   classes/{CLSID}            name, program id, library path, type library id and version
 *   progids/\<program id\>     the class id
 *   typelibs/{LIBID}           name, version, locale, library path
 *   interfaces/{IID}           name, type library id
 *
 * Each file is written to a temporary name and renamed into place, and a registration
 * that fails part-way removes what it wrote, so a reader never sees half an entry.
 */
#ifndef TINTBOX_TINTBOX_SHELL_H
#define TINTBOX_TINTBOX_SHELL_H

#include <stddef.h>
#include <stdint.h>

#include <tintbox/version.h> /* TINTBOX_VERSION, TINTBOX_VERSION_MAJOR/_MINOR/_PATCH */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes -------------------------------------------------------------------
 * Every entry point and every member of the factory and instance tables returns one of
 * these (AddRef and Release return the new reference count instead). */
/** A status code: TINTBOX_OK or one of the TINTBOX_E_... codes. */
typedef int32_t TintboxStatus;

/** Success. */
#define TINTBOX_OK 0
/** DllCanUnloadNow: an instance, a factory reference or a server lock is still alive. */
#define TINTBOX_E_IN_USE 1
/** Unknown class id or interface id; the out pointer is set to NULL. */
#define TINTBOX_E_CLASS_NOT_AVAILABLE 2
/** A required pointer is NULL, or an argument is malformed (a text with NULL data, a
 * written-back text whose capacity is below its length, an unknown kind of call, an
 * unknown cookie, an unlock without a lock, ...). */
#define TINTBOX_E_INVALID_ARGUMENT 3
/** A member was called with more or fewer arguments than it declares. */
#define TINTBOX_E_BAD_ARGUMENT_COUNT 4
/** An argument's variant type cannot be taken as the parameter's type. */
#define TINTBOX_E_TYPE_MISMATCH 5
/** A number does not fit the parameter's type (an int32 above 32767 for an Integer). */
#define TINTBOX_E_OVERFLOW 6
/** No member has this dispatch id or name. */
#define TINTBOX_E_UNKNOWN_MEMBER 7
/** The member exists but not for this kind of call (a property put on a method, ...). */
#define TINTBOX_E_WRONG_MEMBER_KIND 8
/** The control raised an error; ErrorKind and ErrorMessage of the instance describe it.
 * An error that one of the control's own event handlers reported during the call gives
 * this code too, after the call has run to its end (its effects stay). */
#define TINTBOX_E_CONTROL_ERROR 9
/** The registry directory or one of its files cannot be written or removed. */
#define TINTBOX_E_REGISTRY 10
/** The library ran out of memory. */
#define TINTBOX_E_OUT_OF_MEMORY 11
/** No resource of this type and id. */
#define TINTBOX_E_NOT_FOUND 12
/** An unexpected failure inside the library; the instance's ErrorMessage says what. */
#define TINTBOX_E_INTERNAL 13

/** @{ */
/** The kinds of error the control raises (ErrorKind after TINTBOX_E_CONTROL_ERROR). */
#define TINTBOX_ERROR_NONE 0
#define TINTBOX_ERROR_OVERFLOW 1
#define TINTBOX_ERROR_INVALID_PROPERTY_VALUE 2
#define TINTBOX_ERROR_INVALID_PROCEDURE_CALL 3
#define TINTBOX_ERROR_INVALID_PICTURE 4
#define TINTBOX_ERROR_FILE 5
#define TINTBOX_ERROR_BAD_PROPERTY_BAG 6
#define TINTBOX_ERROR_INTERNAL 7
/** @} */

/* ---- Identifiers ----------------------------------------------------------------------
 * These GUIDs are fixed forever: hosts and registries store them. */
/** A GUID, laid out as Windows lays out its GUID. */
typedef struct TintboxGuid {
    /** @{ */
    /** The GUID's fields in the order it is written: data1-data2-data3-data4. */
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
    /** @} */
} TintboxGuid;

/** Type library TintboxControl 1.0: {0834C306-968F-4E38-BF37-B47BD5F4336D} */
static const TintboxGuid TINTBOX_LIBID_TintboxControl = {
    0x0834C306, 0x968F, 0x4E38, {0xBF, 0x37, 0xB4, 0x7B, 0xD5, 0xF4, 0x33, 0x6D}};
/** Class Tintbox: {8A5AE6DE-FBA5-4570-A3E5-45047F4049F8} */
static const TintboxGuid TINTBOX_CLSID_Tintbox = {
    0x8A5AE6DE, 0xFBA5, 0x4570, {0xA3, 0xE5, 0x45, 0x04, 0x7F, 0x40, 0x49, 0xF8}};
/** Default dispatch interface _Tintbox: {D2209109-F4EB-4DB5-B1B8-6B042F4EF562} */
static const TintboxGuid TINTBOX_IID__Tintbox = {
    0xD2209109, 0xF4EB, 0x4DB5, {0xB1, 0xB8, 0x6B, 0x04, 0x2F, 0x4E, 0xF5, 0x62}};
/** Event interface __Tintbox: {083D3C31-CB2D-4CC8-99FB-AB40B3882990} */
static const TintboxGuid TINTBOX_DIID___Tintbox = {
    0x083D3C31, 0xCB2D, 0x4CC8, {0x99, 0xFB, 0xAB, 0x40, 0xB3, 0x88, 0x29, 0x90}};
/** The class factory interface (TintboxClassFactory below):
 * {060EA370-EA2F-46F3-B9EC-C73C081A0202} */
static const TintboxGuid TINTBOX_IID_ClassFactory = {
    0x060EA370, 0xEA2F, 0x46F3, {0xB9, 0xEC, 0xC7, 0x3C, 0x08, 0x1A, 0x02, 0x02}};

/** The class's program id. */
#define TINTBOX_PROGID "TintboxControl.Tintbox"

/* ---- Dispatch ids ----------------------------------------------------------------- */
/** @{ */
/** The dispatch id of a member of _Tintbox (a method, or the property Picture or Enabled). */
#define TINTBOX_DISPID_GetRGB 0x60030002
#define TINTBOX_DISPID_SetRGB 0x60030003
#define TINTBOX_DISPID_GetRed 0x60030004
#define TINTBOX_DISPID_GetGreen 0x60030005
#define TINTBOX_DISPID_GetBlue 0x60030006
#define TINTBOX_DISPID_SetRed 0x60030007
#define TINTBOX_DISPID_SetGreen 0x60030008
#define TINTBOX_DISPID_SetBlue 0x60030009
#define TINTBOX_DISPID_Dec 0x6003000B
#define TINTBOX_DISPID_SepRGB 0x60030033
#define TINTBOX_DISPID_Picture 0x68030001
#define TINTBOX_DISPID_Enabled 0x68030000
/** @} */
/** The event Change of __Tintbox. */
#define TINTBOX_DISPID_Change 1

/** @{ */
/** Kinds of call; a method call may also carry TINTBOX_INVOKE_PROPERTYGET. */
#define TINTBOX_INVOKE_METHOD 1
#define TINTBOX_INVOKE_PROPERTYGET 2
#define TINTBOX_INVOKE_PROPERTYPUT 4
#define TINTBOX_INVOKE_PROPERTYPUTREF 8
/** @} */

/* ---- Values ------------------------------------------------------------------------ */
#define TINTBOX_VT_EMPTY 0   /**< no value: a result of a member without one; Nothing */
#define TINTBOX_VT_I2 2      /**< Integer: value.i2 */
#define TINTBOX_VT_I4 3      /**< Long: value.i4 */
#define TINTBOX_VT_BOOL 11   /**< Boolean: value.boolean, -1 True, 0 False */
#define TINTBOX_VT_UTF16 8   /**< String as UTF-16 code units: value.text */
#define TINTBOX_VT_UTF8 30   /**< String as UTF-8 bytes: value.text */
#define TINTBOX_VT_PICTURE 9 /**< Picture: value.picture */

/** @{ */
/** A Boolean's two values (TINTBOX_VT_BOOL). */
#define TINTBOX_TRUE ((int16_t)-1)
#define TINTBOX_FALSE ((int16_t)0)
/** @} */

/** A text. `data` holds `length` code units (bytes for UTF-8, uint16_t units for UTF-16);
 * no terminator is needed. For a by-reference String parameter that the member writes
 * back (Dec's Number), `data` must be writable and `capacity` (in code units, at least
 * `length`) says how much it can hold: the new text replaces the old one, `length`
 * becomes its length, and a 0 terminator follows when there is room. */
typedef struct TintboxText {
    void* data;      /**< the code units */
    size_t length;   /**< how many code units `data` holds */
    size_t capacity; /**< how many `data` can hold, for a written-back text */
} TintboxText;

/** A picture: `width` x `height` colours 0x00BBGGRR, row by row from the top. `pixels`
 * NULL means no picture (Nothing). A picture handed out by the control points into the
 * control's own copy, valid until the picture is replaced or the instance is released;
 * getting the same picture twice gives the same `pixels` pointer. */
typedef struct TintboxPicture {
    int32_t width;         /**< in pixels */
    int32_t height;        /**< in pixels */
    const int32_t* pixels; /**< `width` x `height` colours, or NULL for no picture */
} TintboxPicture;

/** An argument or a result: a type and the value of that type. */
typedef struct TintboxVariant {
    int32_t type; /**< TINTBOX_VT_... */
    /** The value, in the field that `type` names. */
    union {
        int16_t i2;             /**< TINTBOX_VT_I2 */
        int32_t i4;             /**< TINTBOX_VT_I4 */
        int16_t boolean;        /**< TINTBOX_VT_BOOL: TINTBOX_TRUE or TINTBOX_FALSE */
        TintboxText text;       /**< TINTBOX_VT_UTF8 and TINTBOX_VT_UTF16 */
        TintboxPicture picture; /**< TINTBOX_VT_PICTURE */
    } value;
} TintboxVariant;

/* ---- The type library, as data --------------------------------------------------- */
#define TINTBOX_PARAM_IN 1    /**< the member reads the argument */
#define TINTBOX_PARAM_OUT 2   /**< the member writes a value back into the argument */
#define TINTBOX_PARAM_BYREF 4 /**< declared by reference */

/** A parameter of a member, as the type library declares it. */
typedef struct TintboxParamInfo {
    const char* name; /**< the parameter's name */
    int32_t type;     /**< TINTBOX_VT_...; TINTBOX_VT_UTF16 stands for String */
    int32_t flags;    /**< TINTBOX_PARAM_... */
} TintboxParamInfo;

/** A member of an interface, as the type library declares it. */
typedef struct TintboxMemberInfo {
    const char* name;               /**< as GetDispatchId takes it */
    int32_t dispatch_id;            /**< TINTBOX_DISPID_... */
    int32_t invoke_kind;            /**< exactly one TINTBOX_INVOKE_... */
    int32_t result_type;            /**< TINTBOX_VT_EMPTY when there is no result */
    int32_t param_count;            /**< how many `params` there are */
    const TintboxParamInfo* params; /**< in declaration order */
} TintboxMemberInfo;

#define TINTBOX_INTERFACE_DISPATCH 1 /**< the default dispatch interface of its class */
#define TINTBOX_INTERFACE_SOURCE 2   /**< an event interface that the class raises */

/** An interface of the type library. */
typedef struct TintboxInterfaceInfo {
    const char* name;     /**< "_Tintbox" or "__Tintbox" */
    TintboxGuid iid;      /**< TINTBOX_IID__Tintbox or TINTBOX_DIID___Tintbox */
    int32_t flags;        /**< TINTBOX_INTERFACE_... */
    int32_t member_count; /**< in slot order; a property's get and put are two members */
    const TintboxMemberInfo* members; /**< `member_count` of them */
} TintboxInterfaceInfo;

/** The type library: its identity, its class and the class's interfaces. */
typedef struct TintboxTypeLibrary {
    const char* name;                       /**< "TintboxControl" */
    TintboxGuid libid;                      /**< TINTBOX_LIBID_TintboxControl */
    uint16_t major_version;                 /**< 1 */
    uint16_t minor_version;                 /**< 0 */
    uint32_t locale_id;                     /**< 0x409, US English */
    const char* class_name;                 /**< "Tintbox" */
    TintboxGuid clsid;                      /**< TINTBOX_CLSID_Tintbox */
    int32_t interface_count;                /**< how many `interfaces` there are */
    const TintboxInterfaceInfo* interfaces; /**< _Tintbox, then __Tintbox */
} TintboxTypeLibrary;

/* ---- Resources ---------------------------------------------------------------------- */
/** The toolbox bitmap: a complete 16 x 15-pixel, 24-bit BMP file. */
#define TINTBOX_RESOURCE_BITMAP 2
/** The toolbox bitmap's id. */
#define TINTBOX_ID_TOOLBOX_BITMAP 30000
/** Version information: UTF-8 lines "Key=Value"; the line "OLESelfRegister=" is the
 * marker that the library registers itself. */
#define TINTBOX_RESOURCE_VERSION 16
/** The version information's id. */
#define TINTBOX_ID_VERSION 1

/* ---- Objects --------------------------------------------------------------------------- */
/** The class factory: creates instances and describes the class. */
typedef struct TintboxClassFactory TintboxClassFactory;
/** An instance of the control, driven through its dispatch interface _Tintbox. */
typedef struct TintboxControl TintboxControl;

/** Change: called synchronously on the calling thread at the end of every colour update,
 * with the subscriber's context, the instance and TINTBOX_DISPID_Change. The callback
 * may call the instance again (GetRGB, ...), subscribe, unsubscribe and release its
 * references: the instance stays alive until the call that raised the event returns. */
typedef void (*TintboxEventCallback)(void* context, TintboxControl* sender,
                                     int32_t event_dispatch_id);

/** The functions of a TintboxClassFactory. */
typedef struct TintboxClassFactoryVtbl {
    /** @{ */
    /** Takes a reference, or gives one back; returns the new count. */
    uint32_t (*AddRef)(TintboxClassFactory* self);
    uint32_t (*Release)(TintboxClassFactory* self);
    /** @} */
    /** Creates an instance offering `interface_id` (TINTBOX_IID__Tintbox) with one
     * reference. *out is NULL on failure. With TINTBOX_IID_Windowless (from
     * tintbox_windowless.h) *out receives a TintboxWindowless*. */
    TintboxStatus (*CreateInstance)(TintboxClassFactory* self, const TintboxGuid* interface_id,
                                    TintboxControl** out);
    /** lock nonzero keeps the server loaded; zero takes one such lock back. */
    TintboxStatus (*LockServer)(TintboxClassFactory* self, int32_t lock);
    /** The type library; static data, valid while the library is loaded. */
    TintboxStatus (*GetTypeLibrary)(TintboxClassFactory* self, const TintboxTypeLibrary** out);
    /** A resource's bytes; static data, valid while the library is loaded. */
    TintboxStatus (*GetResource)(TintboxClassFactory* self, int32_t type, int32_t id,
                                 const unsigned char** data, size_t* size);
} TintboxClassFactoryVtbl;

/** The factory object: a pointer to its table of functions. */
struct TintboxClassFactory {
    const TintboxClassFactoryVtbl* vtbl; /**< its functions */
};

/** The functions of a TintboxControl. */
typedef struct TintboxControlVtbl {
    /** @{ */
    /** Takes a reference, or gives one back; returns the new count. */
    uint32_t (*AddRef)(TintboxControl* self);
    uint32_t (*Release)(TintboxControl* self);
    /** @} */
    /** The dispatch id of a member of _Tintbox, by name (ASCII letters compared without
     * case, as the type library's names are). */
    TintboxStatus (*GetDispatchId)(TintboxControl* self, const char* name, int32_t* dispatch_id);
    /** Calls a member. `args` holds `arg_count` arguments in declaration order; arguments
     * declared TINTBOX_PARAM_OUT get the member's values written back into them (Dec
     * leaves the cleaned text in Number; SepRGB fills Red, Green and Blue). Read-only
     * Integer, Long and Boolean parameters take any of I2, I4 and BOOL that fits; a
     * String takes UTF8 or UTF16; a Picture takes PICTURE or EMPTY (Nothing), and its
     * property put accepts TINTBOX_INVOKE_PROPERTYPUT as well as PUTREF. Written-back
     * parameters need their declared type (I4 for SepRGB's outputs; UTF8 or UTF16 for
     * Number). `result` may be NULL; otherwise it receives the member's result or EMPTY.
     * The control's own errors come back as TINTBOX_E_CONTROL_ERROR. */
    TintboxStatus (*Invoke)(TintboxControl* self, int32_t dispatch_id, int32_t invoke_kind,
                            TintboxVariant* args, int32_t arg_count, TintboxVariant* result);
    /** GetDispatchId followed by Invoke. */
    TintboxStatus (*InvokeByName)(TintboxControl* self, const char* name, int32_t invoke_kind,
                                  TintboxVariant* args, int32_t arg_count, TintboxVariant* result);
    /** Subscribes to the events of __Tintbox; *cookie identifies the subscription. */
    TintboxStatus (*Advise)(TintboxControl* self, TintboxEventCallback callback, void* context,
                            uint32_t* cookie);
    /** Ends the subscription that Advise identified by `cookie`. */
    TintboxStatus (*Unadvise)(TintboxControl* self, uint32_t cookie);
    /** @{ */
    /** Persistence of Picture and Enabled in the control's property-bag file (`bag_path`,
     * a file name). ReadProperties restores a saved control: the picture, then Enabled
     * as the Enabled property sets it (the editors follow). WriteProperties stores the
     * values that differ from their defaults (no picture, enabled) and replaces the file
     * atomically. A file that cannot be read or written, a damaged bag or a bad picture
     * give TINTBOX_E_CONTROL_ERROR with TINTBOX_ERROR_FILE, _BAD_PROPERTY_BAG or
     * _INVALID_PICTURE. */
    TintboxStatus (*ReadProperties)(TintboxControl* self, const char* bag_path);
    TintboxStatus (*WriteProperties)(TintboxControl* self, const char* bag_path);
    /** @} */
    /** @{ */
    /** About the calling thread's last failed call on this instance (every call but
     * AddRef, Release, ErrorKind and ErrorMessage clears it when it starts, and a failure
     * for a NULL argument sets it too; a caller's text shows in it only as a short
     * excerpt): a TINTBOX_ERROR_... kind (TINTBOX_ERROR_NONE when the failure was not the
     * control's own) and a UTF-8 message, "" when there is none. The text stays valid
     * until the calling thread's next call on this instance; other threads' calls leave
     * it alone. */
    int32_t (*ErrorKind)(TintboxControl* self);
    const char* (*ErrorMessage)(TintboxControl* self);
    /** @} */
} TintboxControlVtbl;

/** An instance: a pointer to its table of functions. */
struct TintboxControl {
    const TintboxControlVtbl* vtbl; /**< its functions */
};

/* ---- The four entry points ------------------------------------------------------------ */
/** Gives the factory of `class_id` (TINTBOX_CLSID_Tintbox) for `interface_id`
 * (TINTBOX_IID_ClassFactory), with one reference. */
TintboxStatus DllGetClassObject(const TintboxGuid* class_id, const TintboxGuid* interface_id,
                                void** out);
/** TINTBOX_OK when no instance, factory reference or lock is alive; else TINTBOX_E_IN_USE. */
TintboxStatus DllCanUnloadNow(void);
/** Records the class in the per-user registry directory (see the top of this file). */
TintboxStatus DllRegisterServer(void);
/** Removes what DllRegisterServer recorded. */
TintboxStatus DllUnregisterServer(void);

/** @{ */
/** Types of the entry points, for dlsym. */
typedef TintboxStatus (*TintboxDllGetClassObjectFn)(const TintboxGuid*, const TintboxGuid*, void**);
typedef TintboxStatus (*TintboxDllCanUnloadNowFn)(void);
typedef TintboxStatus (*TintboxDllRegisterServerFn)(void);
typedef TintboxStatus (*TintboxDllUnregisterServerFn)(void);
/** @} */

/** The version of the interfaces this header declares: 1 the dispatch interface; 2 adds
 * windowless hosting (tintbox_windowless.h, TINTBOX_IID_Windowless), which a library
 * built without Qt refuses with TINTBOX_E_CLASS_NOT_AVAILABLE; 3 adds the windowless
 * site's optional eyedropper_state (a site table of version 2 is still taken). */
#define TINTBOX_SHELL_VERSION 3

#ifdef __cplusplus
}
#endif

#endif /* TINTBOX_TINTBOX_SHELL_H */
