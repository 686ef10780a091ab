// VexalTestPlugin and the module's own hooks: the option that points to the
// proxy, and the configuration that registers the plugin.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

// with io.open(file=path, mode="r", encoding="utf-8") as f: return f.read()
Ref read_text_file(PyObject* path) {
    Ref open = getattr(state.global(id<"io">()).get(), id<"open">());
    Ref file = call_kw(open.get(), {path, id<"r">(), id<"utf-8">()}, kwnames<"file", "mode", "encoding">());
    return with(file.get(), [](PyObject* entered) { return call_method(entered, id<"read">()); });
}

// The directory of msgproxy.json: the launcher writes its spaces as "?".
Ref proxy_directory(PyObject* directory) { return call_method(directory, id<"replace">(), id<"?">(), id<" ">()); }

Ref proxy_info(PyObject* directory) {
    Ref join = getattr(getattr(state.global(id<"os">()).get(), id<"path">()).get(), id<"join">());
    Ref file = call(join.get(), directory, id<"msgproxy.json">());
    Ref content = read_text_file(file.get());
    return call(getattr(state.global(id<"json">()).get(), id<"loads">()).get(), content.get());
}

// Any error finding or reaching the proxy leaves the run without IDE
// messages; an interrupt or exit request still stops it. An xdist worker
// publishes nothing itself: the controller publishes the starts and reports
// it receives, and the collection the worker hands over.
Ref init_plugin(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *config = args[1];
    Ref workerinput = lookup_attr(config, id<"workerinput">());
    Ref publisher, problem = none();
    if (workerinput) {
        publisher = call(state.global(id<"DummyPublisher">()).get());
        start_handover(self, workerinput.get());
    } else {
        Ref directory;
        bool connected = false;
        try {
            directory = call_method(config, id<"getoption">(), id<"msg_proxy_path">());
            directory = proxy_directory(directory.get());
            publisher = call(state.global(id<"MyPublisher">()).get(), proxy_info(directory.get()).get());
            connected = true;
        } catch (const PyError&) {
            if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
            PyObject *type, *value, *traceback;
            PyErr_Fetch(&type, &value, &traceback);
            PyErr_NormalizeException(&type, &value, &traceback);
            Ref type_ = Ref::steal(type), exc = Ref::steal(value), traceback_ = Ref::steal(traceback);
            publisher = call(state.global(id<"DummyPublisher">()).get());
            // The line that says why the run sends nothing never fails the run.
            problem = unless_raised([&] { return link_problem(config, directory.get(), exc.get()); }, none());
        }
        if (connected) {
            problem = unless_raised(
                [&] { return silent_proxy_problem(config, directory.get(), publisher.get()); }, none());
        }
    }
    setattr(self, id<"publisher">(), publisher.get());
    setattr(self, id<"_link_problem">(), problem.get());
    return none();
}

Ref dumps(PyObject* obj, PyObject* encoder_name) {
    if (encoder_name) {
        if (Ref written = dumps_directly(encoder_name, obj)) return written;
    }
    Ref dumps_ = getattr(state.global(id<"json">()).get(), id<"dumps">());
    if (!encoder_name) return call(dumps_.get(), obj);
    return call_kw(dumps_.get(), {obj, state.global(encoder_name).get()}, kwnames<"cls">());
}

// A collection message goes to the controller from an xdist worker that
// hands its collection over, to the publisher otherwise; its text is made
// only when someone reads it.
void publish_collection(PyObject* self, PyObject* member, PyObject* items) {
    Ref handed = handed_messages(self);
    Ref publisher = handed ? Ref() : audible_publisher(self);
    if (!handed && !publisher) return;
    Ref msg = dumps(items, id<"JsonPyTestCollection">());
    if (handed) {
        Ref message = check(PyTuple_Pack(2, member, msg.get()));
        check_status(PyList_Append(handed.get(), message.get()));
    } else {
        publish(publisher.get(), member, msg.get());
    }
}

Ref collection_finish(FunctionObject*, PyObject* const* args) {
    Ref items = getattr(args[1], id<"items">());
    publish_collection(args[0], id<"MSG_TEST_IDE_COLLECTION">(), items.get());
    finish_handover(args[0]);
    return none();
}

Ref deselected(FunctionObject*, PyObject* const* args) {
    publish_collection(args[0], id<"MSG_TEST_IDE_DESELECTED">(), args[1]);
    return none();
}

Ref logstart(FunctionObject*, PyObject* const* args) {
    Ref publisher = audible_publisher(args[0]);
    if (publisher) publish(publisher.get(), id<"MSG_TEST_IDE_RUN">(), dumps(args[1], nullptr).get());
    return none();
}

Ref logreport(FunctionObject*, PyObject* const* args) {
    Ref publisher = audible_publisher(args[0]);
    if (publisher) {
        publish(publisher.get(), id<"MSG_TEST_IDE_RUN_REPORT">(), dumps(args[1], id<"JsonPyTestReport">()).get());
    }
    return none();
}

Ref terminal_summary(FunctionObject*, PyObject* const* args) {
    Ref problem = lookup_attr(args[0], id<"_link_problem">());
    if (!problem || problem.is(Py_None)) return none();
    call_kw(getattr(args[1], id<"write_line">()).get(), {problem.get(), Py_True}, kwnames<"yellow">());
    return none();
}

// Sockets and context go when the run ends, not whenever the plugin object
// happens to be collected.
Ref close_publisher(FunctionObject*, PyObject* const* args) {
    Ref close = lookup_attr(getattr(args[0], id<"publisher">()).get(), id<"close">());
    if (close) call(close.get());
    return none();
}

Ref addoption(FunctionObject*, PyObject* const* args) {
    Ref addoption_ = getattr(args[0], id<"addoption">());
    Ref help = text("directory of msgproxy.json, the message proxy's ports (write each space as '?'); "
                    "without it the run sends no IDE messages");
    call_kw(addoption_.get(), {id<"--msg_proxy_path">(), id<"store">(), Py_None, id<"msg_proxy_path">(), help.get()},
            kwnames<"action", "default", "dest", "help">());
    return none();
}

Ref configure(FunctionObject*, PyObject* const* args) {
    PyObject* config = args[0];
    Ref plugin = call(state.global(id<"VexalTestPlugin">()).get(), config);
    Ref pluginmanager = getattr(config, id<"pluginmanager">());
    call_method(pluginmanager.get(), id<"register">(), plugin.get());
    call_method(config, id<"add_cleanup">(), getattr(plugin.get(), id<"close_publisher">()).get());
    return none();
}

const FunctionDef init_def{"__init__", "self, config", init_plugin,
                           "Choose the publisher for this run.\n\n"
                           "Reads msgproxy.json from the directory given by --msg_proxy_path and connects to "
                           "the proxy (waiting at most 1000 ms for its answer); falls back to a DummyPublisher "
                           "when that fails for any reason.\n\n"
                           "Args:\n"
                           "    config(Config): the pytest config.\n"};
const FunctionDef collection_finish_def{"pytest_collection_finish", "self, session", collection_finish,
                                        "Publish the selected items with their chains of parents."};
const FunctionDef deselected_def{"pytest_deselected", "self, items", deselected, "Publish the deselected items."};
const FunctionDef logstart_def{"pytest_runtest_logstart", "self, nodeid, location", logstart,
                               "Publish the node id of the test that starts."};
const FunctionDef logreport_def{"pytest_runtest_logreport", "self, report", logreport,
                                "Publish the report of one test phase."};
const FunctionDef terminal_summary_def{"pytest_terminal_summary", "self, terminalreporter", terminal_summary,
                                       "Say on the terminal why a run given --msg_proxy_path sends nothing."};
const FunctionDef close_publisher_def{"close_publisher", "self", close_publisher,
                                      "Release the publisher's sockets and context, if it holds any."};
const FunctionDef addoption_def{"pytest_addoption", "parser", addoption,
                                "Register --msg_proxy_path, the directory of the proxy information file."};
const FunctionDef configure_def{"pytest_configure", "config", configure,
                                "Configure pytest plugin.\n\n"
                                "Registers a VexalTestPlugin, also when no proxy is available.\n\n"
                                "Args:\n"
                                "    config(Config): the pytest config.\n"};

// pytest.hookimpl(<option>=True)
template <Literal Option>
Ref hook_marker() {
    Ref hookimpl = getattr(state.global(id<"pytest">()).get(), id<"hookimpl">());
    return call_kw(hookimpl.get(), {Py_True}, kwnames<Option>());
}

}  // namespace

Ref audible_publisher(PyObject* plugin) {
    Ref publisher = getattr(plugin, id<"publisher">());
    bool dummy = Py_TYPE(publisher.get()) == reinterpret_cast<PyTypeObject*>(state.dummy_publisher);
    return dummy && state.dummy_publisher_drops.holds() ? Ref() : publisher;
}

void publish(PyObject* publisher, PyObject* member, PyObject* msg) {
    Ref msg_type = getattr(state.global(id<"MsgType">()).get(), member);
    call_method(publisher, id<"publish_msg">(), msg_type.get(), msg);
}

void register_plugin(PyObject* module) {
    state.dummy_publisher_drops.attributes(state.dummy_publisher, {"publish_msg"});
    ClassBuilder cls(module, "VexalTestPlugin");
    cls.doc("Plugin for pytest which sends information about test collecting, running and the report "
            "of each test as JSON objects.")
        .method(init_def)
        // Before xdist's worker reports its collection, so that the controller
        // has the handed-over messages when it hears of it.
        .decorated_methods(hook_marker<"tryfirst">().get(), {&collection_finish_def})
        .method(deselected_def)
        .method(logstart_def)
        .method(logreport_def)
        .method(terminal_summary_def)
        .method(close_publisher_def);
    // xdist's controller hooks, unknown to a run without xdist.
    cls.decorated_methods(hook_marker<"optionalhook">().get(), {&configure_node_def, &node_collection_finished_def});
    cls.add_to_module();
    add_functions(module, {&addoption_def, &configure_def});
}

}  // namespace vexal::benchcast
