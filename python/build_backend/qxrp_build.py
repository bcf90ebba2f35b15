"""A build backend of the standard library only, so that `pip install ./python` needs no
package index (these machines reach none): it builds the pure-Python wheel of qxrp."""

import base64
import hashlib
import os
import pathlib
import re
import tarfile
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent


def _project():
    text = (ROOT / "pyproject.toml").read_text(encoding="utf-8")
    name = re.search(r'^name = "([^"]+)"', text, re.M).group(1)
    version = re.search(r'^version = "([^"]+)"', text, re.M).group(1)
    summary = re.search(r'^description = "([^"]+)"', text, re.M).group(1)
    return name, version, summary


def _metadata():
    name, version, summary = _project()
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    return (f"Metadata-Version: 2.1\nName: {name}\nVersion: {version}\nSummary: {summary}\n"
            f"License: MIT\nRequires-Python: >=3.9\nDescription-Content-Type: text/markdown\n\n{readme}")


def _sources():
    return sorted(p for p in (ROOT / "qxrp").glob("*.py"))


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    name, version, _ = _project()
    info = pathlib.Path(metadata_directory) / f"{name}-{version}.dist-info"
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(), encoding="utf-8")
    return info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    name, version, _ = _project()
    info = f"{name}-{version}.dist-info"
    files = [(f"qxrp/{p.name}", p.read_bytes()) for p in _sources()]
    files.append((f"{info}/METADATA", _metadata().encode()))
    files.append((f"{info}/WHEEL", b"Wheel-Version: 1.0\nGenerator: qxrp_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"))
    record = [_record_line(n, d) for n, d in files] + [f"{info}/RECORD,,"]
    files.append((f"{info}/RECORD", ("\n".join(record) + "\n").encode()))
    wheel = f"{name}-{version}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel), "w", zipfile.ZIP_DEFLATED) as archive:
        for file_name, data in files:
            archive.writestr(file_name, data)
    return wheel


def build_sdist(sdist_directory, config_settings=None):
    name, version, _ = _project()
    base = f"{name}-{version}"
    sdist = f"{base}.tar.gz"
    with tarfile.open(os.path.join(sdist_directory, sdist), "w:gz") as archive:
        for path in [ROOT / "pyproject.toml", ROOT / "README.md", *_sources(), *sorted((ROOT / "build_backend").glob("*.py"))]:
            archive.add(path, f"{base}/{path.relative_to(ROOT)}")
    return sdist
