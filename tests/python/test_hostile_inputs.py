# Every public entry point called with hostile arguments, one argument at a
# time in an otherwise valid call: wrong shapes and dtypes, NaN and
# infinities, empty arrays, huge integers and floats, negative orders,
# complex, read-only and non-contiguous arrays, strings and None. Each call
# must end in a result or a Python exception (a MemoryError under the
# address-space cap counts as one) and leave the caller's arrays unchanged.
#
# The calls run in child processes that log each call before making it, so
# that a crash or a hang names the call; the parent then resumes with the
# next call in a new child. A module joins with one entry in ENTRY_POINTS.

import copy
import functools
import os
import pickle
import resource
import subprocess
import sys
import time
import warnings
from dataclasses import dataclass, field
from typing import Callable

import numpy as np
import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
CALL_SECONDS = 30           # a call running longer counts as a hang
ADDRESS_SPACE = 4 << 30     # bytes a child may map (not under the sanitizers, which reserve far more)


# ---------------------------------------------------------------- hostile values

def _with_first(a, value):
    b = np.array(a, dtype=np.result_type(a, float))
    b.flat[0] = value
    return b


def _strided(a):
    """The same values in a view that is not contiguous."""
    a = np.asarray(a)
    return np.repeat(a, 2, axis=0)[::2] if a.ndim else a


def _read_only(a):
    b = np.array(a)
    b.flags.writeable = False
    return b


def _arrays(a):
    """Hostile forms of the array a (the valid value of the argument)."""
    a = np.atleast_1d(np.asarray(a))
    shape = a.shape if a.size else (3, 2)
    return [
        ("None", None), ("string", "abc"), ("scalar", 1.5), ("0-d array", np.array(2.0)),
        ("empty 1-d", np.zeros(0)), ("empty 0x0", np.zeros((0, 0))), ("empty rows", np.zeros((0,) + a.shape[1:])),
        ("ragged list", [[1.0, 2.0], [3.0]]), ("3-d", a[None]), ("transposed", a.T), ("flat", a.ravel()),
        ("first row only", a[:1]),
        ("NaN first", _with_first(a, np.nan)), ("inf first", _with_first(a, np.inf)),
        ("-inf first", _with_first(a, -np.inf)), ("all NaN", np.full(shape, np.nan)),
        ("huge floats", np.full(shape, 1e300)), ("tiny floats", np.full(shape, 1e-300)),
        ("huge ints", np.full(shape, 10**9)), ("int64 limit", np.full(shape, 2**63 - 1)),
        ("beyond int64", np.full(shape, 2**63, dtype=np.uint64)), ("negative ints", np.full(shape, -(2**63))),
        ("complex", np.asarray(a, dtype=complex) + 1j), ("bool", np.asarray(a) > 0),
        ("object", np.asarray(a).astype(object)), ("strings", np.asarray(a).astype(str)),
        ("read-only", _read_only(a)), ("non-contiguous", _strided(a)), ("Fortran order", np.asfortranarray(a)),
        ("float32", np.asarray(a.real, dtype=np.float32)),
    ]


_HUGE = ("10**9", "2**63", "2**63 - 1", "-2**63", "1e300", "uint64 2**63 + 5")


def _numbers(work=False):
    """Hostile scalars; an argument that sets the amount of work in proportion takes no huge ones."""
    values = [
        ("None", None), ("string", "3"), ("2.5", 2.5), ("NaN", np.nan), ("inf", np.inf), ("-inf", -np.inf),
        ("-1", -1), ("0", 0), ("10**9", 10**9), ("2**63", 2**63), ("2**63 - 1", 2**63 - 1), ("-2**63", -(2**63)),
        ("1e300", 1e300), ("complex", 1j), ("True", True), ("numpy -5", np.int64(-5)),
        ("uint64 2**63 + 5", np.uint64(2**63 + 5)), ("list", [3]), ("array", np.array([3, 4])),
    ]
    return [(label, v) for label, v in values if not (work and label in _HUGE)]


def _tables():
    """Hostile per-output slice tables (rows of deselected stretches)."""
    return [
        ("None", None), ("empty list", []), ("string", "abc"), ("None table", [None]),
        ("NaN in the first row", [np.array([[np.nan, -1.0]])]),
        ("NaN in a second row", [np.array([[200.0, 300.0], [np.nan, -1.0]])]),
        ("inf", [np.array([[200.0, np.inf]])]), ("1e300", [np.array([[1e300, 2.0]])]),
        ("int64 limit", [[[200, 300], [2**63 - 1, 5]]]), ("int64 minimum", [[[200, 300], [-(2**63), -1]]]),
        ("both limits", [[[-(2**63), 2**63 - 1]]]), ("huge start", [[[10**9, 10**9 + 5]]]),
        ("three columns", [[[1, 2, 3]]]), ("one-dimensional", [[1, 2]]), ("empty table", [np.zeros((0, 2))]),
        ("complex", [np.array([[1 + 2j, 3.0]])]), ("strings", [np.array([["a", "b"]])]),
        ("beyond int64", [np.array([[2**63, 2**63 + 9]], dtype=np.uint64)]), ("negative rows", [[[-5, -2]]]),
        ("read-only", [_read_only([[100, 200], [-1, -1]])]), ("non-contiguous", [_strided([[100, 200], [-1, -1]])]),
    ]


def _flags():
    """Hostile per-output flag lists (CV_INT)."""
    return [("None", None), ("empty list", []), ("NaN", [np.nan]), ("string", ["a"]), ("None flag", [None]),
            ("2**63", [2**63]), ("1e300", [1e300]), ("2-d array", np.array([[1]])), ("scalar", 5), ("complex", [1j])]


def _texts():
    """Hostile form codes and names."""
    return [("None", None), ("int", 5), ("empty", ""), ("two blanks", "Nonint  A"), ("bytes", b"Int A"),
            ("complex", 1j), ("list", ["Int A"]), ("NUL", "Int\x00A")]


def _paths():
    return [("None", None), ("int", 5), ("empty", ""), ("NUL", "a\x00b"), ("bytes", b"x"), ("missing", "no-such-file")]


KINDS = {
    "array": _arrays,                         # records, models, grids, weights, sample lists
    "number": lambda valid: _numbers(),       # orders, indexes, counts, delays, times
    "work": lambda valid: _numbers(work=True),
    "table": lambda valid: _tables(),
    "flags": lambda valid: _flags(),
    "flag": lambda valid: _numbers() + _flags()[1:],
    "path": lambda valid: _paths(),
    "text": lambda valid: _texts(),
    "record": lambda valid: [("None", None), ("list", []), ("string", "x"), ("NaN inside", {"a": np.nan}),
                             ("nested", {"parameters": {"U": np.zeros((2, 2, 2))}})],
}


# ---------------------------------------------------------------- the entry points

@dataclass
class Entry:
    function: str                    # "module:function"
    valid: Callable[[], dict]        # keyword arguments of a valid call
    kinds: dict = field(default_factory=dict)   # argument name -> KINDS key; others are left valid


@functools.lru_cache(maxsize=None)
def _loop(N=600):
    from plants import Loop
    rec = Loop(num=[2.0], den=[10.0, 1.0], N=N, dead=3)
    return rec.u, rec.y


@functools.lru_cache(maxsize=None)
def _arx():
    """A record, its ARX(4) model, the model's response on the grid and its error bound."""
    from vantrelpid._utilities import frequency_grid
    from vantrelpid.tools.ceilband import ceilband
    from vantrelpid.tools.wholelsq import wholelsq
    u, y = _loop(400)
    U, Y = (u - u.mean()) / u.std(), (y - y.mean()) / y.std()
    Ap, Bp = wholelsq(U, Y, 4, [3])
    W = frequency_grid()
    z = np.exp(-1j * np.outer(W, np.arange(5)))
    G = (z[:, : Bp.shape[1]] @ Bp.T) / (z[:, : len(Ap)] @ Ap)[:, None]
    samples = np.arange(1, 401)
    BND = ceilband(Ap, Bp, G, U, Y, W, 400, [3], samples, 0)[2]
    return dict(Ap=Ap, Bp=Bp, G=G, U=U, Y=Y, W=W, samples=samples, BND=BND)


NO_SLICES = np.array([[-1, -1]])
PAIR = dict(A=[[0.8]], B=[[1.0]], C=[[0.2]], D=[[0.0]], ORDS=[1])
RECORD = {"module": "m", "version": "1", "file_name": "f", "function_name": "g", "parameters": {"U": np.ones((2, 2))}}
ARRAYS = dict.fromkeys(("U", "Y", "u", "y", "A", "B", "C", "D", "Ah", "Bh", "Weight", "Weight1", "w", "wln",
                        "Aphk", "Bphk", "Ghk", "Yk", "yk", "MVdata", "CVdata", "MVdat", "BNDk", "SlSampk",
                        "SliceSamp", "SlInd", "ORDS", "Delay", "Delayk", "T2ST", "nn", "Apc", "Bpc", "Ac", "Bc",
                        "Ac1", "Bc1", "Ac2", "Bc2", "BND", "BND1", "PID", "PID2", "Apc_tn", "Bpc_tn", "Delayc",
                        "Tau_1", "Gain_1", "FF", "R", "MVdata1", "SPdata2", "Tcl", "apc", "bpc", "bnd"), "array")
TEXTS = dict.fromkeys(("Type", "Type2", "dcstype", "controllertype"), "text")


def _entry(function, valid, **kinds):
    """An entry whose arguments are hostile by their names' usual kinds, with `kinds` overriding."""
    names = valid().keys()
    table = {name: kinds.get(name, ARRAYS.get(name, TEXTS.get(name, "number"))) for name in names}
    return Entry(function, valid, {k: v for k, v in table.items() if v is not None})


GRID = np.pi * np.logspace(-4, 0, 75)
LOOP = dict(Apc=[10.0, 1.0], Bpc=[0.0, 2.0], Delay=5.0, INT=0, PID=[0.4, 10.0, 1.0], Type="Int B", Ts=1.0,
            w=GRID, SPLLAG=0.5)


def _u1():
    u, y = _loop(400)
    return u, y


ENTRY_POINTS = {e.function: e for e in [
    _entry("vantrelpid.sanity:sanity", lambda: dict(MVdat=np.c_[_u1()[0], _u1()[1]])),
    _entry("vantrelpid.callstash:load_pickle_function", lambda: dict(filename="no-such-file.pkl"), filename="path"),
    _entry("vantrelpid.callstash:record_function", lambda: dict(f_detail=RECORD, subpath="exportfiles", filename="r"),
           f_detail="record", subpath="path", filename="path"),
    _entry("vantrelpid.probeplan:probeplan", lambda: dict(nSignal=2, T2ST=[10, 20], Interact=0),
           nSignal="number", T2ST="array", Interact="flag"),
    _entry("vantrelpid.loopfit:loopfit", lambda: dict(U=_u1()[0], Y=_u1()[1], Delayc_in=-1, CV_INT=[0],
                                                        CVslice=[NO_SLICES], Tident=1.0, export_file=False),
           CV_INT="flags", CVslice="table", export_file="flag"),
    _entry("vantrelpid.tools.segmask:segmask", lambda: dict(SliceInd=[np.array([[100, 200], [-1, -1]])], k=0, N=1000),
           SliceInd="table"),
    _entry("vantrelpid.tools.binseq:binseq", lambda: dict(N=200, Tsw=5, Tmin=1, Tmax=50, Seeds=3), N="work"),
    _entry("vantrelpid.tools.fitclean:fitclean",
           lambda: dict(U=_u1()[0], yk=_u1()[1], SlSampk=np.arange(1, 401), CV_INTk=0), CV_INTk="flag"),
    _entry("vantrelpid.tools.checkclean:checkclean",
           lambda: dict(U=_u1()[0], yk=_u1()[1], SlSampk=np.arange(1, 401), CV_INTk=0), CV_INTk="flag"),
    _entry("vantrelpid.tools.seglsq:seglsq", lambda: dict(U=_u1()[0], Y=_u1()[1], SlInd=[[1, 400]], n=3, Delay=[3])),
    _entry("vantrelpid.tools.wholelsq:wholelsq", lambda: dict(U=_u1()[0], Y=_u1()[1], n=3, Delay=[3])),
    _entry("vantrelpid.tools.deadtime:deadtime",
           lambda: dict(MVdata=_u1()[0], CVdata=_u1()[1], CV_INT=[0], CVslice=[NO_SLICES]),
           CV_INT="flags", CVslice="table"),
    _entry("vantrelpid.tools.freqshrink:freqshrink",
           lambda: (lambda m: dict(Ah=m["Ap"], Bh=m["Bp"], Weight=1 / m["BND"][:100], Weight1=1 / m["BND"][:100],
                                   n=2, iter=3, w=m["W"][:100]))(_arx()), iter="work"),
    _entry("vantrelpid.tools.compactfit:compactfit",
           lambda: (lambda m: dict(Aphk=m["Ap"], Bphk=m["Bp"], Ghk=m["G"][:100], U=m["U"], Y=m["Y"], Delay=[3],
                                   SlSampk=m["samples"], BNDk=m["BND"][:100], wln=m["W"][:100]))(_arx())),
    _entry("vantrelpid.tools.ceilband:ceilband",
           lambda: (lambda m: dict(Aphk=m["Ap"], Bphk=m["Bp"], Ghk=m["G"], U=m["U"], Yk=m["Y"], w=m["W"], Nbnd=400,
                                   Delayk=[3], SliceSamp=m["samples"], CV_INTk=0))(_arx()), CV_INTk="flag"),
    _entry("vantrelpid.tools.outerrfit:outerrfit",
           lambda: dict(U=_u1()[0][:, 0], Y=_u1()[1][:, 0], nn=(2, 2), Delay=3, iter=3), iter="work"),
    _entry("vantrelpid.tools.slimfit:slimfit", lambda: PAIR | dict(Order=2)),
    _entry("vantrelpid.tools.pairtrim:pairtrim", lambda: PAIR | dict(Delay=1, CV_INT=[0], Tident=1.0),
           CV_INT="flags"),
    _entry("vantrelpid.tools.mimofit:mimofit",
           lambda: dict(u=_u1()[0], y=_u1()[1], Delay=[[3]], Slice=[NO_SLICES], CV_INT=[0]),
           Slice="table", CV_INT="flags"),
    _entry("vantrelpid.loopsim:loopsim", lambda: LOOP | dict(BND=np.full(75, 0.1), Tauf=1.5), INT="flag"),
    _entry("vantrelpid.tracksim:tracksim", lambda: dict(LOOP), INT="flag"),
    _entry("vantrelpid.feedsim:feedsim",
           lambda: dict(Apc_tn=[10.0, 1.0], Bpc_tn=[0.0, 2.0], Delayc=[5.0, 7.0, 2.0], Tau_1=[[10.0, 8.0, 4.0]],
                        Gain_1=[2.0, 1.0, -0.5], CV_INT=[0], PID=[0.4, 10.0, 1.0], Type="Int B",
                        FF=[[0.44, 8.0, 10.0, 2.0], [-0.22, 4.0, 10.0, 0.0]], Ts=1.0, SPLLAG=0.5), CV_INT="flags"),
    _entry("vantrelpid.jumpcheck:jumpcheck",
           lambda: dict(Ac=[10.0, 1.0], Bc=[2.0], Delayc=3.0, Ts=1.0, U=_u1()[0], Y=_u1()[1], CV_INT=0,
                        CVslice=[NO_SLICES]), CV_INT="flag", CVslice="table"),
    _entry("vantrelpid.freerun:freerun",
           lambda: dict(Apc=[10.0, 1.0], Bpc=[0.0, 2.0], Delayc=5.0, integral=0, sampletime=1.0), integral="flag"),
    _entry("vantrelpid.legacyloop:legacyloop",
           lambda: dict(Ac=None, Bc=None, Delayc=3.0, CV_INT=0, U=_u1()[0], Y=_u1()[1],
                        R=np.repeat([0.0, 1.0, 0.0, 1.0], 100), CVslice=NO_SLICES, Tident=1.0),
           Ac=None, Bc=None, CV_INT="flag", CVslice="array"),
    _entry("vantrelpid.knobsmulti:knobsmulti",
           lambda: dict(Apc_tn=[[10.0, 1.0, 0.0]], Bpc_tn=[[0.0, 2.0, 0.0]], Delayc=[[2.0]], CV_INT=[0], Tcl=[5.0]),
           CV_INT="flags"),
    _entry("vantrelpid.knobsfeed:knobsfeed",
           lambda: dict(Tau_1=[[10.0, 4.0]], Gain_1=[[2.0, 3.0]], Delayc=[[2.0, 5.0]], CV_INT=[0]), CV_INT="flags"),
    _entry("vantrelpid.formswap:formswap", lambda: dict(PID=[1.0, 2.0, 0.5], Type="nonint"), Type="text"),
    _entry("vantrelpid.twotier:twotier",
           lambda: dict(Ac1=[20.0, 1.0], Bc1=[2.0], CV_INT1=0, Delayc1=5.0, BND1=np.full(75, 0.1), Ts1=1.0,
                        Ac2=[5.0, 1.0], Bc2=[1.0], Delayc2=1.9, PID2=[1.0, 5.0, 2.0], Type2="Int A", w=GRID,
                        SPLLAG2=0.5, MVdata1=_u1()[0], SPdata2=_u1()[0]), CV_INT1="flag"),
    _entry("vantrelpid.frontdesk:identify",   # records to ./export/debug, the child's temporary directory
           lambda: dict(op=_u1()[0], pv=_u1()[1], slice=[[-1, -1]] * 10, integral=0, delay=3.0, sampletime=1,
                        oneStOrder=False), slice="array", integral="flag", oneStOrder="flag"),
    _entry("vantrelpid.frontdesk:pidTuning",
           lambda: dict(apc=[40.0, 1.0], bpc=[0.0, 2.0], bnd=[0.1] * 75, w=list(GRID), delay=8.0, integral=0, sampletime=1.0,
                        tcl=20.0, oprange=100.0, sprange=50.0, dcstype="Interacting A", piOnly=False),
           integral="flag", piOnly="flag"),
    _entry("vantrelpid.frontdesk:calc_tcl", lambda: dict(apc=[10.0, 1.0], delay=5.0, integral=0, speed=0),
           integral="flag", speed="flag"),
    _entry("vantrelpid.frontdesk:resample_data", lambda: dict(data=[1.0, 2.0, 3.0, 4.0, 5.0], sample=2),
           data="array"),
    _entry("vantrelpid.frontdesk:is_controller_interactive", lambda: dict(controllertype="Int B")),
]}


def calls(name):
    """The hostile calls of an entry point: (label, argument name, value index) in a fixed order."""
    entry = ENTRY_POINTS[name]
    valid = entry.valid()
    out = []
    for arg, kind in entry.kinds.items():
        for i, (label, _) in enumerate(KINDS[kind](valid[arg])):
            out.append((f"{arg} = {label}", arg, i))
    return out


# ---------------------------------------------------------------- the child

def _same(a, b):
    try:
        np.testing.assert_equal(a, b)
        return True
    except AssertionError:
        return False


def child(name, first, log_path):
    """Make the calls of `name` from number `first` on, logging each before and after it."""
    if not os.environ.get("VANTRELPID_SANITIZED"):
        resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE))
    module, function = name.split(":")
    f = getattr(__import__(module, fromlist=[function]), function)
    entry = ENTRY_POINTS[name]
    valid = entry.valid()
    warnings.simplefilter("ignore")   # hostile values make numpy warn; only the outcome counts
    with open(log_path, "a") as log:
        def note(line):
            log.write(line + "\n")
            log.flush()   # in the kernel's hands: a crash of this process does not lose it
        for number, (label, arg, i) in enumerate(calls(name)[first:], start=first):
            args = copy.deepcopy(valid)
            args[arg] = KINDS[entry.kinds[arg]](valid[arg])[i][1]
            before = copy.deepcopy(args)
            note(f"start {number}")
            try:
                f(**args)
                outcome = "result"
            except Exception as e:   # noqa: BLE001 -- any Python exception is a clean end
                outcome = type(e).__name__
            except BaseException as e:   # an interruption raised by our code is a fault
                outcome = f"fault:{type(e).__name__}"
            if not _same(args, before):
                outcome = f"fault:arguments changed ({outcome})"
            note(f"end {number} {outcome}")


# ---------------------------------------------------------------- the parent

def run(name, workdir):
    """Outcomes of every hostile call of `name`: the exception's type, 'result', or a fault."""
    todo = calls(name)
    log_path = os.path.join(workdir, "calls.log")
    outcomes = {}
    first = 0
    while first < len(todo):
        with open(log_path, "w"):
            pass
        stderr = open(os.path.join(workdir, "stderr"), "w+")
        code = f"import sys; sys.path.insert(0, {HERE!r}); import test_hostile_inputs as h; h.child({name!r}, {first}, {log_path!r})"
        proc = subprocess.Popen([sys.executable, "-c", code], cwd=workdir, stdout=subprocess.DEVNULL, stderr=stderr)
        started, since, hung = None, time.monotonic(), False
        while proc.poll() is None:
            time.sleep(0.05)
            lines = open(log_path).read().split("\n")
            for line in lines:
                if line.startswith("end "):
                    number, outcome = line[4:].split(" ", 1)
                    outcomes[int(number)] = outcome
            last_start = max((int(l[6:]) for l in lines if l.startswith("start ")), default=None)
            if last_start != started:
                started, since = last_start, time.monotonic()
            elif started is not None and started not in outcomes and time.monotonic() - since > CALL_SECONDS:
                proc.kill()
                proc.wait()
                outcomes[started] = f"fault:no end after {CALL_SECONDS} s"
                hung = True
        for line in open(log_path).read().split("\n"):
            if line.startswith("end "):
                number, outcome = line[4:].split(" ", 1)
                outcomes[int(number)] = outcome
        lines = [l for l in open(log_path).read().split("\n") if l.startswith("start ")]
        last = int(lines[-1][6:]) if lines else first - 1
        stderr.seek(0)
        if last >= first and last not in outcomes:
            outcomes[last] = f"fault:crashed with exit status {proc.returncode}: {stderr.read()[-300:]!r}"
        elif proc.returncode != 0 and not hung:
            raise RuntimeError(f"the child ended outside a call: {stderr.read()[-2000:]}")
        stderr.close()
        first = max(outcomes) + 1 if outcomes else len(todo)
    return {todo[n][0]: outcomes[n] for n in range(len(todo))}


@pytest.mark.parametrize("name", ENTRY_POINTS)
def test_hostile_calls_end_in_a_result_or_an_exception(name, tmp_path):
    outcomes = run(name, str(tmp_path))
    with open(tmp_path / "outcomes.pkl", "wb") as f:
        pickle.dump(outcomes, f)
    faults = {label: outcome for label, outcome in outcomes.items() if outcome.startswith("fault:")}
    assert not faults, f"{len(faults)} of {len(outcomes)} calls of {name} failed: {faults}"
