def legacyloop(Ac: object | None, Bc: object | None, Delayc: object | None, CV_INT: object | None, U: object | None, Y: object | None, R: object | None, CVslice: object | None, Tident: object | None) -> tuple:
    """
    legacyloop(Ac, Bc, Delayc, CV_INT, U, Y, R, CVslice, Tident)
        -> (STPRSP, STPOP, LOADRSP, LOADOP, Message)

    Identify the existing loop from its set-point record R to its PV record Y (sampled
    every Tident time units, both cut to the length of the OP record U if it is shorter),
    with the dead time round(Delayc / Tident) samples and the slice table CVslice of
    stretches not to use. STPRSP: the loop's response to a unit set-point step (3000
    samples), from the identified model with its poles inside radius 0.99 and its gain
    set to 1. STPOP, LOADRSP, LOADOP: always empty lists. Message: "ok", "SP moves too
    little, result may be poor" (a warning), or one of "SP does not move, no result",
    "SP and PV almost 100% correlated, no result", "PV does not move, no result",
    "Identification failed" with STPRSP empty. Ac, Bc and CV_INT are not used. Seeds
    numpy's global generator when the identification runs.
    """
