// Under pytest-xdist the controller alone talks to the proxy: it publishes
// the starts and reports the workers send it anyway, and each worker hands
// it the collection messages it would have published, over an execnet
// channel that the controller puts into the worker's workerinput. The
// worker sends them before xdist reports its collection finished, on the
// same connection, so they are there when the controller hears of it.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

PyObject* channel_key() { return id<"vexal_benchcast_channel">(); }

// [(member name, text), ...] as a worker of this module sends it: the
// deselection messages, then the collection message; nothing else is
// published.
bool is_handover(PyObject* handed) {
    if (!PyList_Check(handed) || PyList_GET_SIZE(handed) == 0) return false;
    Py_ssize_t last = PyList_GET_SIZE(handed) - 1;
    for (Py_ssize_t i = 0; i <= last; ++i) {
        PyObject* message = PyList_GET_ITEM(handed, i);
        if (!PyTuple_Check(message) || PyTuple_GET_SIZE(message) != 2) return false;
        PyObject *member = PyTuple_GET_ITEM(message, 0), *msg = PyTuple_GET_ITEM(message, 1);
        if (!PyUnicode_Check(member) || !PyUnicode_Check(msg)) return false;
        PyObject* expected = i == last ? id<"MSG_TEST_IDE_COLLECTION">() : id<"MSG_TEST_IDE_DESELECTED">();
        if (PyUnicode_Compare(member, expected) != 0) return false;
    }
    return true;
}

// Pops d[key], or an empty Ref.
Ref pop_item(PyObject* dict, PyObject* key) {
    Ref value = Ref::borrow(PyDict_GetItemWithError(dict, key));
    if (!value) {
        if (PyErr_Occurred()) raise();
        return value;
    }
    check_status(PyDict_DelItem(dict, key));
    return value;
}

// What the worker's channel holds now, or an empty Ref when it holds
// nothing (a worker without this module) or went down.
Ref received(PyObject* channel) {
    Ref zero = check(PyLong_FromLong(0));
    return unless_raised([&] { return call_method(channel, id<"receive">(), zero.get()); }, Ref());
}

// pytest_configure_node(node): a controller that publishes gives the
// worker a channel back to it.
Ref configure_node(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *node = args[1];
    if (!audible_publisher(self)) return none();
    Ref channels = lookup_attr(self, id<"_worker_channels">());
    if (!channels) {
        channels = check(PyDict_New());
        setattr(self, id<"_worker_channels">(), channels.get());
    }
    Ref channel = call_method(getattr(node, id<"gateway">()).get(), id<"newchannel">());
    check_status(PyObject_SetItem(getattr(node, id<"workerinput">()).get(), channel_key(), channel.get()));
    check_status(PyObject_SetItem(channels.get(), node, channel.get()));
    return none();
}

// pytest_xdist_node_collection_finished(node, ids): the first worker whose
// collection arrives, on whatever host, gives the collection messages.
// xdist schedules no test before then.
Ref node_collection_finished(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *node = args[1];
    Ref channels = lookup_attr(self, id<"_worker_channels">());
    if (!channels || !PyDict_Check(channels.get())) return none();
    Ref channel = pop_item(channels.get(), node);
    Ref published = lookup_attr(self, id<"_collection_published">());
    if (!channel || (published && truthy(published.get()))) return none();
    Ref handed = received(channel.get());
    Ref publisher = audible_publisher(self);
    if (!handed || !publisher || !is_handover(handed.get())) return none();
    setattr(self, id<"_collection_published">(), Py_True);
    // The messages as they are now: publishing may run code.
    Ref messages = check(PyList_GetSlice(handed.get(), 0, PY_SSIZE_T_MAX));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(messages.get()); ++i) {
        PyObject* message = PyList_GET_ITEM(messages.get(), i);
        publish(publisher.get(), PyTuple_GET_ITEM(message, 0), PyTuple_GET_ITEM(message, 1));
    }
    return none();
}

}  // namespace

void start_handover(PyObject* plugin, PyObject* workerinput) {
    Ref channel;
    if (PyDict_Check(workerinput)) channel = Ref::borrow(PyDict_GetItemWithError(workerinput, channel_key()));
    if (!channel) {
        if (PyErr_Occurred()) raise();
        return;
    }
    Ref handed = check(PyList_New(0));
    setattr(plugin, id<"_handover_channel">(), channel.get());
    setattr(plugin, id<"_handed_messages">(), handed.get());
}

Ref handed_messages(PyObject* plugin) {
    Ref handed = lookup_attr(plugin, id<"_handed_messages">());
    return handed && PyList_Check(handed.get()) ? handed : Ref();
}

void finish_handover(PyObject* plugin) {
    Ref handed = handed_messages(plugin);
    if (!handed) return;
    Ref channel = getattr(plugin, id<"_handover_channel">());
    check_status(PyObject_DelAttr(plugin, id<"_handed_messages">()));
    check_status(PyObject_DelAttr(plugin, id<"_handover_channel">()));
    call_method(channel.get(), id<"send">(), handed.get());
}

const FunctionDef configure_node_def{"pytest_configure_node", "self, node", configure_node,
                                     "Give an xdist worker a channel to hand its collection messages over."};
const FunctionDef node_collection_finished_def{
    "pytest_xdist_node_collection_finished", "self, node, ids", node_collection_finished,
    "Publish the collection messages the first xdist worker to finish its collection handed over."};

}  // namespace vexal::benchcast
