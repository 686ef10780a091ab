// The ZeroMQ side of a publisher: its context, the publish socket connected to
// the proxy, the handshake that waits for the proxy, and their release.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

constexpr long send_high_water_mark = 100000;

// The proxy listens on the local machine only.
Ref endpoint(PyObject* port) { return call_method(id<"tcp://localhost:{}">(), id<"format">(), port); }

Ref zmq_constant(PyObject* name) { return getattr(state.global(id<"zmq">()).get(), name); }

// The module state holds every context a publisher made and has not released,
// mapped to the sockets made from it. Held there, they can never be garbage
// before their publisher: the collector clears weak references to garbage (so
// the context no longer sees its sockets) and runs finalizers in no fixed order, and a context
// finalized first would wait for ever in term() on sockets still open. Only
// release_zmq lets them go.
PyObject* open_contexts() { return state.open_contexts; }

void keep(PyObject* context, PyObject* socket) {
    Ref empty = check(PyList_New(0));
    Ref sockets = check(Py_XNewRef(PyDict_SetDefault(open_contexts(), context, empty.get())));
    if (socket) check_status(PyList_Append(sockets.get(), socket));
}

Ref setup_zmq(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *pub_port = args[1];
    Ref context = call(zmq_constant(id<"Context">()).get());
    keep(context.get(), nullptr);
    setattr(self, id<"_pub_ctx">(), context.get());
    Ref socket = call_method(context.get(), id<"socket">(), zmq_constant(id<"PUB">()).get());
    keep(context.get(), socket.get());
    setattr(self, id<"_pub_sock">(), socket.get());
    Ref linger = check(PyLong_FromLong(1000));
    call_method(socket.get(), id<"setsockopt">(), zmq_constant(id<"LINGER">()).get(), linger.get());
    // Room for a burst (a whole run's collection and reports) while the proxy
    // catches up; the default of 1000 messages drops the rest.
    Ref high_water_mark = check(PyLong_FromLong(send_high_water_mark));
    call_method(socket.get(), id<"setsockopt">(), zmq_constant(id<"SNDHWM">()).get(), high_water_mark.get());
    call_method(socket.get(), id<"connect">(), endpoint(pub_port).get());
    return none();
}

// One request and one bounded wait: a proxy that does not answer within a
// second is given up on, and the publisher publishes anyway.
Ref sync_to_proxy(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *sync_port = args[1];
    Ref context = getattr(self, id<"_pub_ctx">());
    Ref socket = call_method(context.get(), id<"socket">(), zmq_constant(id<"REQ">()).get());
    keep(context.get(), socket.get());
    setattr(self, id<"_req_sock">(), socket.get());
    call_method(socket.get(), id<"connect">(), endpoint(sync_port).get());
    Ref hello = check(PyBytes_FromString("Hello"));
    call_method(socket.get(), id<"send">(), hello.get());

    Ref poller = call(zmq_constant(id<"Poller">()).get());
    call_method(poller.get(), id<"register">(), socket.get(), zmq_constant(id<"POLLIN">()).get());
    Ref timeout = check(PyLong_FromLong(1000));
    Ref events = call_method(poller.get(), id<"poll">(), timeout.get());
    if (truthy(events.get())) {
        call_method(socket.get(), id<"recv">());
        return none();
    }
    call_method(poller.get(), id<"unregister">(), socket.get());
    Ref no_linger = check(PyLong_FromLong(0));
    call_method(socket.get(), id<"setsockopt">(), zmq_constant(id<"LINGER">()).get(), no_linger.get());
    call_method(socket.get(), id<"close">());
    return none();
}

Ref close(FunctionObject*, PyObject* const* args) {
    release_zmq(args[0], false);
    return none();
}

// A publisher that goes without close(), freed or collected in a cycle,
// releases the same way; the publish socket keeps its linger.
Ref finalize(FunctionObject*, PyObject* const* args) {
    release_zmq(args[0], false);
    return none();
}

}  // namespace

// Context.destroy closes every socket of the context before terminating it,
// so no open socket can keep term() waiting: open_contexts keeps them alive,
// so the context still sees every one of them.
void release_zmq(PyObject* self, bool discard) {
    Ref context = lookup_attr(self, id<"_pub_ctx">());
    if (!context || context.is(Py_None)) return;
    if (discard) {
        Ref destroy = getattr(context.get(), id<"destroy">());
        Ref no_linger = check(PyLong_FromLong(0));
        call_kw(destroy.get(), {no_linger.get()}, kwnames<"linger">());
    } else {
        call_method(context.get(), id<"destroy">());
    }
    call_method(open_contexts(), id<"pop">(), context.get(), Py_None);
}

const FunctionDef setup_zmq_def{"_setup_zmq", "self, pub_port", setup_zmq,
                                "Setup zmq parts like context and socket.\n\n"
                                "Makes the publisher's own context and a PUB socket (linger 1000 ms, room for "
                                "100000 unsent messages) "
                                "connected to the proxy's outbound port on this machine.\n\n"
                                "Args:\n"
                                "    pub_port(int): number for the outbound proxy port.\n\n"
                                "Returns:\n"
                                "    None\n"};
const FunctionDef sync_to_proxy_def{"_sync_to_proxy", "self, sync_port", sync_to_proxy,
                                    "Sync this publisher to messaging proxy.\n\n"
                                    "Sends b\"Hello\" on a REQ socket and waits up to 1000 ms for the answer. "
                                    "Without an answer the REQ socket is closed and nothing is raised.\n\n"
                                    "Args:\n"
                                    "    sync_port(int): proxy sync port number.\n\n"
                                    "Returns:\n"
                                    "    None\n"};
const FunctionDef close_def{"close", "self", close,
                            "Close the sockets and terminate the context.\n\n"
                            "Unsent messages may still be delivered for up to 1000 ms (the publish "
                            "socket's linger).\n\n"
                            "Returns:\n"
                            "    None\n"};
const FunctionDef del_def{"__del__", "self", finalize,
                          "Close the sockets and terminate the context of a publisher that goes away.\n\n"
                          "Does what close does; nothing for a publisher already closed.\n"};

}  // namespace vexal::benchcast
