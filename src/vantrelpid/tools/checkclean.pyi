def checkclean(U: object | None, yk: object | None, SlSampk: object | None, CV_INTk: object | None) -> tuple:
    """
    checkclean(U, yk, SlSampk, CV_INTk) -> (Un, MeanUk, STDuk, yn, MeanYk, STDyk)

    Prepare one output and all inputs for model validation: offsets from the first
    round(N/10) selected samples, sample deviations of the selected samples (the
    output is divided only by a positive deviation), then a high-pass filter at
    0.003 of the scaled signals. yn keeps the shape of yk. No random draws.
    """
