def pairtrim(A: object | None, B: object | None, C: object | None, D: object | None, ORDS: object | None, Delay: object | None, CV_INT: object | None, Tident: object | None) -> tuple:
    """
    pairtrim(A, B, C, D, ORDS, Delay, CV_INT, Tident)
        -> (Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Delayc, ORDER, DENc_tn, NUMc_tn, STP, Ac1_1, Bc1_1, STP1)

    Continuous first- or second-order models with dead time of every input/output pair
    of the stacked discrete model (A, B, C, D) with per-output orders ORDS, sampled every
    Tident time units. Delay (samples, 1 = the hold) adds to the detected delays; CV_INT[i]
    is 1 for an integrating output, whose pairs are all of first order. Step responses
    have 3000 samples, pair (i, j) in column i*nu + j. Draws from numpy's global generator.
    """
