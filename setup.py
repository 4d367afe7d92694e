# SPDX-License-Identifier: Apache-2.0
"""The wheel of the Python module: the CMake tree builds the extension and
the command line's two modules (GDAL's area reader and writers, the Qt
index maps and PDF frames) into a build
folder of its own, and both go into the wheel's karvento/ beside the Python
files. The wheel links the system's GDAL, PROJ and Qt: it is for the machine it
was built on (and others with the same libraries), not a manylinux wheel.
"""

import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

here = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.join(here, "build-wheel")
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        subprocess.check_call(["cmake", "-S", here, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                               *launcher,
                               "-DKARVENTO_TESTS=OFF", "-DKARVENTO_APP=OFF", "-DKARVENTO_WEB=OFF",
                               "-DKARVENTO_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", build, "--target", "_karvento"])
        target = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        os.makedirs(target, exist_ok=True)
        package = os.path.join(build, "python", "karvento")
        for name in os.listdir(package):
            if name.startswith("_karvento"):
                shutil.copy2(os.path.join(package, name), os.path.join(target, os.path.basename(
                    self.get_ext_fullpath(ext.name))))
        for module in ["libkarvento-cli-gis.so", "libkarvento-cli-map.so"]:
            shutil.copy2(os.path.join(build, "cli", module), target)


setup(
    packages=["karvento"],
    package_dir={"": "python"},
    package_data={"karvento": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("karvento._karvento", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
