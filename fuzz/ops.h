// Scaffolding shared by the ops_* fuzz targets: the step loop, the choice of one operation per
// step from a table of calls, length arguments with the buffer sizes they imply, and the guard
// proving that a call failing its argument checks wrote nothing.
#ifndef VOKSC_FUZZ_OPS_H
#define VOKSC_FUZZ_OPS_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

// The element count of buffers sized for a length argument: the length, or 1 when it is not
// positive (the call then fails its check).
inline size_t count(int len) {
    return len > 0 ? static_cast<size_t>(len) : 1;
}

// One operation called with arguments taken from the input.
using Call = std::function<VokStatus()>;

// Buffers a call may write only when it succeeds.
class Guard {
public:
    // Keeps `v` (watched) until the guard goes.
    template <class T>
    std::vector<T>& operator()(std::vector<T> v) {
        auto kept = std::make_shared<std::vector<T>>(std::move(v));
        kept_.push_back(kept);
        return watch(*kept);
    }
    // Watches a buffer that outlives the guard.
    template <class T>
    std::vector<T>& watch(std::vector<T>& v) {
        const auto* p = reinterpret_cast<const uint8_t*>(v.data());
        seen_.emplace_back(p, std::vector<uint8_t>(p, p + v.size() * sizeof(T)));
        return v;
    }
    // Runs the call that the operation byte picks (op modulo the number of calls); aborts when
    // it failed (status < 0) and changed a watched buffer.
    template <size_t N>
    VokStatus run(const Call (&calls)[N], uint8_t op) const {
        const VokStatus st = calls[op % N]();
        if (st < 0) untouched();
        return st;
    }
    void untouched() const {
        for (const auto& [p, before] : seen_)
            if (!std::equal(before.begin(), before.end(), p)) std::abort();
    }

private:
    std::vector<std::shared_ptr<void>> kept_;
    std::vector<std::pair<const uint8_t*, std::vector<uint8_t>>> seen_;
};

// Arguments read in the order written (the elements of a braced list are evaluated left to
// right): buffers live for the call and go to it as pointers, At{buffer, k} as the pointer k
// elements in (history before it), anything else as it is.
template <class V>
struct At {
    V v;
    size_t k;
};
template <class V>
At(V&&, size_t) -> At<V>;

template <class... T>
struct Args {
    Args(T&&... a) : t(std::forward<T>(a)...) {}
    std::tuple<T...> t;
};
template <class... T>
Args(T&&...) -> Args<T...>;

template <class T>
T& arg(T& x) {
    return x;
}
template <class T>
T* arg(std::vector<T>& v) {
    return v.data();
}
template <class T>
const T* arg(const std::vector<T>& v) {
    return v.data();
}
template <class V>
auto arg(At<V>& a) {
    return arg(a.v) + a.k;
}

// Calls f with the arguments.
template <class F, class... T>
VokStatus call(F f, Args<T...> a) {
    return std::apply([&](auto&... v) { return f(arg(v)...); }, a.t);
}

// A state block of the reported size, `skew` bytes into an exact-size heap block: set up by
// its Init, or holding arbitrary bytes.
template <class State>
State* state_block(Input& in, std::vector<uint8_t>& block, int size, size_t skew, bool init,
                   const std::function<void(State*)>& initialise) {
    block.assign(static_cast<size_t>(size) + skew, 0);
    auto* state = reinterpret_cast<State*>(block.data() + skew);
    if (init)
        initialise(state);
    else
        in.fill(block.data() + skew, static_cast<size_t>(size));
    return state;
}

// Up to `steps` operations while input remains, each step given its operation byte.
template <class Step>
void run_steps(Input& in, int steps, Step step) {
    for (int s = 0; s < steps && !in.empty(); ++s) step(in.u8());
}

// The usual target: the first byte selects the kernel level, then the steps.
template <class Step>
int run_ops(const uint8_t* data, size_t size, int steps, Step step) {
    Input in(data, size);
    select_level(in.u8());
    run_steps(in, steps, [&](uint8_t op) { return step(in, op); });
    return 0;
}

}  // namespace voksfuzz

#endif  // VOKSC_FUZZ_OPS_H
