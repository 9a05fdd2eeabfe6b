#include "vantrelpid/tune/formswap.hpp"

namespace vantrelpid {

sim::PidParameters interacting_form(const sim::PidParameters& p) {
    const auto [K, Ti, Td] = interacting_form<double>(p.K, p.Ti, p.Td);
    return {K, Ti, Td};
}

sim::PidParameters noninteracting_form(const sim::PidParameters& p) {
    const auto [K, Ti, Td] = noninteracting_form<double>(p.K, p.Ti, p.Td);
    return {K, Ti, Td};
}

}  // namespace vantrelpid
