/* A host in plain C that loads the shell library with dlopen and drives it the way any
 * foreign-language host would: registration, the factory, two instances, every member by
 * dispatch id and by name, Change events, bad calls, and unloading. */
#define _XOPEN_SOURCE 700

#include <dlfcn.h>
#include <ftw.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tintbox/tintbox_shell.h"

#include "check.h"

static TintboxDllGetClassObjectFn get_class_object;
static TintboxDllCanUnloadNowFn can_unload_now;
static TintboxDllRegisterServerFn register_server;
static TintboxDllUnregisterServerFn unregister_server;

/* ---- Small helpers ------------------------------------------------------------------ */

/* out = first/second; every path here is far below PATH_MAX. */
static void join_path(char out[PATH_MAX], const char* first, const char* second) {
    const int written = snprintf(out, PATH_MAX, "%s/%s", first, second);
    if (written < 0 || written >= PATH_MAX) {
        fprintf(stderr, "path too long: %s/%s\n", first, second);
        exit(2);
    }
}

/* ISO C has no conversion from dlsym's object pointer to a function pointer; copy it. */
static void load_symbol(void* library, const char* name, void* function, size_t size) {
    void* symbol = dlsym(library, name);
    memcpy(function, &symbol, size);
}

static TintboxVariant i2(int16_t value) {
    TintboxVariant v;
    memset(&v, 0, sizeof v);
    v.type = TINTBOX_VT_I2;
    v.value.i2 = value;
    return v;
}

static TintboxVariant i4(int32_t value) {
    TintboxVariant v;
    memset(&v, 0, sizeof v);
    v.type = TINTBOX_VT_I4;
    v.value.i4 = value;
    return v;
}

static TintboxVariant boolean(int16_t value) {
    TintboxVariant v;
    memset(&v, 0, sizeof v);
    v.type = TINTBOX_VT_BOOL;
    v.value.boolean = value;
    return v;
}

static TintboxVariant utf8(char* buffer, size_t capacity) {
    TintboxVariant v;
    memset(&v, 0, sizeof v);
    v.type = TINTBOX_VT_UTF8;
    v.value.text.data = buffer;
    v.value.text.length = strlen(buffer);
    v.value.text.capacity = capacity;
    return v;
}

static TintboxVariant picture(int32_t width, int32_t height, const int32_t* pixels) {
    TintboxVariant v;
    memset(&v, 0, sizeof v);
    v.type = TINTBOX_VT_PICTURE;
    v.value.picture.width = width;
    v.value.picture.height = height;
    v.value.picture.pixels = pixels;
    return v;
}

static TintboxStatus call(TintboxControl* control, int32_t dispatch_id, int32_t kind,
                          TintboxVariant* args, int32_t count, TintboxVariant* result) {
    return control->vtbl->Invoke(control, dispatch_id, kind, args, count, result);
}

static int32_t get_long(TintboxControl* control, int32_t dispatch_id) {
    TintboxVariant result;
    CHECK_STATUS(call(control, dispatch_id, TINTBOX_INVOKE_METHOD, NULL, 0, &result), TINTBOX_OK);
    CHECK(result.type == TINTBOX_VT_I4);
    return result.value.i4;
}

static int16_t get_integer(TintboxControl* control, int32_t dispatch_id) {
    TintboxVariant result;
    CHECK_STATUS(call(control, dispatch_id, TINTBOX_INVOKE_METHOD, NULL, 0, &result), TINTBOX_OK);
    CHECK(result.type == TINTBOX_VT_I2);
    return result.value.i2;
}

static void set_value(TintboxControl* control, int32_t dispatch_id, TintboxVariant value) {
    CHECK_STATUS(call(control, dispatch_id, TINTBOX_INVOKE_METHOD, &value, 1, NULL), TINTBOX_OK);
}

static char* read_text_file(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == NULL) {
        return NULL;
    }
    char* text = calloc(4096, 1);
    if (text != NULL) {
        size_t read = fread(text, 1, 4095, file);
        text[read] = '\0';
    }
    fclose(file);
    return text;
}

static int file_exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

/* Whether the file at dir/name holds the line `line`. */
static int file_has_line(const char* dir, const char* name, const char* line) {
    char path[PATH_MAX];
    join_path(path, dir, name);
    char* text = read_text_file(path);
    if (text == NULL) {
        return 0;
    }
    char wanted[PATH_MAX + 64];
    snprintf(wanted, sizeof wanted, "%s\n", line);
    int found = strncmp(text, wanted, strlen(wanted)) == 0;
    char with_break[PATH_MAX + 64];
    snprintf(with_break, sizeof with_break, "\n%s\n", line);
    found = found || strstr(text, with_break) != NULL;
    free(text);
    return found;
}

static int temp_files_seen;
static int note_temp_file(const char* path, const struct stat* info, int flag, struct FTW* ftw) {
    (void)info;
    (void)flag;
    if (strstr(path + ftw->base, ".tmp") != NULL) {
        ++temp_files_seen;
    }
    return 0;
}

static int remove_entry(const char* path, const struct stat* info, int flag, struct FTW* ftw) {
    (void)info;
    (void)flag;
    (void)ftw;
    return remove(path);
}

static int temp_files_under(const char* dir) {
    temp_files_seen = 0;
    nftw(dir, note_temp_file, 16, FTW_PHYS);
    return temp_files_seen;
}

/* Makes every temporary file look an hour old. */
static int age_temp_file(const char* path, const struct stat* info, int flag, struct FTW* ftw) {
    (void)info;
    (void)flag;
    if (strstr(path + ftw->base, ".tmp") != NULL) {
        const time_t hour_ago = time(NULL) - 3600;
        const struct timeval times[2] = {{hour_ago, 0}, {hour_ago, 0}};
        CHECK(utimes(path, times) == 0);
    }
    return 0;
}

/* ---- Change subscribers ------------------------------------------------------------- */

typedef struct Counter {
    int changes;
    int32_t last_rgb; /* read back from inside the callback */
} Counter;

static void count_change(void* context, TintboxControl* sender, int32_t event_dispatch_id) {
    Counter* counter = context;
    CHECK(event_dispatch_id == TINTBOX_DISPID_Change);
    ++counter->changes;
    /* Calling back into the control from its own event works. */
    counter->last_rgb = get_long(sender, TINTBOX_DISPID_GetRGB);
}

/* Subscribers hear Change in the order they subscribed; one that an earlier subscriber
 * removes during the event is skipped, one it adds hears the next event. */
typedef struct Listener {
    char name;
    char* heard;          /* the names, in the order they heard Change */
    uint32_t remove;      /* a cookie to unsubscribe when hearing Change, or 0 */
    struct Listener* add; /* a listener to subscribe when hearing Change, or NULL */
} Listener;

static void log_change(void* context, TintboxControl* sender, int32_t event_dispatch_id) {
    Listener* listener = context;
    (void)event_dispatch_id;
    strncat(listener->heard, &listener->name, 1);
    if (listener->remove != 0) {
        CHECK_STATUS(sender->vtbl->Unadvise(sender, listener->remove), TINTBOX_OK);
        listener->remove = 0;
    }
    if (listener->add != NULL) {
        uint32_t cookie = 0;
        CHECK_STATUS(sender->vtbl->Advise(sender, log_change, listener->add, &cookie), TINTBOX_OK);
        listener->add = NULL;
    }
}

/* Several threads on one instance: calls run one at a time, and each thread hears about
 * its own last call, whatever the others do meanwhile. */
typedef struct Worker {
    TintboxControl* control;
    int index;
    int wrong; /* results or messages that were not this thread's */
} Worker;

static void* call_and_fail(void* argument) {
    Worker* worker = argument;
    TintboxControl* control = worker->control;
    char name[32];
    snprintf(name, sizeof name, "NoSuchMember%d", worker->index);
    for (int i = 0; i < 300; ++i) {
        TintboxVariant value = i4(worker->index << 16 | i);
        TintboxVariant result;
        worker->wrong += call(control, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1,
                              NULL) != TINTBOX_OK;
        worker->wrong += call(control, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0,
                              &result) != TINTBOX_OK;
        int32_t id = 0;
        worker->wrong +=
            control->vtbl->GetDispatchId(control, name, &id) != TINTBOX_E_UNKNOWN_MEMBER;
        worker->wrong += strstr(control->vtbl->ErrorMessage(control), name) == NULL;
    }
    return NULL;
}

static void test_threads(TintboxClassFactory* factory) {
    TintboxControl* control = NULL;
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &control),
                 TINTBOX_OK);
    if (control == NULL) {
        return;
    }
    int32_t id = 0;
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "NoSuchMainMember", &id),
                 TINTBOX_E_UNKNOWN_MEMBER);
    Worker workers[4];
    pthread_t threads[4];
    for (int i = 0; i < 4; ++i) {
        workers[i] = (Worker){control, i, 0};
        CHECK(pthread_create(&threads[i], NULL, call_and_fail, &workers[i]) == 0);
    }
    for (int i = 0; i < 4; ++i) {
        pthread_join(threads[i], NULL);
        CHECK(workers[i].wrong == 0);
    }
    CHECK(strstr(control->vtbl->ErrorMessage(control), "NoSuchMainMember") != NULL);
    CHECK(control->vtbl->Release(control) == 0);
}

static void test_change_order(TintboxClassFactory* factory) {
    TintboxControl* control = NULL;
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &control),
                 TINTBOX_OK);
    if (control == NULL) {
        return;
    }
    char heard[64] = "";
    Listener listeners[5] = {{'A', heard, 0, NULL},
                             {'B', heard, 0, NULL},
                             {'C', heard, 0, NULL},
                             {'D', heard, 0, NULL},
                             {'E', heard, 0, NULL}};
    uint32_t cookies[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        CHECK_STATUS(control->vtbl->Advise(control, log_change, &listeners[i], &cookies[i]),
                     TINTBOX_OK);
    }
    listeners[1].remove = cookies[2];
    listeners[1].add = &listeners[4];
    set_value(control, TINTBOX_DISPID_SetRGB, i4(0x010203));
    CHECK(strcmp(heard, "ABD") == 0);
    heard[0] = 0;
    CHECK_STATUS(control->vtbl->Unadvise(control, cookies[0]), TINTBOX_OK);
    set_value(control, TINTBOX_DISPID_SetRGB, i4(0x040506));
    CHECK(strcmp(heard, "BDE") == 0);
    CHECK(control->vtbl->Release(control) == 0);
}

static void release_sender(void* context, TintboxControl* sender, int32_t event_dispatch_id) {
    (void)event_dispatch_id;
    int* released = context;
    if (!*released) {
        *released = 1;
        sender->vtbl->Release(sender);
    }
}

/* ---- The parts of the test ------------------------------------------------------------ */

static void test_registration(const char* base, const char* library_path) {
    char registry[PATH_MAX];
    join_path(registry, base, "registry");
    setenv("TINTBOX_REGISTRY_DIR", registry, 1);

    CHECK_STATUS(unregister_server(), TINTBOX_OK); /* nothing registered yet */
    CHECK_STATUS(register_server(), TINTBOX_OK);
    CHECK_STATUS(register_server(), TINTBOX_OK); /* twice is harmless */

    const char* class_file = "classes/{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}";
    char line[PATH_MAX + 32];
    snprintf(line, sizeof line, "InprocServer=%s", library_path);
    CHECK(file_has_line(registry, class_file, line));
    CHECK(file_has_line(registry, class_file, "ProgID=" TINTBOX_PROGID));
    CHECK(file_has_line(registry, class_file, "TypeLib={0834C306-968F-4E38-BF37-B47BD5F4336D}"));
    CHECK(file_has_line(registry, class_file, "Version=1.0"));
    CHECK(file_has_line(registry, "progids/" TINTBOX_PROGID,
                        "CLSID={8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}"));
    snprintf(line, sizeof line, "Path=%s", library_path);
    CHECK(file_has_line(registry, "typelibs/{0834C306-968F-4E38-BF37-B47BD5F4336D}", line));
    CHECK(file_has_line(registry, "interfaces/{D2209109-F4EB-4DB5-B1B8-6B042F4EF562}",
                        "Name=_Tintbox"));
    CHECK(file_has_line(registry, "interfaces/{083D3C31-CB2D-4CC8-99FB-AB40B3882990}",
                        "Name=__Tintbox"));
    CHECK(temp_files_under(registry) == 0);

    /* A registration killed in the middle (here by the file size limit) leaves a
     * temporary file; a later registration removes it once its process has ended and it
     * has not been written to for a while. */
    const pid_t killed = fork();
    if (killed == 0) {
        const struct rlimit no_core = {0, 0}, one_byte = {1, 1};
        setrlimit(RLIMIT_CORE, &no_core);
        setrlimit(RLIMIT_FSIZE, &one_byte);
        register_server();
        _exit(0);
    }
    int status = 0;
    CHECK(waitpid(killed, &status, 0) == killed && WIFSIGNALED(status) &&
          WTERMSIG(status) == SIGXFSZ);
    CHECK(temp_files_under(registry) == 1);
    CHECK_STATUS(register_server(), TINTBOX_OK);
    CHECK(temp_files_under(registry) == 1); /* just written: its writer may be elsewhere */
    nftw(registry, age_temp_file, 16, FTW_PHYS);
    CHECK_STATUS(register_server(), TINTBOX_OK);
    CHECK(temp_files_under(registry) == 0);

    /* A registry below a plain file cannot be created. */
    char path[PATH_MAX];
    join_path(path, base, "plain-file");
    FILE* plain = fopen(path, "w");
    CHECK(plain != NULL);
    if (plain != NULL) {
        fclose(plain);
    }
    join_path(path, base, "plain-file/registry");
    setenv("TINTBOX_REGISTRY_DIR", path, 1);
    CHECK_STATUS(register_server(), TINTBOX_E_REGISTRY);
    CHECK_STATUS(unregister_server(), TINTBOX_OK);

    /* A failure after some entries were written leaves none of them: the type library's
     * entry cannot be renamed into place over a directory. */
    char partial[PATH_MAX];
    join_path(partial, base, "partial");
    join_path(path, partial, "typelibs/{0834C306-968F-4E38-BF37-B47BD5F4336D}");
    CHECK(mkdir(partial, 0755) == 0);
    join_path(line, partial, "typelibs");
    CHECK(mkdir(line, 0755) == 0);
    CHECK(mkdir(path, 0755) == 0);
    setenv("TINTBOX_REGISTRY_DIR", partial, 1);
    CHECK_STATUS(register_server(), TINTBOX_E_REGISTRY);
    join_path(path, partial, class_file);
    CHECK(!file_exists(path));
    join_path(path, partial, "progids/" TINTBOX_PROGID);
    CHECK(!file_exists(path));
    CHECK(temp_files_under(partial) == 0);

    /* A failed re-registration leaves the previous registration whole: the fourth entry
     * cannot be put in place (a directory took its name), and the three before it keep
     * what they held. */
    char again[PATH_MAX];
    join_path(again, base, "again");
    setenv("TINTBOX_REGISTRY_DIR", again, 1);
    CHECK_STATUS(register_server(), TINTBOX_OK);
    join_path(path, again, "interfaces/{D2209109-F4EB-4DB5-B1B8-6B042F4EF562}");
    CHECK(unlink(path) == 0);
    CHECK(mkdir(path, 0755) == 0);
    CHECK_STATUS(register_server(), TINTBOX_E_REGISTRY);
    snprintf(line, sizeof line, "InprocServer=%s", library_path);
    CHECK(file_has_line(again, class_file, line));
    CHECK(file_has_line(again, "progids/" TINTBOX_PROGID,
                        "CLSID={8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}"));
    snprintf(line, sizeof line, "Path=%s", library_path);
    CHECK(file_has_line(again, "typelibs/{0834C306-968F-4E38-BF37-B47BD5F4336D}", line));
    CHECK(temp_files_under(again) == 0);

    /* Without TINTBOX_REGISTRY_DIR: $XDG_DATA_HOME/tintbox/registry when XDG_DATA_HOME is
     * absolute, else ~/.local/share/tintbox/registry. */
    const struct {
        const char* xdg_data_home; /* NULL: unset */
        const char* home;
        const char* registry_below_base;
    } defaults[] = {
        {"xdg", "home", "xdg/tintbox/registry"},
        {NULL, "home", "home/.local/share/tintbox/registry"},
        {"relative/data", "home", "home/.local/share/tintbox/registry"},
    };
    unsetenv("TINTBOX_REGISTRY_DIR");
    for (size_t i = 0; i < sizeof defaults / sizeof defaults[0]; ++i) {
        if (defaults[i].xdg_data_home == NULL) {
            unsetenv("XDG_DATA_HOME");
        } else if (defaults[i].xdg_data_home[0] == 'r') {
            setenv("XDG_DATA_HOME", defaults[i].xdg_data_home, 1);
        } else {
            join_path(path, base, defaults[i].xdg_data_home);
            setenv("XDG_DATA_HOME", path, 1);
        }
        join_path(path, base, defaults[i].home);
        setenv("HOME", path, 1);
        CHECK_STATUS(register_server(), TINTBOX_OK);
        join_path(line, base, defaults[i].registry_below_base);
        join_path(path, line, class_file);
        CHECK(file_exists(path));
        CHECK_STATUS(unregister_server(), TINTBOX_OK);
        CHECK(!file_exists(path));
    }

    setenv("TINTBOX_REGISTRY_DIR", registry, 1);
}

static void test_unregistration(const char* base) {
    char registry[PATH_MAX];
    join_path(registry, base, "registry");
    CHECK_STATUS(unregister_server(), TINTBOX_OK);
    char path[PATH_MAX];
    join_path(path, registry, "classes/{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}");
    CHECK(!file_exists(path));
    join_path(path, registry, "progids/" TINTBOX_PROGID);
    CHECK(!file_exists(path));
    CHECK_STATUS(unregister_server(), TINTBOX_OK);
}

static void test_class_object_errors(void) {
    void* out = (void*)&out;
    const TintboxGuid unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    CHECK_STATUS(get_class_object(&unknown, &TINTBOX_IID_ClassFactory, &out),
                 TINTBOX_E_CLASS_NOT_AVAILABLE);
    CHECK(out == NULL);
    out = (void*)&out;
    CHECK_STATUS(get_class_object(&TINTBOX_CLSID_Tintbox, &unknown, &out),
                 TINTBOX_E_CLASS_NOT_AVAILABLE);
    CHECK(out == NULL);
    CHECK_STATUS(get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID__Tintbox, &out),
                 TINTBOX_E_CLASS_NOT_AVAILABLE);
    CHECK_STATUS(get_class_object(NULL, &TINTBOX_IID_ClassFactory, &out),
                 TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, NULL),
                 TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(can_unload_now(), TINTBOX_OK);
}

typedef struct ExpectedMember {
    const char* name;
    int32_t dispatch_id;
    int32_t invoke_kind;
    int32_t result_type;
    int32_t param_count;
} ExpectedMember;

static void test_type_library(TintboxClassFactory* factory) {
    const TintboxTypeLibrary* library = NULL;
    CHECK_STATUS(factory->vtbl->GetTypeLibrary(factory, &library), TINTBOX_OK);
    if (library == NULL) {
        return;
    }
    CHECK(strcmp(library->name, "TintboxControl") == 0);
    CHECK(library->major_version == 1 && library->minor_version == 0);
    CHECK(library->locale_id == 0x409);
    CHECK(strcmp(library->class_name, "Tintbox") == 0);
    CHECK(memcmp(&library->clsid, &TINTBOX_CLSID_Tintbox, sizeof(TintboxGuid)) == 0);
    CHECK(memcmp(&library->libid, &TINTBOX_LIBID_TintboxControl, sizeof(TintboxGuid)) == 0);
    CHECK(library->interface_count == 2);

    static const ExpectedMember expected[] = {
        {"GetRGB", 0x60030002, TINTBOX_INVOKE_METHOD, TINTBOX_VT_I4, 0},
        {"SetRGB", 0x60030003, TINTBOX_INVOKE_METHOD, TINTBOX_VT_EMPTY, 1},
        {"GetRed", 0x60030004, TINTBOX_INVOKE_METHOD, TINTBOX_VT_I2, 0},
        {"GetGreen", 0x60030005, TINTBOX_INVOKE_METHOD, TINTBOX_VT_I2, 0},
        {"GetBlue", 0x60030006, TINTBOX_INVOKE_METHOD, TINTBOX_VT_I2, 0},
        {"SetRed", 0x60030007, TINTBOX_INVOKE_METHOD, TINTBOX_VT_EMPTY, 1},
        {"SetGreen", 0x60030008, TINTBOX_INVOKE_METHOD, TINTBOX_VT_EMPTY, 1},
        {"SetBlue", 0x60030009, TINTBOX_INVOKE_METHOD, TINTBOX_VT_EMPTY, 1},
        {"Dec", 0x6003000B, TINTBOX_INVOKE_METHOD, TINTBOX_VT_I4, 1},
        {"SepRGB", 0x60030033, TINTBOX_INVOKE_METHOD, TINTBOX_VT_EMPTY, 4},
        {"Picture", 0x68030001, TINTBOX_INVOKE_PROPERTYGET, TINTBOX_VT_PICTURE, 0},
        {"Picture", 0x68030001, TINTBOX_INVOKE_PROPERTYPUTREF, TINTBOX_VT_EMPTY, 1},
        {"Enabled", 0x68030000, TINTBOX_INVOKE_PROPERTYGET, TINTBOX_VT_BOOL, 0},
        {"Enabled", 0x68030000, TINTBOX_INVOKE_PROPERTYPUT, TINTBOX_VT_EMPTY, 1},
    };
    const TintboxInterfaceInfo* dispatch = &library->interfaces[0];
    CHECK(strcmp(dispatch->name, "_Tintbox") == 0);
    CHECK(dispatch->flags == TINTBOX_INTERFACE_DISPATCH);
    CHECK(memcmp(&dispatch->iid, &TINTBOX_IID__Tintbox, sizeof(TintboxGuid)) == 0);
    CHECK(dispatch->member_count == (int32_t)(sizeof expected / sizeof expected[0]));
    for (int32_t i = 0; i < dispatch->member_count && i < 14; ++i) {
        const TintboxMemberInfo* member = &dispatch->members[i];
        CHECK(strcmp(member->name, expected[i].name) == 0);
        CHECK(member->dispatch_id == expected[i].dispatch_id);
        CHECK(member->invoke_kind == expected[i].invoke_kind);
        CHECK(member->result_type == expected[i].result_type);
        CHECK(member->param_count == expected[i].param_count);
    }

    const TintboxMemberInfo* dec = &dispatch->members[8];
    CHECK(strcmp(dec->params[0].name, "Number") == 0);
    CHECK(dec->params[0].type == TINTBOX_VT_UTF16);
    CHECK(dec->params[0].flags == (TINTBOX_PARAM_IN | TINTBOX_PARAM_OUT | TINTBOX_PARAM_BYREF));
    const TintboxMemberInfo* sep = &dispatch->members[9];
    static const char* const sep_names[] = {"Value", "Red", "Green", "Blue"};
    for (int i = 0; i < 4; ++i) {
        CHECK(strcmp(sep->params[i].name, sep_names[i]) == 0);
        CHECK(sep->params[i].type == TINTBOX_VT_I4);
        CHECK(sep->params[i].flags == (i == 0 ? TINTBOX_PARAM_IN | TINTBOX_PARAM_BYREF
                                              : TINTBOX_PARAM_OUT | TINTBOX_PARAM_BYREF));
    }
    CHECK(strcmp(dispatch->members[1].params[0].name, "Value") == 0);
    CHECK(dispatch->members[5].params[0].type == TINTBOX_VT_I2);
    CHECK(strcmp(dispatch->members[11].params[0].name, "New_Picture") == 0);
    CHECK(strcmp(dispatch->members[13].params[0].name, "New_Enabled") == 0);
    CHECK(dispatch->members[13].params[0].flags == TINTBOX_PARAM_IN); /* by value */

    const TintboxInterfaceInfo* events = &library->interfaces[1];
    CHECK(strcmp(events->name, "__Tintbox") == 0);
    CHECK(events->flags == TINTBOX_INTERFACE_SOURCE);
    CHECK(memcmp(&events->iid, &TINTBOX_DIID___Tintbox, sizeof(TintboxGuid)) == 0);
    CHECK(events->member_count == 1);
    CHECK(strcmp(events->members[0].name, "Change") == 0);
    CHECK(events->members[0].dispatch_id == TINTBOX_DISPID_Change);
    CHECK(events->members[0].param_count == 0);
}

static uint32_t little_endian(const unsigned char* bytes, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

static void test_resources(TintboxClassFactory* factory) {
    const unsigned char* data = NULL;
    size_t size = 0;
    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_BITMAP,
                                            TINTBOX_ID_TOOLBOX_BITMAP, &data, &size),
                 TINTBOX_OK);
    CHECK(size == 14 + 40 + 16 * 3 * 15);
    if (data != NULL && size >= 54) {
        CHECK(data[0] == 'B' && data[1] == 'M');
        CHECK(little_endian(data + 2, 4) == size);
        CHECK(little_endian(data + 18, 4) == 16); /* width */
        CHECK(little_endian(data + 22, 4) == 15); /* height */
        CHECK(little_endian(data + 28, 2) == 24); /* bits per pixel */
        CHECK(little_endian(data + 30, 4) == 0);  /* uncompressed */
    }

    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_VERSION, TINTBOX_ID_VERSION,
                                            &data, &size),
                 TINTBOX_OK);
    char* text = calloc(size + 1, 1);
    if (text != NULL && data != NULL) {
        memcpy(text, data, size);
        CHECK(strstr(text, "\nOLESelfRegister=\n") != NULL);
    }
    free(text);

    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_BITMAP, 1, &data, &size),
                 TINTBOX_E_NOT_FOUND);
    CHECK(data == NULL && size == 0);
    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_BITMAP, 30000, NULL, &size),
                 TINTBOX_E_INVALID_ARGUMENT);
}

/* Every member through dispatch; `changes` counts this instance's Change events. */
static void drive_colour_members(TintboxControl* control, Counter* counter, int32_t colour) {
    const int before = counter->changes;
    set_value(control, TINTBOX_DISPID_SetRGB, i4(colour));
    CHECK(counter->changes == before + 1);
    CHECK(counter->last_rgb == colour);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == colour);
    CHECK(get_integer(control, TINTBOX_DISPID_GetRed) == (colour & 0xFF));
    CHECK(get_integer(control, TINTBOX_DISPID_GetGreen) == ((colour >> 8) & 0xFF));
    CHECK(get_integer(control, TINTBOX_DISPID_GetBlue) == ((colour >> 16) & 0xFF));

    /* A component setter raises Change twice when it changes the field, once when not;
     * values are limited to 0..255 and any fitting integer type is taken. */
    typedef struct {
        int32_t dispatch_id;
        TintboxVariant value;
        int changes;
        int16_t red, green, blue;
    } ComponentCase;
    const ComponentCase cases[] = {
        {TINTBOX_DISPID_SetRed, i4(300), 2, 255, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF},
        {TINTBOX_DISPID_SetRed, i2(255), 1, 255, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF},
        {TINTBOX_DISPID_SetGreen, i2(-5), 2, 255, 0, (colour >> 16) & 0xFF},
        {TINTBOX_DISPID_SetBlue, boolean(TINTBOX_TRUE), 2, 255, 0, 0},
        {TINTBOX_DISPID_SetBlue, i4(7), 2, 255, 0, 7},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const int start = counter->changes;
        set_value(control, cases[i].dispatch_id, cases[i].value);
        CHECK(counter->changes == start + cases[i].changes);
        CHECK(get_integer(control, TINTBOX_DISPID_GetRed) == cases[i].red);
        CHECK(get_integer(control, TINTBOX_DISPID_GetGreen) == cases[i].green);
        CHECK(get_integer(control, TINTBOX_DISPID_GetBlue) == cases[i].blue);
        CHECK(get_long(control, TINTBOX_DISPID_GetRGB) ==
              cases[i].red + 256 * cases[i].green + 65536 * cases[i].blue);
        CHECK(counter->last_rgb == get_long(control, TINTBOX_DISPID_GetRGB));
    }
}

static void test_conversions(TintboxControl* control, Counter* counter) {
    const int before = counter->changes;

    /* Dec writes the cleaned text back, in the encoding it was given. */
    const struct {
        const char* given;
        int32_t result;
        const char* cleaned;
    } dec_cases[] = {
        {"#1a2B3d", 1715005, "1A2B3D"},
        {"FFFFFFFF", 0, "FFFFFFFF"},
        {"xyz", 0, ""},
    };
    for (size_t i = 0; i < sizeof dec_cases / sizeof dec_cases[0]; ++i) {
        char buffer[32];
        snprintf(buffer, sizeof buffer, "%s", dec_cases[i].given);
        TintboxVariant number = utf8(buffer, sizeof buffer);
        TintboxVariant result;
        CHECK_STATUS(call(control, TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD, &number, 1, &result),
                     TINTBOX_OK);
        CHECK(result.type == TINTBOX_VT_I4 && result.value.i4 == dec_cases[i].result);
        CHECK(number.value.text.length == strlen(dec_cases[i].cleaned));
        CHECK(strcmp(buffer, dec_cases[i].cleaned) == 0);
    }

    /* UTF-16, with a non-ASCII character and no room for a terminator. */
    uint16_t units[] = {'#', 0x00E9, 'f', 'f', ' ', '1'};
    TintboxVariant number;
    memset(&number, 0, sizeof number);
    number.type = TINTBOX_VT_UTF16;
    number.value.text.data = units;
    number.value.text.length = 6;
    number.value.text.capacity = 6;
    TintboxVariant result;
    CHECK_STATUS(call(control, TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD, &number, 1, &result),
                 TINTBOX_OK);
    CHECK(result.value.i4 == 0xFF1);
    CHECK(number.value.text.length == 3);
    CHECK(units[0] == 'F' && units[1] == 'F' && units[2] == '1');
    CHECK(units[3] == 0); /* terminated where there is room */

    /* SepRGB fills Red, Green and Blue. */
    const struct {
        int32_t value, red, green, blue;
    } sep_cases[] = {
        {1193046, 86, 52, 18},
        {-257, 255, 255, 0},
    };
    for (size_t i = 0; i < sizeof sep_cases / sizeof sep_cases[0]; ++i) {
        TintboxVariant args[4] = {i4(sep_cases[i].value), i4(-7), i4(-7), i4(-7)};
        CHECK_STATUS(call(control, TINTBOX_DISPID_SepRGB, TINTBOX_INVOKE_METHOD, args, 4, NULL),
                     TINTBOX_OK);
        CHECK(args[0].value.i4 == sep_cases[i].value);
        CHECK(args[1].value.i4 == sep_cases[i].red);
        CHECK(args[2].value.i4 == sep_cases[i].green);
        CHECK(args[3].value.i4 == sep_cases[i].blue);
    }
    CHECK(counter->changes == before); /* conversions raise no Change */
}

static void test_properties(TintboxControl* control, Counter* counter) {
    const int before = counter->changes;
    TintboxVariant result;
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.type == TINTBOX_VT_PICTURE && result.value.picture.pixels == NULL);

    const int32_t pixels[6] = {0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x123456};
    TintboxVariant given = picture(3, 2, pixels);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &given, 1, NULL),
        TINTBOX_OK);
    TintboxVariant first;
    TintboxVariant second;
    CHECK_STATUS(call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &first),
                 TINTBOX_OK);
    CHECK(first.type == TINTBOX_VT_PICTURE);
    CHECK(first.value.picture.width == 3 && first.value.picture.height == 2);
    CHECK(first.value.picture.pixels != NULL && first.value.picture.pixels != pixels);
    CHECK(first.value.picture.pixels != NULL &&
          memcmp(first.value.picture.pixels, pixels, sizeof pixels) == 0);
    /* Setting back the picture that the control handed out keeps that very object. */
    CHECK_STATUS(call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUT, &first, 1, NULL),
                 TINTBOX_OK);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &second),
        TINTBOX_OK);
    CHECK(second.value.picture.pixels == first.value.picture.pixels);

    /* A picture the control cannot take is the control's error, with a message. */
    TintboxVariant bad = picture(0, 2, pixels);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &bad, 1, NULL),
        TINTBOX_E_CONTROL_ERROR);
    CHECK(control->vtbl->ErrorKind(control) == TINTBOX_ERROR_INVALID_PICTURE);
    CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
    bad = picture(16385, 1, pixels); /* wider than any picture may be */
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &bad, 1, NULL),
        TINTBOX_E_CONTROL_ERROR);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &second),
        TINTBOX_OK);
    CHECK(second.value.picture.pixels == first.value.picture.pixels); /* unchanged */

    TintboxVariant nothing;
    memset(&nothing, 0, sizeof nothing);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &nothing, 1, NULL),
        TINTBOX_OK);
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.picture.pixels == NULL);

    const struct {
        TintboxVariant given;
        int16_t read_back;
    } enabled_cases[] = {
        {boolean(TINTBOX_FALSE), TINTBOX_FALSE},
        {boolean(TINTBOX_TRUE), TINTBOX_TRUE},
        {i4(0), TINTBOX_FALSE},
        {i2(1), TINTBOX_TRUE},
    };
    CHECK_STATUS(
        call(control, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.type == TINTBOX_VT_BOOL && result.value.boolean == TINTBOX_TRUE);
    for (size_t i = 0; i < sizeof enabled_cases / sizeof enabled_cases[0]; ++i) {
        TintboxVariant value = enabled_cases[i].given;
        CHECK_STATUS(
            call(control, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUT, &value, 1, NULL),
            TINTBOX_OK);
        CHECK_STATUS(
            call(control, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
            TINTBOX_OK);
        CHECK(result.value.boolean == enabled_cases[i].read_back);
    }
    CHECK(counter->changes == before); /* the properties raise no Change */
}

static void test_by_name(TintboxControl* control) {
    int32_t id = 0;
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "SepRGB", &id), TINTBOX_OK);
    CHECK(id == TINTBOX_DISPID_SepRGB);
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "enabled", &id), TINTBOX_OK);
    CHECK(id == TINTBOX_DISPID_Enabled);
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "Change", &id), TINTBOX_E_UNKNOWN_MEMBER);
    CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
    CHECK_STATUS(control->vtbl->GetDispatchId(control, NULL, &id), TINTBOX_E_INVALID_ARGUMENT);

    TintboxVariant value = i4(0x00A0B0);
    CHECK_STATUS(
        control->vtbl->InvokeByName(control, "setrgb", TINTBOX_INVOKE_METHOD, &value, 1, NULL),
        TINTBOX_OK);
    TintboxVariant result;
    CHECK_STATUS(
        control->vtbl->InvokeByName(control, "GETRGB", TINTBOX_INVOKE_METHOD, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.i4 == 0x00A0B0);
    CHECK_STATUS(
        control->vtbl->InvokeByName(control, "GetPurple", TINTBOX_INVOKE_METHOD, NULL, 0, &result),
        TINTBOX_E_UNKNOWN_MEMBER);
    CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
}

static int message_has(TintboxControl* control, const char* part) {
    return strstr(control->vtbl->ErrorMessage(control), part) != NULL;
}

static int32_t scratch_id;
static uint32_t scratch_cookie;
static TintboxStatus name_missing(TintboxControl* c) {
    return c->vtbl->GetDispatchId(c, NULL, &scratch_id);
}
static TintboxStatus id_place_missing(TintboxControl* c) {
    return c->vtbl->GetDispatchId(c, "GetRGB", NULL);
}
static TintboxStatus callback_missing(TintboxControl* c) {
    return c->vtbl->Advise(c, NULL, NULL, &scratch_cookie);
}
static TintboxStatus cookie_place_missing(TintboxControl* c) {
    return c->vtbl->Advise(c, count_change, NULL, NULL);
}
static TintboxStatus unknown_cookie(TintboxControl* c) {
    return c->vtbl->Unadvise(c, 987654);
}
static TintboxStatus read_without_file(TintboxControl* c) {
    return c->vtbl->ReadProperties(c, NULL);
}
static TintboxStatus write_without_file(TintboxControl* c) {
    return c->vtbl->WriteProperties(c, NULL);
}

/* Every call that can fail replaces the last message when it fails, NULL arguments too,
 * and clears it when it succeeds; a caller's text appears only as a short excerpt. */
static void test_error_messages(TintboxControl* control) {
    const struct {
        TintboxStatus (*refused)(TintboxControl*);
        const char* message_names;
    } refusals[] = {
        {name_missing, "GetDispatchId"},
        {id_place_missing, "GetDispatchId"},
        {callback_missing, "Advise"},
        {cookie_place_missing, "Advise"},
        {unknown_cookie, "Unadvise"},
        {read_without_file, "ReadProperties"},
        {write_without_file, "WriteProperties"},
    };
    int32_t id = 0;
    uint32_t cookie = 0;
    for (size_t i = 0; i < sizeof refusals / sizeof refusals[0]; ++i) {
        CHECK_STATUS(control->vtbl->GetDispatchId(control, "NoSuchMember", &id),
                     TINTBOX_E_UNKNOWN_MEMBER);
        const TintboxStatus status = refusals[i].refused(control);
        if (status != TINTBOX_E_INVALID_ARGUMENT ||
            !message_has(control, refusals[i].message_names) ||
            message_has(control, "NoSuchMember")) {
            fprintf(stderr, "refusal %d: status %d, message '%s'\n", (int)i, (int)status,
                    control->vtbl->ErrorMessage(control));
            ++failures;
        }
    }

    /* Advise and Unadvise that succeed clear the message. */
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "NoSuchMember", &id),
                 TINTBOX_E_UNKNOWN_MEMBER);
    CHECK_STATUS(control->vtbl->Advise(control, count_change, NULL, &cookie), TINTBOX_OK);
    CHECK(strcmp(control->vtbl->ErrorMessage(control), "") == 0);
    CHECK_STATUS(control->vtbl->GetDispatchId(control, "NoSuchMember", &id),
                 TINTBOX_E_UNKNOWN_MEMBER);
    CHECK_STATUS(control->vtbl->Unadvise(control, cookie), TINTBOX_OK);
    CHECK(strcmp(control->vtbl->ErrorMessage(control), "") == 0);

    /* A long name that is not UTF-8 comes back as a short, valid excerpt. */
    static char long_name[5000];
    memset(long_name, 'x', sizeof long_name - 2);
    long_name[0] = (char)0xFF;
    long_name[sizeof long_name - 2] = (char)0xC3; /* a cut sequence at the end */
    long_name[sizeof long_name - 1] = '\0';
    CHECK_STATUS(control->vtbl->GetDispatchId(control, long_name, &id), TINTBOX_E_UNKNOWN_MEMBER);
    const char* message = control->vtbl->ErrorMessage(control);
    CHECK(strlen(message) < 100);
    CHECK(strchr(message, (char)0xFF) == NULL && strchr(message, (char)0xC3) == NULL);
}

/* Bad calls give their documented codes, change nothing and raise no Change. */
static void test_bad_calls(TintboxControl* control, Counter* counter) {
    const int32_t colour = get_long(control, TINTBOX_DISPID_GetRGB);
    const int before = counter->changes;
    char text[8] = "ff";
    char short_text[8] = "ff";
    TintboxVariant as_text = utf8(text, sizeof text);
    TintboxVariant short_capacity = utf8(short_text, 1);
    TintboxVariant null_text = utf8(text, sizeof text);
    null_text.value.text.data = NULL;
    /* No data, no length, but room: the terminator would be written through NULL. */
    TintboxVariant null_with_room = null_text;
    null_with_room.value.text.length = 0;
    TintboxVariant null_utf16_with_room = null_with_room;
    null_utf16_with_room.type = TINTBOX_VT_UTF16;
    TintboxVariant pair[2] = {i4(1), i4(2)};
    TintboxVariant sep_with_integer[4] = {i4(5), i4(0), i2(0), i4(0)};
    TintboxVariant big = i4(40000);
    TintboxVariant number = i4(1);
    TintboxVariant odd_type = i4(1);
    odd_type.type = 99;

    const struct {
        const char* what;
        int32_t dispatch_id;
        int32_t kind;
        TintboxVariant* args;
        int32_t count;
        TintboxStatus expected;
    } cases[] = {
        {"unknown id", 0x12345, TINTBOX_INVOKE_METHOD, NULL, 0, TINTBOX_E_UNKNOWN_MEMBER},
        {"event id on the control", TINTBOX_DISPID_Change, TINTBOX_INVOKE_METHOD, NULL, 0,
         TINTBOX_E_UNKNOWN_MEMBER},
        {"put on a method", TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_PROPERTYPUT, &number, 1,
         TINTBOX_E_WRONG_MEMBER_KIND},
        {"method call of a property", TINTBOX_DISPID_Picture, TINTBOX_INVOKE_METHOD, NULL, 0,
         TINTBOX_E_WRONG_MEMBER_KIND},
        {"putref of Enabled", TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUTREF, &number, 1,
         TINTBOX_E_WRONG_MEMBER_KIND},
        {"no kind", TINTBOX_DISPID_GetRGB, 0, NULL, 0, TINTBOX_E_INVALID_ARGUMENT},
        {"unknown kind", TINTBOX_DISPID_GetRGB, 64, NULL, 0, TINTBOX_E_INVALID_ARGUMENT},
        {"too few", TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, NULL, 0,
         TINTBOX_E_BAD_ARGUMENT_COUNT},
        {"too many", TINTBOX_DISPID_SetRed, TINTBOX_INVOKE_METHOD, pair, 2,
         TINTBOX_E_BAD_ARGUMENT_COUNT},
        {"arguments on a getter", TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, &number, 1,
         TINTBOX_E_BAD_ARGUMENT_COUNT},
        {"negative count", TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, -1,
         TINTBOX_E_INVALID_ARGUMENT},
        {"null arguments", TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, NULL, 1,
         TINTBOX_E_INVALID_ARGUMENT},
        {"text for an Integer", TINTBOX_DISPID_SetRed, TINTBOX_INVOKE_METHOD, &as_text, 1,
         TINTBOX_E_TYPE_MISMATCH},
        {"unknown variant type", TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &odd_type, 1,
         TINTBOX_E_TYPE_MISMATCH},
        {"Long too big for an Integer", TINTBOX_DISPID_SetGreen, TINTBOX_INVOKE_METHOD, &big, 1,
         TINTBOX_E_OVERFLOW},
        {"number for Dec", TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD, &number, 1,
         TINTBOX_E_TYPE_MISMATCH},
        {"Dec without room to write back", TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD,
         &short_capacity, 1, TINTBOX_E_INVALID_ARGUMENT},
        {"Dec with null text", TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD, &null_text, 1,
         TINTBOX_E_INVALID_ARGUMENT},
        {"Dec with null empty UTF-8 and a capacity", TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD,
         &null_with_room, 1, TINTBOX_E_INVALID_ARGUMENT},
        {"Dec with null empty UTF-16 and a capacity", TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD,
         &null_utf16_with_room, 1, TINTBOX_E_INVALID_ARGUMENT},
        {"SepRGB with an Integer output", TINTBOX_DISPID_SepRGB, TINTBOX_INVOKE_METHOD,
         sep_with_integer, 4, TINTBOX_E_TYPE_MISMATCH},
        {"number for Picture", TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &number, 1,
         TINTBOX_E_TYPE_MISMATCH},
        {"text for Enabled", TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUT, &as_text, 1,
         TINTBOX_E_TYPE_MISMATCH},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        TintboxVariant result = i4(12345);
        const TintboxStatus status = call(control, cases[i].dispatch_id, cases[i].kind,
                                          cases[i].args, cases[i].count, &result);
        if (status != cases[i].expected) {
            fprintf(stderr, "bad call '%s' gave %d, expected %d\n", cases[i].what, (int)status,
                    (int)cases[i].expected);
            ++failures;
        }
        CHECK(result.type == TINTBOX_VT_EMPTY);
        CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
        CHECK(control->vtbl->ErrorKind(control) == TINTBOX_ERROR_NONE);
    }
    CHECK(strcmp(short_text, "ff") == 0);
    CHECK(sep_with_integer[1].value.i4 == 0 && sep_with_integer[3].value.i4 == 0);
    CHECK(counter->changes == before);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == colour);
    CHECK(strcmp(control->vtbl->ErrorMessage(control), "") == 0); /* cleared by a good call */

    /* Null objects and pointers. */
    CHECK_STATUS(call(control, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0, NULL),
                 TINTBOX_OK);
    CHECK_STATUS(
        control->vtbl->Invoke(NULL, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0, NULL),
        TINTBOX_E_INVALID_ARGUMENT);
    uint32_t cookie = 0;
    CHECK_STATUS(control->vtbl->Advise(control, NULL, NULL, &cookie), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->Advise(control, count_change, NULL, NULL),
                 TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->Unadvise(control, 999999), TINTBOX_E_INVALID_ARGUMENT);
    CHECK(control->vtbl->AddRef(NULL) == 0);
    CHECK(control->vtbl->Release(NULL) == 0);
}

/* Picture and Enabled survive a save into a property-bag file and a restore into another
 * instance; unreadable, unwritable and damaged bags are the control's errors. */
static void test_persistence(TintboxClassFactory* factory, const char* base) {
    TintboxControl* saved = NULL;
    TintboxControl* restored = NULL;
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &saved), TINTBOX_OK);
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &restored),
                 TINTBOX_OK);
    if (saved == NULL || restored == NULL) {
        return;
    }
    char bag[PATH_MAX];
    join_path(bag, base, "control.bag");

    /* A bag of defaults restores no picture and Enabled True. */
    CHECK_STATUS(saved->vtbl->WriteProperties(saved, bag), TINTBOX_OK);
    CHECK_STATUS(restored->vtbl->ReadProperties(restored, bag), TINTBOX_OK);
    TintboxVariant result;
    CHECK_STATUS(
        call(restored, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.picture.pixels == NULL);
    CHECK_STATUS(
        call(restored, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.boolean == TINTBOX_TRUE);

    const int32_t pixels[2] = {0x0000FF, 0x00FF00};
    TintboxVariant value = picture(2, 1, pixels);
    CHECK_STATUS(
        call(saved, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &value, 1, NULL),
        TINTBOX_OK);
    value = boolean(TINTBOX_FALSE);
    CHECK_STATUS(call(saved, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUT, &value, 1, NULL),
                 TINTBOX_OK);
    CHECK_STATUS(saved->vtbl->WriteProperties(saved, bag), TINTBOX_OK);
    CHECK_STATUS(restored->vtbl->ReadProperties(restored, bag), TINTBOX_OK);
    CHECK_STATUS(
        call(restored, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.picture.width == 2 && result.value.picture.height == 1);
    CHECK(result.value.picture.pixels != NULL &&
          memcmp(result.value.picture.pixels, pixels, sizeof pixels) == 0);
    const int32_t* restored_pixels = result.value.picture.pixels;
    CHECK_STATUS(
        call(restored, TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.boolean == TINTBOX_FALSE);

    char path[PATH_MAX];
    join_path(path, base, "damaged.bag");
    FILE* damaged = fopen(path, "w");
    CHECK(damaged != NULL);
    if (damaged != NULL) {
        fputs("not a property bag\n", damaged);
        fclose(damaged);
    }
    char missing[PATH_MAX];
    join_path(missing, base, "no-such-directory/control.bag");
    const struct {
        TintboxControl* control;
        int write;
        const char* path;
        int32_t kind;
    } failures_expected[] = {
        {restored, 0, missing, TINTBOX_ERROR_FILE},
        {saved, 1, missing, TINTBOX_ERROR_FILE},
        {restored, 0, path, TINTBOX_ERROR_BAD_PROPERTY_BAG},
    };
    for (size_t i = 0; i < sizeof failures_expected / sizeof failures_expected[0]; ++i) {
        TintboxControl* control = failures_expected[i].control;
        const TintboxStatus status =
            failures_expected[i].write
                ? control->vtbl->WriteProperties(control, failures_expected[i].path)
                : control->vtbl->ReadProperties(control, failures_expected[i].path);
        CHECK(status == TINTBOX_E_CONTROL_ERROR);
        CHECK(control->vtbl->ErrorKind(control) == failures_expected[i].kind);
        CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
    }
    /* A failed restore leaves the control as it was. */
    CHECK_STATUS(
        call(restored, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, NULL, 0, &result),
        TINTBOX_OK);
    CHECK(result.value.picture.pixels == restored_pixels);
    CHECK_STATUS(saved->vtbl->ReadProperties(saved, NULL), TINTBOX_E_INVALID_ARGUMENT);

    /* Only regular files are read, at once: an endless device, a FIFO without a writer
     * (opening it would wait for one) and a directory are file errors. */
    char fifo[PATH_MAX];
    join_path(fifo, base, "fifo");
    CHECK(mkfifo(fifo, 0600) == 0);
    const char* const special[] = {"/dev/zero", fifo, base};
    for (size_t i = 0; i < sizeof special / sizeof special[0]; ++i) {
        CHECK_STATUS(restored->vtbl->ReadProperties(restored, special[i]), TINTBOX_E_CONTROL_ERROR);
        CHECK(restored->vtbl->ErrorKind(restored) == TINTBOX_ERROR_FILE);
        CHECK(message_has(restored, special[i]));
    }
    /* ... and only a regular file is replaced. */
    CHECK_STATUS(saved->vtbl->WriteProperties(saved, fifo), TINTBOX_E_CONTROL_ERROR);
    struct stat info;
    CHECK(stat(fifo, &info) == 0 && S_ISFIFO(info.st_mode));

    /* A file name of 254 bytes, close to the limit of 255, saves and restores. */
    char long_name[256];
    memset(long_name, 'n', 250);
    strcpy(long_name + 250, ".bag");
    join_path(path, base, long_name);
    CHECK_STATUS(saved->vtbl->WriteProperties(saved, path), TINTBOX_OK);
    CHECK_STATUS(restored->vtbl->ReadProperties(restored, path), TINTBOX_OK);
    CHECK_STATUS(saved->vtbl->WriteProperties(NULL, bag), TINTBOX_E_INVALID_ARGUMENT);

    CHECK(saved->vtbl->Release(saved) == 0);
    CHECK(restored->vtbl->Release(restored) == 0);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s path/to/libtintboxctl.so\n", argv[0]);
        return 2;
    }
    char library_path[PATH_MAX];
    if (realpath(argv[1], library_path) == NULL) {
        fprintf(stderr, "no library at %s\n", argv[1]);
        return 2;
    }
    alarm(300); /* a call that waits forever fails the test instead of stalling the run */
    char base[] = "/tmp/tintbox-shell-test-XXXXXX";
    if (mkdtemp(base) == NULL) {
        perror("mkdtemp");
        return 2;
    }

    void* library = dlopen(library_path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 2;
    }
    load_symbol(library, "DllGetClassObject", &get_class_object, sizeof get_class_object);
    load_symbol(library, "DllCanUnloadNow", &can_unload_now, sizeof can_unload_now);
    load_symbol(library, "DllRegisterServer", &register_server, sizeof register_server);
    load_symbol(library, "DllUnregisterServer", &unregister_server, sizeof unregister_server);
    if (!get_class_object || !can_unload_now || !register_server || !unregister_server) {
        fprintf(stderr, "an entry point is missing\n");
        return 2;
    }

    test_registration(base, library_path);
    test_class_object_errors();

    TintboxClassFactory* factory = NULL;
    CHECK_STATUS(
        get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, (void**)&factory),
        TINTBOX_OK);
    if (factory == NULL) {
        return 1;
    }
    CHECK_STATUS(can_unload_now(), TINTBOX_E_IN_USE);
    test_type_library(factory);
    test_resources(factory);

    TintboxControl* none = (TintboxControl*)factory;
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID_ClassFactory, &none),
                 TINTBOX_E_CLASS_NOT_AVAILABLE);
    CHECK(none == NULL);
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, NULL),
                 TINTBOX_E_INVALID_ARGUMENT);

    TintboxControl* controls[2] = {NULL, NULL};
    Counter counters[2] = {{0, 0}, {0, 0}};
    Counter second_subscriber = {0, 0};
    uint32_t cookies[2] = {0, 0};
    uint32_t second_cookie = 0;
    for (int i = 0; i < 2; ++i) {
        CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &controls[i]),
                     TINTBOX_OK);
        if (controls[i] == NULL) {
            return 1;
        }
        CHECK_STATUS(
            controls[i]->vtbl->Advise(controls[i], count_change, &counters[i], &cookies[i]),
            TINTBOX_OK);
    }
    CHECK_STATUS(
        controls[0]->vtbl->Advise(controls[0], count_change, &second_subscriber, &second_cookie),
        TINTBOX_OK);
    CHECK(second_cookie != cookies[0]);

    /* Each instance is its own control. */
    const int32_t colours[2] = {0x123456, 0x0A0B0C};
    for (int i = 0; i < 2; ++i) {
        drive_colour_members(controls[i], &counters[i], colours[i]);
    }
    set_value(controls[0], TINTBOX_DISPID_SetRGB, i4(0x111111));
    set_value(controls[1], TINTBOX_DISPID_SetRGB, i4(0x222222));
    CHECK(get_long(controls[0], TINTBOX_DISPID_GetRGB) == 0x111111);
    CHECK(get_long(controls[1], TINTBOX_DISPID_GetRGB) == 0x222222);
    /* SetRGB once, then 5 setter cases with 9 events, then the SetRGB above. */
    CHECK(counters[0].changes == 11);
    CHECK(counters[1].changes == 11);
    CHECK(second_subscriber.changes == counters[0].changes);

    for (int i = 0; i < 2; ++i) {
        test_conversions(controls[i], &counters[i]);
        test_properties(controls[i], &counters[i]);
        test_by_name(controls[i]);
        test_bad_calls(controls[i], &counters[i]);
        test_error_messages(controls[i]);
    }

    test_persistence(factory, base);
    test_change_order(factory);
    test_threads(factory);

    /* After Unadvise only the first subscriber hears Change. */
    CHECK_STATUS(controls[0]->vtbl->Unadvise(controls[0], second_cookie), TINTBOX_OK);
    CHECK_STATUS(controls[0]->vtbl->Unadvise(controls[0], second_cookie),
                 TINTBOX_E_INVALID_ARGUMENT);
    const int heard = second_subscriber.changes;
    const int first_heard = counters[0].changes;
    set_value(controls[0], TINTBOX_DISPID_SetRGB, i4(0x333333));
    CHECK(second_subscriber.changes == heard);
    CHECK(counters[0].changes == first_heard + 1);

    /* A Change handler may release the last reference while the call runs. */
    TintboxControl* doomed = NULL;
    int released = 0;
    uint32_t doomed_cookie = 0;
    CHECK_STATUS(factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &doomed),
                 TINTBOX_OK);
    if (doomed != NULL) {
        CHECK_STATUS(doomed->vtbl->Advise(doomed, release_sender, &released, &doomed_cookie),
                     TINTBOX_OK);
        set_value(doomed, TINTBOX_DISPID_SetRGB, i4(0x444444));
        CHECK(released == 1);
    }

    /* The library stays loaded while anything is alive. */
    CHECK_STATUS(factory->vtbl->LockServer(factory, 1), TINTBOX_OK);
    CHECK(controls[0]->vtbl->AddRef(controls[0]) == 2);
    CHECK(controls[0]->vtbl->Release(controls[0]) == 1);
    for (int i = 0; i < 2; ++i) {
        CHECK_STATUS(controls[i]->vtbl->Unadvise(controls[i], cookies[i]), TINTBOX_OK);
        CHECK(controls[i]->vtbl->Release(controls[i]) == 0);
    }
    CHECK_STATUS(can_unload_now(), TINTBOX_E_IN_USE); /* the factory and the lock */
    CHECK(factory->vtbl->Release(factory) == 0);
    CHECK_STATUS(can_unload_now(), TINTBOX_E_IN_USE); /* the lock */
    CHECK_STATUS(factory->vtbl->LockServer(factory, 0), TINTBOX_OK);
    CHECK_STATUS(factory->vtbl->LockServer(factory, 0), TINTBOX_E_INVALID_ARGUMENT);
    CHECK(factory->vtbl->Release(factory) == 0); /* no reference left to give back */
    CHECK_STATUS(can_unload_now(), TINTBOX_OK);

    test_unregistration(base);
    dlclose(library);
    nftw(base, remove_entry, 16, FTW_DEPTH | FTW_PHYS);

    if (failures != 0) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("all shell checks passed\n");
    return 0;
}
