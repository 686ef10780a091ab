// Writes JSON text exactly as json.dumps does with its default settings.
#pragma once
#include "benchcast.hpp"

#include <string>
#include <vector>

namespace vexal::benchcast {

// The JSON text of `obj` as json.dumps gives it with default settings, where
// objects that are no JSON type are written by `write_custom`. Throws
// Unsupported for values whose text it does not produce itself.
struct Unsupported {};
class JsonWriter {
public:
    virtual ~JsonWriter() = default;
    Ref encode(PyObject* obj);

protected:
    void write(PyObject* obj);
    void write_text(PyObject* text);
    void write_raw(const char* ascii) { out_ += ascii; }
    std::string& out() { return out_; }
    // Writes an object the encoder's default() would be asked about.
    virtual void write_custom(PyObject* obj) = 0;
    // Guards against reference cycles and runaway depth as the standard
    // encoder does; `obj` stays marked while the guard lives.
    class Nesting {
    public:
        Nesting(JsonWriter& writer, PyObject* obj);
        ~Nesting();
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        JsonWriter& writer_;
    };

private:
    void write_list(PyObject* list);
    void write_dict(PyObject* dict);
    std::string out_;
    std::vector<PyObject*> open_;  // containers and objects being written
};

}  // namespace vexal::benchcast
