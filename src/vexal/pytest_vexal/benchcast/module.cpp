// vexal.pytest_vexal.benchcast: streams a pytest run to the desktop test IDE.
#include "benchcast.hpp"

namespace vexal::benchcast {

State state;

void init_next(PyObject* cls, PyObject* self, PyObject* kwargs) {
    Ref next = call(reinterpret_cast<PyObject*>(&PySuper_Type), cls, self);
    Ref init = getattr(next.get(), id<"__init__">());
    Ref no_args = check(PyTuple_New(0));
    check(PyObject_Call(init.get(), no_args.get(), kwargs));
}

namespace {

constexpr Import imports[] = {
    {"io", "io"},
    {"json", "json", nullptr, &state.json},
    {"os", "os"},
    {"uuid", "uuid"},
    {"typing", "List", "List"},
    {"typing", "Dict", "Dict"},
    {"zmq", "zmq", nullptr, &state.zmq},
    {"enum", "Enum", "Enum"},
    {"enum", "unique", "unique"},
    {"json", "JSONEncoder", "JSONEncoder"},
    {"pytest", "pytest", nullptr, &state.pytest},
};

bool text_ends_with(PyObject* value, const char* suffix) {
    if (!PyUnicode_Check(value)) return false;
    Ref tail = check(PyUnicode_FromString(suffix));
    Py_ssize_t found = PyUnicode_Tailmatch(value, tail.get(), 0, PY_SSIZE_T_MAX, 1);
    if (found < 0) raise();
    return found == 1;
}

// The dumps the json package defines, whatever json.dumps was bound to when
// this module was imported: a Python function named dumps, of the module
// json, whose code comes from the package's __init__.py.
bool is_json_own_dumps(PyObject* value) {
    if (!PyFunction_Check(value)) return false;
    Ref module = Ref::borrow(PyFunction_GetModule(value));  // null once deleted
    Ref code = Ref::borrow(PyFunction_GetCode(value));
    Ref name = getattr(code.get(), id<"co_name">());
    Ref file = getattr(code.get(), id<"co_filename">());
    return module && is_text(module.get(), "json") && is_text(name.get(), "dumps") &&
           (text_ends_with(file.get(), "/json/__init__.py") || text_ends_with(file.get(), "\\json\\__init__.py"));
}

// json.dumps stands for "{}" while json is the module imported and its dumps
// is json's own.
void hold_own(PyObject*) {
    state.open_contexts = check(PyDict_New()).release();
    state.plain_dumps.global(state.globals, "json", state.json)
        .global(PyModule_GetDict(state.json), "dumps", Original(is_json_own_dumps));
}

constexpr Part parts[] = {hold_own,            register_msg_types, register_identifiable,
                          register_publishers, register_plugin,    register_json_encoders};

PyObject** const held[] = {&state.open_contexts,   &state.minimal_publisher,      &state.common_publisher,
                           &state.my_publisher,    &state.dummy_publisher,        &state.identifiable,
                           &state.sndmore,         &state.collection_encoder.cls, &state.report_encoder.cls,
                           &state.sockets.cls,     &state.reports.cls};

const ModuleDecl declaration{
    "vexal.pytest_vexal.benchcast",
    "pytest plugin that streams test collection, test starts and test reports to the desktop test IDE "
    "through the local message proxy, as three-frame ZeroMQ messages with JSON payloads.",
    &state, false, imports, parts, held};

}  // namespace
}  // namespace vexal::benchcast

PyMODINIT_FUNC PyInit_benchcast() { return vexal_rt::define_module<vexal::benchcast::declaration>(); }
