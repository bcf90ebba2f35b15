"""Loading the driver library and calling its exported functions with Python strings.

The library exchanges texts as BSTR strings (UTF-16 with a length in front) made by its own
allocator (SysAllocStringLen, exported by the library on Linux; the system's OLEAUT32 on
Windows). Everything here goes through that allocator: a Python object never reaches the
library directly, so a wrong argument is a Python exception and never a crash.
"""

import ctypes
import os
import sys
import threading
from dataclasses import dataclass

from .errors import LibraryNotFoundError, QxrpError

#: The environment variable that names the library file; it is tried first.
LIBRARY_ENV = "QXRP_LIBRARY"

#: The exported request functions (VERSION has its own method).
EXPORTS = (
    "PRINTFR", "REPRINTFR", "PRINTXR", "PRINTZR", "PRINTNFR", "DISPLAY", "OPENDR", "GETSTATUS",
    "SET", "SETDATETIME", "OPEN", "GETDRSTATUS", "EJREPORT", "CLOSE", "GETVATTABLE",
    "SETVATTABLE", "GETDEPTTABLE", "SETDEPTTABLE", "PAY", "GETLOTTERYRCPTSTATUS", "GETEJFILES",
)

_WINDOWS = sys.platform == "win32"
#: The names the system's library search is asked for, in order.
SYSTEM_NAMES = ("QXRP_EPSFPNAT_20.dll",) if _WINDOWS else ("libQXRP_EPSFPNAT_20.so.2", "libQXRP_EPSFPNAT_20.so")

# The library runs one exported call at a time in a process (its printers and registry are not
# locked): every call of every Library object goes through this lock.
_CALL_LOCK = threading.RLock()

# A BSTR carries its length in bytes as a 32-bit number.
_MAX_UNITS = 0x7FFFFFFF


@dataclass(frozen=True)
class RawAnswer:
    """What one exported call gave back."""

    export: str
    result: int  #: 0 on success, 65535 on failure
    output: str  #: the answer: a sequence of XML elements without a root element
    error_text: str

    @property
    def ok(self):
        return self.result == 0


def _system_search_text():
    if _WINDOWS:
        return "the system's DLL search (the program's folder, the system folders, PATH)"
    path = os.environ.get("LD_LIBRARY_PATH")
    where = f"LD_LIBRARY_PATH={path}" if path else "LD_LIBRARY_PATH (not set)"
    return f"the system's library search: {where}, the ld.so cache (/etc/ld.so.cache), /lib and /usr/lib"


def _open(name):
    return ctypes.WinDLL(name) if _WINDOWS else ctypes.CDLL(name)


def _load(path, names):
    """Loads the library: the path given, else QXRP_LIBRARY, else the system's search for names."""
    if path is not None:
        if not isinstance(path, (str, os.PathLike)):
            raise TypeError(f"the library path must be a str or a path, not {type(path).__name__}")
        candidates, where = [os.fspath(path)], "the path given"
    elif os.environ.get(LIBRARY_ENV):
        candidates, where = [os.environ[LIBRARY_ENV]], f"the environment variable {LIBRARY_ENV}"
    else:
        candidates, where = list(names), f"{LIBRARY_ENV} is not set; {_system_search_text()}"
    failures = []
    for name in candidates:
        try:
            return _open(name), name
        except OSError as e:
            failures.append(f"{name}: {e}")
    raise LibraryNotFoundError(
        f"cannot load the QXRP_EPSFPNAT_20 library; looked in {where}. Tried: " + "; ".join(failures)
        + f". Set {LIBRARY_ENV} to the library file or install the library.")


class Library:
    """The loaded driver library.

    Library() finds it as described in the package documentation; Library(path) loads that file.
    """

    def __init__(self, path=None, *, names=SYSTEM_NAMES):
        self._dll, self.path = _load(path, names)
        strings = ctypes.WinDLL("oleaut32") if _WINDOWS else self._dll
        try:
            self._alloc = strings.SysAllocStringLen
            self._free = strings.SysFreeString
            self._length = strings.SysStringLen
            functions = {name: getattr(self._dll, name) for name in EXPORTS + ("VERSION",)}
        except AttributeError as e:
            raise LibraryNotFoundError(f"{self.path} is not the QXRP_EPSFPNAT_20 library: {e}") from None
        self._alloc.argtypes = [ctypes.c_void_p, ctypes.c_uint32]
        self._alloc.restype = ctypes.c_void_p
        self._free.argtypes = [ctypes.c_void_p]
        self._free.restype = None
        self._length.argtypes = [ctypes.c_void_p]
        self._length.restype = ctypes.c_uint32
        for function in functions.values():
            function.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(ctypes.c_void_p)]
            # The 16-bit result, zero-extended (0 or 65535).
            function.restype = ctypes.c_uint32
        self._functions = functions

    # ---- BSTR conversions -------------------------------------------------------------

    def _to_bstr(self, text, what):
        if not isinstance(text, str):
            raise TypeError(f"{what} must be a str, not {type(text).__name__}")
        try:
            data = text.encode("utf-16-le")
        except UnicodeEncodeError as e:
            raise ValueError(f"{what} holds a character that is not valid Unicode at position {e.start} "
                             "(a lone surrogate)") from None
        units = len(data) // 2
        if units > _MAX_UNITS:
            raise ValueError(f"{what} is too long for a BSTR ({units} UTF-16 characters)")
        buffer = ctypes.create_string_buffer(data, len(data) + 2)
        bstr = self._alloc(ctypes.cast(buffer, ctypes.c_void_p), units)
        if not bstr:
            raise MemoryError(f"the library could not allocate {what} ({units} characters)")
        return bstr

    def _from_bstr(self, bstr):
        if not bstr:
            return ""
        units = self._length(bstr)
        # A lone surrogate from the library becomes U+FFFD rather than an exception later on.
        return ctypes.string_at(bstr, units * 2).decode("utf-16-le", errors="replace")

    def _invoke(self, name, text, what):
        function = self._functions[name]
        with _CALL_LOCK:
            request = self._to_bstr(text, what)
            output = ctypes.c_void_p()
            error = ctypes.c_void_p()
            try:
                result = function(request, ctypes.byref(output), ctypes.byref(error))
                return result, self._from_bstr(output.value), self._from_bstr(error.value)
            finally:
                self._free(request)
                self._free(output.value)
                self._free(error.value)

    # ---- the calls --------------------------------------------------------------------

    def call(self, export, request):
        """Calls one exported request function with the XML text request; returns a RawAnswer."""
        if not isinstance(export, str):
            raise TypeError(f"the export must be a str, not {type(export).__name__}")
        if export not in EXPORTS:
            raise ValueError(f"{export!r} is not an exported request function; one of {', '.join(EXPORTS)}")
        result, output, error_text = self._invoke(export, request, "the request")
        return RawAnswer(export, result, output, error_text)

    def version(self, driver="QXRP_EPSFPNAT_20"):
        """The version text of a registered driver ("Version 2.10 - 10/10/2022"); "" for an unknown name."""
        _, text, _ = self._invoke("VERSION", driver, "the driver name")
        return text


_default = None
_default_lock = threading.Lock()


def default_library():
    """The library found as described in the package documentation, loaded once per process."""
    global _default
    with _default_lock:
        if _default is None:
            _default = Library()
        return _default


def _check_library(library):
    if library is None:
        return default_library()
    if not isinstance(library, Library):
        raise TypeError(f"library must be a qxrp.Library, not {type(library).__name__}")
    return library


__all__ = ["EXPORTS", "LIBRARY_ENV", "Library", "QxrpError", "RawAnswer", "SYSTEM_NAMES", "default_library"]
