// Argument-check helpers shared by every exported operation.
#ifndef VOKS_FRAME_CHECK_H
#define VOKS_FRAME_CHECK_H

namespace voks {

// True when any of the pointers is null.
template <class... P>
constexpr bool any_null(const P*... p) {
    return ((p == nullptr) || ...);
}

}  // namespace voks

#endif  // VOKS_FRAME_CHECK_H
