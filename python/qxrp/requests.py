"""Request documents as dataclasses. A field left None is not written (the library's default
applies); amounts take Decimal, int or float, date-times take datetime. Enumeration texts are
strings ("Sale", "Cash", "Left"): docs/schema/ lists them."""

from dataclasses import dataclass, field
from decimal import Decimal
from datetime import datetime
from typing import ClassVar, List, Optional, Union

Amount = Union[Decimal, int, float, str]


def _xml(name, **more):
    return field(default=None, metadata={"xml": name, **more})


def _list(**metadata):
    return field(default_factory=list, metadata=metadata)


# ---- connections ------------------------------------------------------------------------

@dataclass
class Serial:
    """A printer on a serial line: port is COMn or a device path (/dev/ttyUSB0, /dev/pts/3)."""
    _tag: ClassVar[str] = "Connection"
    port: str = field(default="COM1", metadata={"xml": "SerialPort"})
    speed: int = 9600
    data_bits: int = 8
    parity: str = "none"
    stop_bits: int = 1
    connect_timeout: Optional[int] = 3000
    read_timeout: Optional[int] = 5000
    url: Optional[str] = None  #: the printer's web server (Z-report counters, RT data files)
    auth_type: Optional[str] = None
    user: Optional[str] = None
    password: Optional[str] = None
    type: str = field(default="serial", init=False)


@dataclass
class Tcp:
    """A printer on the network, speaking the same framed protocol as on a serial line."""
    _tag: ClassVar[str] = "Connection"
    address: str = "127.0.0.1"
    port: int = 9100
    connect_timeout: Optional[int] = 3000
    read_timeout: Optional[int] = 5000
    url: Optional[str] = None
    auth_type: Optional[str] = None
    user: Optional[str] = None
    password: Optional[str] = None
    type: str = field(default="tcp", init=False)


# ---- message lines (receipt leader and trailer, non-fiscal receipt, display) -------------

@dataclass
class MessageText:
    _tag: ClassVar[str] = "Text"
    value: str = ""
    alignment: str = "Left"
    size: Optional[int] = None
    #: non-fiscal receipts only: a list of effects or one comma-separated text
    effects: Union[None, str, List[str]] = None


@dataclass
class MessageBarcode:
    _tag: ClassVar[str] = "Barcode"
    value: str = ""
    type: str = "QRCode"
    hri: Optional[bool] = None
    qr_code_min_version: Optional[int] = None


@dataclass
class MessageImage:
    _tag: ClassVar[str] = "Image"
    alignment: str = "Center"
    value: Optional[str] = None  #: non-fiscal receipts: the image (resource name or file path)
    source: Optional[str] = None  #: non-fiscal receipts: Resource or FileSystem


# ---- receipt lines ----------------------------------------------------------------------

@dataclass
class ProductSale:
    _tag: ClassVar[str] = "ProductSale"
    description: str = ""
    amount: Optional[Amount] = None
    quantity: Optional[Amount] = None
    price: Optional[Amount] = None
    department: Optional[str] = None
    tax_code: Optional[str] = None
    code: Optional[str] = None
    uom: Optional[str] = None
    free_of_charge: Optional[bool] = None
    attribute: Optional[str] = None  #: Product or Service (absent: Service)


@dataclass
class ProductReturn(ProductSale):
    _tag: ClassVar[str] = "ProductReturn"


@dataclass
class WeightedProductSale(ProductSale):
    _tag: ClassVar[str] = "WeightedProductSale"
    tare: Optional[Amount] = None


@dataclass
class VoucherSale:
    _tag: ClassVar[str] = "VoucherSale"
    description: str = ""
    price: Optional[Amount] = None
    department: Optional[str] = None
    tax_code: Optional[str] = None
    code: Optional[str] = None
    free_of_charge: Optional[bool] = None


@dataclass
class GiftCardSale(VoucherSale):
    _tag: ClassVar[str] = "GiftCardSale"


@dataclass
class VoucherRedeem:
    _tag: ClassVar[str] = "VoucherRedeem"
    description: str = ""
    price: Optional[Amount] = None
    department: Optional[str] = None
    tax_code: Optional[str] = None
    code: Optional[str] = None


@dataclass
class GiftCardRedeem(VoucherRedeem):
    _tag: ClassVar[str] = "GiftCardRedeem"


@dataclass
class SubTotal:
    _tag: ClassVar[str] = "SubTotal"
    amount: Optional[Amount] = None


@dataclass
class TextLine:
    """A free text among the sale lines."""
    _tag: ClassVar[str] = "Text"
    description: str = ""


@dataclass
class DiscountAmount:
    """Written as a positive amount; it counts negatively."""
    _tag: ClassVar[str] = "DiscountAmount"
    amount: Optional[Amount] = None
    description: Optional[str] = None


@dataclass
class DiscountAmountOnSubtotal(DiscountAmount):
    _tag: ClassVar[str] = "DiscountAmountOnSubtotal"


@dataclass
class MarkupAmount(DiscountAmount):
    _tag: ClassVar[str] = "MarkupAmount"


@dataclass
class MarkupAmountOnSubtotal(DiscountAmount):
    _tag: ClassVar[str] = "MarkupAmountOnSubtotal"


@dataclass
class DiscountPercentage:
    """The percentage and the amount it comes to (positive); only the amount enters the total."""
    _tag: ClassVar[str] = "DiscountPercentage"
    percentage: Optional[Amount] = None
    amount: Optional[Amount] = None
    description: Optional[str] = None


@dataclass
class DiscountPercentageOnSubTotal(DiscountPercentage):
    _tag: ClassVar[str] = "DiscountPercentageOnSubTotal"


@dataclass
class MarkupPercentage(DiscountPercentage):
    _tag: ClassVar[str] = "MarkupPercentage"


@dataclass
class MarkupPercentageOnSubTotal(DiscountPercentage):
    _tag: ClassVar[str] = "MarkupPercentageOnSubTotal"


@dataclass
class CollectAmount:
    _tag: ClassVar[str] = "CollectAmount"
    description: Optional[str] = None
    amount: Optional[Amount] = None
    department: Optional[str] = None
    tax_code: Optional[str] = None


@dataclass
class Tax:
    _tag: ClassVar[str] = "Tax"
    type: str = "VAT"
    code: Optional[str] = None
    description: Optional[str] = None
    rate: Optional[Amount] = None
    taxable_amount: Optional[Amount] = None
    tax_amount: Optional[Amount] = None
    total_amount: Optional[Amount] = None


@dataclass
class Payment:
    """A payment of a receipt; a "Change" payment gives the change back."""
    _tag: ClassVar[str] = "Payment"
    type: str = "Cash"
    amount: Optional[Amount] = None
    description: Optional[str] = None
    currency: Optional[str] = None
    quantity: Optional[Amount] = None
    unit_price: Optional[Amount] = None


@dataclass
class OriginalReceipt:
    """The earlier receipt a refund, a void or an invoice refers to."""
    _tag: ClassVar[str] = "OriginalReceipt"
    receipt_date_time: Optional[datetime] = None
    receipt_number: Optional[str] = None
    device_serial_number: Optional[str] = None
    server_serial_number: Optional[str] = None
    ej_number: Optional[str] = None
    ej_closing_number: Optional[str] = None
    exclude_fp_check: Optional[bool] = None
    reference_type: Optional[str] = None
    invoice_number: Optional[str] = None
    invoice_date_time: Optional[datetime] = None


@dataclass
class Receipt:
    """A fiscal receipt (PRINTFR): type Sale, Refund, Void, InvoiceSale or InvoiceSaleFromReceipt."""
    _tag: ClassVar[str] = "Receipt"
    type: str = "Sale"
    lines: list = _list(required=True)
    payments: list = _list(required=True)
    taxes: list = _list(required=True)
    number: Optional[str] = None
    date_time: Optional[datetime] = None
    total_amount: Optional[Amount] = None  #: absent or 0: the sum of the lines
    original_receipt: Optional[OriginalReceipt] = field(default=None, metadata={"wrapper": "References"})
    headers: list = _list(item="Header")
    leader_lines: list = _list()
    trailer_messages: list = _list()
    layout: Optional[str] = None
    business_date: Optional[datetime] = None
    sub_type: Optional[str] = None
    receipt_type_description: Optional[str] = None
    external_reference: Optional[str] = None
    store_code: Optional[str] = None
    store_address: Optional[str] = None
    store_zip_code: Optional[str] = None
    store_city: Optional[str] = None
    till_code: Optional[str] = None
    operator_code: Optional[str] = None
    z_report_number: Optional[str] = None
    device_serial_number: Optional[str] = None
    invoice_number: Optional[str] = None
    invoice_date_time: Optional[datetime] = None
    tip_amount: Optional[Amount] = None
    country_code: Optional[str] = None
    fiscal_area_code: Optional[str] = None
    company_code: Optional[str] = None
    company_tax_code: Optional[str] = None
    receipt_barcode: Optional[str] = None
    currency_code: Optional[str] = None
    customer_code: Optional[str] = None
    customer_card: Optional[str] = None
    customer_business_name: Optional[str] = None
    customer_name: Optional[str] = None
    customer_surname: Optional[str] = None
    customer_address: Optional[str] = None
    customer_zip_code: Optional[str] = None
    customer_city: Optional[str] = None
    customer_province: Optional[str] = None
    customer_country: Optional[str] = None
    customer_tax_code: Optional[str] = None
    customer_id_number: Optional[str] = None
    customer_date_of_birth: Optional[datetime] = None
    lottery_id_code: Optional[str] = None
    to_be_invoiced: Optional[bool] = None


# ---- the other documents ----------------------------------------------------------------

@dataclass
class NFReceipt:
    """A non-fiscal receipt (PRINTNFR): header, body and footer message lines."""
    _tag: ClassVar[str] = "NFReceipt"
    lines: list = _list()
    header: list = field(default_factory=list, metadata={"xml": "Header", "inner": "Lines"})
    footer: list = field(default_factory=list, metadata={"xml": "Footer", "inner": "Lines"})
    number: Optional[str] = None
    date_time: Optional[datetime] = None
    layout: Optional[str] = None
    store_code: Optional[str] = None
    till_code: Optional[str] = None
    operator_code: Optional[str] = None
    country_code: Optional[str] = None
    company_code: Optional[str] = None
    company_tax_code: Optional[str] = None


@dataclass
class Display:
    _tag: ClassVar[str] = "Display"
    lines: list = _list()
    clear: Optional[bool] = None


@dataclass
class Drawer:
    _tag: ClassVar[str] = "Drawer"
    number: Optional[int] = 1


@dataclass
class EJReport:
    """The electronic journal (EJREPORT): report_type ZReport, FiscalReceipt, NonFiscalReceipt,
    CreditNote or Invoice; destination Printer or Memory (the text comes back in the answer)."""
    _tag: ClassVar[str] = "EJReport"
    report_type: str = "FiscalReceipt"
    destination: str = field(default="Printer", metadata={"xml": "ReportDestination"})
    start_date: Optional[datetime] = None
    end_date: Optional[datetime] = None
    start_number: Optional[int] = None
    end_number: Optional[int] = None


@dataclass
class VAT:
    """A VAT rate: code as the printer names it (2200 for 22%)."""
    _tag: ClassVar[str] = "VAT"
    code: str = ""
    rate: Optional[Amount] = None
    description: Optional[str] = None


@dataclass
class VATTable:
    _tag: ClassVar[str] = "VATTable"
    entries: list = field(default_factory=list, metadata={"flat": True})


@dataclass
class Department:
    _tag: ClassVar[str] = "Department"
    code: str = ""
    description: Optional[str] = None
    vat_code: Optional[str] = None
    sales_type: Optional[str] = None  #: Product or Service
    ea_code: Optional[str] = None
    ea_description: Optional[str] = None
    ea_vat_mode: Optional[str] = None  #: "1": VAT apportionment


@dataclass
class DeptTable:
    _tag: ClassVar[str] = "DeptTable"
    departments: list = field(default_factory=list, metadata={"flat": True})


@dataclass
class ElectronicPayment:
    """A payment on the payment terminal (PAY)."""
    _tag: ClassVar[str] = "Payment"
    amount: Optional[Amount] = None
    currency: Optional[str] = None
    copies: Optional[int] = None
    store_code: Optional[str] = None
    till_code: Optional[str] = None
    reference: Optional[str] = None
    receipt_id: Optional[str] = None
    print_location: Optional[str] = None  #: exactly ECR or EFT


@dataclass
class ReceiptReference:
    """An earlier document (REPRINTFR, GETLOTTERYRCPTSTATUS)."""
    _tag: ClassVar[str] = "ReceiptReference"
    receipt_type: str = "Sale"
    receipt_number: Optional[str] = None
    receipt_date_time: Optional[datetime] = None
    ej_number: Optional[str] = None
    ej_closing_number: Optional[str] = None
    device_serial_number: Optional[str] = None


@dataclass
class EJFilesRequest:
    _tag: ClassVar[str] = "EJRequest"
    output_dir: Optional[str] = None
    start_date: Optional[datetime] = None
    end_date: Optional[datetime] = None
    request_type: str = "XML"


@dataclass
class XReport:
    _tag: ClassVar[str] = "XReport"
    store_code: Optional[str] = None
    till_code: Optional[str] = None


@dataclass
class ZReport:
    _tag: ClassVar[str] = "ZReport"
    store_code: Optional[str] = None
    till_code: Optional[str] = None


__all__ = [name for name, value in list(globals().items())
           if isinstance(value, type) and value.__module__ == __name__ and not name.startswith("_")]
