// vexal.pytest_vexal.benchcast: streams a pytest run to the desktop test IDE.
#include "benchcast.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::benchcast {

State state;

Ref global(PyObject* name) { return vexal_rt::global(state.globals, name); }

void init_next(PyObject* cls, PyObject* self, PyObject* kwargs) {
    Ref next = call(reinterpret_cast<PyObject*>(&PySuper_Type), cls, self);
    Ref init = getattr(next.get(), id<"__init__">());
    Ref no_args = check(PyTuple_New(0));
    check(PyObject_Call(init.get(), no_args.get(), kwargs));
}

namespace {

// The imports of the module, bound as its globals the way import statements
// bind them.
void import_into(PyObject* module, const char* name) {
    add_object(module, name, import(name));
}

void import_from(PyObject* module, const char* from, const char* name) {
    Ref value = import_attr(from, Ref(text(name)).get());
    add_object(module, name, value);
}

void exec_benchcast(PyObject* module) {
    state.globals = PyModule_GetDict(module);
    for (const char* name : {"io", "json", "os", "uuid"}) import_into(module, name);
    import_from(module, "typing", "List");
    import_from(module, "typing", "Dict");
    import_into(module, "zmq");
    import_from(module, "enum", "Enum");
    import_from(module, "enum", "unique");
    import_from(module, "json", "JSONEncoder");
    import_into(module, "pytest");
    state.json_dumps = import_attr("json", id<"dumps">()).release();

    register_msg_types(module);
    register_identifiable(module);
    register_publishers(module);
    register_plugin(module);
    register_json_encoders(module);
}

}  // namespace
}  // namespace vexal::benchcast

PyMODINIT_FUNC PyInit_benchcast() {
    return vexal_rt::define_module<vexal::benchcast::exec_benchcast>(
        "vexal.pytest_vexal.benchcast",
        "pytest plugin that streams test collection, test starts and test reports to the desktop test IDE "
        "through the local message proxy, as three-frame ZeroMQ messages with JSON payloads.");
}
