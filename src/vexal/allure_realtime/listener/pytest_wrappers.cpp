// The listener's pytest hook wrappers: each run phase inside a
// `with self.catchlogs:` block, and each fixture setup as one log level.
#include "listener.hpp"

namespace vexal::listener {
namespace {

// The state of one phase wrapper is the list [self, bound __exit__].
Ref enter_catchlogs(PyObject* state) {
    Ref manager = getattr(PyList_GET_ITEM(state, 0), id<"catchlogs">());
    ContextManager block(manager.get());
    check_status(PyList_SetItem(state, 1, Py_NewRef(block.exit_method())));
    return none();
}

Ref exit_catchlogs(PyObject* state, PyObject*, PyObject* exc) {
    Ref exit = Ref::borrow(PyList_GET_ITEM(state, 1));
    exit_block(exit.get(), exc);
    return none();
}

const YieldOnceSteps phase_steps{enter_catchlogs, exit_catchlogs};

Ref run_phase(FunctionObject* fn, PyObject* const* args) {
    Ref state = check(PyList_New(2));
    PyList_SET_ITEM(state.get(), 0, Py_NewRef(args[0]));
    PyList_SET_ITEM(state.get(), 1, Py_NewRef(Py_None));
    return make_yield_once(fn, state.get(), phase_steps);
}

// The state of the fixture wrapper is the fixturedef.
Ref open_fixture(PyObject* fixturedef) {
    Ref logger = stepline();
    if (logger.is(Py_None)) return none();
    Ref start_fixture = getattr(logger.get(), id<"start_fixture">());
    call(start_fixture.get(), getattr(fixturedef, id<"argname">()).get());
    return none();
}

// An exception thrown in at the yield leaves the level open, as it would
// leave a generator written without try/finally.
Ref close_fixture(PyObject*, PyObject*, PyObject* exc) {
    if (exc) rethrow(exc);
    Ref logger = stepline();
    if (!logger.is(Py_None)) call_method(logger.get(), id<"stop_fixture">());
    return none();
}

const YieldOnceSteps fixture_steps{open_fixture, close_fixture};

Ref fixture_setup(FunctionObject* fn, PyObject* const* args) { return make_yield_once(fn, args[1], fixture_steps); }

const FunctionDef setup_def{"pytest_runtest_setup", "self", run_phase,
                            "pytest hook wrapper: run the setup phase inside ``self.catchlogs``.",
                            /*generator=*/true};
const FunctionDef call_def{"pytest_runtest_call", "self", run_phase,
                           "pytest hook wrapper: run the call phase inside ``self.catchlogs``.", /*generator=*/true};
const FunctionDef teardown_def{"pytest_runtest_teardown", "self", run_phase,
                               "pytest hook wrapper: run the teardown phase inside ``self.catchlogs``.",
                               /*generator=*/true};
const FunctionDef fixture_setup_def{"pytest_fixture_setup", "self, fixturedef, request", fixture_setup,
                                    "pytest hook wrapper: log \"[Fixture] {}\" with the fixture's name and indent "
                                    "what its setup logs.",
                                    /*generator=*/true};

Ref hookimpl_marker(PyObject* pytest, bool trylast) {
    Ref hookimpl = getattr(pytest, id<"hookimpl">());
    if (!trylast) return call_kw(hookimpl.get(), {Py_True}, kwnames<"hookwrapper">());
    return call_kw(hookimpl.get(), {Py_True, Py_True}, kwnames<"hookwrapper", "trylast">());
}

}  // namespace

void add_pytest_wrappers(ClassBuilder& cls, PyObject* pytest) {
    cls.decorated_methods(hookimpl_marker(pytest, true).get(), {&setup_def, &call_def, &teardown_def});
    cls.decorated_methods(hookimpl_marker(pytest, false).get(), {&fixture_setup_def});
}

}  // namespace vexal::listener
