import pytest

from harness import paths
from harness.wine import WineSession


def require(path):
    """Skips with a clear reason when a program of the build is missing."""
    if not path.exists():
        pytest.skip(f"{path} is not built")
    return path


@pytest.fixture(scope="module")
def wine():
    """One Wine session per suite file: its own prefix copy, wineserver and Xvfb."""
    require(paths.win32_exe("uidriver.exe"))
    with WineSession() as session:
        yield session


@pytest.fixture(scope="module")
def wine_ja():
    require(paths.win32_exe("uidriver.exe"))
    with WineSession(locale="ja_JP.UTF-8") as session:
        yield session
