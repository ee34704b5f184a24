"""The wheel's tag. The package alone is pure Python (py3-none-any); a wheel that
carries libtintboxctl.so inside the package (scripts/package-python.sh puts it there)
holds machine code for one platform and is tagged py3-none-<platform>: ctypes needs no
particular Python version or ABI, only the platform the library was built for."""

from pathlib import Path

from setuptools import Distribution, setup

try:
    from setuptools.command.bdist_wheel import bdist_wheel  # setuptools 70.1 and later
except ImportError:
    from wheel.bdist_wheel import bdist_wheel

CARRIES_LIBRARY = (Path(__file__).parent / "tintbox" / "libtintboxctl.so").exists()


class CarriedLibraryDistribution(Distribution):
    def has_ext_modules(self):
        # Machine code goes to the platform's library folder (platlib), not purelib.
        return CARRIES_LIBRARY


class PythonNeutralWheel(bdist_wheel):
    def get_tag(self):
        python, abi, platform = super().get_tag()
        return ("py3", "none", platform) if CARRIES_LIBRARY else (python, abi, platform)


setup(distclass=CarriedLibraryDistribution, cmdclass={"bdist_wheel": PythonNeutralWheel})
