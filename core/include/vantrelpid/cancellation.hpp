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

// The host's request, remembering whether it stopped the call: a computation
// that reports its own failures as a status lets the stop pass instead.
class WatchedCancellation final : public Cancellation {
public:
    explicit WatchedCancellation(const Cancellation& host) : host_(host) {}
    void poll() const override {
        try {
            host_.poll();
        } catch (...) {
            stopped_ = true;
            throw;
        }
    }
    bool stopped() const { return stopped_; }

private:
    const Cancellation& host_;
    mutable bool stopped_ = false;
};

}  // namespace vantrelpid
