"""The exceptions of the client."""


class QxrpError(Exception):
    """Base of every error this package raises."""


class LibraryNotFoundError(QxrpError, OSError):
    """The driver library could not be loaded; the message names every place that was tried."""


class AnswerFormatError(QxrpError):
    """An answer text that is not the sequence of XML elements the library writes."""

    def __init__(self, message, raw):
        super().__init__(message)
        self.raw = raw


class PrinterError(QxrpError):
    """A call that the library answered with an error.

    export        the exported function ("PRINTFR")
    error_text    the library's error text, as it wrote it
    log_file_name the device log that tells more (empty when no printer was reached)
    answer        the parsed answer (its other fields as the library filled them)
    """

    def __init__(self, export, error_text, log_file_name="", answer=None):
        message = f"{export}: {error_text}" if error_text else f"{export} failed"
        if log_file_name:
            message += f" (log: {log_file_name})"
        super().__init__(message)
        self.export = export
        self.error_text = error_text
        self.log_file_name = log_file_name
        self.answer = answer
