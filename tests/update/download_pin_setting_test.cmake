# Configuring with each value: the well-formed ones pass, the others stop
# with a message that names the setting.
set(check ${CMAKE_CURRENT_LIST_DIR}/../../cmake/QuorvelDownloadPin.cmake)
set(digits 96f28ad4212491f0499a72cb2159feabe0557ccf85ad8f7cae3b45e987a69810)
string(TOUPPER ${digits} upper)
string(SUBSTRING ${digits} 0 63 short)
string(REPLACE "9" "g" not_hex ${digits})
set(cases "ok:" "ok:${digits}" "ok:${upper}" "bad:${short}" "bad:${digits}0" "bad:${not_hex}"
          "bad:sha256:${digits}" "bad: ${digits}")
foreach(case IN LISTS cases)
  string(FIND "${case}" ":" colon)
  string(SUBSTRING "${case}" 0 ${colon} expected)
  math(EXPR start "${colon} + 1")
  string(SUBSTRING "${case}" ${start} -1 value)
  execute_process(COMMAND ${CMAKE_COMMAND} "-DQUORVEL_DOWNLOAD_SHA256=${value}" -P ${check}
                  RESULT_VARIABLE result ERROR_VARIABLE message)
  if(expected STREQUAL "ok" AND NOT result EQUAL 0)
    message(SEND_ERROR "\"${value}\" was refused: ${message}")
  elseif(expected STREQUAL "bad" AND (result EQUAL 0 OR NOT message MATCHES "QUORVEL_DOWNLOAD_SHA256 must be"))
    message(SEND_ERROR "\"${value}\" was accepted, or refused without the message: ${message}")
  endif()
endforeach()
list(LENGTH cases count)
message(STATUS "${count} values checked")
