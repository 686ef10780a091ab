// ContextTestExecutor: a test script's run in its own directory, with the
// simulator interfaces not raising, and its captured output attached.
#include "runshim.hpp"

namespace vexal::runshim {
namespace {

void set_raise_exceptions(PyObject* flag) {
    Ref raise_exceptions = getattr(scope.global(id<"hil">()).get(), id<"raise_exceptions">());
    call(raise_exceptions.get(), flag);
}

void set_model_raise_exceptions(PyObject* flag) {
    call_method(scope.global(id<"model">()).get(), id<"raise_exceptions">(), flag);
}

void chdir(PyObject* directory) {
    call_method(scope.global(id<"os">()).get(), id<"chdir">(), directory);
}

// Runs every restoring step even when an earlier one fails; the failures
// chain as nested try/finally blocks chain them, the last one raised.
class Restorer {
public:
    template <class Step>
    void run(Step&& step) {
        try {
            if (pending_) {
                Handling handling(pending_.get());
                step();
            } else {
                step();
            }
        } catch (const PyError&) {
            pending_ = fetch_error();
        }
    }
    void finish() {
        if (pending_) rethrow(pending_.get());
    }

private:
    Ref pending_;
};

void restore(PyObject* self) {
    Restorer restorer;
    restorer.run([] { set_model_raise_exceptions(Py_True); });
    restorer.run([] { set_raise_exceptions(Py_True); });
    restorer.run([self] { chdir(getattr(self, id<"orig_cwd">()).get()); });
    restorer.finish();
}

void attach(PyObject* body, PyObject* name) {
    Ref allure = scope.global(id<"allure">());
    Ref text_type = getattr(getattr(allure.get(), id<"attachment_type">()).get(), id<"TEXT">());
    PyObject* keywords = kwnames<"name", "attachment_type">();
    call_kw(getattr(allure.get(), id<"attach">()).get(), {body, name, text_type.get()}, keywords);
}

// Writes text read from capsys back to sys.<stream>, where pytest's capture
// takes it again: a failing test's report then shows it too. Binary output
// (capsysbinary) goes to the stream's byte buffer.
void hand_back(PyObject* stream_name, PyObject* text) {
    if (!truthy(text)) return;
    Ref stream = getattr(scope.global(id<"sys">()).get(), stream_name);
    if (PyBytes_Check(text) || PyByteArray_Check(text)) {
        call_method(stream.get(), id<"flush">());
        stream = getattr(stream.get(), id<"buffer">());
    }
    call_method(stream.get(), id<"write">(), text);
    call_method(stream.get(), id<"flush">());
}

Ref init(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *tmp_cwd = args[1], *capsys = args[2];
    setattr(self, id<"tmp_cwd">(), tmp_cwd);
    setattr(self, id<"orig_cwd">(), call_method(scope.global(id<"os">()).get(), id<"getcwd">()).get());
    setattr(self, id<"capsys">(), capsys);
    return none();
}

// A failure after the directory change undoes what was done before it
// propagates, as the with statement calls no __exit__ then.
Ref enter(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    chdir(getattr(self, id<"tmp_cwd">()).get());
    try {
        set_raise_exceptions(Py_False);
        set_model_raise_exceptions(Py_False);
    } catch (const PyError&) {
        Ref raised = fetch_error();
        {
            Handling handling(raised.get());
            restore(self);
        }
        rethrow(raised.get());
    }
    return none();
}

Ref exit(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    restore(self);
    call_method(getattr(scope.global(id<"sys">()).get(), id<"stdout">()).get(), id<"flush">());
    Ref captured = call_method(getattr(self, id<"capsys">()).get(), id<"readouterr">());
    Ref out = getattr(captured.get(), id<"out">());
    Ref err = getattr(captured.get(), id<"err">());
    attach(out.get(), id<"Output (stdout)">());
    attach(err.get(), id<"Errors (stderr)">());
    hand_back(id<"stdout">(), out.get());
    hand_back(id<"stderr">(), err.get());
    return none();
}

const FunctionDef init_def{"__init__", "self, tmp_cwd, capsys", init, R"doc(Prepare a run in another directory.

Parameters
----------
tmp_cwd : str
    Directory to run in (the test script's directory).
capsys : CaptureFixture
    The ``capsys`` fixture of the calling test; its captured output is
    attached to the report on exit.

Notes
-----
The current working directory is saved now, as ``orig_cwd``, and restored
on exit.
)doc"};
const FunctionDef enter_def{"__enter__", "self", enter, R"doc(Change to ``tmp_cwd`` and switch the simulator interfaces to not raising.

Calls ``os.chdir(tmp_cwd)``, ``hil.raise_exceptions(False)`` and
``model.raise_exceptions(False)``, in this order, and returns None. If a call
fails after the directory change, the directory and both settings are
restored before the error propagates.
)doc"};
const FunctionDef exit_def{"__exit__", "self, exc_type, exc_value, exc_traceback", exit,
                           R"doc(Restore the settings and directory, then attach the captured output.

Calls ``model.raise_exceptions(True)``, ``hil.raise_exceptions(True)`` and
``os.chdir(orig_cwd)`` (each of them also when an earlier one fails), then
flushes ``sys.stdout``, reads the output captured by ``capsys`` and attaches
its ``out`` and ``err`` texts to the Allure report as "Output (stdout)" and
"Errors (stderr)", also when they are empty, and writes them back to
``sys.stdout`` and ``sys.stderr``, so that pytest's own capture shows them in
a failure report too. Returns None: an exception of the block is never
suppressed.
)doc"};

}  // namespace

void register_executor(PyObject* module) {
    ClassBuilder(module, "ContextTestExecutor")
        .doc("Run a block in a test script's directory with the simulator interfaces not raising, and "
             "attach the output captured meanwhile to the Allure report.\n\n"
             "Attributes\n----------\n"
             "tmp_cwd : str\n    Directory to run in.\n"
             "orig_cwd : str\n    Working directory at construction, restored on exit.\n"
             "capsys : CaptureFixture\n    The calling test's ``capsys`` fixture.\n")
        .method(init_def)
        .method(enter_def)
        .method(exit_def)
        .add_to_module();
}

}  // namespace vexal::runshim
