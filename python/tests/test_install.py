"""The module installed under a prefix is found by the same Python through
the folder the README names, and says the project's version."""

import os
import subprocess
import sys

from conftest import BINARY_DIR, TAVO_TRACK


def test_installed_module_imports_from_its_folder(tmp_path):
    prefix = tmp_path / "prefix"
    subprocess.run(["cmake", "--install", str(BINARY_DIR), "--component", "python", "--prefix", str(prefix)],
                   check=True, capture_output=True)
    folder = os.environ["TAVO_PYTHON_INSTALL_DIR"]
    if sys.prefix == "/usr":
        # Debian's Python: installed as root (prefix /usr/local), found
        # without PYTHONPATH.
        assert os.path.join("/usr/local", folder) in sys.path
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["PYTHONPATH"] = str(prefix / folder)
    found = subprocess.run([sys.executable, "-c", "import tavo; print(tavo.__version__); print(tavo.__file__)"],
                           env=env, cwd=tmp_path, capture_output=True, text=True, check=True).stdout.split()
    version = subprocess.run([str(TAVO_TRACK), "--version"], capture_output=True, text=True).stdout.split()[1]
    assert found[0] == version
    assert found[1].startswith(str(prefix / folder) + "/tavo.")
