"""Shared fixtures: varnox-tool, which the module is compared with
(VARNOX_TOOL, set by the test command), and the built-in kit it writes
into a folder."""

import os
import pathlib
import subprocess

import pytest


@pytest.fixture(scope="session")
def tool():
    path = os.environ.get("VARNOX_TOOL")
    if not path:
        pytest.skip("VARNOX_TOOL names no varnox-tool to compare with")
    return pathlib.Path(path).resolve()


@pytest.fixture
def kit_folder(tmp_path, tool):
    """A folder holding the built-in kit's machine files."""
    folder = tmp_path / "kit"
    subprocess.run([tool, "kit", folder], check=True, capture_output=True)
    return folder
