"""Turning request dataclasses into XML and answers into dataclasses.

Element names come from the field names (tax_code -> TaxCode, ej_number -> EJNumber) unless a
field names its element in metadata["xml"].
"""

import dataclasses
import datetime
import decimal
import math
import re
import typing
import xml.etree.ElementTree as ET

from .errors import AnswerFormatError

_WORDS = {"uom": "UOM", "hri": "HRI", "ej": "EJ", "vat": "VAT", "ea": "EA", "qr": "QR", "fp": "FP", "rt": "RT",
          "nf": "NF", "url": "URL", "pan": "PAN", "id": "Id"}

# The date-time every answer writes for "no date".
_NO_DATE = "1899-12-30T00:00:00"


def element_name(field):
    name = field.metadata.get("xml")
    if name:
        return name
    return "".join(_WORDS.get(part, part.capitalize()) for part in field.name.split("_"))


# ---- request values -------------------------------------------------------------------

def value_text(value, where):
    """The request text of one value; raises TypeError for a type no request element takes."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        if not math.isfinite(value):
            raise ValueError(f"{where}: {value} is not an amount")
        value = decimal.Decimal(repr(value))
    if isinstance(value, decimal.Decimal):
        if not value.is_finite():
            raise ValueError(f"{where}: {value} is not an amount")
        text = format(value, "f")
        return text
    if isinstance(value, datetime.datetime):
        return value.strftime("%Y-%m-%dT%H:%M:%S")
    if isinstance(value, datetime.date):
        return value.strftime("%Y-%m-%dT00:00:00")
    if isinstance(value, str):
        return value
    raise TypeError(f"{where}: {type(value).__name__} is not a value of a request element "
                    "(str, int, bool, Decimal, float, date or datetime)")


def add_value(parent, name, value, where):
    if value is None:
        return
    if isinstance(value, (list, tuple)) and name == "Effects":
        value = ",".join(value_text(v, where) for v in value)
    ET.SubElement(parent, name).text = value_text(value, where)


def add_document(parent, document, where=None):
    """Appends the element of a request dataclass (its _tag) with its fields to parent."""
    if not dataclasses.is_dataclass(document) or isinstance(document, type):
        raise TypeError(f"{where or 'the document'}: a request dataclass was expected, not {type(document).__name__}")
    where = where or type(document).__name__
    node = ET.SubElement(parent, document._tag)
    add_fields(node, document, where)
    return node


def add_fields(node, document, where):
    for field in dataclasses.fields(document):
        if field.metadata.get("skip"):
            continue
        value = getattr(document, field.name)
        name = element_name(field)
        path = f"{where}.{field.name}"
        if dataclasses.is_dataclass(value) and not isinstance(value, type):
            wrapper = field.metadata.get("wrapper")
            add_document(ET.SubElement(node, wrapper) if wrapper else node, value, path)
        elif isinstance(value, (list, tuple)) and name != "Effects":
            if not value and not field.metadata.get("required"):
                continue
            container = node if field.metadata.get("flat") else ET.SubElement(node, name)
            inner = field.metadata.get("inner")
            if inner:
                container = ET.SubElement(container, inner)
            item_tag = field.metadata.get("item")
            for i, item in enumerate(value):
                item_path = f"{path}[{i}]"
                if item_tag:  # plain texts (receipt headers)
                    ET.SubElement(container, item_tag).text = value_text(item, item_path)
                else:
                    add_document(container, item, item_path)
        else:
            add_value(node, name, value, path)


def to_text(root):
    return ET.tostring(root, encoding="unicode")


# ---- answers --------------------------------------------------------------------------

def parse_answer(text):
    """The answer as an element: the library writes a sequence of elements without a root, so
    they are wrapped in one (<Answer>...</Answer>)."""
    wrapped = "<Answer>" + text + "</Answer>"
    try:
        return ET.fromstring(wrapped)
    except ET.ParseError:
        pass
    # A few values are written unescaped; an "&" in one of them is taken as a plain character.
    try:
        return ET.fromstring(re.sub(r"&(?!(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);)", "&amp;", wrapped))
    except ET.ParseError as e:
        raise AnswerFormatError(f"the answer is not a sequence of XML elements: {e}", text) from None


def _convert(kind, text, name):
    text = text or ""
    try:
        if kind is bool:
            return text.lower() == "true"
        if kind is int:
            return int(text) if text else 0
        if kind is decimal.Decimal:
            # PAY writes two amounts with the system's decimal separator.
            return decimal.Decimal(text.replace(",", ".")) if text else decimal.Decimal(0)
        if kind is datetime.datetime:
            if not text or text == _NO_DATE:
                return None
            return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S")
    except (ValueError, decimal.InvalidOperation) as e:
        raise AnswerFormatError(f"{name}: {text!r} is not a {kind.__name__} ({e})", text) from None
    return text


def from_element(cls, node):
    """A dataclass of type cls from the children of node."""
    hints = typing.get_type_hints(cls)
    values = {}
    for field in dataclasses.fields(cls):
        if field.metadata.get("skip"):
            continue
        name = element_name(field)
        child = node.find(name)
        if child is None:
            continue
        kind = hints[field.name]
        origin = typing.get_origin(kind)
        if origin is typing.Union:  # Optional[datetime]
            kind = next(a for a in typing.get_args(kind) if a is not type(None))
            origin = typing.get_origin(kind)
        if origin is list:
            (item,) = typing.get_args(kind)
            if item is str:  # the lines of a report text
                values[field.name] = [line.text or "" for line in child]
            else:
                values[field.name] = [from_element(item, entry) for entry in child]
        else:
            values[field.name] = _convert(kind, child.text, name)
    return cls(**values)
