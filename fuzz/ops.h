// Scaffolding shared by the ops_* fuzz targets: the step loop, the choice of one operation per
// step from a table of calls, length arguments with the buffer sizes they imply, and the guard
// proving that a call failing its argument checks wrote nothing.
#ifndef VOKSC_FUZZ_OPS_H
#define VOKSC_FUZZ_OPS_H

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
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

// Buffers a call may write only when it succeeds: check() aborts when a call that failed its
// argument checks (status < 0) changed any of them.
class Guard {
public:
    template <class T>
    std::vector<T>& operator()(std::vector<T> v) {
        auto* w = new Watched<T>(std::move(v));
        items_.emplace_back(w);
        return w->now;
    }
    void check(int status) const {
        if (status < 0) untouched();
    }
    // Runs the call that the operation byte picks (op modulo the number of calls) and checks.
    template <size_t N>
    VokStatus run(const Call (&calls)[N], uint8_t op) const {
        const VokStatus st = calls[op % N]();
        check(st);
        return st;
    }
    void untouched() const {
        for (const auto& i : items_)
            if (i->changed()) std::abort();
    }

private:
    struct Item {
        virtual ~Item() = default;
        virtual bool changed() const = 0;
    };
    template <class T>
    struct Watched : Item {
        explicit Watched(std::vector<T> v) : now(std::move(v)), before(now) {}
        bool changed() const override {
            return std::memcmp(now.data(), before.data(), now.size() * sizeof(T)) != 0;
        }
        std::vector<T> now, before;
    };
    std::vector<std::unique_ptr<Item>> items_;
};

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
