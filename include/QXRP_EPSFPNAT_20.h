/*
 * QXRP_EPSFPNAT_20: fiscal-printer driver library for Epson RT printers.
 *
 * Every request function takes one XML request text and gives back an XML answer text, an
 * error text and a result. Texts cross this interface as BSTR strings: UTF-16 text with its
 * length in bytes as a 32-bit number in front of it and a NUL character after it, allocated
 * with SysAllocStringLen and released with SysFreeString: on Windows the system's (OLEAUT32,
 * declared in <oleauto.h>), on Linux exported by this library, so that a caller and the library
 * share one allocator.
 *
 * Request functions (PRINTFR ... GETEJFILES):
 *   aXml           in:  the request; stays the caller's (the library works on a copy). NULL
 *                       reads as an empty request.
 *   aOutput        out: receives a new BSTR with the answer, or NULL when the answer is empty.
 *                       The caller releases it with SysFreeString.
 *   aErrorMessage  out: receives a new BSTR with the error text (NULL when there is none).
 *   result:        0 on success, 0xFFFF (-1 as a 16-bit number) on failure; the value is
 *                  zero-extended, so a 32-bit reader sees 0 or 65535.
 * Both output pointers should be valid; a NULL pointer is skipped and nothing is written
 * through it. At entry each output variable is set to NULL without releasing what it held.
 *
 * VERSION(aDriverName, aVersion, aErrorMessage): aVersion receives the version text of the
 * driver registered under aDriverName ("QXRP_EPSFPNAT_20"; exact letter case), for example
 * "Version 2.10 - 10/10/2022", and stays NULL for any other name; aErrorMessage is only
 * cleared. The result is always 0.
 *
 * Thread safety: the calling program runs one exported call at a time. The library keeps the
 * open printers between calls; each is known by the handle that OPEN answers.
 *
 * Sample requests are in the examples/ folder of the source distribution (installed under
 * share/doc/QXRP_EPSFPNAT_20/examples), with a C program in examples/c/; the request schemas
 * are in docs/schema/, the reference pages in docs/reference/.
 *
 * Why the names are plain: the exported functions keep the names that point-of-sale programs
 * already call (OPEN, SET, VERSION, PRINTFR ...), on Windows as the DLL's export names, so that
 * one program drives this library and the other drivers of the same interface. A name such as
 * VERSION may also be a macro of the including program: an autotools config.h defines VERSION
 * (and PACKAGE) as the program's version text, which would turn the declaration below into
 * nonsense. This header therefore saves such a VERSION macro, declares the function, and puts
 * the macro back (push_macro and pop_macro: GCC, clang and MSVC), so it may be included before
 * or after config.h. Where the macro is defined, call the function as QXRP_GetVersion (an
 * inline alias declared below), or #undef VERSION in that source file. Programs that load the
 * library with dlopen or LoadLibrary look the name up as the string "VERSION" and are not
 * concerned. The other names (OPEN, SET, CLOSE, DISPLAY ...) are rarely macros; a program that
 * defines one #undefs it before including this header.
 *
 * Linking: pkg-config --cflags --libs QXRP_EPSFPNAT_20, or in CMake
 * find_package(QXRP_EPSFPNAT_20) and the target QXRP_EPSFPNAT_20::QXRP_EPSFPNAT_20.
 */
#ifndef QXRP_EPSFPNAT_20_H
#define QXRP_EPSFPNAT_20_H

#include <stdint.h>

/* The version of this header and of the library it belongs to; VERSION answers the same
   number ("Version 2.10 - ..."). */
#define QXRP_EPSFPNAT_20_VERSION_MAJOR 2
#define QXRP_EPSFPNAT_20_VERSION_MINOR 10
#define QXRP_EPSFPNAT_20_VERSION_STRING "2.10"
/* major * 100 + minor: 210 for 2.10, for comparisons in #if. */
#define QXRP_EPSFPNAT_20_VERSION_NUMBER (QXRP_EPSFPNAT_20_VERSION_MAJOR * 100 + QXRP_EPSFPNAT_20_VERSION_MINOR)

#if defined(__cplusplus)
#define QXRP_EXTERN_C extern "C"
#else
#define QXRP_EXTERN_C
#endif

#if defined(_WIN32)
/* The DLL names its exports in a module-definition file. */
#define QXRP_API QXRP_EXTERN_C
#define QXRP_CALL __stdcall
#else
#define QXRP_API QXRP_EXTERN_C __attribute__((visibility("default")))
#define QXRP_CALL
#endif

typedef uint16_t QXRP_OLECHAR;
typedef QXRP_OLECHAR* QXRP_BSTR;
/* The 16-bit result, zero-extended. */
typedef uint32_t QXRP_RESULT;

#if !defined(_WIN32)
/* BSTR allocation: a copy of aLength characters of aText (or aLength NUL characters when aText
   is NULL), NUL-terminated; NULL when memory is short. SysFreeString accepts NULL. */
QXRP_API QXRP_BSTR QXRP_CALL SysAllocStringLen(const QXRP_OLECHAR* aText, uint32_t aLength);
QXRP_API void QXRP_CALL SysFreeString(QXRP_BSTR aText);
/* Length in characters; 0 for NULL. */
QXRP_API uint32_t QXRP_CALL SysStringLen(QXRP_BSTR aText);
#endif

#define QXRP_REQUEST_FUNCTION(name) \
  QXRP_API QXRP_RESULT QXRP_CALL name(QXRP_BSTR aXml, QXRP_BSTR* aOutput, QXRP_BSTR* aErrorMessage)

QXRP_REQUEST_FUNCTION(PRINTFR);              /* fiscal receipt: sale, refund, void, invoice */
QXRP_REQUEST_FUNCTION(REPRINTFR);            /* print a document again */
QXRP_REQUEST_FUNCTION(PRINTXR);              /* X report */
QXRP_REQUEST_FUNCTION(PRINTZR);              /* Z report (day closing) */
QXRP_REQUEST_FUNCTION(PRINTNFR);             /* non-fiscal receipt */
QXRP_REQUEST_FUNCTION(DISPLAY);              /* customer display */
QXRP_REQUEST_FUNCTION(OPENDR);               /* open the cash drawer */
QXRP_REQUEST_FUNCTION(GETSTATUS);            /* printer status */
QXRP_REQUEST_FUNCTION(SET);                  /* training mode */
QXRP_REQUEST_FUNCTION(SETDATETIME);          /* printer clock */
QXRP_REQUEST_FUNCTION(OPEN);                 /* open a printer; answers its handle */
QXRP_REQUEST_FUNCTION(GETDRSTATUS);          /* cash drawer state */
QXRP_REQUEST_FUNCTION(EJREPORT);             /* electronic journal */
QXRP_REQUEST_FUNCTION(CLOSE);                /* close a printer; its handle ends */
QXRP_REQUEST_FUNCTION(GETVATTABLE);          /* read the VAT table */
QXRP_REQUEST_FUNCTION(SETVATTABLE);          /* program the VAT table */
QXRP_REQUEST_FUNCTION(GETDEPTTABLE);         /* read the department table */
QXRP_REQUEST_FUNCTION(SETDEPTTABLE);         /* program the department table */
QXRP_REQUEST_FUNCTION(PAY);                  /* receipt of an electronic payment */
QXRP_REQUEST_FUNCTION(GETLOTTERYRCPTSTATUS); /* receipt-lottery state of a receipt */
QXRP_REQUEST_FUNCTION(GETEJFILES);           /* download the day's RT data files */

#if defined(VERSION)
#define QXRP_VERSION_MACRO_SAVED
#pragma push_macro("VERSION")
#undef VERSION
#endif

QXRP_API QXRP_RESULT QXRP_CALL VERSION(QXRP_BSTR aDriverName, QXRP_BSTR* aVersion, QXRP_BSTR* aErrorMessage);

/* VERSION under a name that no program defines as a macro. */
static inline QXRP_RESULT QXRP_GetVersion(QXRP_BSTR aDriverName, QXRP_BSTR* aVersion, QXRP_BSTR* aErrorMessage) {
  return VERSION(aDriverName, aVersion, aErrorMessage);
}

#if defined(QXRP_VERSION_MACRO_SAVED)
#pragma pop_macro("VERSION")
#undef QXRP_VERSION_MACRO_SAVED
#endif

#undef QXRP_REQUEST_FUNCTION

#endif /* QXRP_EPSFPNAT_20_H */
