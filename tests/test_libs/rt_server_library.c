/* An RT-server library of the project's own for the end-to-end tests. It signs receipts with
 * numbers it keeps (document numbers from 1, closing numbers from 1; a daily closing starts a new
 * day) and records every call in a journal that the tests read. Texts are shared only through
 * the driver library's exported string functions, as a real companion would. The tests steer it
 * through three exports of its own: qxrs_test_reset, qxrs_test_mode and qxrs_test_journal.
 * Built without CLOSETILL (QXRS_NO_CLOSETILL) or XREPORT (QXRS_NO_XREPORT) it stands for a
 * library that lacks an entry point. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef uint16_t QXRP_OLECHAR;
typedef QXRP_OLECHAR* QXRP_BSTR;
#if defined(_WIN32)
#define QX_SYS_CALL __stdcall
#define QX_EXPORT __declspec(dllexport)
#else
#define QX_SYS_CALL
#define QX_EXPORT __attribute__((visibility("default")))
#endif
QXRP_BSTR QX_SYS_CALL SysAllocStringLen(const QXRP_OLECHAR* aText, uint32_t aLength);
void QX_SYS_CALL SysFreeString(QXRP_BSTR aText);
uint32_t QX_SYS_CALL SysStringLen(QXRP_BSTR aText);

static char gMode[64];
static int gDocument = 0;
static int gClosing = 1;
static QXRP_OLECHAR* gJournal = NULL;
static uint32_t gJournalLength = 0;
static uint32_t gJournalSize = 0;

static void Record(const QXRP_OLECHAR* aText, uint32_t aLength) {
  if (gJournalLength + aLength + 1 > gJournalSize) {
    uint32_t size = gJournalSize == 0 ? 4096 : gJournalSize;
    while (gJournalLength + aLength + 1 > size) size *= 2;
    QXRP_OLECHAR* grown = (QXRP_OLECHAR*)realloc(gJournal, size * sizeof(QXRP_OLECHAR));
    if (grown == NULL) return;
    gJournal = grown;
    gJournalSize = size;
  }
  memcpy(gJournal + gJournalLength, aText, aLength * sizeof(QXRP_OLECHAR));
  gJournalLength += aLength;
  gJournal[gJournalLength] = 0;
}

static void RecordAscii(const char* aText) {
  for (; *aText != 0; ++aText) {
    const QXRP_OLECHAR c = (QXRP_OLECHAR)(unsigned char)*aText;
    Record(&c, 1);
  }
}

static void RecordText(QXRP_BSTR aText) {
  if (aText != NULL) Record(aText, SysStringLen(aText));
}

static QXRP_BSTR Ascii(const char* aText) {
  const uint32_t n = (uint32_t)strlen(aText);
  QXRP_BSTR out = SysAllocStringLen(NULL, n);
  if (out == NULL) return NULL;
  for (uint32_t i = 0; i < n; ++i) out[i] = (QXRP_OLECHAR)(unsigned char)aText[i];
  return out;
}

static int Mode(const char* aMode) { return strcmp(gMode, aMode) == 0; }

QX_EXPORT void qxrs_test_reset(void) {
  gMode[0] = 0;
  gDocument = 0;
  gClosing = 1;
  gJournalLength = 0;
  if (gJournal != NULL) gJournal[0] = 0;
}

/* "" answers everything; "open-fail", "sign-fail" (refused, no answer), "sign-refused" (refused
 * with a readable answer), "sign-not-xml", "sign-missing" (no nDoc), "sign-huge" (a signature of
 * four million characters), "xreport-fail", "close-fail". */
QX_EXPORT void qxrs_test_mode(const char* aMode) {
  strncpy(gMode, aMode, sizeof gMode - 1);
  gMode[sizeof gMode - 1] = 0;
}

/* The calls so far, one a line: "OPENTILL <address>|<port>|<user>|<password>|<till>",
 * "SIGNRECEIPT <request>", "XREPORT", "CLOSETILL". */
QX_EXPORT const QXRP_OLECHAR* qxrs_test_journal(uint32_t* aLength) {
  *aLength = gJournalLength;
  return gJournal;
}

QX_EXPORT int16_t OPENTILL(QXRP_BSTR aBaseAddress, int32_t aPort, QXRP_BSTR aUserName, QXRP_BSTR aPassword,
                           QXRP_BSTR aTillId, QXRP_BSTR* aErrorMessage) {
  char port[16];
  snprintf(port, sizeof port, "%d", (int)aPort);
  RecordAscii("OPENTILL ");
  RecordText(aBaseAddress);
  RecordAscii("|");
  RecordAscii(port);
  RecordAscii("|");
  RecordText(aUserName);
  RecordAscii("|");
  RecordText(aPassword);
  RecordAscii("|");
  RecordText(aTillId);
  RecordAscii("\n");
  if (Mode("open-fail")) {
    *aErrorMessage = Ascii("Till login refused");
    return 1;
  }
  return 0;
}

static void Number(char* aOut, const char* aBefore, int aValue, const char* aAfter) {
  snprintf(aOut, 64, "%s%d%s", aBefore, aValue, aAfter);
}

static QXRP_BSTR SignedAnswer(int aDocument) {
  char document[64];
  char closing[64];
  char answer[1024];
  Number(document, "<nDoc>", aDocument, "</nDoc>");
  Number(closing, "<zRep>", gClosing, "</zRep>");
  strcpy(answer,
         "<ReceiptInfo><VATTotal>4.40</VATTotal><ServerSerialNumber>99SEP000123</ServerSerialNumber>"
         "<TillId>CASSA-0001</TillId>"
         "<Signature>ABCDEFGHIJKLMNOPQRSTUVWXYZ012345abcdefghijklmnopqrstuvwxyz6789</Signature>");
  strcat(answer, document);
  strcat(answer, closing);
  strcat(answer, "<Headers><Line>NEGOZIO DI PROVA</Line><Line>Via Roma 1 - Milano</Line></Headers></ReceiptInfo>");
  return Ascii(answer);
}

QX_EXPORT int16_t SIGNRECEIPT(QXRP_BSTR aXmlReceipt, QXRP_BSTR* aXmlReceiptInfo, QXRP_BSTR* aErrorMessage) {
  RecordAscii("SIGNRECEIPT ");
  RecordText(aXmlReceipt);
  RecordAscii("\n");
  if (Mode("sign-fail")) {
    *aErrorMessage = Ascii("Signature device not available");
    return 1;
  }
  if (Mode("sign-refused")) {
    *aXmlReceiptInfo = SignedAnswer(77);
    *aErrorMessage = Ascii("Receipt refused");
    return 3;
  }
  if (Mode("sign-not-xml")) {
    *aXmlReceiptInfo = Ascii("signed, more or less");
    return 0;
  }
  if (Mode("sign-missing")) {
    *aXmlReceiptInfo = Ascii("<ReceiptInfo><VATTotal>1.00</VATTotal><ServerSerialNumber>S</ServerSerialNumber>"
                             "<TillId>T</TillId><Signature>X</Signature><zRep>1</zRep></ReceiptInfo>");
    return 0;
  }
  if (Mode("sign-huge")) {
    const char* head = "<ReceiptInfo><Signature>";
    const uint32_t fill = 4u * 1024u * 1024u;
    const uint32_t n = (uint32_t)strlen(head) + fill;
    QXRP_BSTR out = SysAllocStringLen(NULL, n);
    if (out == NULL) return 2;
    uint32_t i = 0;
    for (; head[i] != 0; ++i) out[i] = (QXRP_OLECHAR)head[i];
    for (; i < n; ++i) out[i] = 'A';
    *aXmlReceiptInfo = out;
    return 0;
  }
  *aXmlReceiptInfo = SignedAnswer(++gDocument);
  return 0;
}

static int16_t TillReport(QXRP_BSTR* aAnswer, QXRP_BSTR* aErrorMessage, int aFail) {
  char documents[64];
  char closing[64];
  char answer[1024];
  if (aFail) {
    *aErrorMessage = Ascii("Till report not available");
    return 1;
  }
  Number(documents, "<nRecNumber>", gDocument, "</nRecNumber>");
  Number(closing, "<zRepNumber>", gClosing, "</zRepNumber>");
  strcpy(answer,
         "<TillReport><DailyTotal>1234.5</DailyTotal><DailySales>1300.00</DailySales><DailyVoids>15.50</DailyVoids>"
         "<DailyRefunds>50</DailyRefunds><TillSerialNumber>CASSA-0001</TillSerialNumber>"
         "<ServerSerialNumber>99SEP000123</ServerSerialNumber>");
  strcat(answer, documents);
  strcat(answer, closing);
  strcat(answer, "<zRepDateTime>2026-03-01T23:59:00</zRepDateTime></TillReport>");
  *aAnswer = Ascii(answer);
  return 0;
}

#if !defined(QXRS_NO_XREPORT)
QX_EXPORT int16_t XREPORT(QXRP_BSTR* aXReportInfo, QXRP_BSTR* aErrorMessage) {
  RecordAscii("XREPORT\n");
  return TillReport(aXReportInfo, aErrorMessage, Mode("xreport-fail"));
}
#endif

#if !defined(QXRS_NO_CLOSETILL)
QX_EXPORT int16_t CLOSETILL(QXRP_BSTR* aXmlReceiptInfo, QXRP_BSTR* aErrorMessage) {
  RecordAscii("CLOSETILL\n");
  const int16_t result = TillReport(aXmlReceiptInfo, aErrorMessage, Mode("close-fail"));
  if (result == 0) {
    ++gClosing;
    gDocument = 0;
  }
  return result;
}
#endif
