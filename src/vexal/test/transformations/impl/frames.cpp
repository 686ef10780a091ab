// The six frame transformations: Clarke, Park, their inverses and the two
// composites, each validating its arguments before any work and computing
// all output columns in one pass.
#include "impl.hpp"
#include "kernels.hpp"

#include <cmath>
#include <numbers>
#include <optional>

namespace vexal::transformations {
namespace {

enum class Frame { abc, alphabetagamma, dq0 };

constexpr const char* column_count_messages[] = {
    "Dataframe of input signals a, b, c should have 3 columns, one for each signal.",
    "Dataframe of input signals alpha, beta, gamma should have 3 columns, one for each signal.",
    "Dataframe of input signals d, q, zero should have 3 columns, one for each signal.",
};
constexpr const char* abc_names[] = {"a", "b", "c"};
constexpr const char* alphabetagamma_names[] = {"alpha", "beta", "gamma"};
constexpr const char* dq0_names[] = {"d", "q", "zero"};

using std::numbers::pi;

void check_signals(PyObject* signals, Frame input) {
    Ref frame_type = getattr(state.global(id<"pd">()).get(), id<"DataFrame">());
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(signals));
    if (type != frame_type.get() && truthy(compare(type, frame_type.get(), Py_NE).get())) {
        raise(PyExc_ValueError, "Argument 'signals' should be pandas.Dataframe.");
    }
    Ref columns = getattr(signals, id<"columns">());
    Py_ssize_t count = PyObject_Length(columns.get());
    if (count < 0) raise();
    if (count != 3) raise(PyExc_ValueError, column_count_messages[static_cast<int>(input)]);
}

// Whether `value` is one of `names`, as `value in names` tests it; the index
// of the first equal name.
std::optional<int> find(PyObject* value, std::initializer_list<PyObject*> names) {
    int i = 0;
    for (PyObject* name : names) {
        if (name == value || check_status(PyObject_RichCompareBool(name, value, Py_EQ))) return i;
        ++i;
    }
    return std::nullopt;
}

struct Scaling {
    double k_albe, k_gamma;
};

// The scaling methods by their lowered names, with the factors of the
// forward and the inverse Clarke transformation.
struct ScalingMethod {
    PyObject* (*name)();
    Scaling forward, inverse;
};
const ScalingMethod scaling_methods[] = {
    {id<"amplitude invariant">, {2.0 / 3, 1.0 / 3}, {1, 1}},
    {id<"power invariant">, {std::sqrt(2.0 / 3), 1 / std::sqrt(3.0)}, {std::sqrt(2.0 / 3), 1 / std::sqrt(3.0)}},
    {id<"uniform">, {2.0 / 3, std::sqrt(2.0) / 3}, {1, 1 / std::sqrt(2.0)}},
};

struct Method {
    const ScalingMethod* scaling;
    Ref lowered;
};

Method check_method(PyObject* method, bool composite) {
    Ref lowered = call_method(method, id<"lower">());
    for (const ScalingMethod& scaling : scaling_methods) {
        if (find(lowered.get(), {scaling.name()})) return {&scaling, std::move(lowered)};
    }
    raise(PyExc_ValueError,
          composite ? "Argument type should have one of the following values: 'Amplitude invariant', or "
                      "'Power invariant', or 'Uniform'"
                    : "Argument method should have one of the following values: 'Amplitude invariant', or "
                      "'Power invariant', or 'Uniform'");
}

// The axis shift of the Clarke pair: 0 for "alpha", -π/2 for "beta".
double check_clarke_alignment(PyObject* alignment) {
    auto index = find(alignment, {id<"alpha">(), id<"beta">()});
    if (!index) {
        raise(PyExc_ValueError, "Argument alignment should have one of the following values: 'alpha' or 'beta'");
    }
    return *index == 0 ? 0.0 : -pi / 2;
}

// True for "q".
bool check_park_alignment(PyObject* alignment) {
    auto index = find(alignment, {id<"d">(), id<"q">()});
    if (!index) raise(PyExc_ValueError, "Argument alignment should have one of the following values: d or q.");
    return *index == 1;
}

// The three columns, from the frame's values at once where they are all
// float64, else one by one as signals.iloc[:, i].values.
struct Signals {
    explicit Signals(PyObject* signals) : Signals(signals, float64_values(signals)) {}
    ColumnSource x, y, z;

private:
    Signals(PyObject* signals, const Ref& block) : x(read(signals, block, 0)), y(read(signals, block, 1)),
                                                   z(read(signals, block, 2)) {}
    static ColumnSource read(PyObject* signals, const Ref& block, Py_ssize_t i) {
        return block ? ColumnSource(block.get(), i) : ColumnSource(column_values(signals, i).get());
    }
};

Column column(const ColumnSource& source) { return {source.data(), source.stride()}; }

// theta.values, checked against the number of rows as numpy's broadcasting
// and the frame's index would check it.
struct Theta {
    Theta(PyObject* values, Py_ssize_t rows) : source(values) {
        Py_ssize_t m = source.size();
        if (m == rows || m == 1) return;
        if (rows == 1) {
            raise_format(PyExc_ValueError, "Length of values (%zd) does not match length of index (%zd)", m, rows);
        }
        raise_format(PyExc_ValueError, "operands could not be broadcast together with shapes (%zd,) (%zd,) ", rows, m);
    }
    Column column() const { return {source.data(), source.size() == 1 ? 0 : source.stride()}; }
    ColumnSource source;
};

Ref compute(Job job, PyObject* signals, const char* const names[3]) {
    Ref index = getattr(signals, id<"index">());
    Ref block = new_block(job.n);
    {
        ContiguousDoubles out = ContiguousDoubles::view(block.get());
        job.out = out.data();
        ReleaseGil unlocked;
        run(job);
    }
    return wrap_block(block.get(), index.get(), names);
}

Job make_job(Kernel kernel, const Signals& in, const Theta* theta, ClarkeConstants clarke, bool q_aligned) {
    Column no_theta{nullptr, 0};
    return {kernel, {column(in.x), column(in.y), column(in.z), theta ? theta->column() : no_theta},
            clarke, q_aligned, nullptr, in.x.size()};
}

Ref clarke_impl(PyObject* signals, PyObject* method, PyObject* alignment, bool inverse) {
    check_signals(signals, inverse ? Frame::alphabetagamma : Frame::abc);
    Method m = check_method(method, false);
    double shift = check_clarke_alignment(alignment);
    Scaling k = inverse ? m.scaling->inverse : m.scaling->forward;
    Signals in(signals);
    Job job = make_job(inverse ? Kernel::inverse_clarke : Kernel::clarke, in, nullptr,
                       clarke_constants(k.k_albe, k.k_gamma, shift), false);
    return compute(job, signals, inverse ? abc_names : alphabetagamma_names);
}

Ref park_impl(PyObject* signals, PyObject* theta, PyObject* alignment, bool inverse) {
    check_signals(signals, inverse ? Frame::dq0 : Frame::alphabetagamma);
    bool q_aligned = check_park_alignment(alignment);
    Ref theta_values = getattr(theta, id<"values">());
    Signals in(signals);
    Theta angles(theta_values.get(), in.x.size());
    Job job = make_job(inverse ? Kernel::inverse_park : Kernel::park, in, &angles, {}, q_aligned);
    return compute(job, signals, inverse ? alphabetagamma_names : dq0_names);
}

Ref abc_to_alphabetagamma(FunctionObject*, PyObject* const* args) {
    return clarke_impl(args[0], args[1], args[2], false);
}

Ref alphabetagamma_to_abc(FunctionObject*, PyObject* const* args) {
    return clarke_impl(args[0], args[1], args[2], true);
}

Ref alphabetagamma_to_dq0(FunctionObject*, PyObject* const* args) {
    return park_impl(args[0], args[1], args[2], false);
}

Ref dq0_to_alphabetagamma(FunctionObject*, PyObject* const* args) {
    return park_impl(args[0], args[1], args[2], true);
}

Ref abc_to_dq0(FunctionObject*, PyObject* const* args) {
    PyObject *signals = args[0], *theta = args[1], *method = args[2], *alignment = args[3];
    check_signals(signals, Frame::abc);
    Method m = check_method(method, true);
    bool q_aligned = check_park_alignment(alignment);
    if (!state.fused_abc_to_dq0.holds()) {
        Ref clarke = call(state.global(id<"abc_to_alphabetagamma">()).get(), signals, m.lowered.get());
        return call(state.global(id<"alphabetagamma_to_dq0">()).get(), clarke.get(), theta, alignment);
    }
    Scaling k = m.scaling->forward;
    Signals in(signals);
    Ref theta_values = getattr(theta, id<"values">());
    Theta angles(theta_values.get(), in.x.size());
    Job job = make_job(Kernel::abc_to_dq0, in, &angles, clarke_constants(k.k_albe, k.k_gamma, 0.0), q_aligned);
    return compute(job, signals, dq0_names);
}

Ref dq0_to_abc(FunctionObject*, PyObject* const* args) {
    PyObject *signals = args[0], *theta = args[1], *method = args[2], *alignment = args[3];
    check_signals(signals, Frame::dq0);
    Method m = check_method(method, true);
    bool q_aligned = check_park_alignment(alignment);
    if (!state.fused_dq0_to_abc.holds()) {
        Ref park = call(state.global(id<"dq0_to_alphabetagamma">()).get(), signals, theta, alignment);
        return call(state.global(id<"alphabetagamma_to_abc">()).get(), park.get(), m.lowered.get());
    }
    Scaling k = m.scaling->inverse;
    Ref theta_values = getattr(theta, id<"values">());
    Signals in(signals);
    Theta angles(theta_values.get(), in.x.size());
    Job job = make_job(Kernel::dq0_to_abc, in, &angles, clarke_constants(k.k_albe, k.k_gamma, 0.0), q_aligned);
    return compute(job, signals, abc_names);
}

const char* const clarke_doc = R"(Clarke transformation: abc to alpha-beta-gamma.

Parameters
----------
signals : pandas.DataFrame
    Three columns, the phases a, b and c (taken by position), one row per sample.
method : str, optional
    "Amplitude invariant" (default), "Power invariant" or "Uniform", in any case.
alignment : str, optional
    "alpha" (default: the alpha axis lies on phase a) or "beta".

Returns
-------
pandas.DataFrame
    Columns "alpha", "beta", "gamma" on the index of ``signals``.
)";

const char* const inverse_clarke_doc = R"(Inverse Clarke transformation: alpha-beta-gamma to abc.

Parameters
----------
signals : pandas.DataFrame
    Three columns, alpha, beta and gamma (taken by position).
method : str, optional
    "Amplitude invariant" (default), "Power invariant" or "Uniform", in any case.
alignment : str, optional
    "alpha" (default) or "beta".

Returns
-------
pandas.DataFrame
    Columns "a", "b", "c" on the index of ``signals``.
)";

const char* const park_doc = R"(Park transformation: alpha-beta-gamma to dq0.

Parameters
----------
signals : pandas.DataFrame
    Three columns, alpha, beta and gamma (taken by position).
theta : pandas.Series
    Electrical angle in radians, one per sample.
alignment : str, optional
    "d" (default: the d axis lies on alpha at theta 0) or "q".

Returns
-------
pandas.DataFrame
    Columns "d", "q", "zero" on the index of ``signals``; "zero" is gamma.
)";

const char* const inverse_park_doc = R"(Inverse Park transformation: dq0 to alpha-beta-gamma.

Parameters
----------
signals : pandas.DataFrame
    Three columns, d, q and zero (taken by position).
theta : pandas.Series
    Electrical angle in radians, one per sample.
alignment : str, optional
    "d" (default) or "q".

Returns
-------
pandas.DataFrame
    Columns "alpha", "beta", "gamma" on the index of ``signals``; "gamma" is zero.
)";

const char* const abc_to_dq0_doc = R"(abc to dq0: the Clarke transformation followed by the Park transformation.

Parameters
----------
signals : pandas.DataFrame
    Three columns, the phases a, b and c (taken by position).
theta : pandas.Series
    Electrical angle in radians, one per sample.
method : str, optional
    Scaling of the Clarke step: "Amplitude invariant" (default), "Power
    invariant" or "Uniform", in any case.
alignment : str, optional
    "d" (default) or "q".

Returns
-------
pandas.DataFrame
    Columns "d", "q", "zero" on the index of ``signals``.
)";

const char* const dq0_to_abc_doc = R"(dq0 to abc: the inverse Park transformation followed by the inverse Clarke transformation.

Parameters
----------
signals : pandas.DataFrame
    Three columns, d, q and zero (taken by position).
theta : pandas.Series
    Electrical angle in radians, one per sample.
method : str, optional
    Scaling of the Clarke step: "Amplitude invariant" (default), "Power
    invariant" or "Uniform", in any case.
alignment : str, optional
    "d" (default) or "q".

Returns
-------
pandas.DataFrame
    Columns "a", "b", "c" on the index of ``signals``.
)";

// The frame functions with the defaults of their trailing parameters.
struct FrameFunction {
    FunctionDef def;
    const char* defaults[2];
};
const FrameFunction frame_functions[] = {
    {{"abc_to_alphabetagamma", "signals, method, alignment", abc_to_alphabetagamma, clarke_doc},
     {"Amplitude invariant", "alpha"}},
    {{"alphabetagamma_to_abc", "signals, method, alignment", alphabetagamma_to_abc, inverse_clarke_doc},
     {"Amplitude invariant", "alpha"}},
    {{"alphabetagamma_to_dq0", "signals, theta, alignment", alphabetagamma_to_dq0, park_doc}, {"d"}},
    {{"dq0_to_alphabetagamma", "signals, theta, alignment", dq0_to_alphabetagamma, inverse_park_doc}, {"d"}},
    {{"abc_to_dq0", "signals, theta, method, alignment", abc_to_dq0, abc_to_dq0_doc}, {"Amplitude invariant", "d"}},
    {{"dq0_to_abc", "signals, theta, method, alignment", dq0_to_abc, dq0_to_abc_doc}, {"Amplitude invariant", "d"}},
};

Ref defaults_of(const FrameFunction& f) {
    Ref defaults = check(PyTuple_New(f.defaults[1] ? 2 : 1));
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(defaults.get()); ++i) {
        PyTuple_SET_ITEM(defaults.get(), i, text(f.defaults[i]).release());
    }
    return defaults;
}

}  // namespace

void register_frames(PyObject* module) {
    for (const FrameFunction& f : frame_functions) {
        add_object(module, f.def.name, make_function(f.def, {.module = module, .defaults = defaults_of(f).get()}));
    }
    // The composites stand for the functions just made, as the module's dict holds them now.
    auto own = [](const char* name) { return Original(PyDict_GetItemString(state.globals, name)); };
    state.fused_abc_to_dq0.global(state.globals, "abc_to_alphabetagamma", own("abc_to_alphabetagamma"))
        .global(state.globals, "alphabetagamma_to_dq0", own("alphabetagamma_to_dq0"));
    state.fused_dq0_to_abc.global(state.globals, "dq0_to_alphabetagamma", own("dq0_to_alphabetagamma"))
        .global(state.globals, "alphabetagamma_to_abc", own("alphabetagamma_to_abc"));
}

}  // namespace vexal::transformations
