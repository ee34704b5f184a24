"""Finding and loading libtintboxctl.so, and its class factory.

Where the library comes from, first match wins:
1. the path given to Tintbox(library=...) or load_library(path);
2. the environment variable TINTBOX_LIBRARY;
3. the library a wheel carries inside this package (scripts/package-python.sh puts it
   there, with the windowless module it loads from beside itself);
4. the library installed beside this package (`cmake --install` records where);
5. the registry's entry for the class (the `InprocServer=` line that
   DllRegisterServer wrote under TINTBOX_REGISTRY_DIR, $XDG_DATA_HOME/tintbox/registry
   or ~/.local/share/tintbox/registry).
"""

import ctypes
import os
import threading

from . import _abi
from .errors import TintboxError, check_status

LIBRARY_NAME = "libtintboxctl.so"
WINDOWLESS_MODULE_NAME = "libtintboxctl-windowless.so"  # loaded from beside the library
_loaded = {}  # real path -> Library
_loading = threading.Lock()  # one Library a path, whichever threads ask for it first


class Library:
    """One loaded shell library and its class factory (kept for the process's life:
    a library that ran Qt for a windowless control cannot be unloaded anyway)."""

    def __init__(self, path):
        self.path = path
        self.dll = ctypes.CDLL(path, mode=os.RTLD_NOW | os.RTLD_LOCAL)
        try:
            get_class_object = self.dll.DllGetClassObject
        except AttributeError:
            raise TintboxError(
                _abi.E_CLASS_NOT_AVAILABLE, None, f"{path} is not a Tintbox server library"
            ) from None
        get_class_object.restype = _abi.Status
        get_class_object.argtypes = [
            ctypes.POINTER(_abi.Guid),
            ctypes.POINTER(_abi.Guid),
            ctypes.POINTER(ctypes.c_void_p),
        ]
        for name in ("DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"):
            function = getattr(self.dll, name)
            function.restype = _abi.Status
            function.argtypes = []
        factory = ctypes.c_void_p()
        check_status(
            get_class_object(
                ctypes.byref(_abi.CLSID_TINTBOX),
                ctypes.byref(_abi.IID_CLASS_FACTORY),
                ctypes.byref(factory),
            ),
            f"{path}: no class factory",
        )
        self.factory = factory.value
        self.factory_vtbl = _abi.vtable(self.factory, _abi.ClassFactoryVtbl)

    def create(self, interface_id):
        """A new instance offering `interface_id`, with one reference."""
        instance = ctypes.c_void_p()
        status = self.factory_vtbl.CreateInstance(
            self.factory, ctypes.byref(interface_id), ctypes.byref(instance)
        )
        if status == _abi.E_CLASS_NOT_AVAILABLE and interface_id is _abi.IID_WINDOWLESS:
            module = os.path.join(os.path.dirname(self.path), WINDOWLESS_MODULE_NAME)
            if os.path.exists(module):
                reason = f"{module} cannot be loaded (are the Qt 6 libraries installed?)"
            else:
                reason = f"{self.path} was built without windowless hosting"
            raise TintboxError(status, None, reason)
        check_status(status, "CreateInstance failed")
        return instance.value

    def resource(self, kind, identifier):
        """The bytes of one resource of the library."""
        data = ctypes.c_void_p()
        size = ctypes.c_size_t()
        check_status(
            self.factory_vtbl.GetResource(
                self.factory, kind, identifier, ctypes.byref(data), ctypes.byref(size)
            ),
            f"no resource {kind}/{identifier}",
        )
        return ctypes.string_at(data.value, size.value)


def registry_directory():
    """Where DllRegisterServer records the class; None when no place is known."""
    directory = os.environ.get("TINTBOX_REGISTRY_DIR")
    if directory:
        return directory
    data_home = os.environ.get("XDG_DATA_HOME", "")
    if data_home.startswith("/"):
        return os.path.join(data_home, "tintbox", "registry")
    home = os.environ.get("HOME")
    if home:
        return os.path.join(home, ".local", "share", "tintbox", "registry")
    return None


def _entry(path):
    """The key=value lines of one registry file, or {} when it cannot be read."""
    try:
        with open(path, encoding="utf-8") as file:
            lines = file.read().splitlines()
    except OSError:
        return {}
    return dict(line.split("=", 1) for line in lines if "=" in line)


def registered_library():
    """The library path that the registry names for the class, or None."""
    root = registry_directory()
    if root is None:
        return None
    clsid = _entry(os.path.join(root, "progids", _abi.PROGID)).get("CLSID")
    if not clsid:
        return None
    return _entry(os.path.join(root, "classes", clsid)).get("InprocServer") or None


def carried_library():
    """The library that a wheel carries inside this package, or None."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_NAME)
    return path if os.path.exists(path) else None


def installed_library():
    """The library that `cmake --install` put beside this package, or None."""
    try:
        from ._location import LIBRARY_FROM_PACKAGE
    except ImportError:
        return None
    path = os.path.normpath(os.path.join(os.path.dirname(__file__), LIBRARY_FROM_PACKAGE))
    return path if os.path.exists(path) else None


def find_library():
    """The path of the library by the order above; TintboxError when none is found."""
    candidates = (
        os.environ.get("TINTBOX_LIBRARY"),
        carried_library(),
        installed_library(),
        registered_library(),
    )
    for candidate in candidates:
        if candidate:
            return candidate
    raise TintboxError(
        _abi.E_NOT_FOUND,
        None,
        f"cannot find {LIBRARY_NAME}: pass its path, set TINTBOX_LIBRARY, or register it "
        "with DllRegisterServer",
    )


def load_library(path=None):
    """The loaded library at `path` (or found as above). OSError when it cannot be
    loaded; each library is loaded once."""
    if path is None:
        path = find_library()
    path = os.fspath(path)
    if not os.path.exists(path):
        raise FileNotFoundError(2, f"no Tintbox library at {path}", path)
    real = os.path.realpath(path)
    with _loading:
        library = _loaded.get(real)
        if library is None:
            library = _loaded[real] = Library(real)
    return library
