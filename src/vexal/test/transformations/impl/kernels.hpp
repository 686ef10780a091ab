// The frame transformation kernels: plain C++ over strided float64 columns,
// run with the GIL released. Each writes all three output rows of one block
// in a single pass.
#pragma once
#include <cstddef>

namespace vexal::transformations {

// A read-only column: element i at data[i * stride] (stride in elements).
struct Column {
    const char* data;
    std::ptrdiff_t stride_bytes;
    double operator[](std::ptrdiff_t i) const { return *reinterpret_cast<const double*>(data + i * stride_bytes); }
};

// The three input columns and, for the rotating frames, the angle column
// (a single angle for every row when theta_stride_bytes is 0).
struct Inputs {
    Column x, y, z;
    Column theta;
};

// Scaling of the alpha and beta rows and of the gamma row, and the axis
// shift of the Clarke pair.
struct ClarkeConstants {
    double k_albe, k_gamma;
    double cos0, cos1, cos2;  // cos(-s), cos(2π/3 - s), cos(4π/3 - s)
    double sin0, sin1, sin2;
};
ClarkeConstants clarke_constants(double k_albe, double k_gamma, double theta_shift);

enum class Kernel { clarke, inverse_clarke, park, inverse_park, abc_to_dq0, dq0_to_abc };

struct Job {
    Kernel kernel;
    Inputs in;
    ClarkeConstants clarke;
    bool q_aligned;  // Park alignment "q"
    double* out;     // 3 x n, row-major
    std::ptrdiff_t n;
};

// Runs the job, splitting the rows across threads for large inputs.
void run(const Job& job);

}  // namespace vexal::transformations
