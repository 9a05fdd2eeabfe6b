"""Shared fixtures: numpy's global generator is saved and restored around
every test, and call-record tests run in a temporary working directory."""

import numpy as np
import pytest


@pytest.fixture(autouse=True)
def _restore_numpy_random_state():
    state = np.random.get_state()
    yield
    np.random.set_state(state)


@pytest.fixture
def in_tmp_cwd(tmp_path, monkeypatch):
    """Run the test with a fresh temporary directory as the working directory."""
    monkeypatch.chdir(tmp_path)
    return tmp_path


def generator_state():
    """numpy's whole legacy generator state, as a comparable tuple."""
    name, keys, pos, has_gauss, cached = np.random.get_state()
    return name, keys.copy(), pos, has_gauss, cached


def assert_same_generator_state(a, b):
    assert a[0] == b[0]
    np.testing.assert_array_equal(a[1], b[1])
    assert a[2:] == b[2:]
