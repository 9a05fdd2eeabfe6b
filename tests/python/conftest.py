# Shared fixtures and checks: numpy's global generator is saved and restored
# around every test, and call-record tests run in a temporary working directory.

import contextlib
import copy
import hashlib
import re

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


@contextlib.contextmanager
def untouched(*objects, draws=False):
    """The block must leave `objects` as they were and, unless it `draws`, numpy's whole generator state too."""
    copies, state = copy.deepcopy(objects), generator_state()
    yield
    np.testing.assert_equal(objects, copies)
    if not draws:
        assert_same_generator_state(state, generator_state())


def same_draws(ours, reference, seed=5):
    """Both calls from the same seed must leave numpy's generator alike; returns both results."""
    np.random.seed(seed)
    result = ours()
    after = generator_state()
    np.random.seed(seed)
    expected = reference()
    assert_same_generator_state(after, generator_state())
    return result, expected


def reseeded(seed, uniform=0, normal=0):
    """numpy's generator after a reseeding and the given numbers of uniform, then normal, draws."""
    np.random.seed(seed)
    np.random.rand(uniform)
    np.random.randn(normal)
    return generator_state()


def assert_all_close(actual, expected, strict=False, **tolerances):
    """numpy's assert_allclose over corresponding items of two sequences of arrays; with `strict`, shapes and
    dtypes must match too (numpy's own `strict` needs numpy 2)."""
    assert len(actual) == len(expected)
    for a, e in zip(actual, expected):
        if strict:
            assert (np.shape(a), np.asarray(a).dtype) == (np.shape(e), np.asarray(e).dtype)
        np.testing.assert_allclose(a, e, **tolerances)


def after_validation_sequence():
    """numpy's generator as one seeded validation sequence, binseq(1300, 10, 1, 100, 1235), leaves it."""
    return reseeded(1235, uniform=1300)


# Inputs of results pinned by fingerprint must have the same bits under every numpy the package
# supports: numpy's logspace, for one, differs in the last bit between versions, linspace does not.
PINNED_W = np.linspace(3.14e-4, 3.14, 75)


def digest(*results):
    """A fingerprint of every value of the results as float64: results pinned bit for bit in a few characters."""
    h = hashlib.sha256()
    for x in results:
        h.update(np.ascontiguousarray(x, dtype=np.float64).tobytes())
    return h.hexdigest()[:16]


def assert_outcome(run, changes, expected):
    """run(**changes) raises `expected` (an exception instance, with exactly its message), gives the
    results of run(**expected) (a dict of other changes), or returns `expected`."""
    if isinstance(expected, Exception):
        with pytest.raises(type(expected), match=f"^{re.escape(str(expected))}$"):
            run(**changes)
    elif isinstance(expected, dict):
        np.testing.assert_equal(run(**changes), run(**expected))
    else:
        assert run(**changes) == expected
