"""The answers of the exports as dataclasses. Dates are datetime (None for the answers' "no
date", 1899-12-30T00:00:00), amounts Decimal, flags bool. Every answer ends with error,
error_text and log_file_name, and keeps the answer text in raw."""

from dataclasses import dataclass, field
from datetime import datetime
from decimal import Decimal
from typing import List, Optional


def _raw():
    return field(default="", repr=False, metadata={"skip": True})


@dataclass
class Answer:
    """An answer with only the common elements (REPRINTFR, DISPLAY, OPENDR, SET, CLOSE,
    SETVATTABLE, SETDEPTTABLE)."""
    error: bool = False
    error_text: str = ""
    log_file_name: str = ""
    raw: str = _raw()


@dataclass
class OpenAnswer(Answer):
    handle: int = 0


@dataclass
class ReceiptAnswer(Answer):
    """PRINTFR. With an RT server, a receipt that was signed but not printed answers no error:
    error_text then holds the printer's reason and message_text a message; it must not be
    sent again."""
    receipt_date_time: Optional[datetime] = None
    receipt_number: str = ""
    device_serial_number: str = ""
    ej_number: str = ""
    ej_closing_number: str = ""
    server_serial_number: str = ""
    receipt_text: str = ""
    receipt_image: str = ""  #: JPEG, Base64
    invoice_number: str = ""
    invoice_date_time: Optional[datetime] = None
    message_text: str = ""


@dataclass
class XReportAnswer(Answer):
    x_report_date_time: Optional[datetime] = None
    x_report_number: str = ""
    device_serial_number: str = ""
    server_serial_number: str = ""
    ej_number: str = ""
    ej_closing_number: str = ""


@dataclass
class ZReportAnswer(Answer):
    z_report_date_time: Optional[datetime] = None
    z_report_number: str = ""
    device_serial_number: str = ""
    server_serial_number: str = ""
    ej_number: str = ""
    ej_closing_number: str = ""
    grand_total_amount: Decimal = Decimal(0)
    grand_total_refunds_amount: Decimal = Decimal(0)
    grand_total_voids_amount: Decimal = Decimal(0)
    day_total_amount: Decimal = Decimal(0)
    day_discounts_amount: Decimal = Decimal(0)
    day_returns_amount: Decimal = Decimal(0)
    day_refunds_amount: Decimal = Decimal(0)
    day_voids_amount: Decimal = Decimal(0)
    day_receipts_number: int = 0
    day_refunds_number: int = 0
    text: List[str] = field(default_factory=list)


@dataclass
class NFReceiptAnswer(Answer):
    nf_receipt_date_time: Optional[datetime] = None
    nf_receipt_number: str = ""


@dataclass
class StatusAnswer(Answer):
    day_opened: bool = False
    date_time: Optional[datetime] = None
    paper_end: bool = False
    paper_near_end: bool = False
    cover_open: bool = False
    fiscal_receipt_open: bool = False
    receipt_open: bool = False
    training_mode: bool = False
    firmware_version: str = ""
    serial_number: str = ""
    fiscal_mode: str = ""  #: RT or MF


@dataclass
class DateTimeAnswer(Answer):
    """SETDATETIME: the printer's clock after the change."""
    date_time: Optional[datetime] = None


@dataclass
class DrawerStatusAnswer(Answer):
    is_open: bool = False


@dataclass
class EJReportAnswer(Answer):
    """EJREPORT: the journal's lines when it was read into memory."""
    text: List[str] = field(default_factory=list)


@dataclass
class VATEntry:
    index: int = 0
    code: str = ""
    description: str = ""
    rate: Decimal = Decimal(0)


@dataclass
class VATTableAnswer(Answer):
    vat_table: List[VATEntry] = field(default_factory=list, metadata={"xml": "VATTable"})


@dataclass
class DeptEntry:
    index: int = 0
    code: str = ""
    description: str = ""
    vat_code: str = ""
    sales_type: str = ""
    ea_code: str = ""
    ea_description: str = ""
    ea_vat_mode: str = ""


@dataclass
class DeptTableAnswer(Answer):
    dept_table: List[DeptEntry] = field(default_factory=list, metadata={"xml": "DeptTable"})


@dataclass
class PaymentAnswer(Answer):
    device_id: str = ""
    payment_date_time: Optional[datetime] = None
    payment_number: str = ""
    payment_amount: Decimal = Decimal(0)
    payment_currency: str = ""
    exchange_rate: Decimal = Decimal(0)
    payment_amount_currency: Decimal = Decimal(0)
    masked_pan: str = ""
    payment_network: str = ""
    transaction_type: str = ""
    auth_code: str = ""
    trace_audit_id: str = ""
    raw_response: str = ""
    receipt_text: str = ""


@dataclass
class LotteryStatusAnswer(Answer):
    correctly_sent: bool = False
    status_code: str = ""
    status_description: str = ""
    reference_id: str = ""


@dataclass
class EJFilesAnswer(Answer):
    files_count: int = 0


__all__ = [name for name, value in list(globals().items())
           if isinstance(value, type) and value.__module__ == __name__ and not name.startswith("_")]
