def compactfit(Aphk: object | None, Bphk: object | None, Ghk: object | None, U: object | None, Y: object | None, Delay: object | None, SlSampk: object | None, BNDk: object | None, wln: object | None) -> tuple:
    """
    compactfit(Aphk, Bphk, Ghk, U, Y, Delay, SlSampk, BNDk, wln) -> (Abjopt, Bbjopt)

    Reduces the high-order model Bphk_j / Aphk to every order from 1 to 10 by
    freqshrink weighted with 1 / BNDk on the grid wln, simulates each candidate on
    the delayed inputs and scores its error on the selected samples SlSampk
    (1-based) by a final-prediction-error criterion with an order penalty; returns
    the best candidate's denominator and numerators (the first on equal scores).
    Ghk is accepted and not used.
    """
