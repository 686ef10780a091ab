// Why a run that was pointed at the message proxy sends nothing: the one
// line the plugin shows at the end of the run.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

Ref os_path_call(PyObject* function, PyObject* arg) {
    Ref path = getattr(state.global(id<"os">()).get(), id<"path">());
    return call_method(path.get(), function, arg);
}

bool is_dir(PyObject* path) { return truthy(os_path_call(id<"isdir">(), path).get()); }

Ref info_file(PyObject* directory) {
    Ref path = getattr(state.global(id<"os">()).get(), id<"path">());
    return call_method(path.get(), id<"join">(), directory, id<"msgproxy.json">());
}

bool matches(PyObject* exc, PyObject* type) { return PyErr_GivenExceptionMatches(exc, type) != 0; }

// The reason the proxy could not be used, from the exception that stopped it.
Ref reason(PyObject* directory, PyObject* exc) {
    if (!PyUnicode_Check(directory)) return check(PyUnicode_FromFormat("--msg_proxy_path is %R", directory));
    if (!is_dir(directory)) return check(PyUnicode_FromFormat("no such directory: %R", directory));
    Ref file = info_file(directory);
    if (matches(exc, PyExc_FileNotFoundError)) return check(PyUnicode_FromFormat("no msgproxy.json in %U", directory));
    if (matches(exc, PyExc_OSError)) return check(PyUnicode_FromFormat("cannot read %U: %S", file.get(), exc));
    if (matches(exc, PyExc_ValueError)) return check(PyUnicode_FromFormat("%U is no valid JSON: %S", file.get(), exc));
    if (matches(exc, PyExc_KeyError)) {
        return check(PyUnicode_FromFormat("%U lacks the key %S", file.get(), exc));
    }
    Ref zmq_error = getattr(state.global(id<"zmq">()).get(), id<"ZMQError">());
    if (matches(exc, zmq_error.get())) {
        return check(PyUnicode_FromFormat("cannot connect to the ports in %U: %S", file.get(), exc));
    }
    return check(PyUnicode_FromFormat("%U: %s: %S", file.get(), Py_TYPE(exc)->tp_name, exc));
}

// A directory holding msgproxy.json that pytest took as a test path, as
// from "--msg_proxy_path= DIR".
Ref misplaced_directory(PyObject* config, PyObject* directory) {
    Ref args = lookup_attr(config, id<"args">());
    if (!args || !PyList_Check(args.get())) return Ref();
    Ref items = check(PySequence_List(args.get()));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
        Ref arg = Ref::borrow(PyList_GET_ITEM(items.get(), i));
        if (!PyUnicode_Check(arg.get()) || !is_dir(arg.get())) continue;
        if (directory && PyUnicode_Check(directory) && PyUnicode_Compare(arg.get(), directory) == 0) continue;
        if (truthy(os_path_call(id<"isfile">(), info_file(arg.get()).get()).get())) return arg;
    }
    return Ref();
}

Ref line(PyObject* reason_text, PyObject* misplaced) {
    if (!misplaced) return check(PyUnicode_FromFormat("vexal: no IDE messages: %U", reason_text));
    return check(PyUnicode_FromFormat("vexal: no IDE messages: %U (%U was taken as a test path; write "
                                      "--msg_proxy_path=%U)",
                                      reason_text, misplaced, misplaced));
}

}  // namespace

Ref link_problem(PyObject* config, PyObject* directory, PyObject* exc) {
    Ref misplaced = misplaced_directory(config, directory);
    if (!directory || directory == Py_None) {
        if (!misplaced) return none();
        return line(Ref(text("--msg_proxy_path not given")).get(), misplaced.get());
    }
    return line(reason(directory, exc).get(), misplaced.get());
}

Ref silent_proxy_problem(PyObject* config, PyObject* directory, PyObject* publisher) {
    Ref sync_socket = lookup_attr(publisher, id<"_req_sock">());
    if (!sync_socket || !truthy(getattr(sync_socket.get(), id<"closed">()).get())) return none();
    Ref text_ = check(PyUnicode_FromFormat("the proxy named in %U did not answer within 1000 ms (a stale file?)",
                                           info_file(directory).get()));
    return line(text_.get(), misplaced_directory(config, directory).get());
}

}  // namespace vexal::benchcast
