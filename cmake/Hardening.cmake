# Hardening as Debian builds its packages, for the plug-in, the tools and the
# tests alike: stack canaries, read-only relocations bound at load time, and
# checked string and memory functions where the compiler can size the buffer.
# _FORTIFY_SOURCE needs optimisation, and the sanitizers intercept those
# functions themselves: a fortified call would bypass their checks, so the
# sanitizer and fuzz flavours leave it out. Sets KELVANTI_FORTIFY (ON/OFF)
# for the test that checks the flags reached the binaries.
add_compile_options(-fstack-protector-strong)
add_link_options(-Wl,-z,relro -Wl,-z,now)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT KELVANTI_SAN_FLAGS)
  set(KELVANTI_FORTIFY ON)
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
else()
  set(KELVANTI_FORTIFY OFF)
endif()
