"""End-to-end example: identify one loop from a simulated plant test, then tune it.

The plant is 2 e^(-5 s) / (10 s + 1), sampled every second behind the hold,
driven by a binary test sequence, with measurement noise. `identify` estimates
the dead time and identifies the loop (the call is recorded under
export/debug for replay); `calc_tcl` picks a closed-loop time constant for a
medium response; `pidTuning` tunes a PID controller for one vendor's block,
writes its parameters the way that block expects them and simulates the loop
(the inputs of its tuning and of its simulation are recorded there too).
"""

import numpy as np
from scipy.signal import lfilter

from vantrelpid.frontdesk import calc_tcl, identify, pidTuning
from vantrelpid.tools.binseq import binseq


def main():
    N, Ts = 3000, 1
    op = binseq(N, 12, 1, 10000, 2024)  # +1/-1, switching about every 12 samples
    a = np.exp(-Ts / 10.0)
    pv = lfilter([0, 0, 0, 0, 0, 0, 2 * (1 - a)], [1, -a], op)  # 5 s dead time + the hold
    pv += 0.03 * pv.std() * np.random.default_rng(1).standard_normal(N) + 50.0

    # Leave out samples 1201 to 1500 (say, an upset); estimate the dead time.
    model = identify(op.tolist(), pv.tolist(), [[1201, 1500]], 0, -1, Ts, False)
    print("identification:", model["msg"], "- grade", model["grade"])
    if model["msg"] != "OK":
        return
    apc, bpc, delay = model["apc"], model["bpc"], model["delay"]
    print(f"model: K = {bpc[-1]:.3f}, denominator {np.round(apc, 3).tolist()}, dead time {delay} s")

    tcl = calc_tcl(apc, delay, 0, 0)
    print(f"closed-loop time constant for a medium response: {tcl:.1f} s")
    tuned = pidTuning(apc, bpc, model["bnd"], model["w"], delay, 0, Ts, tcl, 100.0, 50.0,
                      "DeltaV Series PID on E", False)
    print("tuning:", tuned["msg"])
    if tuned["msg"] != "OK":
        return
    print(tuned["pidstr"])
    newres = np.array(tuned["newres"])
    print(f"set-point step: PV reaches {newres[-1]:.3f} after {len(newres)} s, overshoot "
          f"{max(newres.max() - 1, 0) * 100:.1f} %; largest robustness value {max(tuned['robust']):.3f}")


if __name__ == "__main__":
    main()
