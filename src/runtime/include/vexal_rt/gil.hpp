// Releasing the GIL around work that touches no Python object:
//
//     {
//         ReleaseGil unlocked;
//         compute(...);   // plain C++ only: no Python API, no Ref
//     }                   // the GIL is held again here
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

class ReleaseGil {
public:
    ReleaseGil() : state_(PyEval_SaveThread()) {}
    ~ReleaseGil() { PyEval_RestoreThread(state_); }
    ReleaseGil(const ReleaseGil&) = delete;
    ReleaseGil& operator=(const ReleaseGil&) = delete;

private:
    PyThreadState* state_;
};

}  // namespace vexal_rt
