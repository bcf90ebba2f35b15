#include "results/answers.h"

#include "results/answer_writer.h"
#include "platform/locale.h"

namespace qx {

namespace {

// "<Line>" + escaped line + "</Line>" for each line of aText, each followed by aAfterLine.
String LineElements(StringView aText, StringView aAfterLine) {
  String out;
  for (const String& line : SplitLines(aText)) {
    out += u"<Line>" + XmlEscape(line) + u"</Line>";
    out.append(aAfterLine);
  }
  return out;
}

}  // namespace

String FormatAnswer(const _int_PRINTFR_result& r) {
  AnswerWriter w;
  w.DateTime(u"ReceiptDateTime", r.ReceiptDateTime)
      .Text(u"ReceiptNumber", r.ReceiptNumber)
      .Text(u"DeviceSerialNumber", r.DeviceSerialNumber)
      .Text(u"EJNumber", r.EJNumber)
      .Text(u"EJClosingNumber", r.EJClosingNumber)
      .Escaped(u"ServerSerialNumber", r.ServerSerialNumber)
      .Escaped(u"ReceiptText", r.ReceiptText)
      .Text(u"ReceiptImage", r.ReceiptImage)
      .Text(u"InvoiceNumber", r.InvoiceNumber)
      .DateTime(u"InvoiceDateTime", r.InvoiceDateTime)
      .Escaped(u"MessageText", r.MessageText)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_PRINTXR_result& r) {
  AnswerWriter w;
  w.DateTime(u"XReportDateTime", r.XReportDateTime)
      .Text(u"XReportNumber", r.XReportNumber)
      .Text(u"DeviceSerialNumber", r.DeviceSerialNumber)
      .Text(u"ServerSerialNumber", r.ServerSerialNumber)
      .Text(u"EJNumber", r.EJNumber)
      .Text(u"EJClosingNumber", r.EJClosingNumber)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_PRINTZR_result& r) {
  AnswerWriter w;
  w.DateTime(u"ZReportDateTime", r.ZReportDateTime)
      .Text(u"ZReportNumber", r.ZReportNumber)
      .Text(u"DeviceSerialNumber", r.DeviceSerialNumber)
      .Text(u"ServerSerialNumber", r.ServerSerialNumber)
      .Text(u"EJNumber", r.EJNumber)
      .Text(u"EJClosingNumber", r.EJClosingNumber)
      // From the grand total up to the closing tag of Error the elements run without CR LF.
      .Amount(u"GrandTotalAmount", r.GrandTotalAmount)
      .Glued().Amount(u"GrandTotalRefundsAmount", r.GrandTotalRefundsAmount)
      .Glued().Amount(u"GrandTotalVoidsAmount", r.GrandTotalVoidsAmount)
      .Glued().Amount(u"DayTotalAmount", r.DayTotalAmount)
      .Glued().Amount(u"DayDiscountsAmount", r.DayDiscountsAmount)
      .Glued().Amount(u"DayReturnsAmount", r.DayReturnsAmount)
      .Glued().Amount(u"DayRefundsAmount", r.DayRefundsAmount)
      .Glued().Amount(u"DayVoidsAmount", r.DayVoidsAmount)
      .Glued().Integer(u"DayReceiptsNumber", r.DayReceiptsNumber)
      .Glued().Integer(u"DayRefundsNumber", r.DayRefundsNumber)
      .Glued().Text(u"Text", LineElements(r.Text, u""))
      .Glued().Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_PRINTNFR_result& r) {
  AnswerWriter w;
  w.DateTime(u"NFReceiptDateTime", r.NFReceiptDateTime)
      .Text(u"NFReceiptNumber", r.NFReceiptNumber)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETSTATUS_result& r) {
  AnswerWriter w;
  w.Boolean(u"DayOpened", r.DayOpened)
      .DateTime(u"DateTime", r.DateTime)
      .Boolean(u"PaperEnd", r.PaperEnd)
      .Boolean(u"PaperNearEnd", r.PaperNearEnd)
      .Boolean(u"CoverOpen", r.CoverOpen)
      .Boolean(u"FiscalReceiptOpen", r.FiscalReceiptOpen)
      .Boolean(u"ReceiptOpen", r.ReceiptOpen)
      .Boolean(u"TrainingMode", r.TrainingMode)
      .Escaped(u"FirmwareVersion", r.FirmwareVersion)
      .Escaped(u"SerialNumber", r.SerialNumber)
      .Escaped(u"FiscalMode", r.FiscalMode)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_SETDATETIME_result& r) {
  AnswerWriter w;
  w.DateTime(u"DateTime", r.DateTime).Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_OPEN_result& r) {
  AnswerWriter w;
  w.Integer(u"Handle", r.Handle).Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETDRSTATUS_result& r) {
  AnswerWriter w;
  w.Boolean(u"IsOpen", r.IsOpen).Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_EJREPORT_result& r) {
  AnswerWriter w;
  w.Raw(u"<Text>" + LineElements(r.Text, u"\r\n") + u"</Text>").Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETVATTABLE_result& r) {
  AnswerWriter w;
  w.Raw(u"<VATTable>");
  for (const _int_Vat& vat : r.VATTable) {
    w.Raw(u"<VAT>")
        .Integer(u"Index", vat.Index)
        .Escaped(u"Code", vat.Code)
        .Escaped(u"Description", vat.Description)
        .Amount(u"Rate", vat.Rate)
        .Raw(u"</VAT>");
  }
  w.Raw(u"</VATTable>").Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETDEPTTABLE_result& r) {
  AnswerWriter w;
  w.Raw(u"<DeptTable>");
  for (const _int_Dept& dept : r.DeptTable) {
    w.Raw(u"<Department>")
        .Integer(u"Index", dept.Index)
        .Escaped(u"Code", dept.Code)
        .Escaped(u"Description", dept.Description)
        .Text(u"VATCode", dept.VatCode)
        .Text(u"SalesType", dept.SalesType)
        .Escaped(u"EACode", dept.EACode)
        .Escaped(u"EADescription", dept.EADescription)
        .Text(u"EAVATMode", dept.EAVATMode)
        .Raw(u"</Department>");
  }
  w.Raw(u"</DeptTable>").Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETLOTTERYRCPTSTATUS_result& r) {
  AnswerWriter w;
  w.Boolean(u"CorrectlySent", r.CorrectlySent)
      .Text(u"StatusCode", r.StatusCode)
      .Text(u"StatusDescription", r.StatusDescription)
      .Text(u"ReferenceId", r.ReferenceId)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_GETEJFILES_result& r) {
  AnswerWriter w;
  w.Integer(u"FilesCount", r.FilesCount).Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_PAY_result& r) {
  // The exchange amounts take the locale's decimal separator; the payment amount does not.
  const String decimal(1, platform::DecimalSeparator());
  AnswerWriter w;
  w.Escaped(u"DeviceId", r.DeviceId)
      .DateTime(u"PaymentDateTime", r.PaymentDateTime)
      .Escaped(u"PaymentNumber", r.PaymentNumber)
      .Amount(u"PaymentAmount", r.PaymentAmount)
      .Escaped(u"PaymentCurrency", r.PaymentCurrency)
      .Text(u"ExchangeRate", ReplaceAll(r.ExchangeRate.ToText(), u".", decimal))
      .Text(u"PaymentAmountCurrency", ReplaceAll(r.PaymentAmountCurrency.ToText(), u".", decimal))
      .Escaped(u"MaskedPAN", r.MaskedPAN)
      .Text(u"PaymentNetwork", DecodeNetwork(r.PaymentNetwork))
      .Text(u"TransactionType", DecodeTransactionType(r.TransactionType))
      .Escaped(u"AuthCode", r.AuthCode)
      .Escaped(u"TraceAuditId", r.TraceAuditId)
      .Escaped(u"RawResponse", r.RawResponse)
      .Escaped(u"ReceiptText", r.ReceiptText)
      .Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

String FormatAnswer(const _int_common_result& r) {
  AnswerWriter w;
  w.Tail(r.Error, r.ErrorText, r.LogFileName);
  return w.Result();
}

}  // namespace qx
