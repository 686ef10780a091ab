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

bool is_json_dumps(PyObject* value) { return is_library_function(value, "json", "dumps", "json/__init__.py"); }

// json.dumps stands for "{}" while json is the module imported and its dumps
// is json's own, whatever json.dumps was bound to when this module was imported.
void hold_own(PyObject*) {
    state.open_contexts = check(PyDict_New()).release();
    state.plain_dumps.global(state.globals, "json", state.json)
        .global(PyModule_GetDict(state.json), "dumps", Original(is_json_dumps));
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
