#include "media/LoadedLibrary.h"

#include <dlfcn.h>

namespace pikoro {

LoadedLibrary::LoadedLibrary(const char *soname)
    : m_soname(QString::fromUtf8(soname)), m_handle(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) {
        const char *why = dlerror();
        m_error = QStringLiteral("%1 could not be loaded (%2)")
                      .arg(m_soname, why ? QString::fromLocal8Bit(why) : QStringLiteral("?"));
    }
}

void *LoadedLibrary::symbol(const char *name) {
    void *address = m_handle ? dlsym(m_handle, name) : nullptr;
    if (!address && m_error.isEmpty())
        m_error = QStringLiteral("%1 has no function %2").arg(m_soname, QString::fromUtf8(name));
    return address;
}

} // namespace pikoro
