def jumpcheck(Ac: object | None, Bc: object | None, Delayc: object | None, Ts: object | None, U: object | None, Y: object | None, CV_INT: object | None, CVslice: object | None) -> tuple:
    """
    jumpcheck(Ac, Bc, Delayc, Ts, U, Y, CV_INT, CVslice) -> (Stepres, Ysim, Yerror)

    Validate the continuous model Bc(s)/Ac(s) e^(-Delayc s) (descending powers of s) against
    the logged input U and output Y (N x 1 columns, or one-dimensional), sampled every Ts
    time units. The dead time counts round(Delayc / Ts) samples. CV_INT == 1 marks an
    integrating output: Bc/Ac is then the model without its integrator 1/s and is compared
    with the changes of Y per sample. CVslice[0] lists [first, last] sample stretches not to
    use. Stepres: the model's step response with its dead time (3000 samples). Ysim: the
    model driven by U on the level of Y (N x 1; one-dimensional for an integrating output,
    starting on Y[0]). Yerror: 100 var(error) / var(output) in percent, of the high-pass
    filtered signals over the selected samples. No random draws.
    """
