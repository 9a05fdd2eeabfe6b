def loopsim(Apc: object | None, Bpc: object | None, Delay: object | None, BND: object | None, INT: object | None, PID: object | None, Type: object | None, Ts: object | None, w: object | None, SPLLAG: object | None, Tauf: object | None) -> tuple:
    """
    loopsim(Apc, Bpc, Delay, BND, INT, PID, Type, Ts, w, SPLLAG, Tauf)
        -> (Ysp, Usp, Yld, Uld, Robust, Message)

    Closed-loop step responses of the PID loop around Bpc(s)/Apc(s) e^(-Delay s)
    (descending powers of s; times 1/s when INT == 1), with the PV filter 1/(Tauf s + 1)
    (Tauf = 0: none), sampled every Ts with the dead time floored to whole samples. PID =
    [K, Ti, Td]; Type: one of "Nonint A", "Int A", "Nonint B", "Int B", "Nonint PonP
    DonE", "Int PonP DonE", "Nonint C", "Int C", "Fox Nonint", "Fox Int"; SPLLAG:
    set-point lead-to-lag ratio of the Fox codes, read for those only. Ysp, Usp: PV and
    controller output after a unit set-point step; Yld: PV after a unit load step at the
    plant input; Uld: the signal entering the plant for it (3000 samples each). Robust =
    BND |C / (1 + L)| at w (radians per sample), C the controller's PV path and L the open
    loop, divided by w when INT == 1: below 1 where the loop stays stable under a model
    error of amplitude BND.

    Message: "OK"; a refused PID ("PID parameters should be a list of three elements", "K
    is 0", "Ti is negative", "Td is negative", checked before anything else is read) or
    "Closed-loop system unstable! Increase Tcl" with five None; "Simulation failed:
    <error>" with the results computed before the error (an unknown Type: "Simulation
    failed: PID type unknown"; a K that is no number: "Simulation failed: K must be of
    type float, not <type>"). Apc or Bpc with more than one row and more than one column
    raises ValueError.
    """
