def wholelsq(U: object | None, Y: object | None, n: object | None, Delay: object | None = None) -> tuple:
    """
    wholelsq(U, Y, n, Delay=None) -> (Ap, Bp)

    Least-squares ARX model of order n of the output Y (N x 1) with the inputs U
    (N x nu) over the whole record: Ap = [1, a1, ..., an], Bp one row of lags 0..n
    per input. Delay: None or one delay per input in 0..N samples, held out of Bp.
    Minimum-norm solution when the normal equations are singular. U is not changed.
    """
