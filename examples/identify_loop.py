"""End-to-end example: simulate a plant test on one loop and identify it.

The plant is 2 e^(-5 s) / (10 s + 1), sampled every second behind the hold,
driven by a binary test sequence, with measurement noise. loopfit estimates
the dead time, identifies the loop and returns a continuous model with its
grade; the call is recorded under export/debug for replay.
"""

import numpy as np
from scipy.signal import lfilter

from vantrelpid.loopfit import loopfit
from vantrelpid.tools.binseq import binseq


def polynomial(c):
    """Coefficients in descending powers of s, as text."""
    n = len(c) - 1
    power = lambda k: f" s^{k}" if k > 1 else (" s" if k == 1 else "")
    return " + ".join(f"{x:.4g}{power(n - i)}" for i, x in enumerate(c) if x != 0)


def main():
    N, Ts = 3000, 1.0
    op = binseq(N, 12, 1, 10000, 2024)  # +1/-1, switching about every 12 samples
    a = np.exp(-Ts / 10.0)
    pv = lfilter([0, 0, 0, 0, 0, 0, 2 * (1 - a)], [1, -a], op)  # 5 s dead time + the hold
    pv += 0.03 * pv.std() * np.random.default_rng(1).standard_normal(N) + 50.0
    op, pv = op.reshape(-1, 1), pv.reshape(-1, 1)

    # Leave out samples 1201 to 1500 (say, an upset), estimate the dead time.
    (Apc, Bpc, Delayc, STP, FRQ, BND, Grade, w, Apc_tn, Bpc_tn, Ysim, Yerror,
     Apc1, Bpc1, STP1, FRQ1, BND1, Ysim1, Yerror1, Message) = loopfit(
        op, pv, -1, [0], [np.array([[1201, 1500]])], Ts, export_file=True)

    print("status:", Message)
    print(f"model: ({polynomial(Bpc)}) / ({polynomial(Apc)}) e^(-{Delayc} s)")
    print(f"first order: K = {Bpc1[-1]:.4g}, T = {Apc1[0]:.4g} s, dead time {Delayc} s")
    print(f"grade: {Grade}; simulation error {Yerror:.1f} % (first order {Yerror1:.1f} %)")
    print(f"step response settles at {STP[-1, 0]:.3f}; error bound at low frequency {BND[0, 0]:.3f}")


if __name__ == "__main__":
    main()
