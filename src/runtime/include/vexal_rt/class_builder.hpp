// Classes made the way a class statement makes them: the namespace comes from
// the metaclass's __prepare__, is filled in definition order, and the class is
// created by calling the (most derived) metaclass with real Python bases.
//
//     Ref cls = ClassBuilder(module, "AliasFloat")
//                   .base(has_alias).base(float_type)
//                   .static_method(new_def)
//                   .method(init_def)
//                   .build();
#pragma once
#include "vexal_rt/function.hpp"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vexal_rt {

class ClassBuilder {
public:
    ClassBuilder(PyObject* module, const char* name);

    ClassBuilder& base(PyObject* cls);
    ClassBuilder& metaclass(PyObject* meta);
    ClassBuilder& doc(const char* text);
    ClassBuilder& method(const FunctionDef& def, PyObject* defaults = nullptr, PyObject* kwdefaults = nullptr);
    ClassBuilder& static_method(const FunctionDef& def, PyObject* defaults = nullptr);
    ClassBuilder& property(const char* name, const FunctionDef& getter, const FunctionDef* setter = nullptr,
                           const char* doc = nullptr);
    ClassBuilder& attr(const char* name, PyObject* value);
    // Methods each decorated, as `@decorator` over a def in a class body.
    ClassBuilder& decorated_methods(PyObject* decorator, std::initializer_list<const FunctionDef*> defs);

    Ref build();
    // Builds the class and binds it in the module under its name.
    Ref add_to_module();

    // A function of this class, with the qualname "Class.name".
    Ref function(const FunctionDef& def, PyObject* defaults = nullptr, PyObject* kwdefaults = nullptr) const;

private:
    PyObject* module_;
    std::string name_;
    std::vector<Ref> bases_;
    Ref metaclass_;
    std::vector<std::pair<std::string, Ref>> entries_;
};

}  // namespace vexal_rt
