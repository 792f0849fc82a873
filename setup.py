"""Builds the extension module VeltorDepthCamera with CMake for the running
interpreter and packs it with its companion shared libraries.

    /usr/bin/python3 -m pip install --no-build-isolation .

The module goes to the interpreter's site directory; the libraries go to
<prefix>/lib/pythonX.Y/veltordepthcamera.libs, which is the module's run-time
search path $ORIGIN/../veltordepthcamera.libs. CMake work files stay in
build-pip/ (JOBS sets the parallel build jobs, default 2).
"""

import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))
WORK = os.path.join(ROOT, "build-pip")
# Relative to the data root (the install prefix), next to lib/pythonX.Y/<site>.
LIBS_DIR = "lib/python%d.%d/veltordepthcamera.libs" % sys.version_info[:2]


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        tree = os.path.join(WORK, "cmake")
        stage = os.path.join(WORK, "stage")
        shutil.rmtree(stage, ignore_errors=True)
        jobs = os.environ.get("JOBS", "2")
        subprocess.check_call([
            "cmake", "-S", ROOT, "-B", tree,
            "-DCMAKE_BUILD_TYPE=Release",
            "-DPython3_EXECUTABLE=" + sys.executable,
            "-DVELTOR_BUILD_TESTS=OFF", "-DVELTOR_BUILD_BENCH=OFF",
            "-DVELTOR_BUILD_EXAMPLES=OFF", "-DVELTOR_BUILD_PYTHON=ON",
            # stage/pkg/site holds the module, stage/pkg/veltordepthcamera.libs
            # the libraries, as in an installed prefix.
            "-DVELTOR_PYTHON_INSTALL_DIR=pkg/site",
        ])
        subprocess.check_call(["cmake", "--build", tree, "-j", jobs,
                               "--target", "VeltorDepthCamera"])
        subprocess.check_call(["cmake", "--install", tree, "--prefix", stage,
                               "--component", "python"])

        built = glob.glob(os.path.join(stage, "pkg", "site", "VeltorDepthCamera*.so"))
        if len(built) != 1:
            raise RuntimeError("expected one VeltorDepthCamera module in %s, found %r"
                               % (stage, built))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(built[0], target)
        shutil.copy2(os.path.join(ROOT, "python", "VeltorDepthCamera.pyi"),
                     os.path.join(os.path.dirname(target), "VeltorDepthCamera.pyi"))

        libs = sorted(glob.glob(os.path.join(stage, "pkg", "veltordepthcamera.libs", "*.so*")))
        self.distribution.data_files = [(LIBS_DIR, libs)]


setup(
    packages=[],
    py_modules=[],
    ext_modules=[CMakeExtension("VeltorDepthCamera")],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": os.path.join(WORK, "setuptools")}},
    zip_safe=False,
)
