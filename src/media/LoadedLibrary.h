#pragma once

#include <QString>

namespace pikoro {

// A shared library opened when the program first needs it, not at start-up: the sound libraries
// beyond the audio output, and the dozen libraries they bring in turn, would otherwise all be
// loaded before the first window could show. It is never closed, as its threads and callbacks
// may run until the program ends.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char *soname);
    bool isLoaded() const { return m_handle != nullptr; }
    // Empty while the library and every function asked for were found.
    const QString &errorString() const { return m_error; }
    // Points `function` at the library's function `name` (null, and noted, when it is missing).
    template <typename Function> void resolve(Function *&function, const char *name) {
        function = reinterpret_cast<Function *>(symbol(name));
    }

private:
    void *symbol(const char *name);

    QString m_soname;
    void *m_handle = nullptr;
    QString m_error;
};

// Declares, in the present namespace, the struct `Name` with a pointer to each C function that
// `LIST(F)` names (an X-macro: F(first) F(second) ...) and `QString error`, empty when the library
// and all of them were found; and `accessor()`, which opens `soname` at its first call, from any
// thread, and returns the same functions ever after.
#define PIKORO_LIBRARY_FUNCTIONS(Name, accessor, soname, LIST)                                     \
    struct Name {                                                                                  \
        LIST(PIKORO_DECLARE_FUNCTION)                                                              \
        QString error;                                                                             \
        void resolveAll(LoadedLibrary &library) { LIST(PIKORO_RESOLVE_FUNCTION) }                  \
    };                                                                                             \
    const Name &accessor() {                                                                       \
        static const Name functions = loadFunctions<Name>(soname);                                 \
        return functions;                                                                          \
    }
#define PIKORO_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
#define PIKORO_RESOLVE_FUNCTION(name) library.resolve(name, #name);

template <typename Functions> Functions loadFunctions(const char *soname) {
    Functions functions;
    LoadedLibrary library(soname);
    if (library.isLoaded())
        functions.resolveAll(library);
    functions.error = library.errorString();
    return functions;
}

} // namespace pikoro
