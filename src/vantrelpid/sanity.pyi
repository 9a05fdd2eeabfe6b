def sanity(MVdat: object | None) -> tuple:
    """
    sanity(MVdat) -> (ConstIndx, CorIndx)

    Column numbers of the signals that never change, and the pairs (i, j), i < j,
    of signals whose scaled covariance exceeds 0.9999.
    """
