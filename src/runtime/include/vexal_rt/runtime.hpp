// The runtime as a module's sources use it: one include in a module's own
// header, and the runtime's names visible in every module's namespace.
#pragma once
#include "vexal_rt/boundary.hpp"
#include "vexal_rt/buffer.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/fast_path.hpp"
#include "vexal_rt/float_text.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/generator.hpp"
#include "vexal_rt/gil.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/init_slot.hpp"
#include "vexal_rt/iterate.hpp"
#include "vexal_rt/kwnames.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/with.hpp"

namespace vexal {
using namespace vexal_rt;
}
