// The publishers: the interface, the ZeroMQ-backed publishers and the
// do-nothing publisher used when no proxy is available.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

const char* const publish_msg_doc =
    "Publish a message of type msg_type with the accompanying keyword arguments.\n\n"
    "Args:\n"
    "    msg_type(MsgType): message type enumeration constant.\n"
    "    msg(str): the actual message string.\n"
    "    kwargs(dict): collected keyword arguments.\n\n"
    "Returns:\n"
    "    None\n";

const char* const init_doc =
    "Initialize an object.\n\n"
    "Args:\n"
    "    proxy_info(dict): Message proxy information in dict form.\n";

Ref abstract_publish_msg(FunctionObject*, PyObject* const*) { raise(PyExc_NotImplementedError, nullptr); }

Ref do_nothing(FunctionObject*, PyObject* const*) { return none(); }

Ref call_with_keyword(PyObject* self, PyObject* method, PyObject* keyword, PyObject* value) {
    Ref bound = getattr(self, method);
    Ref names = check(PyTuple_Pack(1, keyword));
    return call_kw(bound.get(), {value}, names.get());
}

// A publisher whose construction fails part-way closes what it made: a
// context collected with an open socket that still holds the unanswered
// request would wait for it for ever.
Ref init_minimal(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *proxy_info = args[1];
    init_next(state.minimal_publisher, self);
    setattr(self, id<"_pub_ctx">(), Py_None);
    setattr(self, id<"_pub_sock">(), Py_None);
    try {
        Ref pub_port = check(PyObject_GetItem(proxy_info, id<"outbound_port">()));
        call_with_keyword(self, id<"_setup_zmq">(), id<"pub_port">(), pub_port.get());
        Ref sync_port = check(PyObject_GetItem(proxy_info, id<"sync_port">()));
        call_with_keyword(self, id<"_sync_to_proxy">(), id<"sync_port">(), sync_port.get());
    } catch (const PyError&) {
        SavedError error;
        try {
            release_zmq(self, true);
        } catch (const PyError&) {
            PyErr_WriteUnraisable(self);
        }
        throw;
    }
    return none();
}

// super(<Class>, self).__init__(proxy_info=proxy_info)
template <PyObject* State::*Class>
Ref init_with_proxy_info(FunctionObject*, PyObject* const* args) {
    Ref kwargs = check(Py_BuildValue("{sO}", "proxy_info", args[1]));
    init_next(state.*Class, args[0], kwargs.get());
    return none();
}

Ref init_dummy(FunctionObject*, PyObject* const* args) {
    init_next(state.dummy_publisher, args[0]);
    return none();
}

Ref utf8(PyObject* text_) {
    if (PyUnicode_CheckExact(text_)) return check(PyUnicode_AsUTF8String(text_));
    return call_method(text_, id<"encode">(), id<"utf-8">());
}

Ref kwargs_json(PyObject* kwargs) {
    if (PyDict_GET_SIZE(kwargs) == 0 && state.plain_dumps.holds()) return check(PyBytes_FromString("{}"));
    Ref dumps = getattr(state.global(id<"json">()).get(), id<"dumps">());
    return utf8(call(dumps.get(), kwargs).get());
}

// A class whose send_multipart pyzmq's socket module defines.
bool pyzmqs_own(PyObject* socket_class) {
    if (!PyType_Check(socket_class)) return false;
    Ref send_multipart = getattr(socket_class, id<"send_multipart">());
    Ref module = lookup_attr(send_multipart.get(), id<"__module__">());
    return module && is_text(module.get(), "zmq.sugar.socket");
}

// pyzmq's Socket.send_multipart checks that each frame is a buffer, then
// sends all but the last with SNDMORE. For three bytes frames on a socket of
// the class zmq.Socket named at first use, the sends are made directly while
// that class is pyzmq's own, as pyzmq defines it, and the module's zmq is
// pyzmq.
bool direct_sends(PyObject* socket) {
    Watched& sockets = state.sockets;
    if (!sockets.cls) {
        Ref zmq = state.global(id<"zmq">());
        Ref socket_class = getattr(zmq.get(), id<"Socket">());
        state.sndmore = getattr(zmq.get(), id<"SNDMORE">()).release();
        PyObject* own_class = pyzmqs_own(socket_class.get()) ? socket_class.get() : nullptr;
        sockets.path.global(state.globals, "zmq", state.zmq)
            .global(PyModule_GetDict(state.zmq), "Socket", own_class)
            .attributes(socket_class.get(), {"send_multipart", "send"});
        sockets.cls = socket_class.release();
    }
    return Py_TYPE(socket) == reinterpret_cast<PyTypeObject*>(sockets.cls) && sockets.path.holds();
}

void send_multipart(PyObject* socket, const Ref (&frames)[3]) {
    if (direct_sends(socket)) {
        call_method(socket, id<"send">(), frames[0].get(), state.sndmore);
        call_method(socket, id<"send">(), frames[1].get(), state.sndmore);
        call_method(socket, id<"send">(), frames[2].get());
        return;
    }
    Ref list = check(PyList_New(3));
    for (Py_ssize_t i = 0; i < 3; ++i) PyList_SET_ITEM(list.get(), i, Ref(frames[i]).release());
    call_method(socket, id<"send_multipart">(), list.get());
}

Ref publish_msg(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *msg_type = args[1], *msg = args[2], *kwargs = args[3];
    const Ref frames[3] = {utf8(getattr(msg_type, id<"value">()).get()), utf8(msg), kwargs_json(kwargs)};
    send_multipart(getattr(self, id<"_pub_sock">()).get(), frames);
    return none();
}

const FunctionDef abstract_publish_msg_def{"publish_msg", "self, msg_type, msg, **kwargs", abstract_publish_msg,
                                           publish_msg_doc};
const FunctionDef init_minimal_def{"__init__", "self, proxy_info", init_minimal, init_doc};
const FunctionDef init_common_def{"__init__", "self, proxy_info", init_with_proxy_info<&State::common_publisher>,
                                  init_doc};
const FunctionDef init_my_def{"__init__", "self, proxy_info", init_with_proxy_info<&State::my_publisher>, init_doc};
const FunctionDef publish_msg_def{"publish_msg", "self, msg_type, msg, **kwargs", publish_msg,
                                  "Publish a message to the proxy as three frames:\n\n"
                                  "    | MsgType enum as str | msg | kwargs json representation |\n\n"
                                  "each encoded as UTF-8.\n\n"
                                  "Args:\n"
                                  "    msg_type(MsgType): message type enumeration constant.\n"
                                  "    msg(str): the actual message string.\n"
                                  "    kwargs(dict): collected keyword arguments, sent as a JSON object.\n\n"
                                  "Returns:\n"
                                  "    None\n"};
const FunctionDef init_dummy_def{"__init__", "self", init_dummy, "Initialize an object."};
const FunctionDef ignore_msg_def{"publish_msg", "self, msg_type, msg, **kwargs", do_nothing,
                                 "Accept a message and drop it.\n\n"
                                 "Args:\n"
                                 "    msg_type(MsgType): message type enumeration constant.\n"
                                 "    msg(str): the actual message string.\n"
                                 "    kwargs(dict): collected keyword arguments.\n\n"
                                 "Returns:\n"
                                 "    None\n"};

}  // namespace

void register_publishers(PyObject* module) {
    ClassBuilder interface(module, "IMsgPublisher");
    interface.doc(" Message publishing interface. ").method(abstract_publish_msg_def);
    Ref i_msg_publisher = interface.add_to_module();

    ClassBuilder minimal(module, "MinimalMsgPublisher");
    minimal.base(i_msg_publisher.get())
        .base(state.identifiable)
        .doc("Minimal implementation of the message publishing interface.\n\n"
             "Holds only the working ZeroMQ sockets: a PUB socket connected to the message proxy and, "
             "once the proxy answered the handshake, the REQ socket of that handshake. Publishing is "
             "left to subclasses.\n")
        .method(init_minimal_def)
        .method(setup_zmq_def)
        .method(sync_to_proxy_def)
        .method(close_def)
        .method(del_def);
    state.minimal_publisher = minimal.add_to_module().release();

    ClassBuilder common(module, "CommonMsgPublisher");
    common.base(state.minimal_publisher)
        .doc("Implementation of message publisher.")
        .method(init_common_def)
        .method(publish_msg_def);
    state.common_publisher = common.add_to_module().release();

    ClassBuilder my(module, "MyPublisher");
    my.base(state.common_publisher)
        .doc("My custom publisher for sending messages between process.")
        .method(init_my_def);
    state.my_publisher = my.add_to_module().release();

    ClassBuilder default_(module, "DefaultPublisher");
    default_.doc("Interface which dummy publisher expect.").method(ignore_msg_def);
    Ref default_publisher = default_.add_to_module();

    ClassBuilder dummy(module, "DummyPublisher");
    dummy.base(default_publisher.get())
        .doc("Msg publisher which does nothing if msg proxy file was not found.")
        .method(init_dummy_def)
        .method(ignore_msg_def);
    state.dummy_publisher = dummy.add_to_module().release();
}

}  // namespace vexal::benchcast
