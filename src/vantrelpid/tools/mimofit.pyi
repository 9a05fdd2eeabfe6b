def mimofit(u: object | None, y: object | None, Delay: object | None, Slice: object | None, CV_INT: object | None) -> tuple:
    """
    mimofit(u, y, Delay, Slice, CV_INT)
        -> (A, B, C, D, ORDS, Grade, Gh, BND_shw, w, meanU, STDu, meanY, STDy)

    Identify the outputs y (N x ny, ny <= 5) from the inputs u (N x nu, nu <= 6), both
    cut to their common length N >= 150. Per output i: the samples selected by Slice[i],
    the preprocessing (integrating when CV_INT[i] == 1), ARX candidates of orders 12, 16
    and 22 with the input delays Delay[i, :] (samples), the one with the smallest
    penalised simulation error, its error bound and grades, and its low-order reduction.
    A, B, C, D: the low-order models stacked (A and C block-diagonal, ORDS states each)
    in engineering units. Grade: ny x nu letters. Gh, BND_shw: 175 x nu*ny response
    magnitudes and error bounds, pair (i, j) in column i*nu + j, on the grid w.
    Seeds numpy's global generator with 798.
    """
