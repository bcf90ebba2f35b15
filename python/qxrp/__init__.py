"""qxrp: the Python client of the QXRP_EPSFPNAT_20 fiscal-printer driver library.

Standard library only (ctypes). The library is found through the environment variable
QXRP_LIBRARY (the file's path), else through the system's library search
(libQXRP_EPSFPNAT_20.so.2, then libQXRP_EPSFPNAT_20.so; QXRP_EPSFPNAT_20.dll on Windows).

    import qxrp
    with qxrp.open_printer(qxrp.Serial("/dev/ttyUSB0"), log_id="till01") as printer:
        answer = printer.print_receipt(
            lines=[qxrp.ProductSale("CAFFE", amount="1.10", quantity=1, price="1.10",
                                    department="1", tax_code="22")],
            payments=[qxrp.Payment("Cash", amount="1.10")])
        print(answer.receipt_number)

Library.call(export, xml) is the raw call underneath: it takes and returns texts.
"""

from ._library import EXPORTS, LIBRARY_ENV, Library, RawAnswer, default_library
from .answers import *  # noqa: F401,F403
from .errors import AnswerFormatError, LibraryNotFoundError, PrinterError, QxrpError
from .printer import Printer, open_printer
from .requests import *  # noqa: F401,F403

__version__ = "2.10"


def version(driver="QXRP_EPSFPNAT_20", library=None):
    """VERSION: the version text of a registered driver ("Version 2.10 - 10/10/2022")."""
    return (library or default_library()).version(driver)
