# Fails when IMAGE is not smaller than LIMIT bytes (LIMIT may be written in hex).
file(SIZE "${IMAGE}" size)
math(EXPR limit "${LIMIT}")
if(NOT size LESS limit)
  file(REMOVE "${IMAGE}")
  message(FATAL_ERROR "${IMAGE} is ${size} bytes; it must stay below ${limit} (${LIMIT}).")
endif()
math(EXPR spare "${limit} - ${size}")
message(STATUS "SetUp.exe: ${size} bytes, ${spare} to spare below ${LIMIT}")
