# find_package(Kelvane CONFIG): the imported targets Kelvane::kelvane (libkelvane.so, for C
# and C++; headers in include/kelvane/) and Kelvane::kelvane_text (the static buffer and text
# classes for the C++ overloads of kelvane.hpp).
include(${CMAKE_CURRENT_LIST_DIR}/KelvaneTargets.cmake)
