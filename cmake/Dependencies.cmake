# Imported targets for the Debian-packaged libraries the product is built from. Libraries
# that only tests or benchmarks use (spandsp, mpg123) are found in tests/ and bench/.
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET portaudio-2.0)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(KISSFFT REQUIRED IMPORTED_TARGET kissfft-float)
find_package(Qt6 REQUIRED COMPONENTS Core)
find_package(CLI11 CONFIG QUIET)
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
endif()

# Standalone Asio is header-only.
add_library(kovra_asio INTERFACE)
target_compile_definitions(kovra_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(kovra_asio INTERFACE Threads::Threads)

