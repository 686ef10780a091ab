// Compiled without floating-point contraction: every product and sum rounds
// on its own, in the order the formulas are written, as numpy's element-wise
// operations round them. The angles' cos and sin come four at a time from
// the C library's vector functions (libmvec) where the processor has AVX2,
// which differ from the scalar ones numpy uses by at most a few ulp and cost
// a fourteenth of their time; elsewhere, or with VEXAL_VECTOR_TRIGONOMETRY=0
// in the environment when the module is loaded, from the scalar functions.
#include "kernels.hpp"

#ifdef VEXAL_VECTOR_TRIGONOMETRY
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace vexal::transformations {
namespace {

using std::numbers::pi;

struct Rotation {
    double c, s;
};

// cos and sin of theta[begin, begin + count), count <= batch.
constexpr std::ptrdiff_t batch = 256;

#ifdef VEXAL_VECTOR_TRIGONOMETRY
// Declared with the AVX2 target, so that callers pass __m256d in registers
// as the library expects.
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_sin(__m256d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_cos(__m256d);

// Decided once, as the module is loaded (under the importer's GIL, before
// any kernel thread reads it).
bool vector_trigonometry_chosen() {
    const char* setting = std::getenv("VEXAL_VECTOR_TRIGONOMETRY");
    if (setting && std::string_view(setting) == "0") return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
const bool vector_trigonometry = vector_trigonometry_chosen();

__attribute__((target("avx2"))) void rotations_avx2(const Column& theta, std::ptrdiff_t begin, std::ptrdiff_t count,
                                                    double* c, double* s) {
    alignas(32) double angles[batch + 4];
    for (std::ptrdiff_t j = 0; j < count; ++j) angles[j] = theta[begin + j];
    for (std::ptrdiff_t j = count; j < count + 4; ++j) angles[j] = 0.0;
    for (std::ptrdiff_t j = 0; j < count; j += 4) {
        __m256d t = _mm256_load_pd(angles + j);
        _mm256_store_pd(c + j, _ZGVdN4v_cos(t));
        _mm256_store_pd(s + j, _ZGVdN4v_sin(t));
    }
}
#endif

void rotations(const Column& theta, std::ptrdiff_t begin, std::ptrdiff_t count, double* c, double* s) {
#ifdef VEXAL_VECTOR_TRIGONOMETRY
    if (vector_trigonometry) return rotations_avx2(theta, begin, count, c, s);
#endif
    for (std::ptrdiff_t j = 0; j < count; ++j) {
        double t = theta[begin + j];
        c[j] = std::cos(t);
        s[j] = std::sin(t);
    }
}

// Park: (alpha, beta) -> (d, q)
inline void park(double alpha, double beta, Rotation r, bool q_aligned, double& d, double& q) {
    if (q_aligned) {
        d = alpha * r.s - beta * r.c;
        q = alpha * r.c + beta * r.s;
    } else {
        d = alpha * r.c + beta * r.s;
        q = -(alpha * r.s) + beta * r.c;
    }
}

// Inverse Park: (d, q) -> (alpha, beta)
inline void inverse_park(double d, double q, Rotation r, bool q_aligned, double& alpha, double& beta) {
    if (q_aligned) {
        alpha = d * r.s + q * r.c;
        beta = -(d * r.c) + q * r.s;
    } else {
        alpha = d * r.c - q * r.s;
        beta = d * r.s + q * r.c;
    }
}

inline void clarke(const ClarkeConstants& k, double a, double b, double c, double& alpha, double& beta,
                   double& gamma) {
    alpha = k.k_albe * (a * k.cos0 + b * k.cos1 + c * k.cos2);
    beta = k.k_albe * (a * k.sin0 + b * k.sin1 + c * k.sin2);
    gamma = k.k_gamma * (a + b + c);
}

inline void inverse_clarke(const ClarkeConstants& k, double alpha, double beta, double gamma, double& a, double& b,
                           double& c) {
    a = k.k_albe * (alpha * k.cos0 + beta * k.sin0) + k.k_gamma * gamma;
    b = k.k_albe * (alpha * k.cos1 + beta * k.sin1) + k.k_gamma * gamma;
    c = k.k_albe * (alpha * k.cos2 + beta * k.sin2) + k.k_gamma * gamma;
}

template <Kernel K>
void rows_of_batch(const Job& job, std::ptrdiff_t begin, std::ptrdiff_t end, const double* cos_theta,
                   const double* sin_theta) {
    const Inputs& in = job.in;
    double* r0 = job.out;
    double* r1 = job.out + job.n;
    double* r2 = job.out + 2 * job.n;
    for (std::ptrdiff_t i = begin; i < end; ++i) {
        double x = in.x[i], y = in.y[i], z = in.z[i];
        [[maybe_unused]] Rotation r{0, 0};
        if constexpr (K != Kernel::clarke && K != Kernel::inverse_clarke) {
            r = {cos_theta[i - begin], sin_theta[i - begin]};
        }
        if constexpr (K == Kernel::clarke) {
            clarke(job.clarke, x, y, z, r0[i], r1[i], r2[i]);
        } else if constexpr (K == Kernel::inverse_clarke) {
            inverse_clarke(job.clarke, x, y, z, r0[i], r1[i], r2[i]);
        } else if constexpr (K == Kernel::park) {
            park(x, y, r, job.q_aligned, r0[i], r1[i]);
            r2[i] = z;
        } else if constexpr (K == Kernel::inverse_park) {
            inverse_park(x, y, r, job.q_aligned, r0[i], r1[i]);
            r2[i] = z;
        } else if constexpr (K == Kernel::abc_to_dq0) {
            double alpha, beta;
            clarke(job.clarke, x, y, z, alpha, beta, r2[i]);
            park(alpha, beta, r, job.q_aligned, r0[i], r1[i]);
        } else {
            double alpha, beta;
            inverse_park(x, y, r, job.q_aligned, alpha, beta);
            inverse_clarke(job.clarke, alpha, beta, z, r0[i], r1[i], r2[i]);
        }
    }
}

template <Kernel K>
void rows(const Job& job, std::ptrdiff_t begin, std::ptrdiff_t end) {
    if constexpr (K == Kernel::clarke || K == Kernel::inverse_clarke) {
        rows_of_batch<K>(job, begin, end, nullptr, nullptr);
    } else {
        alignas(32) double c[batch], s[batch];
        for (std::ptrdiff_t first = begin; first < end; first += batch) {
            std::ptrdiff_t last = std::min(end, first + batch);
            rotations(job.in.theta, first, last - first, c, s);
            rows_of_batch<K>(job, first, last, c, s);
        }
    }
}

void rows_of(const Job& job, std::ptrdiff_t begin, std::ptrdiff_t end) {
    switch (job.kernel) {
        case Kernel::clarke: return rows<Kernel::clarke>(job, begin, end);
        case Kernel::inverse_clarke: return rows<Kernel::inverse_clarke>(job, begin, end);
        case Kernel::park: return rows<Kernel::park>(job, begin, end);
        case Kernel::inverse_park: return rows<Kernel::inverse_park>(job, begin, end);
        case Kernel::abc_to_dq0: return rows<Kernel::abc_to_dq0>(job, begin, end);
        case Kernel::dq0_to_abc: return rows<Kernel::dq0_to_abc>(job, begin, end);
    }
}

// Below this many rows per extra thread, starting the thread costs more
// than it saves.
constexpr std::ptrdiff_t rows_per_thread = 200'000;

}  // namespace

ClarkeConstants clarke_constants(double k_albe, double k_gamma, double s) {
    double third = 2 * pi / 3, two_thirds = 4 * pi / 3;
    double minus_s = s == 0 ? 0.0 : -s;  // the shift 0 is a whole number: -0 is 0
    return {k_albe,
            k_gamma,
            std::cos(minus_s),
            std::cos(third - s),
            std::cos(two_thirds - s),
            std::sin(minus_s),
            std::sin(third - s),
            std::sin(two_thirds - s)};
}

void run(const Job& job) {
    std::ptrdiff_t wanted = job.n / rows_per_thread;
    if (wanted < 2) return rows_of(job, 0, job.n);
    // Counting the processors reads /sys: once per process, and only for
    // jobs that may share out their rows.
    static const std::ptrdiff_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::ptrdiff_t threads = std::min(cores, wanted);
    std::vector<std::thread> helpers;
    std::ptrdiff_t chunk = (job.n + threads - 1) / threads;
    std::ptrdiff_t begin = chunk;  // the calling thread takes the first chunk
    try {
        for (; begin < job.n && static_cast<std::ptrdiff_t>(helpers.size()) + 1 < threads; begin += chunk) {
            helpers.emplace_back(rows_of, std::cref(job), begin, std::min(job.n, begin + chunk));
        }
    } catch (const std::system_error&) {
        // No thread to be had: the calling thread does the rest.
    }
    rows_of(job, 0, std::min(job.n, chunk));
    if (begin < job.n) rows_of(job, begin, job.n);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace vexal::transformations
