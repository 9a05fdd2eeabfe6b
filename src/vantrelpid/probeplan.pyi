def probeplan(nSignal: object | None, T2ST: object | None, Interact: object | None) -> tuple:
    """
    probeplan(nSignal, T2ST, Interact) -> (TestSig, R)

    One test signal per loop: a binary sequence of +-1 switching every round(T/4)
    samples on average (T the loop's time to steady state, or the largest one when
    Interact == 1) plus uniform noise in [-0.3, 0.3), over 45 * max(T2ST) samples
    (at least 300), and the covariance R of the signals.
    """
