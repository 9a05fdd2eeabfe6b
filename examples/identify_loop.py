"""End-to-end example: design a test signal, simulate a plant test, select the
usable data and record the call for later replay."""

import numpy as np
import scipy.signal

from vantrelpid.callstash import load_pickle_function, record_function
from vantrelpid.probeplan import probeplan
from vantrelpid.sanity import sanity
from vantrelpid.tools.segmask import segmask


def main():
    np.random.seed(2024)
    # One loop whose process settles in about 60 samples.
    test_signal, R = probeplan(1, [60], 0)
    op = test_signal[:, 0]
    # The plant: 2 e^{-5s} / (10 s + 1) sampled at 1 s, with 3 % noise.
    a = np.exp(-1 / 10)
    pv = scipy.signal.lfilter([0, 0, 0, 0, 0, 2 * (1 - a)], [1, -a], op)
    pv += 0.03 * pv.std() * np.random.randn(len(pv)) + 50.0

    const, pairs = sanity(np.column_stack([op, pv]))
    print(f"{len(op)} samples; constant signals: {const}; correlated pairs: {pairs}")

    # Samples 1201 to 1500 were disturbed: leave them out.
    slices, samples = segmask([[[1201, 1500], [-1, -1]]], 0, len(pv))
    print("selected stretches:", slices.tolist(), f"({len(samples)} samples)")

    record_function({"module": __name__, "function_name": "main",
                     "parameters": {"op": op, "pv": pv}}, filename="example")
    load_pickle_function("export/debug/p_example.pkl")


if __name__ == "__main__":
    main()
