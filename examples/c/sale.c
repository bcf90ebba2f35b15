/*
 * A sale from a C program: OPEN the printer, print a receipt with two lines paid in cash, ask
 * for the printer's status, CLOSE. Each call takes one XML request (UTF-8 here, turned into the
 * library's BSTR strings) and gives back an XML answer and an error text.
 *
 *   sale DEVICE              serial line: a device path (/dev/ttyUSB0, a pseudo-terminal of
 *                            fpsim) or COMn
 *   sale tcp HOST PORT       a printer on the network
 *
 * Build: cc -o sale sale.c $(pkg-config --cflags --libs QXRP_EPSFPNAT_20)
 * or with CMake: find_package(QXRP_EPSFPNAT_20) and link QXRP_EPSFPNAT_20::QXRP_EPSFPNAT_20
 * (examples/c/CMakeLists.txt).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "QXRP_EPSFPNAT_20.h"

#if defined(_WIN32)
#include <oleauto.h>
#define QX_ALLOC(text, length) ((QXRP_BSTR)SysAllocStringLen((const OLECHAR*)(text), (length)))
#define QX_FREE(text) SysFreeString((BSTR)(text))
#define QX_LENGTH(text) SysStringLen((BSTR)(text))
#else
#define QX_ALLOC(text, length) SysAllocStringLen((text), (length))
#define QX_FREE(text) SysFreeString(text)
#define QX_LENGTH(text) SysStringLen(text)
#endif

/* ---- UTF-8 <-> BSTR ------------------------------------------------------------------- */

/* A new BSTR with the UTF-16 form of a UTF-8 text; NULL when memory is short. A byte that
   starts no valid sequence becomes U+FFFD. Release it with SysFreeString. */
static QXRP_BSTR bstr_from_utf8(const char* text) {
  const unsigned char* s = (const unsigned char*)text;
  size_t n = strlen(text), used = 0, i = 0;
  /* At most one UTF-16 unit per byte. */
  QXRP_OLECHAR* units = malloc((n + 1) * sizeof *units);
  if (units == NULL) return NULL;
  while (i < n) {
    uint32_t c = s[i];
    const size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
    size_t k = 1;
    if (extra > 0 && extra < 4) {
      c &= 0x3Fu >> extra;
      for (; k <= extra && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) c = (c << 6) | (s[i + k] & 0x3Fu);
    }
    if (extra == 4 || k <= extra || c > 0x10FFFF) { /* a stray byte or a cut sequence */
      units[used++] = 0xFFFD;
      i += k;
      continue;
    }
    i += k;
    if (c >= 0x10000) { /* a surrogate pair */
      c -= 0x10000;
      units[used++] = (QXRP_OLECHAR)(0xD800 + (c >> 10));
      units[used++] = (QXRP_OLECHAR)(0xDC00 + (c & 0x3FF));
    } else {
      units[used++] = (QXRP_OLECHAR)c;
    }
  }
  QXRP_BSTR result = QX_ALLOC(units, (uint32_t)used);
  free(units);
  return result;
}

/* A new UTF-8 text (malloc, NUL-terminated) with the content of a BSTR; "" for NULL. A lone
   surrogate becomes U+FFFD. Release it with free. */
static char* utf8_from_bstr(QXRP_BSTR text) {
  uint32_t n = text == NULL ? 0 : QX_LENGTH(text), i = 0;
  char* out = malloc((size_t)n * 3 + 1); /* three bytes per unit at most; a pair takes four */
  size_t used = 0;
  if (out == NULL) return NULL;
  while (i < n) {
    uint32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < n && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    if (c < 0x80) {
      out[used++] = (char)c;
    } else if (c < 0x800) {
      out[used++] = (char)(0xC0 | (c >> 6));
      out[used++] = (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out[used++] = (char)(0xE0 | (c >> 12));
      out[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
      out[used++] = (char)(0x80 | (c & 0x3F));
    } else {
      out[used++] = (char)(0xF0 | (c >> 18));
      out[used++] = (char)(0x80 | ((c >> 12) & 0x3F));
      out[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
      out[used++] = (char)(0x80 | (c & 0x3F));
    }
  }
  out[used] = '\0';
  return out;
}

/* ---- one call ------------------------------------------------------------------------- */

typedef QXRP_RESULT(QXRP_CALL* request_function)(QXRP_BSTR, QXRP_BSTR*, QXRP_BSTR*);

/* Calls an export with a UTF-8 request; returns its answer (free it) or NULL after printing the
   error text when the call failed. */
static char* call(const char* name, request_function function, const char* request) {
  QXRP_BSTR in = bstr_from_utf8(request), out = NULL, error = NULL;
  if (in == NULL) {
    fprintf(stderr, "%s: no memory for the request\n", name);
    return NULL;
  }
  QXRP_RESULT result = function(in, &out, &error);
  char* answer = utf8_from_bstr(out);
  char* error_text = utf8_from_bstr(error);
  QX_FREE(in);
  QX_FREE(out);
  QX_FREE(error);
  if (result != 0 || answer == NULL) {
    fprintf(stderr, "%s failed: %s\n", name, error_text != NULL ? error_text : "(no memory)");
    free(answer);
    answer = NULL;
  }
  free(error_text);
  return answer;
}

/* The text of the first <tag> element of an answer, copied into buffer ("" when absent). */
static const char* element(const char* answer, const char* tag, char* buffer, size_t size) {
  char open[64], close[64];
  snprintf(open, sizeof open, "<%s>", tag);
  snprintf(close, sizeof close, "</%s>", tag);
  const char* start = strstr(answer, open);
  const char* end = start != NULL ? strstr(start, close) : NULL;
  size_t length = 0;
  if (end != NULL) {
    start += strlen(open);
    length = (size_t)(end - start) < size - 1 ? (size_t)(end - start) : size - 1;
    memcpy(buffer, start, length);
  }
  buffer[length] = '\0';
  return buffer;
}

/* Prints three elements of an answer into format (three %s) and frees the answer; 1 when the
   call had failed (answer NULL), else 0. */
static int show(char* answer, const char* format, const char* tag1, const char* tag2, const char* tag3) {
  char first[128], second[128], third[128];
  if (answer == NULL) return 1;
  printf(format, element(answer, tag1, first, sizeof first), element(answer, tag2, second, sizeof second),
         element(answer, tag3, third, sizeof third));
  free(answer);
  return 0;
}

/* ---- the requests --------------------------------------------------------------------- */

/* Every request carries the configuration: driver, handle, log name and connection. */
static void configuration(char* out, size_t size, const char* connection, const char* handle) {
  snprintf(out, size,
           "<Driver>QXRP_EPSFPNAT_20</Driver><Handle>%s</Handle><LogId>csale</LogId>"
           "<Connection>%s<ConnectTimeout>3000</ConnectTimeout><ReadTimeout>5000</ReadTimeout></Connection>",
           handle, connection);
}

static const char kSale[] =
    "<Receipt>"
    "<Type>Sale</Type>"
    "<Lines>"
    /* UTF-8 in, BSTR to the library; the printer prints the accented capital as a plain E. */
    "<ProductSale><Description>CAFF\xC3\x88 ESPRESSO</Description><Quantity>2</Quantity>"
    "<Department>1</Department><TaxCode>22</TaxCode><Price>1.10</Price><Amount>2.20</Amount></ProductSale>"
    "<ProductSale><Description>CORNETTO</Description><Quantity>1</Quantity>"
    "<Department>1</Department><TaxCode>22</TaxCode><Price>1.30</Price><Amount>1.30</Amount></ProductSale>"
    "</Lines>"
    "<Taxes/>"
    "<Payments><Payment><Type>Cash</Type><Amount>5.00</Amount></Payment>"
    "<Payment><Type>Change</Type><Amount>1.50</Amount></Payment></Payments>"
    "</Receipt>";

int main(int argc, char** argv) {
  char connection[512], config[1024], request[4096], handle[32], value[128];
  if (argc == 2) {
    snprintf(connection, sizeof connection,
             "<Type>serial</Type><SerialPort>%s</SerialPort><Speed>9600</Speed><DataBits>8</DataBits>"
             "<Parity>none</Parity><StopBits>1</StopBits>",
             argv[1]);
  } else if (argc == 4 && strcmp(argv[1], "tcp") == 0) {
    snprintf(connection, sizeof connection, "<Type>tcp</Type><Address>%s</Address><Port>%s</Port>", argv[2],
             argv[3]);
  } else {
    fprintf(stderr, "usage: %s DEVICE | %s tcp HOST PORT\n", argv[0], argv[0]);
    return 2;
  }
  printf("library header %s\n", QXRP_EPSFPNAT_20_VERSION_STRING);

  configuration(config, sizeof config, connection, "0");
  snprintf(request, sizeof request, "<Request>%s</Request>", config);
  char* answer = call("OPEN", OPEN, request);
  if (answer == NULL) return 1;
  element(answer, "Handle", handle, sizeof handle);
  printf("OPEN: handle %s, log %s\n", handle, element(answer, "LogFileName", value, sizeof value));
  free(answer);

  int status = 0;
  configuration(config, sizeof config, connection, handle);
  snprintf(request, sizeof request, "<Request>%s%s</Request>", config, kSale);
  status |= show(call("PRINTFR", PRINTFR, request), "PRINTFR: receipt %s of %s, closing %s\n", "ReceiptNumber",
                 "ReceiptDateTime", "EJClosingNumber");

  snprintf(request, sizeof request, "<Request>%s</Request>", config);
  status |= show(call("GETSTATUS", GETSTATUS, request), "GETSTATUS: printer %s, %s mode, day open %s\n",
                 "SerialNumber", "FiscalMode", "DayOpened");

  answer = call("CLOSE", CLOSE, request);
  if (answer == NULL) return 1;
  printf("CLOSE: done\n");
  free(answer);
  return status;
}
