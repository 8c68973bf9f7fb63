# Puts the default Setup.ini in place without overwriting one the user has already changed.
if(NOT EXISTS "${DESTINATION}")
    file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
