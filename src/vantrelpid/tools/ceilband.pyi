def ceilband(Aphk: object | None, Bphk: object | None, Ghk: object | None, U: object | None, Yk: object | None, w: object | None, Nbnd: object | None, Delayk: object | None, SliceSamp: object | None, CV_INTk: object | None) -> tuple:
    """
    ceilband(Aphk, Bphk, Ghk, U, Yk, w, Nbnd, Delayk, SliceSamp, CV_INTk) -> (Gradek, nonDk, BNDk)

    Upper bound BNDk (len(w) x nu) of the error of each input's frequency response of
    the ARX model Aphk y = sum_j Bphk_j u_j(t - Delayk_j) + e, from the selected
    samples SliceSamp (1-based) and Nbnd data, and a grade per input: "A" (ratio of
    bound to response up to 0.3), "B" (0.6), "C" (0.99), "D" (above; nonDk 0.0),
    "?" (no ratio), over the first 4 grid points when CV_INTk == 1, else 10.
    """
