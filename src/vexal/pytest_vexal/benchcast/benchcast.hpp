// Shared declarations of the IDE messaging module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::benchcast {

// One of the module's JSON encoders and what writing its text directly
// stands for.
struct Encoder {
    PyObject* cls = nullptr;
    FastPath guard;  // the class still resolves its methods to ours
    FastPath dumps;  // and json.dumps(o, cls=<the module's encoder>) makes it as json does
};

// A class of another package that a shortcut serves, watched from its first
// use: `path` holds while it is still that package's own.
struct Watched {
    PyObject* cls = nullptr;
    FastPath path;
};

// Process-wide module state: the module initialises once per process and
// keeps these objects for its whole life.
struct State : ModuleScope {
    PyObject* json = nullptr;        // the modules as imported
    PyObject* zmq = nullptr;
    PyObject* pytest = nullptr;
    // Every context a publisher made and has not released, mapped to the
    // sockets made from it (see zmq_setup.cpp).
    PyObject* open_contexts = nullptr;
    PyObject* minimal_publisher = nullptr;
    PyObject* common_publisher = nullptr;
    PyObject* my_publisher = nullptr;
    PyObject* dummy_publisher = nullptr;
    PyObject* identifiable = nullptr;
    FastPath plain_dumps;            // json.dumps is the one imported
    FastPath dummy_publisher_drops;  // DummyPublisher still drops every message unread
    Encoder collection_encoder;      // JsonPyTestCollection
    Encoder report_encoder;          // JsonPyTestReport
    Watched sockets;                 // pyzmq's Socket, sent to directly
    PyObject* sndmore = nullptr;     // zmq.SNDMORE, read with the Socket class
    Watched reports;                 // pytest's TestReport, written without its formatting
};
extern State state;

// compose(), or `fallback` when that raises an Exception; an interrupt or an
// exit request still propagates.
template <class Compose>
Ref unless_raised(Compose&& compose, Ref fallback) {
    try {
        return compose();
    } catch (const PyError&) {
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        PyErr_Clear();
        return fallback;
    }
}

// super(cls, self).__init__ called with the given keyword arguments.
void init_next(PyObject* cls, PyObject* self, PyObject* kwargs = nullptr);

// build_msg_type for two str: parent, MSG_SEP, name.
Ref join_msg_type(PyObject* parent, PyObject* name);

// The methods of the ZeroMQ-backed publishers that make and release sockets.
extern const FunctionDef setup_zmq_def;
extern const FunctionDef sync_to_proxy_def;
extern const FunctionDef close_def;
extern const FunctionDef del_def;
// Closes every socket the publisher made and terminates its context; with
// `discard` unsent messages are dropped at once instead of lingering.
void release_zmq(PyObject* self, bool discard);

// The terminal line saying why a run pointed at the proxy sends nothing (or
// None): from the exception that stopped the connection, or for a proxy that
// did not answer the handshake.
Ref link_problem(PyObject* config, PyObject* directory, PyObject* exc);
Ref silent_proxy_problem(PyObject* config, PyObject* directory, PyObject* publisher);

// The publisher a VexalTestPlugin sends through, or an empty Ref while that
// is a DummyPublisher: nobody reads what it is given, so nothing need be
// encoded for it.
Ref audible_publisher(PyObject* plugin);
// publisher.publish_msg(MsgType.<member>, msg)
void publish(PyObject* publisher, PyObject* member, PyObject* msg);

// Under pytest-xdist the controller publishes what every worker does, and
// its workers hand it their collection messages over an execnet channel of
// their own (a remote worker may not reach the proxy at all).
// On a worker: keeps the channel the controller gave it, if any.
void start_handover(PyObject* plugin, PyObject* workerinput);
// The list collecting a worker's messages for the controller, or an empty
// Ref where the plugin publishes itself.
Ref handed_messages(PyObject* plugin);
// Sends the collected messages to the controller, once.
void finish_handover(PyObject* plugin);
// The controller's xdist hooks: a channel for each worker, and publishing
// the first collection handed over.
extern const FunctionDef configure_node_def;
extern const FunctionDef node_collection_finished_def;

// json.dumps(o, cls=<the module's encoder of that name>) written directly,
// while json.dumps and that encoder are as this module made them; an empty
// Ref where json.dumps has to do it.
Ref dumps_directly(PyObject* encoder_name, PyObject* o);

void register_msg_types(PyObject* module);
void register_identifiable(PyObject* module);
void register_publishers(PyObject* module);
void register_plugin(PyObject* module);
void register_json_encoders(PyObject* module);

}  // namespace vexal::benchcast
