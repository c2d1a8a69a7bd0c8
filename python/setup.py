"""Installs the package with the native library of the build tree beside it, so that the
installed package needs no environment variable. Build the library first
(cmake --preset native && cmake --build --preset native)."""
import os
import re
import shutil

from setuptools import setup
from setuptools.command.build_py import build_py

HERE = os.path.dirname(os.path.abspath(__file__))
LIBRARY = os.environ.get("VQM_LIBRARY") or os.path.join(
    HERE, "..", "build", "native", "bin", "libVQM_FUNC1.so")




def project_version():
    """The one version number of the project, from CMakeLists.txt."""
    with open(os.path.join(HERE, "..", "CMakeLists.txt")) as cmake:
        return re.search(r"project\(VQM_FUNC1 VERSION ([0-9.]+)", cmake.read()).group(1)


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        if not os.path.isfile(LIBRARY):
            raise SystemExit("native library not found at %s: build it first" % LIBRARY)
        target = os.path.join(self.build_lib, "vqm", "libVQM_FUNC1.so")
        shutil.copyfile(LIBRARY, target)


setup(version=project_version(), cmdclass={"build_py": BuildWithLibrary})
