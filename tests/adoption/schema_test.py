"""The request schemas against the examples and the library's readers.

- every file of examples/ validates against the schema of each export its first comment names,
  and every export has an example;
- each of them is read by the library without a reading error (with a handle that is not open,
  the library reads the whole request and then answers "Printer Handle not found");
- the requests of the reference pages and those that the Python client writes validate too;
- faults that the schema refuses are refused by the library as well, with its own message.
"""

import datetime
import os
import pathlib
import re
import subprocess
import sys
import unittest

SOURCE = pathlib.Path(os.environ.get("QX_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
sys.path.insert(0, str(SOURCE / "python"))
import qxrp  # noqa: E402

SCHEMA = SOURCE / "docs" / "schema"
EXAMPLES = SOURCE / "examples"

SCHEMA_OF = {
    "PRINTFR": "receipt", "REPRINTFR": "receipt_reference", "GETLOTTERYRCPTSTATUS": "receipt_reference",
    "PRINTXR": "x_report", "PRINTZR": "z_report", "PRINTNFR": "nf_receipt", "DISPLAY": "display",
    "OPENDR": "drawer", "GETDRSTATUS": "drawer", "EJREPORT": "ej_report", "SETVATTABLE": "vat_table",
    "SETDEPTTABLE": "dept_table", "PAY": "payment", "GETEJFILES": "ej_files_request",
    "SETDATETIME": "set_date_time", "GETSTATUS": "request", "SET": "request", "OPEN": "request",
    "CLOSE": "request", "GETVATTABLE": "request", "GETDEPTTABLE": "request",
}
NOT_OPEN = "99999"
# An example block of the reference pages: ```xml request EXPORT ... ``` and ```xml answer ... ```.
BLOCK = re.compile(r"^```(\w+) (request|answer)(?: (\w+))?\n(.*?)^```", re.S | re.M)


def exports_of(text):
    """The exports named at the start of an example's first comment ("OPENDR and GETDRSTATUS: ...")."""
    match = re.search(r"<!--\s*([A-Z]+(?: and [A-Z]+)*)\b", text)
    return match.group(1).split(" and ") if match else []


def validate(schema, text):
    run = subprocess.run(["xmllint", "--noout", "--schema", str(SCHEMA / f"{schema}.xsd"), "-"],
                         input=text, capture_output=True, text=True)
    return run.returncode == 0, run.stderr


def with_handle(text, handle):
    if "<Handle>" in text:
        return re.sub(r"<Handle>[^<]*</Handle>", f"<Handle>{handle}</Handle>", text)
    return text.replace("<LogId>", f"<Handle>{handle}</Handle><LogId>", 1)


def examples():
    return sorted(EXAMPLES.glob("*.xml"))


class Schemas(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.library = qxrp.Library()

    def read_error(self, export, text):
        """The library's error text for a request that reaches no open printer."""
        return self.library.call(export, with_handle(text, NOT_OPEN)).error_text

    def test_every_example_validates_and_is_read_by_the_library(self):
        covered = set()
        for path in examples():
            text = path.read_text(encoding="utf-8")
            names = exports_of(text)
            with self.subTest(example=path.name):
                self.assertTrue(names, "the first comment names no export")
                for export in names:
                    covered.add(export)
                    ok, errors = validate(SCHEMA_OF[export], text)
                    self.assertTrue(ok, f"{export}: {errors}")
                    self.assertEqual(self.read_error(export, text), "Printer Handle not found", export)
        self.assertEqual(sorted(set(qxrp.EXPORTS) - covered), [], "exports without an example")

    def test_the_requests_of_the_reference_pages_validate(self):
        for page in sorted((SOURCE / "docs" / "reference").glob("*.md")):
            for _, kind, export, text in BLOCK.findall(page.read_text(encoding="utf-8")):
                if kind != "request" or export == "VERSION":
                    continue
                with self.subTest(page=page.name, export=export):
                    ok, errors = validate(SCHEMA_OF[export], text)
                    self.assertTrue(ok, errors)
                    self.assertEqual(self.read_error(export, text), "Printer Handle not found")

    def test_the_requests_of_the_python_client_validate(self):
        day = datetime.datetime(2025, 3, 5, 9, 0)
        for connection in (qxrp.Serial("/dev/ttyUSB0"), qxrp.Tcp("192.168.1.50", 9100)):
            printer = qxrp.Printer(connection, log_id="till01", parameters={"HexLog": False}, library=self.library)
            printer.handle = 1
            documents = {
                "OPEN": None, "GETSTATUS": None, "CLOSE": None,
                "PRINTFR": qxrp.Receipt(
                    "Refund", number="7", date_time=day, total_amount="1.20",
                    lines=[qxrp.ProductReturn("CORNETTO", amount="1.20", quantity=1, price="1.20", department="1",
                                              tax_code="10", attribute="Product"),
                           qxrp.DiscountPercentage(10, "0.12", "SCONTO"), qxrp.SubTotal("1.08"), qxrp.TextLine("NOTA")],
                    taxes=[qxrp.Tax("VAT", "10", rate=10, taxable_amount="0.98", tax_amount="0.10", total_amount="1.08")],
                    payments=[qxrp.Payment("Cash", amount="1.08")],
                    original_receipt=qxrp.OriginalReceipt(day, "1001", "99MEY012345", reference_type="OriginalReceipt"),
                    headers=["ACME"], trailer_messages=[qxrp.MessageText("Grazie", "Center", 2),
                                                        qxrp.MessageBarcode("123", "EAN13", hri=False), qxrp.MessageImage()],
                    to_be_invoiced=False, customer_date_of_birth=datetime.date(1980, 2, 29)),
                "PRINTNFR": qxrp.NFReceipt(lines=[qxrp.MessageText("A", effects=["bold", "underline"])],
                                           header=[qxrp.MessageImage("Center", "logo", "Resource")],
                                           footer=[qxrp.MessageBarcode("X", "QRCode", qr_code_min_version=3)], date_time=day),
                "DISPLAY": qxrp.Display([qxrp.MessageText("TOTALE", "Left")], clear=True),
                "OPENDR": qxrp.Drawer(1),
                "EJREPORT": qxrp.EJReport("ZReport", "Memory", day, day, 1, 9),
                "SETVATTABLE": qxrp.VATTable([qxrp.VAT("2200", 22, "IVA 22%")]),
                "SETDEPTTABLE": qxrp.DeptTable([qxrp.Department("01", "BAR", "1000", "Service", "563000", "Bar", "1")]),
                "PAY": qxrp.ElectronicPayment("12.50", "EUR", 1, print_location="EFT"),
                "REPRINTFR": qxrp.ReceiptReference("InvoiceSale", "5", day),
                "GETEJFILES": qxrp.EJFilesRequest("/tmp", day, day),
                "PRINTXR": qxrp.XReport("0042", "01"),
                "PRINTZR": None,
            }
            for export, document in documents.items():
                with self.subTest(export=export, connection=type(connection).__name__):
                    text = printer.request_text(document)
                    ok, errors = validate(SCHEMA_OF[export], text)
                    self.assertTrue(ok, f"{errors}\n{text}")
                    self.assertEqual(self.read_error(export, text), "Printer Handle not found")
            for export, parameters in (("SET", {"TrainingMode": True}), ("SETDATETIME", {"DateTime": day})):
                with self.subTest(export=export):
                    text = printer.request_text(None, parameters)
                    self.assertTrue(validate(SCHEMA_OF[export], text)[0], text)

    def test_what_the_schema_refuses_the_library_refuses(self):
        sale = (EXAMPLES / "sale.xml").read_text(encoding="utf-8")
        nf = (EXAMPLES / "nf_receipt.xml").read_text(encoding="utf-8")
        cases = [
            ("PRINTFR", sale.replace("<Amount>3.00</Amount>", "<Amount>3,00</Amount>"),
             "Error in processing node Amount as currency.\r\n'3,00' is not a valid floating point value"),
            ("PRINTFR", sale.replace("<Type>Sale</Type>", "<Type>Sale </Type>"), "ReceiptType sale  is invalid"),
            ("PRINTFR", sale.replace("2024-03-05T10:15:00", "2024-02-30T10:15:00"),
             "Error in processing node DateTime as datetime.\r\nDateTime Format invalid: [2024-02-30T10:15:00]"),
            ("PRINTFR", sale.replace("<Speed>9600</Speed>", "<Speed>9600 </Speed>"),
             "Error in processing node Speed as integer.\r\n'9600 ' is not a valid integer value"),
            ("PRINTFR", re.sub(r"<Taxes>.*</Taxes>", "", sale, flags=re.S), "Unable to find Taxes node "),
            ("PRINTFR", sale.replace("<Alignment>Center</Alignment>", ""), "Alignment  is invalid"),
            ("PRINTFR", sale.replace("<ProductSale>", "<Item>", 1).replace("</ProductSale>", "</Item>", 1),
             "LineType item is invalid"),
            ("PRINTNFR", nf.replace("<Effects>italic</Effects>", "<Effects>italic, bold</Effects>"),
             "Effect  bold is invalid"),
            ("PRINTNFR", nf.replace("<Source>Resource</Source>", ""), "Image Source  is invalid"),
            ("GETSTATUS", (EXAMPLES / "status.xml").read_text(encoding="utf-8").replace(">none</Parity>", ">mark</Parity>"),
             "Connection Parity mark is not valid"),
            ("PAY", (EXAMPLES / "payment.xml").read_text(encoding="utf-8").replace(">ECR<", ">eft<"),
             "Payment Location eft invalid. Allowed values are: ECR,EFT."),
            ("EJREPORT", re.sub(r"<StartDate>.*</StartDate>", "", (EXAMPLES / "ej_report.xml").read_text(encoding="utf-8")),
             "DateTime Format invalid: []"),
        ]
        for export, text, message in cases:
            with self.subTest(export=export, message=message):
                ok, _ = validate(SCHEMA_OF[export], text)
                self.assertFalse(ok, "the schema accepts it")
                self.assertEqual(self.library.call(export, with_handle(text, NOT_OPEN)).error_text, message)


if __name__ == "__main__":
    unittest.main()
