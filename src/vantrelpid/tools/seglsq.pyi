def seglsq(U: object | None, Y: object | None, SlInd: object | None, n: object | None, Delay: object | None = None) -> tuple:
    """
    seglsq(U, Y, SlInd, n, Delay=None) -> (Ap, Bp)

    Least-squares ARX model of order n of the output Y (N x 1, floating point) with
    the inputs U (N x nu) over the slices [first, last] of SlInd (1-based sample
    numbers, inclusive; the first slice does not use its first 80 samples):
    Ap = [1, a1, ..., an], Bp one row of lags 0..n per input. Delay: None or one
    delay per input in samples, applied inside each slice and held out of Bp.
    Reseeds numpy's global generator with 1704 and draws len(Y) normal values.
    """
