# quorvel_check_download_pin(<value>): stops the configuration unless the
# value is empty or 64 hexadecimal digits. Run as a script
# (cmake -DQUORVEL_DOWNLOAD_SHA256=... -P this file) it checks that value.
function(quorvel_check_download_pin value)
  string(LENGTH "${value}" length)
  if(length EQUAL 0)
    return()
  endif()
  if(NOT length EQUAL 64 OR NOT value MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "QUORVEL_DOWNLOAD_SHA256 must be 64 hexadecimal digits (or empty for no check), "
                        "not \"${value}\"")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  quorvel_check_download_pin("${QUORVEL_DOWNLOAD_SHA256}")
endif()
