def knobsmulti(Apc_tn: object | None, Bpc_tn: object | None, Delayc: object | None, CV_INT: object | None, Tcl: object | None) -> tuple:
    """
    knobsmulti(Apc_tn, Bpc_tn, Delayc, CV_INT, Tcl) -> (PID_sp, PID_load)

    PID rows [K, Ti, Td] of the non-interacting form K (1 + 1/(Ti s) + Td s) for every
    loop i (rows of Apc_tn), tuned for the set-point and for the load response from
    the loop's tuning model Bpc_tn[i]/Apc_tn[i] (three coefficients in descending
    powers of s; [a0, a1, 0] and [b0, b1, 0] for a first-order model), the dead time
    Delayc[i, i], the integrating flag CV_INT[i] (consulted for first-order models:
    == 1 integrating, == 0 self-regulating) and the closed-loop time constant Tcl[i].
    Second-order models are tuned by the sign of the numerator time constant and by
    whether the discriminant of Apc_tn[i] gives real (>= 0) or complex poles. Both
    results are float64 arrays of shape (ny, 3). Raises ValueError "Ac and Bc degrees
    not equal" when exactly one third coefficient is 0, "No tuning rule for loop <i>"
    for a model that fits no rule, IndexError for a Delayc smaller than ny x ny.
    """
