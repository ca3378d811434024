#pragma once
// Export policy of the adapter library: its code is compiled with hidden visibility, and only what
// is marked here leaves the library (the host's entry points and the report library's).

#define KVOM_EXPORT __attribute__((visibility("default")))
