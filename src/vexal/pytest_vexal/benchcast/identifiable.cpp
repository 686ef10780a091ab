// Identifiable: the mixin that gives every publisher a unique id.
#include "benchcast.hpp"

namespace vexal::benchcast {
namespace {

Ref init(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *rest = args[1], *kwargs = args[2];
    Ref next = call(reinterpret_cast<PyObject*>(&PySuper_Type), state.identifiable, self);
    check(PyObject_Call(getattr(next.get(), id<"__init__">()).get(), rest, kwargs));
    Ref uuid = call(getattr(state.global(id<"uuid">()).get(), id<"uuid1">()).get());
    setattr(self, id<"_id">(), str(uuid.get()).get());
    return none();
}

Ref get_id(FunctionObject*, PyObject* const* args) { return getattr(args[0], id<"_id">()); }

const FunctionDef init_def{"__init__", "self, *args, **kwargs", init,
                           " Initialize an object. \n\n"
                           "Passes all arguments on to the next class, then takes a new time-based id.\n"};
const FunctionDef get_id_def{"get_id", "self", get_id, " Returns id for object as string. "};

}  // namespace

void register_identifiable(PyObject* module) {
    add_object(module, "CoreIdType", reinterpret_cast<PyObject*>(&PyUnicode_Type));
    state.identifiable = ClassBuilder(module, "Identifiable")
                             .doc(" Objects which have id. ")
                             .method(init_def)
                             .method(get_id_def)
                             .add_to_module()
                             .release();
}

}  // namespace vexal::benchcast
