// Argument-check tables for the exported operations. A row names one operation and a valid call
// built on fresh buffers; the harness then nulls every pointer argument in turn (expecting
// vokStatusNullPtr) and runs each failing row (one or more arguments replaced, or a value planted
// in a buffer), also with every required pointer nulled on top (pointers are checked first).
// Every failed call must leave the whole buffer block byte for byte as it was: the block holds
// canary-filled outputs and states, so this proves that a failed check writes nothing. The valid
// call itself must pass every check (status >= 0), so each row differs from a passing call only
// in what it changes.
//
//   ARGS(voksAutoCorr_16s32s, [](Bufs& b) { return std::tuple(b.s(), 10, b.out32, 5); })
//       .fail(vokStatusSize, at<1>(0)).fail(vokStatusSize, at<3>(0)).pass();
#ifndef VOKSC_TESTS_SUPPORT_ARGS_H
#define VOKSC_TESTS_SUPPORT_ARGS_H

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "voksc.h"

namespace argcheck {

constexpr VokStatus kOk = vokStatusOk, kNull = vokStatusNullPtr, kSize = vokStatusSize,
                    kRange = vokStatusRange, kSf = vokStatusScaleFactor, kBad = vokStatusBadArg,
                    kParam = vokStatusParamRange;

// Replaces argument I of the valid call by v.
template <size_t I, class V>
struct Set {
    V v;
};
template <size_t I, class V>
Set<I, V> at(V v) {
    return {v};
}

template <class F>
struct buffers_of : buffers_of<decltype(&F::operator())> {};
template <class C, class R, class B>
struct buffers_of<R (C::*)(B&) const> {
    using type = B;
};

template <class B, class... P>
class Op {
public:
    using Args = std::tuple<P...>;

    Op(const char* name, const char* file, int line, VokStatus (*fn)(P...), std::function<Args(B&)> build)
        : name_(name), file_(file), line_(line), fn_(fn), build_(std::move(build)) {}
    Op(const Op&) = delete;
    Op& operator=(const Op&) = delete;

    // Runs the valid call, the null sweep and every row once the statement that made the table
    // ends.
    ~Op() {
        auto b = std::make_unique<B>();
        EXPECT_GE(std::apply(fn_, build_(*b)), 0) << name_ << ": the valid call fails a check";
        sweep({});
        for (const Row& r : rows_) {
            run(r.expected, r.changes, r.untouched);
            if (r.expected != vokStatusOk && r.expected != vokStatusNullPtr)
                sweep(r.changes, r.early ? r.expected : vokStatusNullPtr);
        }
    }

    // Arguments that may be null (a documented zero state, an erased frame): left out of the
    // null sweep.
    template <class... I>
    Op& optional(I... index) {
        for (size_t i : {static_cast<size_t>(index)...}) optional_.push_back(i);
        return *this;
    }
    // The call with the given changes returns `expected` and writes nothing.
    template <class... M>
    Op& fail(VokStatus expected, M... m) {
        rows_.push_back({expected, {change(m)...}, true, false});
        return *this;
    }
    // As fail, for a check made before the pointers: nulling a pointer on top changes nothing.
    template <class... M>
    Op& early(VokStatus expected, M... m) {
        rows_.push_back({expected, {change(m)...}, true, true});
        return *this;
    }
    // The call with the given changes succeeds (outputs may be written).
    template <class... M>
    Op& pass(M... m) {
        rows_.push_back({vokStatusOk, {change(m)...}, false, false});
        return *this;
    }
    // The call returns `expected`, a success included, and writes nothing.
    template <class... M>
    Op& quiet(VokStatus expected, M... m) {
        return fail(expected, m...);
    }

private:
    // One change of the valid call: a value planted in the buffers, or an argument replaced.
    struct Change {
        std::function<void(B&)> plant;
        std::function<void(Args&)> set;
        std::string what;
    };
    struct Row {
        VokStatus expected;
        std::vector<Change> changes;
        bool untouched;
        bool early;
    };

    template <size_t I, class V>
    static Change change(Set<I, V> s) {
        std::ostringstream os;
        os << " arg" << I << "=";
        if constexpr (std::is_same_v<V, std::nullptr_t>) {
            os << "null";
        } else {
            os << +s.v;
        }
        return {nullptr, [s](Args& a) { std::get<I>(a) = static_cast<std::tuple_element_t<I, Args>>(s.v); },
                os.str()};
    }
    template <class F, class = std::enable_if_t<std::is_invocable_v<F, B&>>>
    static Change change(F plant) {
        return {plant, nullptr, " (planted value)"};
    }

    // One call on fresh buffers; `null` >= 0 nulls that argument as well.
    void run(VokStatus expected, const std::vector<Change>& changes, bool untouched, int null = -1) const {
        testing::ScopedTrace trace(file_, line_, name_);
        auto b = std::make_unique<B>();
        std::string what;
        for (const Change& c : changes)
            if (c.plant) c.plant(*b);
        Args a = build_(*b);
        for (const Change& c : changes) {
            if (c.set) c.set(a);
            what += c.what;
        }
        if (null >= 0) {
            null_arg(a, static_cast<size_t>(null), std::index_sequence_for<P...>{});
            what += " arg" + std::to_string(null) + "=null";
        }
        std::vector<unsigned char> before(sizeof(B));
        std::memcpy(before.data(), static_cast<const void*>(b.get()), sizeof(B));
        EXPECT_EQ(std::apply(fn_, a), expected) << name_ << what;
        if (untouched) {
            EXPECT_EQ(std::memcmp(before.data(), static_cast<const void*>(b.get()), sizeof(B)), 0)
                << name_ << what << ": a buffer was written";
        }
    }

    void sweep(const std::vector<Change>& changes, VokStatus expected = vokStatusNullPtr) const {
        constexpr bool is_ptr[] = {std::is_pointer_v<P>..., false};
        for (size_t i = 0; i < sizeof...(P); ++i) {
            bool opt = false;
            for (size_t o : optional_) opt = opt || o == i;
            if (is_ptr[i] && !opt) run(expected, changes, true, static_cast<int>(i));
        }
    }

    template <size_t... I>
    static void null_arg(Args& a, size_t index, std::index_sequence<I...>) {
        (
            [&] {
                if constexpr (std::is_pointer_v<std::tuple_element_t<I, Args>>) {
                    if (I == index) std::get<I>(a) = nullptr;
                }
            }(),
            ...);
    }

    const char* name_;
    const char* file_;
    int line_;
    VokStatus (*fn_)(P...);
    std::function<Args(B&)> build_;
    std::vector<size_t> optional_;
    std::vector<Row> rows_;
};

template <class F, class... P>
Op<typename buffers_of<F>::type, P...> op(const char* name, const char* file, int line, VokStatus (*fn)(P...),
                                          F build) {
    return Op<typename buffers_of<F>::type, P...>(name, file, line, fn,
                                                  [build](auto& b) { return std::tuple<P...>(build(b)); });
}

}  // namespace argcheck

// One operation's argument-check table: ARGS(operation, valid-call builder).rows...
#define ARGS(fn, ...) ::argcheck::op(#fn, __FILE__, __LINE__, fn, __VA_ARGS__)

#endif  // VOKSC_TESTS_SUPPORT_ARGS_H
