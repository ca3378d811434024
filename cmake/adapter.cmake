# The adapter: the exports, the run-control logic, the engine data transfer and the report library.
# Its code is compiled once into a static library, which the unit tests link directly, and then
# wrapped whole into the shared library that a host loads.
file(GLOB_RECURSE ADAPTER_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/exports/*.cpp
  ${PROJECT_SOURCE_DIR}/run/*.cpp
  ${PROJECT_SOURCE_DIR}/transfer/*.cpp
  ${PROJECT_SOURCE_DIR}/report/*.cpp)

add_library(adapter_core STATIC ${ADAPTER_SOURCES})
target_include_directories(adapter_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(adapter_core PUBLIC kvom_common kvom_platform
  standin_host standin_repository standin_com standin_engine standin_windows standin_gdi
  standin_report_formatting)

add_library(kvomwexa SHARED ${PROJECT_SOURCE_DIR}/cmake/adapter_library.cpp)
target_link_libraries(kvomwexa PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,adapter_core>")
target_compile_options(adapter_core PRIVATE -fvisibility=hidden -fvisibility-inlines-hidden)
