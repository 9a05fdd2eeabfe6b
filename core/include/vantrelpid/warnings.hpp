#pragma once
// Warnings the core reports to its host instead of failing, such as an
// ill-conditioned linear system. The bindings turn them into Python warnings.

#include <string>

namespace vantrelpid {

enum class WarningKind {
    IllConditioned,  // scipy.linalg.LinAlgWarning
    Runtime,         // RuntimeWarning
};

class WarningSink {
public:
    virtual ~WarningSink() = default;
    virtual void warn(WarningKind kind, const std::string& message) = 0;
};

// A sink that drops every warning (C++ tests, internal calls).
class SilentWarnings final : public WarningSink {
public:
    void warn(WarningKind, const std::string&) override {}
};

}  // namespace vantrelpid
