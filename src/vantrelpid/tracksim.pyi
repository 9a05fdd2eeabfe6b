def tracksim(Apc: object | None, Bpc: object | None, Delay: object | None, INT: object | None, PID: object | None, Type: object | None, Ts: object | None, w: object | None, SPLLAG: object | None) -> object:
    """
    tracksim(Apc, Bpc, Delay, INT, PID, Type, Ts, w, SPLLAG)
        -> (Ysp, Usp, Yld, Uld, StepRes, FreqRes)

    Closed-loop step responses of the PID loop around Bpc(s)/Apc(s) e^(-Delay s)
    (descending powers of s; times 1/s when INT == 1), sampled every Ts with the dead time
    floored to whole samples, and the plant's own responses without the integrator. PID =
    [K, Ti, Td]; Type: one of the ten PID form codes (see loopsim); SPLLAG: set-point
    lead-to-lag ratio of the Fox codes, read for those only. Ysp, Usp: PV and controller
    output after a unit set-point step; Yld: PV after a unit load step at the plant input;
    Uld: the signal entering the plant for it; StepRes: the held plant's step response
    with the dead time rounded to whole samples (3000 samples each); FreqRes: the held
    plant's amplitude at w (radians per sample).

    A refused PID (not three values, K == 0, Ti < 0, Td < 0, checked before anything else
    is read) gives six None; a one-degree-of-freedom loop ("Nonint A", "Int A") whose Ysp
    diverges gives the text "Closed-loop system unstable! Increase Tcl" instead of the
    tuple. An unknown Type raises ValueError "PID type unknown", and so does (with its own
    message) Apc or Bpc with more than one row and more than one column.
    """
