def feedsim(Apc_tn: object | None, Bpc_tn: object | None, Delayc: object | None, Tau_1: object | None, Gain_1: object | None, CV_INT: object | None, PID: object | None, Type: object | None, FF: object | None, Ts: object | None, SPLLAG: object | None) -> tuple:
    """
    feedsim(Apc_tn, Bpc_tn, Delayc, Tau_1, Gain_1, CV_INT, PID, Type, FF, Ts, SPLLAG)
        -> (Yff, Uff, Yff0, Uff0, Message)

    The PID loop around Bpc_tn(s)/Apc_tn(s) e^(-Delayc[0] s) after a unit step of each
    measured disturbance i, which reaches the output through Gain_1[1 + i] e^(-Delayc[1 +
    i] s) / (Tau_1[0, 1 + i] s + 1) (Tau_1: 1 x nu), with and without its compensator
    FF[i] = [K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff], K_ff (Tau_lead_ff s + 1)
    e^(-Delayc_ff s) / (Tau_lag_ff s + 1), subtracted from the controller output; dead
    times rounded to whole samples (halves to even). PID = [K, Ti, Td]; Type: one of the
    ten PID form codes (only the PV path acts, so SPLLAG, read for the Fox codes only, has
    no effect). Yff, Uff: output and manipulated variable with feedforward; Yff0, Uff0:
    without (3000 x nu - 1 each).

    Message: "OK", or "Closed-loop system unstable! Increase Tcl" with the arrays; for "K
    is 0", "Ti is negative", "Td is negative" (checked before anything else is read),
    "There are integrators, no feedforward for integral process", "Too many FF variables
    (must <= 2)", "No model for FF variable" and "Not a single loop process, this function
    only works for single-loop" four empty lists. An unknown Type raises ValueError
    "Unknown PID type", and so does (with its own message) Apc_tn or Bpc_tn with more than
    one row and more than one column.
    """
