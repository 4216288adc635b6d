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

// A library's functions, opened once by loadFunctions: `Functions` is a struct of pointers
// declared with PIKORO_DECLARE_FUNCTION, plus `QString error`, which is empty when all are there.
#define PIKORO_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
#define PIKORO_RESOLVE_FUNCTION(name) library.resolve(functions.name, #name);

template <typename Functions, typename ResolveAll>
Functions loadFunctions(const char *soname, ResolveAll resolveAll) {
    Functions functions;
    LoadedLibrary library(soname);
    if (library.isLoaded())
        resolveAll(library, functions);
    functions.error = library.errorString();
    return functions;
}

} // namespace pikoro
