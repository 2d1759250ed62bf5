# The same sources for 64-bit Windows: used to run the Windows tests under Wine on hosts that
# cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
