def twotier(Ac1: object | None, Bc1: object | None, CV_INT1: object | None, Delayc1: object | None, BND1: object | None, Ts1: object | None, Ac2: object | None, Bc2: object | None, Delayc2: object | None, PID2: object | None, Type2: object | None, w: object | None, SPLLAG2: object | None, MVdata1: object | None, SPdata2: object | None) -> tuple:
    """
    twotier(Ac1, Bc1, CV_INT1, Delayc1, BND1, Ts1, Ac2, Bc2, Delayc2, PID2, Type2, w, SPLLAG2,
            MVdata1, SPdata2)
        -> (Acas, Bcas, Delaycas, STPcas, FRQcas, BNDcas, Acas_tn, Bcas_tn, Acas_1, Bcas_1,
            STPcas_1, FRQcas_1, BNDcas_1, Message)

    The model an outer cascade controller sees: the inner process Bc2(s)/Ac2(s) e^(-Delayc2 s)
    closed with its PID controller PID2 = [K, Ti, Td] of form Type2 (SPLLAG2: set-point
    lead-to-lag ratio of the Fox forms), in series with the outer process Bc1(s)/Ac1(s)
    e^(-Delayc1 s), whose model has the error bound BND1 at the frequencies w (radians per
    sample). Built in discrete time at the sample time Ts1 (dead times rounded down to whole
    samples, the inner one at most 1000), checked for stability and reduced to a continuous
    model of order 1 or 2.
    CV_INT1 == 1 marks an integrating outer CV (the integrator 1/s follows Bc1/Ac1).
    MVdata1, SPdata2: records of the outer controller's output and the inner set-point; the
    numerators are scaled by std(SPdata2) / std(MVdata1).
    Acas, Bcas: reduced model (Acas ending in 1, Bcas starting with 0) with dead time
    Delaycas (1 x 1); STPcas, STPcas_1: step responses (3000 x 1); FRQcas, BNDcas: amplitude
    and error bound of the full model over w; Acas_tn, Bcas_tn: tuning model; Acas_1 = [T, 1],
    Bcas_1 = [0, gain]: first-order model, with FRQcas_1 and BNDcas_1 (the bound widened by
    its distance to the reduced model); frequency-wise results are (len(w), 1) columns.
    Message: "ok", or "Secondary (inner) loop unstable" with FRQcas and BNDcas set and the
    other results []. Draws from numpy's global generator (the reduction's validation
    sequence).
    """
