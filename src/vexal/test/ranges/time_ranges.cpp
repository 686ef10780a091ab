// before and after: time ranges open towards minus or plus infinity.
#include "ranges.hpp"

namespace vexal::ranges {
namespace {

Ref before(FunctionObject*, PyObject* const* args) {
    Ref start = timedelta_extreme(false);
    Ref end = call(state.timedelta, args[0]);
    return check(PyTuple_Pack(2, start.get(), end.get()));
}

Ref after(FunctionObject*, PyObject* const* args) {
    Ref start = call(state.timedelta, args[0]);
    Ref end = timedelta_extreme(true);
    return check(PyTuple_Pack(2, start.get(), end.get()));
}

const FunctionDef before_def{"before", "t, /", before,
                             R"(Time range up to t.

Parameters
----------
t : number, str or Timedelta
    End of the range: anything Timedelta accepts.

Returns
-------
tuple
    Range as a tuple (-inf, t)

Notes
-----
Pure numbers are interpreted as seconds.

Examples
--------
>>> before(1)
(-inf, 1s)
>>> before('1ms')
(-inf, 1ms)

See Also
--------
vexal.test.ranges.after
)"};

const FunctionDef after_def{"after", "t, /", after,
                            R"(Time range from t on.

Parameters
----------
t : number, str or Timedelta
    Start of the range: anything Timedelta accepts.

Returns
-------
tuple
    Range as a tuple (t, +inf)

Notes
-----
Pure numbers are interpreted as seconds.

Examples
--------
>>> after(1)
(1s, +inf)
>>> after('1ms')
(1ms, +inf)

See Also
--------
vexal.test.ranges.before
)"};

}  // namespace

void register_time_ranges(PyObject* module) {
    add_functions(module, {&before_def, &after_def});
}

}  // namespace vexal::ranges
