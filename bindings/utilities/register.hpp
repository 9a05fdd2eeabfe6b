#pragma once
// Registration functions of the groups of vantrelpid._utilities; each group
// lives in its own file next to this one.

#include <nanobind/nanobind.h>

namespace vantrelpid::py::utilities {

void register_polynomials(nanobind::module_& m);  // stabpoly, lfilter, filtini, roots, lstsq, lstsq_augmented
void register_filters(nanobind::module_& m);      // buttfilt, buttfilthi, hipass, hipass001
void register_simulation(nanobind::module_& m);   // add_dly, misosim, dsssim, misofrq, d_bode2, tt_ac, tt_bd
void register_forms(nanobind::module_& m);        // armax2ss, ss2armax, get_sub, unscale, frunscal, c2dm2, d2cm2, gainmodifyss
void register_correlogram(nanobind::module_& m);  // arxpe, crsspct, fiinvdia
void register_grid(nanobind::module_& m);         // frequency_grid
void register_differencing(nanobind::module_& m); // d_data, detrend
void register_arx(nanobind::module_& m);          // arx_triple
void register_vendor_forms(nanobind::module_& m); // vendor_calculate

}  // namespace vantrelpid::py::utilities
