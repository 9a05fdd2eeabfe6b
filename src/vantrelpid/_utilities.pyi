def stabpoly(p: object | None) -> object:
    """
    stabpoly(p) -> p with every root outside the unit circle reflected inside
    """

def lfilter(b: object | None, a: object | None, x: object | None) -> object:
    """lfilter(b, a, x) -> y, direct form II transposed from zero state"""

def filtini(b: object | None, a: object | None, u: object | None, y0: object | None) -> object:
    """
    filtini(b, a, u, y0) -> y (N x 1), b/a of u started as if every past output were y0
    and every past input u[0]
    """

def roots(p: object | None) -> object:
    """roots(p) -> the roots of p as numpy.roots finds them (complex)"""

def lstsq(A: object | None, b: object | None, scipy_cutoff: bool = False) -> object:
    """
    lstsq(A, b, scipy_cutoff=False) -> minimum-norm least-squares solution (numpy's or scipy's cut-off)
    """

def lstsq_augmented(A: object | None, b: object | None) -> object:
    """
    lstsq_augmented(A, b) -> lstsq(A, b) with numpy's cut-off, through the QR of [A b]
    """

def buttfilt(order: object | None, wc: object | None) -> tuple:
    """
    buttfilt(order, wc) -> (b, a): digital Butterworth low-pass, wc a fraction of Nyquist
    """

def buttfilthi(order: object | None, wc: object | None) -> tuple:
    """
    buttfilthi(order, wc) -> (b, a): digital Butterworth high-pass, wc a fraction of Nyquist
    """

def hipass(x: object | None, wc: object | None = None) -> object:
    """
    hipass(x, wc=None) -> x high-passed along the samples, column by column, shape kept.
    4th-order Butterworth from a zero state; the default cut-off is 0.003 of Nyquist.
    """

def hipass001(x: object | None) -> object:
    """hipass001(x) -> hipass(x) with the cut-off 0.001 of Nyquist"""

def add_dly(X: object | None, d: object | None) -> object:
    """add_dly(X, d) -> X with each column delayed by its delay in samples"""

def misosim(A: object | None, B: object | None, U: object | None) -> object:
    """
    misosim(A, B, U) -> N x 1 output of sum_j B_j / A driven by column j of U
    """

def dsssim(A: object | None, B: object | None, C: object | None, D: object | None, u: object | None) -> tuple:
    """dsssim(A, B, C, D, u) -> (y,) simulated from a zero state"""

def misofrq(A: object | None, B: object | None, w: object | None) -> object:
    """misofrq(A, B, w) -> complex response of B_j / A, one row per frequency"""

def d_bode2(num: object | None, den: object | None, w: object | None) -> object:
    """d_bode2(num, den, w) -> amplitude of num / den at each w"""

def tt_ac(P: object | None, M: object | None) -> object:
    """tt_ac(P, M) -> block diagonal of P and M; an empty P gives M"""

def tt_bd(P: object | None, M: object | None) -> object:
    """tt_bd(P, M) -> P stacked above M; an empty P gives M"""

def armax2ss(den: object | None, num: object | None) -> tuple:
    """
    armax2ss(den, num) -> (A, B, C, D) of num_j / den in powers of z^-1, one input per row of num
    """

def ss2armax(A: object | None, B: object | None, C: object | None, D: object | None) -> tuple:
    """ss2armax(A, B, C, D) -> (den, num) of a one-output model"""

def get_sub(A: object | None, B: object | None, C: object | None, D: object | None, ORDS: object | None, i: object | None) -> tuple:
    """
    get_sub(A, B, C, D, ORDS, i) -> (A, B, C, D) of output i of a stacked model
    """

def unscale(A: object | None, B: object | None, C: object | None, D: object | None, STDu: object | None, STDy: object | None, ORDS: object | None) -> tuple:
    """
    unscale(A, B, C, D, STDu, STDy, ORDS) -> (A, B, C, D) of the scaled model in engineering units
    """

def frunscal(G: object | None, STDu: object | None, STDy: object | None) -> object:
    """
    frunscal(G, STDu, STDy) -> G with column i*nu + j times STDy[i] / STDu[j]
    """

def gainmodifyss(A: object | None, B: object | None, C: object | None, D: object | None, g: object | None, r: object | None) -> tuple:
    """
    gainmodifyss(A, B, C, D, g, r) -> (A, B, C, D) of a one-input, one-output model: A scaled
    by r / rho when its spectral radius rho is 1 or more, then C and D by g / G0, G0 the
    static gain C (I - A)^-1 B + D, when it is finite and not zero
    """

def c2dm2(num: object | None, den: object | None, Ts: object | None, method: object | None = 'zoh') -> tuple:
    """
    c2dm2(num, den, Ts, method='zoh') -> (numd, dend), zero-order hold, descending powers of z
    """

def d2cm2(numd: object | None, dend: object | None, Ts: object | None, method: object | None = 'zoh') -> tuple:
    """
    d2cm2(numd, dend, Ts, method='zoh') -> (num, den) in s, the inverse of c2dm2
    """

def arxpe(Ap: object | None, Bp: object | None, Ud: object | None, y: object | None) -> object:
    """
    arxpe(Ap, Bp, Ud, y) -> N x 1 prediction errors of Ap y = sum_j Bp_j u_j + e
    """

def crsspct(Z: object | None, M: object | None, w: object | None, window: str) -> object:
    """
    crsspct(Z, M, w, "P") -> len(w) x m x m spectral density matrices of the columns of Z
    (Blackman-Tukey, Parzen lag window of width min(M, N - 1), no 1/(2 pi))
    """

def fiinvdia(Phi: object | None, n: object | None) -> object:
    """
    fiinvdia(Phi, n) -> len(Phi) x n diagonals of the inverses of Phi[f, :n, :n]
    """

def frequency_grid() -> object:
    """frequency_grid() -> the 175-point grid in radians per sample"""

def d_data(Y: object | None, CV_INT: object | None) -> object:
    """
    d_data(Y, CV_INT) -> for CV_INT == 1 the sample-to-sample differences of each column
    of Y (the first row repeating the second), else a copy; the layout of Y is kept
    """

def detrend(x: object | None) -> object:
    """
    detrend(x) -> x without its least-squares line (scipy.signal.detrend's default)
    """

def arx_triple(Un: object | None, yn: object | None, SlIndk: object | None, n1: object | None, n2: object | None, n3: object | None, Delay: object | None) -> tuple:
    """
    arx_triple(Un, yn, SlIndk, n1, n2, n3, Delay) -> (A1, B1, A2, B2, A3, B3)
    """

def vendor_calculate(dcstype: str, p: float, i: float, d: float, np: float, ni: float, nd: float, oprange: float, sprange: float, piOnly: bool, unit: str) -> object:
    """
    vendor_calculate(dcstype, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit) -> dict | None

    VendorForms.calculate on doubles (float64 rules), as C++ callers reach it.
    """
