# The hardening Debian builds its packages with (dpkg-buildflags with
# hardening=+all), for every target of the build: stack protector, checked
# string and memory functions, read-only relocations bound at start, and
# position-independent executables, so that address randomisation covers
# the programs' own code.

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
# Qt's targets compile everything -fPIC already; this also links -pie.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# The checked functions need optimisation; flags given by whoever builds
# (a distribution's own) win.
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
