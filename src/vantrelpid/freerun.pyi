def freerun(Apc: object | None, Bpc: object | None, Delayc: object | None, integral: object | None, sampletime: object | None) -> dict:
    """
    freerun(Apc, Bpc, Delayc, integral, sampletime) -> dict

    The open-loop response of Bpc(s)/Apc(s) e^(-Delayc s) (descending powers of s, equal
    lengths of at most 3, Bpc[0] == 0), always without an integrator, whatever integral
    says. Held with the zero-order hold at the sample time, the dead time as
    floor(Delayc / sampletime) samples. The dictionary has the keys of an identification
    result: stp the 3000-sample unit-step response, frq its amplitude at the 75
    frequencies w = pi logspace(-4, 0, 75) (radians per sample), grade "B", msg "OK" or
    the failed check's message; integral, sampletime and delay (Delayc) as int(); apc and
    bpc the objects passed. Prints the discrete model.
    """
