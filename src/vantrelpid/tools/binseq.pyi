def binseq(N: object | None, Tsw: object | None, Tmin: object | None = 1, Tmax: object | None = 10000, Seeds: object | None = None) -> object:
    """
    binseq(N, Tsw, Tmin=1, Tmax=10000, Seeds=None) -> U

    N values of +1.0 and -1.0 that switch with probability 1/Tsw per sample, never
    sooner than Tmin and never later than Tmax samples after the previous switch.
    Draws N uniform values from numpy's global generator, reseeded with Seeds
    when it is not None.
    """
