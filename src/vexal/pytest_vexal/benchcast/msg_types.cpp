// The message-type vocabulary: MSG_SEP, build_msg_type, MsgType and the type
// aliases of messages.
#include "benchcast.hpp"

#include <map>
#include <string_view>

namespace vexal::benchcast {

Ref join_msg_type(PyObject* parent, PyObject* name) {
    Ref parts = check(PyTuple_Pack(2, parent, name));
    return check(PyUnicode_Join(state.global(id<"MSG_SEP">()).get(), parts.get()));
}

namespace {

Ref build_msg_type(FunctionObject*, PyObject* const* args) { return join_msg_type(args[0], args[1]); }

const FunctionDef build_msg_type_def{"build_msg_type", "parent_msg_type, msg_type_name", build_msg_type,
                                     "Build a new message type below a parent type.\n\n"
                                     "Args:\n"
                                     "    parent_msg_type(str): message type that the new one extends.\n"
                                     "    msg_type_name(str): name of the new element.\n\n"
                                     "Returns:\n"
                                     "    str: the new message type.\n"};

struct Member {
    const char* name;
    const char* parent;  // nullptr for the root
    const char* element;
};

// In definition order; each parent is defined above its children.
constexpr Member members[] = {
    {"MSG_VEXAL", nullptr, "_#vxl"},
    {"MSG_GENERAL", "MSG_VEXAL", "general"},
    {"MSG_INFO", "MSG_GENERAL", "info"},
    {"MSG_WARNING", "MSG_GENERAL", "warning"},
    {"MSG_ERROR", "MSG_GENERAL", "error"},
    {"MSG_COMP", "MSG_VEXAL", "compiler"},
    {"MSG_COMP_STARTED", "MSG_COMP", "started"},
    {"MSG_COMP_FINISHED", "MSG_COMP", "finished"},
    {"MSG_COMP_FINISHED_SUCCESS", "MSG_COMP_FINISHED", "successfully"},
    {"MSG_COMP_FINISHED_INTERRUPTED", "MSG_COMP_FINISHED", "interrupted"},
    {"MSG_COMP_FINISHED_ERROR", "MSG_COMP_FINISHED", "error"},
    {"MSG_COMP_INFO", "MSG_COMP", "info"},
    {"MSG_COMP_INFO_2", "MSG_COMP", "info_2"},
    {"MSG_COMP_WARNING", "MSG_COMP", "warning"},
    {"MSG_COMP_WARNING_2", "MSG_COMP", "warning_2"},
    {"MSG_COMP_ERROR", "MSG_COMP", "error"},
    {"MSG_TEST_IDE", "MSG_VEXAL", "test_ide"},
    {"MSG_TEST_IDE_COLLECTION", "MSG_TEST_IDE", "collection_finish"},
    {"MSG_TEST_IDE_SELECTED", "MSG_TEST_IDE", "selected_tests"},
    {"MSG_TEST_IDE_DESELECTED", "MSG_TEST_IDE", "deselected_tests"},
    {"MSG_TEST_IDE_RUN_REPORT", "MSG_TEST_IDE", "run_report"},
    {"MSG_TEST_IDE_RUN", "MSG_TEST_IDE", "run"},
    {"MSG_TEST_IDE_TEARDOWN_FAILED", "MSG_TEST_IDE", "teardown_failed"},
    {"MSG_TEST_IDE_CAPLOG", "MSG_TEST_IDE", "cap_log"},
};

Ref make_msg_type(PyObject* module) {
    ClassBuilder builder(module, "MsgType");
    builder.base(state.global(id<"Enum">()).get()).doc(" Common types of messages. ");
    std::map<std::string_view, Ref> values;
    for (const Member& member : members) {
        Ref element = text(member.element);
        Ref value = member.parent ? join_msg_type(values.at(member.parent).get(), element.get()) : element;
        builder.attr(member.name, value.get());
        values.emplace(member.name, std::move(value));
    }
    return call(state.global(id<"unique">()).get(), builder.build().get());
}

}  // namespace

void register_msg_types(PyObject* module) {
    add_object(module, "MSG_SEP", text("."));
    add_function(module, build_msg_type_def);
    add_object(module, "MsgType", make_msg_type(module));

    Ref key_and_value = check(PyTuple_Pack(2, &PyUnicode_Type, &PyBaseObject_Type));
    Ref kwargs_dict = check(PyObject_GetItem(state.global(id<"Dict">()).get(), key_and_value.get()));
    Ref msg = check(PyObject_GetItem(state.global(id<"List">()).get(), reinterpret_cast<PyObject*>(&PyBytes_Type)));
    add_object(module, "KwargsDict", kwargs_dict);
    add_object(module, "Msg", msg);
}

}  // namespace vexal::benchcast
