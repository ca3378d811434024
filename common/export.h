#pragma once
// Export policy of the adapter library: only what is marked here leaves the library (the host's
// entry points and the report library's). Here its code is compiled with hidden visibility and the
// mark makes a symbol visible; a Windows DLL exports the marked symbols and nothing else (once one
// symbol is marked for export, the linker exports no other).

#if defined(_WIN32)
#define KVOM_EXPORT __declspec(dllexport)
#else
#define KVOM_EXPORT __attribute__((visibility("default")))
#endif
