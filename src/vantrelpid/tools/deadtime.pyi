class DelayEstimationError(Exception):
    pass

def deadtime(MVdata: object | None, CVdata: object | None, CV_INT: object | None, CVslice: object | None) -> tuple:
    """
    deadtime(MVdata, CVdata, CV_INT, CVslice) -> (Delay, ErrTest)

    Dead time of each output of CVdata (N x ny) from the inputs MVdata (N x nu),
    in samples (1 = no dead time beyond the one-sample hold): for each candidate
    delay an order-10 ARX model over the output's selected slices, simulated and
    scored by its error variance relative to the output's; chosen is the largest
    delay within 1.007 of the best score (equal to it for an integrating output).
    Delay: ny x nu, one value per row. ErrTest[k]: [candidates, scores].
    Raises DelayEstimationError when no candidate of an output qualifies.
    """
