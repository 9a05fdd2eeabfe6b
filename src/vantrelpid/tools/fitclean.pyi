def fitclean(U: object | None, yk: object | None, SlSampk: object | None, CV_INTk: object | None) -> tuple:
    """
    fitclean(U, yk, SlSampk, CV_INTk) -> (Un, MeanUk, STDuk, yn, MeanYk, STDyk)

    Prepare one output and all inputs for ARX identification: offsets from the
    selected samples 2 to round(N/15), a 4th-order Butterworth high-pass at 0.002
    over the whole record, integration of the inputs for an integrating output
    (CV_INTk == 1), mean removal and unit sample deviation. Reseeds numpy's global
    generator with 9888 for an integrating output and draws N_rec*(nu+1) normals.
    """
