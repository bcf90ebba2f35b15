/* A processor library of the project's own for the end-to-end tests. Texts are shared only
 * through the driver library's exported string functions, as a real processor would.
 * PROCESSRECEIPT rejects a request that holds "REJECT", rewrites "Original" into "Rewritten",
 * answers a text longer than any request to "HUGEANSWER", and passes anything else unchanged.
 * The reports answer fixed counters, the status a serial number of its own (no fiscal mode and
 * an empty serial number for a request that holds "STATUSWITHOUTPRINTER"). Built with
 * QX_PROCESSOR_OPEN_ONLY it has OPEN alone, for a processor that lacks the other entry points. */
#include <stddef.h>
#include <stdint.h>

/* The driver library's string functions (its public header also declares its own OPEN, whose
 * name this library's OPEN shares, so they are declared here). */
typedef uint16_t QXRP_OLECHAR;
typedef QXRP_OLECHAR* QXRP_BSTR;
#if defined(_WIN32)
#define QX_SYS_CALL __stdcall
#else
#define QX_SYS_CALL
#endif
QXRP_BSTR QX_SYS_CALL SysAllocStringLen(const QXRP_OLECHAR* aText, uint32_t aLength);
void QX_SYS_CALL SysFreeString(QXRP_BSTR aText);

#define QX_EXPORT __attribute__((visibility("default")))

static QXRP_BSTR Ascii(const char* aText) {
  QXRP_OLECHAR buffer[512];
  uint32_t n = 0;
  while (aText[n] != 0 && n < 512) {
    buffer[n] = (QXRP_OLECHAR)(unsigned char)aText[n];
    ++n;
  }
  return SysAllocStringLen(buffer, n);
}

static uint32_t Length(const QXRP_OLECHAR* aText) {
  uint32_t n = 0;
  if (aText == NULL) return 0;
  while (aText[n] != 0) ++n;
  return n;
}

/* Whether aText holds aWord (ASCII) at aAt. */
static int At(const QXRP_OLECHAR* aText, uint32_t aLength, uint32_t aAt, const char* aWord) {
  uint32_t i = 0;
  for (; aWord[i] != 0; ++i)
    if (aAt + i >= aLength || aText[aAt + i] != (QXRP_OLECHAR)aWord[i]) return 0;
  return 1;
}

static int Holds(const QXRP_OLECHAR* aText, const char* aWord) {
  const uint32_t n = Length(aText);
  for (uint32_t i = 0; i < n; ++i)
    if (At(aText, n, i, aWord)) return 1;
  return 0;
}

static int gOpenCalls = 0;

QX_EXPORT int16_t OPEN(QXRP_BSTR aXmlIn, int32_t* aHandle, QXRP_BSTR* aErrorMessage) {
  *aHandle = ++gOpenCalls;
  if (Holds(aXmlIn, "FAILOPEN")) {
    *aErrorMessage = Ascii("Processor closed");
    return 1;
  }
  return 0;
}

#if !defined(QX_PROCESSOR_OPEN_ONLY)
QX_EXPORT int16_t PROCESSRECEIPT(QXRP_BSTR aXmlIn, QXRP_BSTR* aXmlOut, QXRP_BSTR* aErrorMessage) {
  if (Holds(aXmlIn, "REJECT")) {
    *aErrorMessage = Ascii("Receipt rejected by the processor");
    return 1;
  }
  if (Holds(aXmlIn, "HUGEANSWER")) {
    /* More than any request may hold. */
    const uint32_t huge = 17u * 1024u * 1024u;
    QXRP_BSTR out = SysAllocStringLen(NULL, huge);
    if (out == NULL) return 2;
    for (uint32_t i = 0; i < huge; ++i) out[i] = (QXRP_OLECHAR)'x';
    *aXmlOut = out;
    return 0;
  }
  const uint32_t n = Length(aXmlIn);
  /* "Rewritten" is one character longer than "Original". */
  QXRP_BSTR out = SysAllocStringLen(NULL, n + n / 8 + 1);
  if (out == NULL) return 2;
  uint32_t o = 0;
  for (uint32_t i = 0; i < n;) {
    if (At(aXmlIn, n, i, "Original")) {
      const char* word = "Rewritten";
      for (uint32_t k = 0; word[k] != 0; ++k) out[o++] = (QXRP_OLECHAR)word[k];
      i += 8;
    } else {
      out[o++] = aXmlIn[i++];
    }
  }
  /* The copy handed back has the exact length. */
  *aXmlOut = SysAllocStringLen(out, o);
  SysFreeString(out);
  return 0;
}

static int16_t Report(QXRP_BSTR aXmlIn, QXRP_BSTR* aXmlOut, QXRP_BSTR* aErrorMessage, const char* aAnswer) {
  if (Holds(aXmlIn, "REJECT")) {
    *aErrorMessage = Ascii("Report refused by the processor");
    return 1;
  }
  *aXmlOut = Ascii(aAnswer);
  return 0;
}

QX_EXPORT int16_t PROCESSXREPORT(QXRP_BSTR aXmlIn, QXRP_BSTR* aXmlOut, QXRP_BSTR* aErrorMessage) {
  return Report(aXmlIn, aXmlOut, aErrorMessage,
                "<Report><ReportNumber>7</ReportNumber><Text>X REPORT\nLine two</Text></Report>");
}

QX_EXPORT int16_t PROCESSZREPORT(QXRP_BSTR aXmlIn, QXRP_BSTR* aXmlOut, QXRP_BSTR* aErrorMessage) {
  if (Holds(aXmlIn, "NOTXML")) return Report(aXmlIn, aXmlOut, aErrorMessage, "not xml");
  return Report(aXmlIn, aXmlOut, aErrorMessage,
                "<Report><GrandTotalAmount>1234.5</GrandTotalAmount><DayTotalAmount>12.3456</DayTotalAmount>"
                "<DayReceiptsNumber>4</DayReceiptsNumber><ReportNumber>9</ReportNumber>"
                "<Text>Z REPORT</Text></Report>");
}

QX_EXPORT int16_t PROCESSGETSTATUS(QXRP_BSTR aXmlIn, QXRP_BSTR* aXmlOut, QXRP_BSTR* aErrorMessage) {
  /* A processor that knows the day but not the printer: no fiscal mode, an empty serial. */
  if (Holds(aXmlIn, "STATUSWITHOUTPRINTER"))
    return Report(aXmlIn, aXmlOut, aErrorMessage,
                  "<Status><DayOpened>true</DayOpened><SerialNumber></SerialNumber></Status>");
  return Report(aXmlIn, aXmlOut, aErrorMessage,
                "<Status><DayOpened>true</DayOpened><SerialNumber>PROC0001</SerialNumber>"
                "<FiscalMode>Processor</FiscalMode></Status>");
}
#endif
