def loopfit(U: object | None, Y: object | None, Delayc_in: object | None, CV_INT: object | None, CVslice: object | None, Tident: object | None, export_file: object | None = False) -> tuple:
    """
    loopfit(U, Y, Delayc_in, CV_INT, CVslice, Tident, export_file=False)
        -> (Apc, Bpc, Delayc, STP, FRQ, BND, Grade, w, Apc_tn, Bpc_tn, Ysim, Yerror,
            Apc1, Bpc1, STP1, FRQ1, BND1, Ysim1, Yerror1, Message)

    Identify one loop from its OP record U and PV record Y (N x 1 each, sampled every
    Tident time units) into a continuous model Bpc(s)/Apc(s) e^(-Delayc s) of order 1 or
    2 (descending powers of s, Apc ending in 1, Bpc in the gain) and a first-order model
    Bpc1/Apc1 with the same dead time. Delayc_in < 0 asks for the dead time to be
    estimated. CV_INT[0] == 1 marks an integrating PV (the integrator 1/s follows the
    models); CVslice[0] lists [first, last] sample stretches not to use. STP, STP1: step
    responses (3000 x 1); FRQ, BND, FRQ1, BND1: amplitude and error bound at the 75
    frequencies w (radians per sample); Grade: "A" to "D"; Ysim, Ysim1: the models
    simulated against Y, with error percentages Yerror, Yerror1. Message: "OK",
    "Delay estimation failed" (identified with no dead time), or one of "OP (MV) almost
    constant!", "PV (CV) almost constant!", "Data slices too short!" with the other 19
    results None. With export_file true the call is first recorded to
    export/debug/p_loopfit.pkl and m_loopfit.mat.
    """
