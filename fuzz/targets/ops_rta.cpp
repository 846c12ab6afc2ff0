// Front-end operations: QMF states holding arbitrary bytes or set up by Init, arbitrary
// lengths, orders, rates, filter memories and autocorrelations; failed checks write nothing.
#include <algorithm>
#include <cmath>

#include "ops.h"

namespace voksfuzz {

int ops_rta(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    std::vector<uint8_t> block;
    auto* qmf = state_block<VokQMFState_RTA_32f>(
        in, block, 208, (head >> 1) & 15, head & 0x20,
        [&](VokQMFState_RTA_32f* s) { voksQMFInit_RTA_32f(s, (head & 0x40) ? 24 : 48); });
    run_steps(in, 6, [&](uint8_t op) {
        Guard g;
        g.watch(block);
        const int len = in.length(1, 640, true);
        const size_t n = count(std::min(len, 641));  // lengths above 640 fail their checks
        auto x = in.vf(n);
        auto &lo = g(std::vector<float>(n)), &hi = g(std::vector<float>(n));
        auto& y = g(std::vector<float>(2 * n));
        auto& mem = g(in.vf(6));
        const int order = in.range(-1, 18);
        const Call calls[] = {
            [&] { return voksQMFEncode_RTA_32f(x.data(), len, lo.data(), hi.data(), qmf); },
            [&] { return voksQMFDecode_RTA_32f(x.data(), x.data(), len, y.data(), qmf); },
            [&] { return voksQMFInit_RTA_32f(qmf, in.range(20, 50)); },
            [&] {
                const int rates[] = {8000, 16000, 22050, 32000, 44100};
                // No upper length: at most the buffers' length.
                return voksHighPassFilter_RTA_32f(x.data(), y.data(), std::min(len, static_cast<int>(n)),
                                                  in.range(3, 6), rates[in.range(0, 4)], mem.data());
            },
            [&] {
                return voksBandPassFilter_RTA_32f_I((op & 0x80) ? x.data() : g.watch(x).data(), len,
                                                    mem.data());
            },
            [&] {
                auto r = in.vf(order > 0 ? static_cast<size_t>(order) + 1 : 1);
                if (op & 0x80) r[0] = std::fabs(r[0]) * 1e3f;  // often a positive energy
                return voksLevinsonDurbin_RTA_32f(r.data(), g(std::vector<float>(16)).data(),
                                                  g(std::vector<float>(16)).data(), order);
            },
        };
        g.run(calls, op);
    });
    return 0;
}

}  // namespace voksfuzz
