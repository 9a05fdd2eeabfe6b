def slimfit(A: object | None, B: object | None, C: object | None, D: object | None, ORDS: object | None, Order: object | None) -> tuple:
    """
    slimfit(A, B, C, D, ORDS, Order) -> (ExtrDl, ERR, Num1, Den1, Num2, Den2, Num3, Den3, Num4, Den4)

    Discrete models of order int(Order) (at most 4) with a dead time for every input/output
    pair of the stacked model (A, B, C, D) with per-output orders ORDS, as ny x nu matrices:
    the detected delays, the validation errors and the coefficients b0..b3 (NumK) and
    a1..a4 (DenK) of each pair. Draws from numpy's global generator and reseeds it.
    """

def create_input_signal() -> object:
    """
    create_input_signal() -> the 2910-sample step-test input of the pair fits
    """
