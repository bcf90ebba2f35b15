"""A printer opened through the client, on the printer simulator: every export once, the
context manager, the errors and the lock."""

import datetime
import os
import tempfile
import threading
import unittest
from decimal import Decimal

import qxrp
from simulator import Simulator
from test_library import library_path

SALE = dict(
    lines=[qxrp.ProductSale("CAFFÈ", amount="2.20", quantity=2, price="1.10", department="1", tax_code="22"),
           qxrp.ProductSale("BRIOCHE", amount=Decimal("1.30"), quantity=1, price=1.3, department="1", tax_code="22")],
    payments=[qxrp.Payment("Cash", amount=5), qxrp.Payment("Change", amount="1.50")])


class PrinterOnTheSimulator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.logs = tempfile.TemporaryDirectory()
        os.environ["QX_LOG_ROOT"] = cls.logs.name
        cls.library = qxrp.Library(library_path())
        cls.simulator = Simulator()

    @classmethod
    def tearDownClass(cls):
        cls.simulator.stop()
        cls.logs.cleanup()

    def printer(self):
        return qxrp.Printer(qxrp.Serial(self.simulator.device), log_id="pytest", library=self.library)

    def test_a_sale_in_a_with_block_is_printed_and_the_printer_closed(self):
        with self.printer() as printer:
            handle = printer.handle
            self.assertGreater(handle, 0)
            status = printer.get_status()
            self.assertEqual((status.serial_number, status.fiscal_mode), ("99MEB012345", "RT"))
            answer = printer.print_receipt(**SALE)
            self.assertFalse(answer.error)
            self.assertTrue(answer.receipt_number.isdigit())
            self.assertEqual(answer.device_serial_number, "99MEB012345")
            self.assertIsInstance(answer.receipt_date_time, datetime.datetime)
            self.assertTrue(os.path.isfile(answer.log_file_name), answer.log_file_name)
        self.assertEqual(printer.handle, 0)
        self.assertTrue(self.simulator.wait_paper("BRIOCHE"))
        self.assertTrue(self.simulator.wait_paper("CAFFE"))  # the printer's form of CAFFÈ
        closed = self.library.call("GETSTATUS", f"<Request><Handle>{handle}</Handle></Request>")
        self.assertEqual(closed.error_text, "Printer Handle not found")

    def test_an_error_in_the_block_still_closes_the_printer(self):
        with self.assertRaises(ZeroDivisionError):
            with self.printer() as printer:
                handle = printer.handle
                1 / 0
        closed = self.library.call("GETSTATUS", f"<Request><Handle>{handle}</Handle></Request>")
        self.assertEqual(closed.error_text, "Printer Handle not found")

    def test_errors_carry_the_text_and_the_log_file(self):
        with self.printer() as printer:
            cases = [
                # read from the request: no printer reached yet, no log
                (lambda: printer.print_receipt(lines=[qxrp.ProductSale("X", amount="1,10")]), "PRINTFR",
                 "Error in processing node Amount as currency.\r\n'1,10' is not a valid floating point value", False),
                # refused by the driver: the device's log tells more
                (lambda: printer.reprint_receipt(receipt_number="ABCDE"), "REPRINTFR",
                 "ReceiptNumber 'ABCDE' is not a document number", True),
            ]
            for call, export, text, logged in cases:
                with self.subTest(export=export):
                    with self.assertRaises(qxrp.PrinterError) as caught:
                        call()
                    error = caught.exception
                    self.assertEqual((error.export, error.error_text), (export, text))
                    self.assertEqual(bool(error.log_file_name), logged)
                    self.assertTrue(error.answer.error)
                    if logged:
                        self.assertTrue(os.path.isfile(error.log_file_name))

    def test_every_export(self):
        today = datetime.datetime.now().replace(microsecond=0)
        day = today.replace(hour=0, minute=0, second=0)
        with self.printer() as printer:
            printer.print_receipt(**SALE)
            calls = [
                ("display", lambda: printer.display("TOTALE", "EUR 3.50"), qxrp.Answer),
                ("open_drawer", printer.open_drawer, qxrp.Answer),
                ("get_drawer_status", printer.get_drawer_status, qxrp.DrawerStatusAnswer),
                ("get_vat_table", printer.get_vat_table, qxrp.VATTableAnswer),
                ("get_dept_table", printer.get_dept_table, qxrp.DeptTableAnswer),
                ("set_training_mode", lambda: printer.set_training_mode(False), qxrp.Answer),
                ("print_nf_receipt", lambda: printer.print_nf_receipt(
                    lines=[qxrp.MessageText("PRENOTAZIONE 12", "Center", effects=["bold"])],
                    footer=[qxrp.MessageBarcode("https://example.com/12", "QRCode")]), qxrp.NFReceiptAnswer),
                ("reprint_receipt", lambda: printer.reprint_receipt(receipt_number="0"), qxrp.Answer),
                ("get_lottery_receipt_status", lambda: printer.get_lottery_receipt_status(
                    receipt_number="1", ej_closing_number="1", receipt_date_time=today,
                    device_serial_number="99MEB012345"), qxrp.LotteryStatusAnswer),
                ("ej_report", lambda: printer.ej_report(destination="Memory", start_date=day,
                                                        end_date=day.replace(hour=23, minute=59)), qxrp.EJReportAnswer),
                ("print_x_report", printer.print_x_report, qxrp.XReportAnswer),
                ("pay", lambda: printer.pay(amount="5.00", currency="EUR", copies=1), qxrp.PaymentAnswer),
                ("print_z_report", lambda: printer.print_z_report(store_code="0042"), qxrp.ZReportAnswer),
                ("set_date_time", lambda: printer.set_date_time(today), qxrp.DateTimeAnswer),
                ("set_vat_table", lambda: printer.set_vat_table([qxrp.VAT("2200", 22), qxrp.VAT("0800", 8)]), qxrp.Answer),
                ("set_dept_table", lambda: printer.set_dept_table(
                    [qxrp.Department("05", "PANE", vat_code="0400", sales_type="Product")]), qxrp.Answer),
                ("get_ej_files", lambda: printer.get_ej_files(output_dir=self.logs.name, start_date=day, end_date=day),
                 qxrp.EJFilesAnswer),
            ]
            answers = {}
            for name, call, kind in calls:
                with self.subTest(method=name):
                    answers[name] = call()
                    self.assertIsInstance(answers[name], kind)
                    self.assertFalse(answers[name].error)
                    self.assertIn("<Error>False</Error>", answers[name].raw)
        self.assertTrue(answers["get_drawer_status"].is_open)
        self.assertIn(qxrp.VATEntry(1, "2200", "2200", Decimal(22)), answers["get_vat_table"].vat_table)
        self.assertTrue(any("BRIOCHE" in line for line in answers["ej_report"].text))
        self.assertEqual(answers["set_date_time"].date_time.date(), today.date())
        self.assertEqual(answers["pay"].transaction_type, "MANUAL")
        self.assertTrue(self.simulator.wait_paper("PRENOTAZIONE 12"))

    def test_over_tcp(self):
        printer = qxrp.Printer(qxrp.Tcp("127.0.0.1", self.simulator.port), log_id="pytcp", library=self.library)
        with printer:
            self.assertEqual(printer.get_status().serial_number, "99MEB012345")

    def test_wrong_types_are_refused_before_any_call(self):
        with self.printer() as printer:
            cases = [
                lambda: printer.print_receipt("not a receipt"),
                lambda: printer.print_receipt(qxrp.NFReceipt()),
                lambda: printer.print_receipt(qxrp.Receipt(), lines=[]),
                lambda: printer.print_receipt(lines=[object()]),
                lambda: printer.print_receipt(lines=[qxrp.ProductSale("X", amount=[1])]),
                lambda: printer.display(5),
                lambda: printer.open_drawer("1"),
                lambda: printer.set_training_mode("yes"),
                lambda: printer.set_date_time("2025-03-05"),
                lambda: printer.set_vat_table([qxrp.Department("1")]),
                lambda: printer.set_vat_table("2200"),
                lambda: qxrp.Printer("COM1"),
                lambda: qxrp.Printer(qxrp.Serial(), parameters=["HexLog"]),
                lambda: qxrp.Printer(qxrp.Serial(), library="libQXRP_EPSFPNAT_20.so"),
            ]
            for i, case in enumerate(cases):
                with self.subTest(case=i):
                    with self.assertRaises(TypeError):
                        case()
            with self.assertRaises(ValueError):
                printer.print_receipt(lines=[qxrp.ProductSale("X", amount=float("nan"))])
            self.assertFalse(printer.get_status().error)  # the printer is still usable

    def test_one_call_at_a_time_from_many_threads(self):
        with self.printer() as printer:
            failures = []

            def ask():
                for _ in range(5):
                    try:
                        if printer.get_status().serial_number != "99MEB012345":
                            failures.append("wrong answer")
                    except qxrp.QxrpError as e:
                        failures.append(str(e))

            threads = [threading.Thread(target=ask) for _ in range(4)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            self.assertEqual(failures, [])


if __name__ == "__main__":
    unittest.main()
