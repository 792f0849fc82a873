"""How the module is built: one interpreter minor version, companion
libraries through the run-time search path."""
import glob
import os
import re
import shutil
import subprocess
import sys

import pytest

import VeltorDepthCamera as vdc

MISMATCH = re.compile(
    r"Python version mismatch: module was compiled for Python (\d+\.\d+), "
    r"but the interpreter version is incompatible: (.+)\.", re.S)


def other_interpreters():
    """Python 3 interpreters of another minor version found on this machine."""
    candidates = set()
    for d in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/bin", "/usr/local/bin"]:
        candidates.update(glob.glob(os.path.join(d, "python3.[0-9]*")))
    candidates.update(glob.glob(os.path.expanduser("~/.pyenv/versions/3.*/bin/python3")))
    found = {}
    for exe in sorted(candidates):
        # pyenv shims are slow wrappers around the real interpreters.
        if not os.access(exe, os.X_OK) or exe.endswith("-config") or "/shims/" in exe:
            continue
        try:
            out = subprocess.run([exe, "-c", "import sys; print('%d.%d' % sys.version_info[:2])"],
                                 capture_output=True, text=True, timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            continue
        ver = out.stdout.strip()
        if out.returncode == 0 and ver and ver != "%d.%d" % sys.version_info[:2]:
            found.setdefault(ver, exe)
    return sorted(found.items())


def test_module_is_built_for_this_interpreter():
    suffix = "cpython-%d%d" % sys.version_info[:2]
    assert suffix in os.path.basename(vdc.__file__)


def test_other_minor_version_is_refused_with_message(tmp_path):
    others = other_interpreters()
    if not others:
        pytest.skip("no interpreter of another minor version on this machine")
    # An untagged file name lets any interpreter try to load the module.
    shutil.copy(vdc.__file__, tmp_path / "VeltorDepthCamera.so")
    ours = "%d.%d" % sys.version_info[:2]
    refused = []
    for ver, exe in others:
        out = subprocess.run([exe, "-c", "import VeltorDepthCamera"], cwd=tmp_path,
                             capture_output=True, text=True, timeout=60,
                             env={"PATH": "/usr/bin:/bin", "PYTHONPATH": str(tmp_path)})
        assert out.returncode != 0, ver
        if "undefined symbol" in out.stderr:
            continue  # the dynamic loader refused before the module could check
        match = MISMATCH.search(out.stderr)
        assert match, (ver, out.stderr[-500:])
        assert match.group(1) == ours
        assert match.group(2).startswith(ver + ".")
        refused.append(ver)
        break  # one interpreter that reached the check is enough
    if not refused:
        pytest.skip("no other interpreter got as far as the module's own check")


def build_tree():
    """The CMake tree the module under test was built in, or None."""
    tree = os.path.dirname(os.path.dirname(os.path.abspath(vdc.__file__)))
    return tree if os.path.isfile(os.path.join(tree, "CMakeCache.txt")) else None


LOADED_FROM = """
import VeltorDepthCamera, sys
maps = open('/proc/self/maps').read().split()
print('\\n'.join(sorted({p for p in maps if 'libveltor_evk_sdk' in p or 'VeltorDepthCamera' in p})))
"""


def test_installed_module_finds_companions_through_origin(tmp_path):
    tree = build_tree()
    cmake = shutil.which("cmake")
    if tree is None or cmake is None:
        pytest.skip("module not run from a CMake build tree")
    prefix = tmp_path / "prefix"
    subprocess.run([cmake, "--install", tree, "--prefix", str(prefix), "--component", "python"],
                   check=True, capture_output=True, text=True, timeout=120)
    modules = glob.glob(str(prefix / "lib" / "python*" / "*-packages" / "VeltorDepthCamera*.so"))
    assert len(modules) == 1, modules
    site = os.path.dirname(modules[0])
    libs = os.path.join(os.path.dirname(site), "veltordepthcamera.libs")
    assert os.path.isfile(os.path.join(libs, "libveltor_evk_sdk.so"))
    assert os.path.isfile(os.path.join(site, "VeltorDepthCamera.pyi"))

    dyn = subprocess.run(["readelf", "-d", modules[0]], capture_output=True, text=True,
                         check=True).stdout
    runpath = re.findall(r"\((?:RUNPATH|RPATH)\).*\[(.+)\]", dyn)
    assert runpath == ["$ORIGIN/../veltordepthcamera.libs"]

    # Imported from an unrelated directory, with no library path set, the
    # companion library is the installed copy.
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    env = {"PATH": "/usr/bin:/bin", "PYTHONPATH": site}
    out = subprocess.run([sys.executable, "-c", LOADED_FROM], cwd=elsewhere, env=env,
                         capture_output=True, text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    loaded = out.stdout.split()
    assert os.path.realpath(os.path.join(libs, "libveltor_evk_sdk.so")) in \
        [os.path.realpath(p) for p in loaded], loaded
