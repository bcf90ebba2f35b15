"""Finding and loading the library, the raw call and the BSTR conversions."""

import os
import subprocess
import sys
import textwrap
import unittest
from unittest import mock

import qxrp
from qxrp import _xml


def library_path():
    path = os.environ.get(qxrp.LIBRARY_ENV)
    if not path:
        raise unittest.SkipTest(f"{qxrp.LIBRARY_ENV} names no library")
    return path


class FindingTheLibrary(unittest.TestCase):
    def test_a_path_that_does_not_load_is_named(self):
        with self.assertRaises(qxrp.LibraryNotFoundError) as caught:
            qxrp.Library("/nonexistent/libQXRP_EPSFPNAT_20.so")
        self.assertIn("the path given", str(caught.exception))
        self.assertIn("/nonexistent/libQXRP_EPSFPNAT_20.so", str(caught.exception))

    def test_the_environment_variable_comes_first_and_is_named(self):
        with mock.patch.dict(os.environ, {qxrp.LIBRARY_ENV: "/nowhere/lib.so"}):
            with self.assertRaises(qxrp.LibraryNotFoundError) as caught:
                qxrp.Library(names=())
        message = str(caught.exception)
        self.assertIn("the environment variable QXRP_LIBRARY", message)
        self.assertIn("/nowhere/lib.so", message)

    def test_the_system_search_names_where_it_looked(self):
        environment = {k: v for k, v in os.environ.items() if k != qxrp.LIBRARY_ENV}
        environment["LD_LIBRARY_PATH"] = "/opt/none"
        with mock.patch.dict(os.environ, environment, clear=True):
            with self.assertRaises(qxrp.LibraryNotFoundError) as caught:
                qxrp.Library(names=("libQXRP_EPSFPNAT_20_missing.so.2", "libQXRP_EPSFPNAT_20_missing.so"))
        message = str(caught.exception)
        for part in ("QXRP_LIBRARY is not set", "LD_LIBRARY_PATH=/opt/none", "/etc/ld.so.cache",
                     "libQXRP_EPSFPNAT_20_missing.so.2", "libQXRP_EPSFPNAT_20_missing.so"):
            self.assertIn(part, message)

    def test_another_library_is_refused(self):
        with self.assertRaises(qxrp.LibraryNotFoundError) as caught:
            qxrp.Library("libc.so.6")
        self.assertIn("is not the QXRP_EPSFPNAT_20 library", str(caught.exception))

    def test_a_wrong_path_type_is_a_type_error(self):
        with self.assertRaises(TypeError):
            qxrp.Library(42)


class RawCall(unittest.TestCase):
    def setUp(self):
        self.library = qxrp.Library(library_path())

    def test_version(self):
        self.assertTrue(self.library.version().startswith("Version " + qxrp.__version__ + " - "))
        self.assertEqual(self.library.version("qxrp_epsfpnat_20"), "")

    def test_an_answer_and_its_error_text(self):
        answer = self.library.call("GETSTATUS", "<Request><Handle>99999</Handle></Request>")
        self.assertEqual(answer.result, 65535)
        self.assertFalse(answer.ok)
        self.assertEqual(answer.error_text, "Printer Handle not found")
        root = _xml.parse_answer(answer.output)
        self.assertEqual(root.findtext("ErrorText"), "Printer Handle not found")
        self.assertEqual(root.findtext("LogFileName"), "")

    def test_texts_outside_ascii_cross_both_ways(self):
        # The receipt type's message quotes the request's text: accents, the euro sign and a
        # character beyond the 16-bit range (a surrogate pair in the BSTR) come back whole.
        answer = self.library.call(
            "PRINTFR", "<Request><Receipt><Type>vendità€\U0001F600</Type><Lines/><Taxes/><Payments/></Receipt></Request>")
        self.assertEqual(answer.error_text, "ReceiptType vendità€\U0001F600 is invalid")
        self.assertIn("<ErrorText>ReceiptType vendità€\U0001F600 is invalid</ErrorText>", answer.output)

    def test_a_nul_character_is_refused_by_the_library(self):
        answer = self.library.call("OPEN", "<Request>\0</Request>")
        self.assertIn("NUL character", answer.error_text)

    def test_bad_arguments_are_python_exceptions_in_a_process_that_survives(self):
        # In a child interpreter, so that a crash would show as its exit status.
        script = textwrap.dedent("""
            import qxrp
            library = qxrp.Library()
            cases = [("OPEN", 5), ("OPEN", b"<Request/>"), ("OPEN", None), (5, "<Request/>"),
                     (None, "<Request/>"), ("NOSUCH", "<Request/>"), ("VERSION", "<Request/>"),
                     ("OPEN", "\\ud800 lone surrogate")]
            for export, request in cases:
                try:
                    library.call(export, request)
                except (TypeError, ValueError) as e:
                    print(type(e).__name__)
                else:
                    print("accepted", export, request)
            for driver in (5, None, b"QXRP_EPSFPNAT_20"):
                try:
                    library.version(driver)
                except TypeError:
                    print("TypeError")
        """)
        run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                             env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.split(), ["TypeError"] * 5 + ["ValueError"] * 3 + ["TypeError"] * 3)


class Answers(unittest.TestCase):
    def test_an_answer_is_wrapped_into_a_document(self):
        # The Z report writes some elements without separators, and a few values unescaped.
        text = ("<ZReportDateTime>2025-03-05T09:00:00</ZReportDateTime>\r\n<ZReportNumber>7&8</ZReportNumber>\r\n"
                "<GrandTotalAmount>1234.5</GrandTotalAmount><DayReceiptsNumber>3</DayReceiptsNumber>"
                "<Text><Line>A &amp; B</Line><Line></Line></Text><Error>False</Error>\r\n<ErrorText></ErrorText>\r\n"
                "<LogFileName>/x/y.log</LogFileName>")
        answer = _xml.from_element(qxrp.ZReportAnswer, _xml.parse_answer(text))
        self.assertEqual(answer.z_report_number, "7&8")
        self.assertEqual(str(answer.grand_total_amount), "1234.5")
        self.assertEqual(answer.day_receipts_number, 3)
        self.assertEqual(answer.text, ["A & B", ""])
        self.assertEqual(answer.z_report_date_time.isoformat(), "2025-03-05T09:00:00")
        self.assertEqual(answer.log_file_name, "/x/y.log")

    def test_the_zero_date_is_none_and_a_bad_answer_is_an_error(self):
        answer = _xml.from_element(qxrp.DateTimeAnswer, _xml.parse_answer("<DateTime>1899-12-30T00:00:00</DateTime>"))
        self.assertIsNone(answer.date_time)
        with self.assertRaises(qxrp.AnswerFormatError):
            _xml.parse_answer("<Handle>1</Hand")
        with self.assertRaises(qxrp.AnswerFormatError):
            _xml.from_element(qxrp.OpenAnswer, _xml.parse_answer("<Handle>one</Handle>"))


if __name__ == "__main__":
    unittest.main()
