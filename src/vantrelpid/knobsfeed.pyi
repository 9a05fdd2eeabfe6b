def knobsfeed(Tau_1: object | None, Gain_1: object | None, Delayc: object | None, CV_INT: object | None) -> tuple:
    """
    knobsfeed(Tau_1, Gain_1, Delayc, CV_INT)
        -> (K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff, Message)

    Feedforward compensators K_ff (Tau_lead_ff s + 1) e^(-Delayc_ff s)/(Tau_lag_ff s + 1)
    for every loop i and measured disturbance j, from the first-order pair models
    (ny x nu time constants Tau_1, gains Gain_1, dead times Delayc; inputs 0..ny-1 are
    the loops' own, inputs ny + j the disturbances): K_ff = 0.88 Gain_1[i, ny+j] /
    Gain_1[i, i], Tau_lag_ff = max(Tau_1[i, ny+j], Tau_1[i, i]/3), Tau_lead_ff =
    Tau_1[i, i], Delayc_ff = max(0, Delayc[i, ny+j] - Delayc[i, i]). The results are
    float64 arrays of shape (ny, nu - ny); row j of each loop's [K_ff, Tau_lag_ff,
    Tau_lead_ff, Delayc_ff] is feedforward parameter row j. Message "OK"; with nu ==
    ny or max(CV_INT) == 1 the four arrays are None and Message says why. Matrices of
    different shapes raise ValueError "Input matrices must have the same dimensions".
    """
