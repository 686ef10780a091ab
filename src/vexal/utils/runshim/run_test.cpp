// run_test: a test script's `test` function run inside a pytest test, its
// returned value turned into a pass, a skip or a failure.
#include "runshim.hpp"

namespace vexal::runshim {
namespace {

Ref os_path(PyObject* function, PyObject* arg) {
    Ref path = getattr(scope.global(id<"os">()).get(), id<"path">());
    return call_method(path.get(), function, arg);
}

// request.fspath; request.path where pytest's legacy path plugin is disabled.
Ref module_file(PyObject* request) {
    Ref fspath = lookup_attr(request, id<"fspath">());
    return fspath ? std::move(fspath) : getattr(request, id<"path">());
}

[[noreturn]] void skip(PyObject* reason) {
    call(getattr(scope.global(id<"pytest">()).get(), id<"skip">()).get(), reason);
    raise_format(PyExc_RuntimeError, "pytest.skip returned instead of raising");
}

bool is_word(PyObject* result, PyObject* word) {
    Ref lower = call_method(result, id<"lower">());
    return truthy(compare(lower.get(), word, Py_EQ).get());
}

// The script's verdict: passes, or skips or fails the test. Checked whatever
// the optimisation flag; "failed" is a failure too.
void check_verdict(PyObject* result) {
    bool is_str = PyUnicode_Check(result);
    if (is_str && is_word(result, id<"skipped">())) skip(id<"Test code skipped the test.">());
    if (!truthy(result) || (is_str && is_word(result, id<"failed">()))) {
        raise(PyExc_AssertionError, "Test returned Failed status.");
    }
}

Ref run_test(FunctionObject*, PyObject* const* args) {
    PyObject *test_spec = args[0], *request = args[1], *capsys = args[2];
    // A str is a sequence as well: its first letter would be taken for the script.
    if (PyUnicode_Check(test_spec)) {
        raise_format(PyExc_TypeError,
                     "run_test takes a list or tuple of the script path and its arguments, not a str: "
                     "run_test([%R], request, capsys)",
                     test_spec);
    }
    Ref file = str(module_file(request).get());
    Ref filedir = os_path(id<"abspath">(), os_path(id<"dirname">(), file.get()).get());
    Ref script = check(PySequence_GetItem(test_spec, 0));
    Ref joined = call_method(getattr(scope.global(id<"os">()).get(), id<"path">()).get(), id<"join">(), filedir.get(),
                             script.get());
    Ref test_filename = os_path(id<"abspath">(), joined.get());
    Ref test_dir = os_path(id<"dirname">(), test_filename.get());
    Ref parameters = check(PySequence_GetSlice(test_spec, 1, PY_SSIZE_T_MAX));
    Ref positional = check(PySequence_Tuple(parameters.get()));

    Ref loaded = call(scope.global(id<"get_module">()).get(), test_filename.get());
    Ref test_function = lookup_attr(loaded.get(), id<"test">());
    if (!test_function || test_function.is(Py_None)) skip(id<"Test file doesn't have correct main test function">());

    Ref executor = call(scope.global(id<"ContextTestExecutor">()).get(), test_dir.get(), capsys);
    // The verdict is raised inside the "Test run" step, so that the step
    // fails or skips with the test.
    bool passed = false;
    with(executor.get(), [&](PyObject*) {
        Ref step = call(getattr(scope.global(id<"allure">()).get(), id<"step">()).get(), id<"Test run">());
        return with(step.get(), [&](PyObject*) {
            Ref result = check(PyObject_Call(test_function.get(), positional.get(), nullptr));
            check_verdict(result.get());
            passed = true;
            return none();
        });
    });
    // A context manager that suppressed the block's error left no verdict.
    if (!passed) raise(PyExc_AssertionError, "Test returned Failed status.");
    return none();
}

const FunctionDef run_test_def{"run_test", "test_spec, request, capsys", run_test,
                               R"doc(Run a test written as a plain script inside a pytest test.

Parameters
----------
test_spec : list or tuple
    The script's path, relative to the directory of the calling test module
    (an absolute path is used as it is), followed by the positional
    arguments for the script's ``test`` function.
request : FixtureRequest
    The calling test's ``request`` fixture.
capsys : CaptureFixture
    The calling test's ``capsys`` fixture.

Returns
-------
None
    The test passes when ``test`` returns a true value other than the text
    "failed" (in any letter case).

Raises
------
AssertionError
    "Test returned Failed status." when ``test`` returns a false value
    (``False``, ``None``, 0, an empty text or container) or "failed".

Notes
-----
The script is loaded afresh with ``get_module``, in the caller's working
directory. Its ``test`` function then runs in the script's directory, inside
a ``ContextTestExecutor`` and an Allure step "Test run", which fails or
skips with the test. The test is skipped when the script has no ``test``
function, or when ``test`` returns "skipped" in any letter case. The
script's output is attached to the report and handed back to pytest's
capture, so a failure report shows it too.

Examples
--------
>>> def test_grid(request, capsys):
...     run_test(["scripts/grid_test.py", 230, "a"], request, capsys)
)doc"};

}  // namespace

void register_run_test(PyObject* module) {
    add_function(module, run_test_def);
}

}  // namespace vexal::runshim
