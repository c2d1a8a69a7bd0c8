"""The package under test is the one in this source tree, over the native library of the
build tree unless VQM_LIBRARY names another. The per-bar exports the tests compare with
write their log and settings into temporary folders, never beside the interpreter."""
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE_ROOT = os.path.dirname(HERE)
sys.path.insert(0, PACKAGE_ROOT)

_scratch = tempfile.mkdtemp(prefix="vqm_pytest_")
os.environ["VQM_DRIVE_ROOT"] = os.path.join(_scratch, "drives")
os.environ["VQM_HOST_DIR"] = os.path.join(_scratch, "host")
os.makedirs(os.environ["VQM_HOST_DIR"])
