def outerrfit(U: object | None, Y: object | None, nn: object | None, Delay: object | None, iter: object | None) -> tuple:
    """
    outerrfit(U, Y, nn, Delay, iter) -> (Ap, Bp)

    Output-error model A(q) y(t) = B(q) u(t - Delay) of the records U and Y, with
    nn = [na, nb]: Ap = [1, a1, ..., a_na] (stable), Bp = [b0, ..., b_(nb-1)].
    The ARX fit and its Steiglitz-McBride refinement are each improved by iter
    Gauss-Newton steps; the run with the smaller output-error variance is returned.
    """
