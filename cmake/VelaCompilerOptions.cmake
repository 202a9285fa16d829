# Compiler settings shared by the library, its tests, benchmarks and examples.

function(vela_apply_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(VELA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# Results must not depend on build flags: no fused multiply-add behind the
# algorithms' backs, so a replay recorded on one build reproduces on another.
function(vela_apply_determinism target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -ffp-contract=off)
  endif()
endfunction()

# The address and the thread sanitizer cannot share one program.
if(VELA_SANITIZE AND VELA_SANITIZE_THREAD)
  message(FATAL_ERROR
    "VELA_SANITIZE and VELA_SANITIZE_THREAD cannot both be ON: the address and "
    "the thread sanitizer exclude each other. Configure a separate build "
    "directory for each.")
endif()

function(vela_apply_sanitizers target)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()
  if(VELA_SANITIZE)
    target_compile_options(${target} PUBLIC
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  elseif(VELA_SANITIZE_THREAD)
    target_compile_options(${target} PUBLIC -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=thread)
  endif()
endfunction()
