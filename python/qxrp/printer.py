"""A fiscal printer opened through the library: one method per exported function."""

import dataclasses
import datetime
import xml.etree.ElementTree as ET

from . import _xml
from . import answers as A
from . import requests as R
from ._library import _check_library
from .errors import PrinterError

DRIVER = "QXRP_EPSFPNAT_20"


def _document(value, cls, fields, what):
    """value if it is a cls, else a cls made of the keyword fields; TypeError otherwise."""
    if value is None:
        return cls(**fields)
    if fields:
        raise TypeError(f"{what}: give either a {cls.__name__} or its fields as keywords, not both")
    if not isinstance(value, cls):
        raise TypeError(f"{what}: a qxrp.{cls.__name__} was expected, not {type(value).__name__}")
    return value


class Printer:
    """A printer known by its connection (qxrp.Serial, qxrp.Tcp) and opened with open().

        with qxrp.open_printer(qxrp.Serial("/dev/ttyUSB0")) as printer:
            printer.print_receipt(lines=[...], payments=[...])

    parameters: further named parameters of every request ({"HexLog": True}). Every method
    raises qxrp.PrinterError when the library answers an error and returns the answer's
    dataclass otherwise.
    """

    def __init__(self, connection, *, log_id="", driver=DRIVER, parameters=None, library=None):
        if not dataclasses.is_dataclass(connection) or getattr(connection, "_tag", None) != "Connection":
            raise TypeError(f"connection must be a qxrp.Serial or qxrp.Tcp, not {type(connection).__name__}")
        if not isinstance(log_id, str) or not isinstance(driver, str):
            raise TypeError("log_id and driver must be str")
        if parameters is not None and not isinstance(parameters, dict):
            raise TypeError(f"parameters must be a dict, not {type(parameters).__name__}")
        self.connection = connection
        self.log_id = log_id
        self.driver = driver
        self.parameters = dict(parameters or {})
        self.library = _check_library(library)
        self.handle = 0

    # ---- requests and answers --------------------------------------------------------

    def request_text(self, document=None, parameters=None):
        """The whole request text: the configuration, then the document (a request dataclass)."""
        root = ET.Element("Request")
        ET.SubElement(root, "Driver").text = self.driver
        if self.handle:
            ET.SubElement(root, "Handle").text = str(self.handle)
        ET.SubElement(root, "LogId").text = self.log_id
        _xml.add_document(root, self.connection, "connection")
        merged = {**self.parameters, **(parameters or {})}
        if merged:
            node = ET.SubElement(root, "Parameters")
            for name, value in merged.items():
                if not isinstance(name, str) or not name.isidentifier():
                    raise ValueError(f"parameter name {name!r} is not an element name")
                _xml.add_value(node, name, value, f"parameters[{name!r}]")
        if document is not None:
            _xml.add_document(root, document)
        return _xml.to_text(root)

    def _call(self, export, answer_type, document=None, parameters=None):
        raw = self.library.call(export, self.request_text(document, parameters))
        answer = _xml.from_element(answer_type, _xml.parse_answer(raw.output))
        answer.raw = raw.output
        if not raw.ok or answer.error:
            raise PrinterError(export, raw.error_text or answer.error_text, answer.log_file_name, answer)
        return answer

    # ---- opening and closing ---------------------------------------------------------

    def open(self):
        """OPEN: connects to the printer; the handle it answers goes into every later request."""
        answer = self._call("OPEN", A.OpenAnswer)
        self.handle = answer.handle
        return answer

    def close(self):
        """CLOSE: closes the connection and the log; the handle ends."""
        if not self.handle:
            return A.Answer()
        try:
            return self._call("CLOSE", A.Answer)
        finally:
            self.handle = 0

    def __enter__(self):
        if not self.handle:
            self.open()
        return self

    def __exit__(self, kind, value, traceback):
        try:
            self.close()
        except PrinterError:
            if kind is None:
                raise
        return False

    # ---- receipts and reports --------------------------------------------------------

    def print_receipt(self, receipt=None, *, get_text=False, get_image=False, **fields):
        """PRINTFR: a qxrp.Receipt, or its fields as keywords (lines=[...], payments=[...])."""
        receipt = _document(receipt, R.Receipt, fields, "print_receipt")
        parameters = {}
        if get_text:
            parameters["GetReceiptText"] = True
        if get_image:
            parameters["GetReceiptImage"] = True
        return self._call("PRINTFR", A.ReceiptAnswer, receipt, parameters)

    def reprint_receipt(self, reference=None, **fields):
        """REPRINTFR: a copy of an earlier document (qxrp.ReceiptReference)."""
        return self._call("REPRINTFR", A.Answer, _document(reference, R.ReceiptReference, fields, "reprint_receipt"))

    def print_x_report(self, report=None, **fields):
        """PRINTXR: the X report (the day so far)."""
        return self._call("PRINTXR", A.XReportAnswer, _document(report, R.XReport, fields, "print_x_report"))

    def print_z_report(self, report=None, **fields):
        """PRINTZR: the Z report that closes the fiscal day."""
        return self._call("PRINTZR", A.ZReportAnswer, _document(report, R.ZReport, fields, "print_z_report"))

    def print_nf_receipt(self, receipt=None, **fields):
        """PRINTNFR: a non-fiscal receipt (qxrp.NFReceipt)."""
        return self._call("PRINTNFR", A.NFReceiptAnswer, _document(receipt, R.NFReceipt, fields, "print_nf_receipt"))

    def ej_report(self, report=None, **fields):
        """EJREPORT: the electronic journal (qxrp.EJReport), printed or read into the answer."""
        return self._call("EJREPORT", A.EJReportAnswer, _document(report, R.EJReport, fields, "ej_report"))

    def get_ej_files(self, request=None, **fields):
        """GETEJFILES: the RT data files of a date range into a folder (qxrp.EJFilesRequest)."""
        return self._call("GETEJFILES", A.EJFilesAnswer, _document(request, R.EJFilesRequest, fields, "get_ej_files"))

    def get_lottery_receipt_status(self, reference=None, **fields):
        """GETLOTTERYRCPTSTATUS: the receipt-lottery state of a receipt (qxrp.ReceiptReference)."""
        document = _document(reference, R.ReceiptReference, fields, "get_lottery_receipt_status")
        return self._call("GETLOTTERYRCPTSTATUS", A.LotteryStatusAnswer, document)

    def pay(self, payment=None, **fields):
        """PAY: an electronic payment (qxrp.ElectronicPayment)."""
        return self._call("PAY", A.PaymentAnswer, _document(payment, R.ElectronicPayment, fields, "pay"))

    # ---- display, drawer, status, settings -------------------------------------------

    def display(self, *lines, clear=True):
        """DISPLAY: up to two lines on the customer display (texts or qxrp.MessageText)."""
        texts = []
        for line in lines:
            if isinstance(line, str):
                line = R.MessageText(line)
            elif not isinstance(line, R.MessageText):
                raise TypeError(f"display: a str or qxrp.MessageText was expected, not {type(line).__name__}")
            texts.append(line)
        return self._call("DISPLAY", A.Answer, R.Display(texts, clear))

    def open_drawer(self, number=1):
        """OPENDR: opens the cash drawer."""
        return self._call("OPENDR", A.Answer, R.Drawer(_integer(number, "open_drawer")))

    def get_drawer_status(self, number=1):
        """GETDRSTATUS: whether the cash drawer is open."""
        return self._call("GETDRSTATUS", A.DrawerStatusAnswer, R.Drawer(_integer(number, "get_drawer_status")))

    def get_status(self):
        """GETSTATUS: the printer's state."""
        return self._call("GETSTATUS", A.StatusAnswer)

    def set_training_mode(self, on):
        """SET: training mode on or off."""
        if not isinstance(on, bool):
            raise TypeError(f"set_training_mode: a bool was expected, not {type(on).__name__}")
        return self._call("SET", A.Answer, parameters={"TrainingMode": on})

    def set_date_time(self, when):
        """SETDATETIME: sets the printer's clock (a datetime); answers the clock afterwards."""
        if not isinstance(when, datetime.datetime):
            raise TypeError(f"set_date_time: a datetime was expected, not {type(when).__name__}")
        return self._call("SETDATETIME", A.DateTimeAnswer, parameters={"DateTime": when})

    # ---- tables ----------------------------------------------------------------------

    def get_vat_table(self):
        """GETVATTABLE: the printer's VAT rates and natures."""
        return self._call("GETVATTABLE", A.VATTableAnswer)

    def set_vat_table(self, entries):
        """SETVATTABLE: the VAT rates the printer must hold (qxrp.VAT entries)."""
        return self._call("SETVATTABLE", A.Answer, R.VATTable(_items(entries, R.VAT, "set_vat_table")))

    def get_dept_table(self):
        """GETDEPTTABLE: the printer's departments with their VAT codes and activities."""
        return self._call("GETDEPTTABLE", A.DeptTableAnswer)

    def set_dept_table(self, departments):
        """SETDEPTTABLE: departments to program (qxrp.Department entries)."""
        return self._call("SETDEPTTABLE", A.Answer, R.DeptTable(_items(departments, R.Department, "set_dept_table")))


def _integer(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what}: an int was expected, not {type(value).__name__}")
    return value


def _items(values, cls, what):
    if isinstance(values, (str, bytes)) or not hasattr(values, "__iter__"):
        raise TypeError(f"{what}: a list of qxrp.{cls.__name__} was expected, not {type(values).__name__}")
    values = list(values)
    for value in values:
        if not isinstance(value, cls):
            raise TypeError(f"{what}: a list of qxrp.{cls.__name__} was expected, found {type(value).__name__}")
    return values


def open_printer(connection, **settings):
    """A Printer, opened (OPEN); use it in a with statement so that it is closed (CLOSE)."""
    printer = Printer(connection, **settings)
    printer.open()
    return printer
