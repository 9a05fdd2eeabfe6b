from vantrelpid.loopfit import loopfit as loopfit
from vantrelpid.vendorforms import VendorForms as VendorForms


def is_controller_interactive(controllertype: object | None) -> bool:
    """
    is_controller_interactive(controllertype) -> bool

    False when controllertype.lower() contains "nonint" (a non-interacting form),
    True otherwise.
    """

def resample_data(data: object | None, sample: object | None) -> list:
    """
    resample_data(data, sample) -> list

    The elements of data at positions 0, sample, 2 sample, ... (one look-up per
    element of data; positions past the end are skipped, negative ones index from
    the end as Python does).
    """

def calc_tcl(apc: object | None, delay: object | None, integral: object | None, speed: object | None) -> float:
    """
    calc_tcl(apc, delay, integral, speed) -> float

    Closed-loop time constant Tcl = delay + f apc[0], times 10 when integral is true,
    with f = 1.2 for speed == 0 (medium), 0.6 for speed == 1 (fast) and 3.0
    otherwise (slow, speed -1).
    """

def identify(op: object | None, pv: object | None, slice: object | None, integral: object | None, delay: object | None, sampletime: object | None, oneStOrder: object | None) -> dict:
    """
    identify(op, pv, slice, integral, delay, sampletime, oneStOrder) -> dict

    Identify one loop from its OP and PV samples with loopfit (recorded to
    export/debug/p_loopfit.pkl and m_loopfit.mat). slice: the [first, last] rows of
    samples not to use; integral: 1 for an integrating PV; delay: the dead time, < 0
    to estimate it; sampletime: truncated by int(), at least 1 (else ValueError
    "Sample time too small (< 1)"). Returns the keys grade, msg, integral,
    sampletime, op, pv, delay, apc, bpc, stp, frq, w, bnd, sim, error as plain Python
    values; with msg "OK" the model keys hold the full model, or the first-order one
    when oneStOrder is true; otherwise delay is -1, the lists empty and error 0.0.
    """

def pidTuning(apc: object | None, bpc: object | None, bnd: object | None, w: object | None, delay: object | None, integral: object | None, sampletime: object | None, tcl: object | None, oprange: object | None, sprange: object | None, dcstype: object | None, piOnly: object | None) -> dict:
    """
    pidTuning(apc, bpc, bnd, w, delay, integral, sampletime, tcl, oprange, sprange, dcstype,
              piOnly) -> dict

    Tune a PID controller for the loop bpc(s)/apc(s) e^(-delay s) (times 1/s when
    integral == 1; first or second order, as identify returns it) with the closed-loop
    time constant tcl, write it in the form of the vendor display name dcstype
    (see VendorForms; times in "sec"), and simulate the loop with the controller
    that form shows (the PI [K, Ti, 0] when piOnly is true), sampled every sampletime.
    Returns msg "OK", the set-point and load responses of PV (newres, newloadres)
    and controller output (usp, uld), each cut to int(min(15 tcl, 1000)) samples,
    robust = bnd |C/(1 + L)| over w (0 where bnd is 0; an empty w or bnd means 75
    points from 0 to pi and bnd 0), p, i, d, pname, iname, dname, latex, then the
    vendor keys pv, iv, (pidequ), dv, pidstr. A failed simulation returns {"msg":
    status} alone.

    Refuses, before anything runs or is recorded and in this order: an unknown dcstype
    (ValueError "Controller type '<name>' not supported."), then with ValueError "Tcl
    must be a positive, finite time constant", "OP and SP ranges must be positive,
    finite numbers" (oprange, sprange), "Delay must be a finite dead time of at least
    0" and "Sample time must be a positive, finite number". apc and bpc are single
    polynomials (flat, a row or a column). Each step records its inputs, as it
    receives them, before it runs: the tuning to export/debug/p_knobs.pkl and
    m_knobs.mat (apc, bpc, delay, integral, tcl, sampletime), the simulation to
    export/debug/p_mainsim.pkl and m_mainsim.mat (apc, bpc, delay, bnd, integral, the
    PID simulated, its Type, sampletime, w, SPLLAG 0.5).
    """
