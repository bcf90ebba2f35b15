"""pip install ./python works without a package index (the build backend is in the folder)."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

PYTHON_DIR = pathlib.Path(__file__).resolve().parents[1]


class PipInstall(unittest.TestCase):
    def test_pip_installs_the_package_into_a_venv(self):
        with tempfile.TemporaryDirectory() as folder:
            venv = pathlib.Path(folder) / "venv"
            made = subprocess.run([sys.executable, "-m", "venv", str(venv)], capture_output=True, text=True)
            if made.returncode != 0:
                self.skipTest(f"no venv with pip here: {made.stderr.strip()}")
            python = venv / ("Scripts" if os.name == "nt" else "bin") / "python"
            environment = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
            install = subprocess.run([str(python), "-m", "pip", "install", "--no-index", str(PYTHON_DIR)],
                                     capture_output=True, text=True, env=environment)
            self.assertEqual(install.returncode, 0, install.stdout + install.stderr)
            run = subprocess.run([str(python), "-c", "import qxrp; print(qxrp.__file__, qxrp.__version__)"],
                                 capture_output=True, text=True, cwd=folder, env=environment)
            self.assertEqual(run.returncode, 0, run.stderr)
            where, version = run.stdout.split()
            self.assertTrue(where.startswith(str(venv)), where)
            self.assertEqual(version, "2.10")


if __name__ == "__main__":
    unittest.main()
