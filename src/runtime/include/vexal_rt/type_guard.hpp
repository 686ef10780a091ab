// Guards the fast paths a module takes on its own classes (and on pandas'):
// a fast path may stand in for attribute lookups only while the type still
// resolves those attributes to what they were when the guard was set up. The
// check is one comparison of the type's version tag, which the interpreter
// changes whenever the type or one of its bases is modified; after such a
// change the attributes are looked up again once.
#pragma once
#include "vexal_rt/ref.hpp"

#include <initializer_list>
#include <vector>

namespace vexal_rt {

class TypeGuard {
public:
    // Records what `names` resolve to on `type` now, and also
    // __getattribute__ and __getattr__, through which any attribute lookup
    // can be replaced. Keeps its references for the process, as the module
    // state does.
    void watch(PyObject* type, std::initializer_list<const char*> names);

    bool intact() {
        unsigned int tag = type_ ? type_->tp_version_tag : 0;
        if (tag != 0 && tag == intact_tag_) return true;
        if (tag != 0 && tag == broken_tag_) return false;
        return revalidate();
    }

private:
    bool revalidate();

    PyTypeObject* type_ = nullptr;
    std::vector<std::pair<PyObject*, PyObject*>> expected_;  // name, value
    unsigned int intact_tag_ = 0;
    unsigned int broken_tag_ = 0;
};

}  // namespace vexal_rt
