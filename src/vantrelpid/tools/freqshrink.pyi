def freqshrink(Ah: object | None, Bh: object | None, Weight: object | None, Weight1: object | None, n: object | None, iter: object | None, w: object | None) -> tuple:
    """
    freqshrink(Ah, Bh, Weight, Weight1, n, iter, w) -> (Ap, Bp, Cp, Dp, Loss)

    Reduces the high-order model y = sum_j (Bh_j / Ah) u_j + (1 / Ah) e to the
    order-n model y = sum_j (Bp_j / Ap) u_j + (Cp / Dp) e (noise order min(n, 4))
    by `iter` iterations of a frequency-weighted least-squares fit on the grid w.
    Weight (len(w) x nu) weights every iteration, Weight1 replaces it in the
    first fit; Loss holds the weighted squared error of each iteration.
    """
