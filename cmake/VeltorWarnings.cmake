# Warnings are set per target, never globally.
function(veltor_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VELTOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
