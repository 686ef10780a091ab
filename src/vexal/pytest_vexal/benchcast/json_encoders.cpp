// JsonPyTestCollection and JsonPyTestReport: the JSON encoders of collection
// nodes and test reports. Their encode() writes the text directly while the
// encoder is set up as json.dumps sets it up by default, and leaves anything
// else to JSONEncoder.
#include "json_writer.hpp"

#include <iterator>
#include <unordered_map>
#include <utility>

namespace vexal::benchcast {
namespace {

// ---- the node rules -----------------------------------------------------------------------

// The node classes as pytest exports them now. Instance (gone in pytest 8)
// and Dir (new in pytest 8) are read from the module's namespace, so that a
// deprecation placeholder is never triggered.
struct NodeClasses {
    Ref session, function, class_, instance, module, package, dir;

    NodeClasses() {
        Ref pytest = state.global(id<"pytest">());
        session = getattr(pytest.get(), id<"Session">());
        function = getattr(pytest.get(), id<"Function">());
        class_ = getattr(pytest.get(), id<"Class">());
        instance = exported(pytest.get(), id<"Instance">());
        module = getattr(pytest.get(), id<"Module">());
        package = getattr(pytest.get(), id<"Package">());
        dir = exported(pytest.get(), id<"Dir">());
    }

    static Ref exported(PyObject* pytest, PyObject* name) {
        Ref names = getattr(pytest, id<"__dict__">());
        PyObject* value = PyDict_Check(names.get()) ? PyDict_GetItemWithError(names.get(), name) : nullptr;
        if (!value && PyErr_Occurred()) raise();
        return Ref::borrow(value);
    }
};

enum class NodeRule { root, parent, grandparent, pass_over, none };

NodeRule rule_for(const NodeClasses& classes, PyObject* o) {
    if (isinstance(o, classes.session.get())) return NodeRule::root;
    if (isinstance(o, classes.function.get()) || isinstance(o, classes.class_.get())) return NodeRule::parent;
    if (classes.instance && isinstance(o, classes.instance.get())) return NodeRule::grandparent;
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(o));
    if (classes.module.is(type) || classes.package.is(type)) return NodeRule::parent;
    // pytest 8 puts a Dir node between plain directories' modules and the
    // session; the IDE knows the tree without it.
    if (classes.dir && isinstance(o, classes.dir.get())) return NodeRule::pass_over;
    return NodeRule::none;
}

Ref parent_of(PyObject* o, NodeRule rule) {
    Ref parent = getattr(o, id<"parent">());
    if (rule == NodeRule::grandparent) parent = getattr(parent.get(), id<"parent">());
    return parent;
}

Ref type_name(PyObject* obj) { return getattr(getattr(obj, id<"__class__">()).get(), id<"__name__">()); }

// fspath comes from pytest's legacy-path plugin; without it, the path.
Ref node_fspath(PyObject* o) {
    Ref fspath = lookup_attr(o, id<"fspath">());
    if (!fspath) return str(getattr(o, id<"path">()).get());
    return getattr(fspath.get(), id<"strpath">());
}

Ref collection_default(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *o = args[1];
    NodeRule rule = rule_for(NodeClasses(), o);
    switch (rule) {
        case NodeRule::root: return text("Root");
        case NodeRule::pass_over: return getattr(o, id<"parent">());
        case NodeRule::none: return none();
        default: break;
    }
    Ref node = check(PyDict_New());
    auto set = [&node](PyObject* key, Ref value) { check_status(PyDict_SetItem(node.get(), key, value.get())); };
    set(id<"__class__">(), call_method(self, id<"_get_type_name">(), o));
    set(id<"nodeid">(), getattr(o, id<"nodeid">()));
    set(id<"fspath">(), node_fspath(o));
    set(id<"name">(), getattr(o, id<"name">()));
    set(id<"parent">(), parent_of(o, rule));
    return node;
}

// The same rules, writing text. Each collector's text is kept for the rest of
// the call: every item repeats its whole chain of ancestors.
class CollectionWriter : public JsonWriter {
    void write_custom(PyObject* o) override {
        if (auto known = texts_.find(o); known != texts_.end()) {
            out() += known->second.second;
            return;
        }
        NodeRule rule = rule_for(classes_, o);
        if (rule == NodeRule::root) return write_raw("\"Root\"");
        if (rule == NodeRule::none) return write_raw("null");
        // An item appears once; only its ancestors repeat.
        if (isinstance(o, classes_.function.get())) return write_node(o, rule);
        size_t start = out().size();
        if (rule == NodeRule::pass_over) {
            write(getattr(o, id<"parent">()).get());
        } else {
            write_node(o, rule);
        }
        texts_.emplace(o, std::make_pair(Ref::borrow(o), out().substr(start)));
    }

    void write_node(PyObject* o, NodeRule rule) {
        write_raw("{\"__class__\": ");
        write(type_name(o).get());
        write_raw(", \"nodeid\": ");
        write(getattr(o, id<"nodeid">()).get());
        write_raw(", \"fspath\": ");
        write(node_fspath(o).get());
        write_raw(", \"name\": ");
        write(getattr(o, id<"name">()).get());
        write_raw(", \"parent\": ");
        write(parent_of(o, rule).get());
        write_raw("}");
    }

    NodeClasses classes_;
    std::unordered_map<PyObject*, std::pair<Ref, std::string>> texts_;  // the Ref keeps the key alive
};

// ---- test reports -------------------------------------------------------------------------

struct ReportField {
    const char* key;
    PyObject* (*attribute)();
    bool formatted = false;  // derived by pytest from longrepr or sections
};

const ReportField report_fields[] = {
    {"nodeid", id<"nodeid">},
    {"fspath", id<"fspath">},
    {"duration", id<"duration">},
    {"failed", id<"failed">},
    {"report_text", id<"longreprtext">, true},
    {"passed", id<"passed">},
    {"skipped", id<"skipped">},
    {"caplog", id<"caplog">, true},
    {"capstdout", id<"capstdout">, true},
    {"capstderr", id<"capstderr">, true},
    {"when", id<"when">},
};

// pytest formats the failure text through a terminal writer and joins the
// captured output from the report's sections. A report of pytest's own
// TestReport class without failure representation, sections or xdist node
// gives "" for all four; while pytest's definitions stand, that is written
// without running them.

// Each of those attributes as pytest's reports module defines it.
bool pytests_own(PyObject* type) {
    if (!PyType_Check(type)) return false;
    for (PyObject* name : {id<"longreprtext">(), id<"caplog">(), id<"capstdout">(), id<"capstderr">(),
                           id<"toterminal">(), id<"get_sections">()}) {
        Ref attribute = getattr(type, name);
        Ref function = PyObject_TypeCheck(attribute.get(), &PyProperty_Type)
                           ? getattr(attribute.get(), id<"fget">())
                           : attribute;
        Ref module = lookup_attr(function.get(), id<"__module__">());
        if (!module || !is_text(module.get(), "_pytest.reports")) return false;
    }
    return true;
}

// A report of the class pytest.TestReport names at first use, while that is
// pytest's own and the module's pytest is pytest.
bool is_plain_report(PyObject* o) {
    Watched& reports = state.reports;
    if (!reports.cls) {
        Ref type = getattr(state.global(id<"pytest">()).get(), id<"TestReport">());
        PyObject* own_class = pytests_own(type.get()) ? type.get() : nullptr;
        reports.path.global(state.globals, "pytest", state.pytest)
            .global(PyModule_GetDict(state.pytest), "TestReport", own_class)
            .attributes(type.get(), {"longreprtext", "caplog", "capstdout", "capstderr", "toterminal",
                                     "get_sections", "node", "longrepr", "sections"});
        reports.cls = type.release();
    }
    if (Py_TYPE(o) != reinterpret_cast<PyTypeObject*>(reports.cls) || !reports.path.holds()) return false;
    Ref attributes = check(PyObject_GenericGetDict(o, nullptr));
    auto item = [&attributes](PyObject* name) {
        PyObject* value = PyDict_GetItemWithError(attributes.get(), name);
        if (!value && PyErr_Occurred()) raise();
        return value;
    };
    PyObject* sections = item(id<"sections">());
    if (item(id<"longrepr">()) != Py_None || !sections || !PyList_CheckExact(sections) ||
        PyList_GET_SIZE(sections) != 0) {
        return false;
    }
    return !item(id<"node">()) && !item(id<"toterminal">()) && !item(id<"get_sections">());
}

Ref report_default(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *o = args[1];
    Ref report = check(PyDict_New());
    check_status(PyDict_SetItem(report.get(), id<"__class__">(), call_method(self, id<"_get_type_name">(), o).get()));
    for (const ReportField& field : report_fields) {
        check_status(PyDict_SetItemString(report.get(), field.key, getattr(o, field.attribute()).get()));
    }
    return report;
}

class ReportWriter : public JsonWriter {
    void write_custom(PyObject* o) override {
        write_raw("{\"__class__\": ");
        write(type_name(o).get());
        bool plain = is_plain_report(o);
        for (const ReportField& field : report_fields) {
            write_raw(", \"");
            write_raw(field.key);
            write_raw("\": ");
            if (plain && field.formatted) {
                write_raw("\"\"");
            } else {
                write(getattr(o, field.attribute()).get());
            }
        }
        write_raw("}");
    }
};

// ---- encode -------------------------------------------------------------------------------

// What JSONEncoder.__init__ leaves for json.dumps' defaults: these flags in
// the instance, the separators ", " and ": " (class attributes unless given),
// and no `default` of the instance's own.
bool has_default_settings(PyObject* self) {
    static const std::pair<PyObject* (*)(), PyObject*> flags[] = {
        {id<"skipkeys">, Py_False}, {id<"ensure_ascii">, Py_True}, {id<"check_circular">, Py_True},
        {id<"allow_nan">, Py_True}, {id<"sort_keys">, Py_False}, {id<"indent">, Py_None},
    };
    Ref attributes = check(PyObject_GenericGetDict(self, nullptr));
    Py_ssize_t own_separators = 0;
    for (PyObject* name : {id<"item_separator">(), id<"key_separator">()}) {
        own_separators += check_status(PyDict_Contains(attributes.get(), name));
    }
    if (PyDict_GET_SIZE(attributes.get()) != static_cast<Py_ssize_t>(std::size(flags)) + own_separators) return false;
    for (const auto& [name, expected] : flags) {
        PyObject* value = PyDict_GetItemWithError(attributes.get(), name());
        if (!value && PyErr_Occurred()) raise();
        if (value != expected) return false;
    }
    auto is_text = [self](PyObject* name, PyObject* expected) {
        Ref value = getattr(self, name);
        return PyUnicode_CheckExact(value.get()) && PyUnicode_Compare(value.get(), expected) == 0;
    };
    return is_text(id<"item_separator">(), id<", ">()) && is_text(id<"key_separator">(), id<": ">());
}

template <class Writer>
Ref encode(Encoder& encoder, PyObject* self, PyObject* o) {
    if (Py_TYPE(self) == reinterpret_cast<PyTypeObject*>(encoder.cls) && encoder.guard.holds() &&
        has_default_settings(self)) {
        try {
            return Writer().encode(o);
        } catch (const Unsupported&) {
        }
    }
    Ref base = call(reinterpret_cast<PyObject*>(&PySuper_Type), encoder.cls, self);
    return call_method(base.get(), id<"encode">(), o);
}

// json.dumps(o, cls=<the encoder>) makes the encoder with default settings
// and calls its encode().
template <class Writer>
Ref dumps_directly(Encoder& encoder, PyObject* o) {
    if (!encoder.dumps.holds()) return Ref();
    try {
        return Writer().encode(o);
    } catch (const Unsupported&) {
        return Ref();
    }
}

Ref encode_collection(FunctionObject*, PyObject* const* args) {
    return encode<CollectionWriter>(state.collection_encoder, args[0], args[1]);
}

Ref encode_report(FunctionObject*, PyObject* const* args) {
    return encode<ReportWriter>(state.report_encoder, args[0], args[1]);
}

Ref get_type_name(FunctionObject*, PyObject* const* args) { return type_name(args[0]); }

const FunctionDef get_type_name_def{"_get_type_name", "obj", get_type_name,
                                    " Return type (class) name for provided object. "};
const char* const encode_doc =
    "Return the JSON text of o, exactly as JSONEncoder.encode gives it.\n\n"
    "Args:\n"
    "    o(object): the object to encode.\n\n"
    "Returns:\n"
    "    str: its JSON text.\n";
const FunctionDef collection_default_def{
    "default", "self, o", collection_default,
    "Encode a pytest collection node.\n\n"
    "A node becomes an object of its class name, nodeid, fspath, name and parent, the parent in turn "
    "encoded by these rules; the session becomes \"Root\", and a node of any other kind null.\n\n"
    "Args:\n"
    "    o(object): the node.\n\n"
    "Returns:\n"
    "    object: what is encoded in its place.\n"};
const FunctionDef report_default_def{"default", "self, o", report_default,
                                     "Encode a pytest test report.\n\n"
                                     "Args:\n"
                                     "    o(TestReport): the report of one test phase.\n\n"
                                     "Returns:\n"
                                     "    dict: its class name, nodeid, fspath, duration, outcome flags, "
                                     "failure text (report_text), captured output and phase.\n"};
const FunctionDef encode_collection_def{"encode", "self, o", encode_collection, encode_doc};
const FunctionDef encode_report_def{"encode", "self, o", encode_report, encode_doc};

void add_encoder(PyObject* module, Encoder& encoder, const char* name, const char* doc, const FunctionDef& default_def,
                 const FunctionDef& encode_def) {
    Ref cls = ClassBuilder(module, name)
                  .base(state.global(id<"JSONEncoder">()).get())
                  .doc(doc)
                  .static_method(get_type_name_def)
                  .method(default_def)
                  .method(encode_def)
                  .build();
    encoder.cls = Py_NewRef(cls.get());
    encoder.guard.attributes(cls.get(), {"__new__", "__init__", "encode", "iterencode", "default", "_get_type_name"});
    encoder.dumps.also(state.plain_dumps).global(state.globals, name, cls).also(encoder.guard);
    add_object(module, name, cls);
}

}  // namespace

Ref dumps_directly(PyObject* encoder_name, PyObject* o) {
    if (encoder_name == id<"JsonPyTestReport">()) return dumps_directly<ReportWriter>(state.report_encoder, o);
    return dumps_directly<CollectionWriter>(state.collection_encoder, o);
}

void register_json_encoders(PyObject* module) {
    add_encoder(module, state.collection_encoder, "JsonPyTestCollection",
                "Custom JSON encoder for pytest objects: collection nodes with their chain of parents.",
                collection_default_def, encode_collection_def);
    add_encoder(module, state.report_encoder, "JsonPyTestReport", "Custom JSON encoder for the pytest report object.",
                report_default_def, encode_report_def);
}

}  // namespace vexal::benchcast
