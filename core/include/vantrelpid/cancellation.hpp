#pragma once
// A host's request to stop a long computation. The loops whose length the
// caller sets (Gauss-Newton and reweighting iterations, candidate delays,
// candidate reductions) poll it once per pass. The host's implementation
// throws its own exception to stop the call; the core lets it pass, and its
// objects release what they hold as the exception unwinds them.

namespace vantrelpid {

class Cancellation {
public:
    virtual ~Cancellation() = default;
    // Returns when the computation may go on; throws to stop it.
    virtual void poll() const = 0;
    // A request that never comes (C++ tests, internal calls).
    static const Cancellation& never();
};

namespace detail {

class NeverCancelled final : public Cancellation {
public:
    void poll() const override {}
};

}  // namespace detail

inline const Cancellation& Cancellation::never() {
    static const detail::NeverCancelled instance;  // stateless
    return instance;
}

}  // namespace vantrelpid
