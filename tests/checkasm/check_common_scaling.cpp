// Scaling kernels: rounded multiplications, largest magnitude and block shift.
#include <functional>

#include "checkasm.h"
#include "common/kernels.h"
#include "voksc.h"

using namespace checkasm;
using ScalingKernels = voks::common::Kernels;

namespace {

constexpr int kScaleFactors[] = {0, 1, 2, 14, 15, 16, 29, 30, 31};

// Runs `run(level-kernels, inputs..., out)` for the scalar and vector tables and compares the
// 16-bit outputs and their guard zones. `prepare` fills the inputs for one case.
template <class Run>
void compare16(Context& ctx, const char* name, int inputs, Run run) {
    const ScalingKernels& scalar = voks::common::kernels_for(voks::frame::Level::Scalar);
    const ScalingKernels& vector = voks::common::kernels_for(voks::frame::Level::AVX2);
    if (!have_avx2()) return;
    for (int len : lengths()) {
        for (int off : offsets<int16_t>()) {
            for (Pattern p : kPatterns) {
                Buffer<int16_t> in1(len, off), in2(len, (off * 7 + 3) % 16);
                Buffer<int16_t> out1(len, (off * 5 + 1) % 16), out2(len, (off * 5 + 1) % 16);
                fill16(ctx.rng, p, in1.data(), len);
                fill16(ctx.rng, p == Pattern::Ties ? Pattern::Random : p, in2.data(), len);
                const int16_t c = static_cast<int16_t>(ctx.rng.next());
                (void)inputs;
                std::string detail;
                const bool same_extra =
                    run(scalar, vector, in1.data(), in2.data(), c, out1.data(), out2.data(), len, detail);
                ++ctx.checks;
                const int diff = first_difference(out1.data(), out2.data(), len);
                if (diff >= 0 || !same_extra)
                    ctx.fail(name, "avx2", len, off, p, diff, detail);
                else if (!out2.guards_intact() || !out1.guards_intact() || !in1.guards_intact())
                    ctx.fail(name, "avx2", len, off, p, -1, "guard zone written");
            }
        }
    }
}

}  // namespace

CHECKASM(mul_nr) {
    for (int sf : kScaleFactors) {
        compare16(ctx, "mul_nr", 2,
                  [sf](const ScalingKernels& s, const ScalingKernels& v, const int16_t* a, const int16_t* b,
                       int16_t, int16_t* o1, int16_t* o2, int n, std::string& detail) {
                      detail = "sf=" + std::to_string(sf);
                      s.mul_nr(a, b, o1, n, sf);
                      v.mul_nr(a, b, o2, n, sf);
                      return true;
                  });
    }
}

CHECKASM(mul_nr_in_place) {
    for (int sf : {0, 1, 15}) {
        compare16(ctx, "mul_nr_in_place", 2,
                  [sf](const ScalingKernels& s, const ScalingKernels& v, const int16_t* a, const int16_t* b,
                       int16_t, int16_t* o1, int16_t* o2, int n, std::string& detail) {
                      detail = "sf=" + std::to_string(sf);
                      std::memcpy(o1, b, sizeof(int16_t) * n);
                      std::memcpy(o2, b, sizeof(int16_t) * n);
                      s.mul_nr(a, o1, o1, n, sf);
                      v.mul_nr(a, o2, o2, n, sf);
                      return true;
                  });
    }
}

CHECKASM(mulc_nr) {
    for (int sf : kScaleFactors) {
        compare16(ctx, "mulc_nr", 1,
                  [sf](const ScalingKernels& s, const ScalingKernels& v, const int16_t* a, const int16_t*,
                       int16_t c, int16_t* o1, int16_t* o2, int n, std::string& detail) {
                      detail = "sf=" + std::to_string(sf) + " c=" + std::to_string(c);
                      s.mulc_nr(a, c, o1, n, sf);
                      v.mulc_nr(a, c, o2, n, sf);
                      // The extreme constants too: -32768 * -32768 is the one saturating product.
                      for (int16_t e : {int16_t{-32768}, int16_t{32767}}) {
                          std::vector<int16_t> r1(n), r2(n);
                          s.mulc_nr(a, e, r1.data(), n, sf);
                          v.mulc_nr(a, e, r2.data(), n, sf);
                          if (r1 != r2) return false;
                      }
                      return true;
                  });
    }
}

CHECKASM(max_abs) {
    compare16(ctx, "max_abs", 1,
              [](const ScalingKernels& s, const ScalingKernels& v, const int16_t* a, const int16_t*, int16_t,
                 int16_t* o1, int16_t* o2, int n, std::string&) {
                  for (int i = 0; i < n; ++i) o1[i] = o2[i] = 0;
                  if (n > 0) {
                      o1[0] = s.max_abs(a, n);
                      o2[0] = v.max_abs(a, n);
                  }
                  return s.max_abs(a, 0) == v.max_abs(a, 0);
              });
}

CHECKASM(shift) {
    for (int sh : {-20, -15, -3, -1, 0, 1, 5, 14}) {
        compare16(ctx, "shift", 1,
                  [sh](const ScalingKernels& s, const ScalingKernels& v, const int16_t* a, const int16_t*,
                       int16_t, int16_t* o1, int16_t* o2, int n, std::string& detail) {
                      detail = "shift=" + std::to_string(sh);
                      s.shift(a, o1, n, sh);
                      v.shift(a, o2, n, sh);
                      return true;
                  });
    }
}

// The exported operations give the same bits whichever level fills the tables.
CHECKASM(scaling_levels) {
    using voks::frame::Level;
    const int lens[] = {1, 7, 8, 15, 16, 17, 40, 80, 160, 240, 255, 256, 257, 600};
    for (int len : lens) {
        for (Pattern p : kPatterns) {
            std::vector<int16_t> a(len), b(len), r[2][4];
            fill16(ctx.rng, p, a.data(), len);
            fill16(ctx.rng, Pattern::Random, b.data(), len);
            const int16_t c = static_cast<int16_t>(ctx.rng.range(-32768, 32767));
            for (int lv = 0; lv < 2; ++lv) {
                voks::frame::force_level(lv ? Level::AVX2 : Level::Scalar);
                for (auto& v : r[lv]) v.assign(len, 0);
                voksMul_NR_16s_Sfs(a.data(), b.data(), r[lv][0].data(), len, 15);
                voksMulC_NR_16s_Sfs(a.data(), c, r[lv][1].data(), len, 3);
                voksMulPowerC_NR_16s_Sfs(a.data(), c, r[lv][2].data(), len, 15);
                int scale = 1;
                voksAutoScale_16s(a.data(), r[lv][3].data(), len, &scale);
                r[lv][3].push_back(static_cast<int16_t>(scale));
            }
            for (int k = 0; k < 4; ++k) {
                ++ctx.checks;
                if (r[0][k] != r[1][k])
                    ctx.fail(
                        "scaling_levels", "avx2", len, 0, p,
                        first_difference(r[0][k].data(), r[1][k].data(), static_cast<int>(r[0][k].size())),
                        "operation " + std::to_string(k));
            }
        }
    }
}
