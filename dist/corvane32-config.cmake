# find_package(corvane32) gives the imported target corvane32::corvane32.
include("${CMAKE_CURRENT_LIST_DIR}/corvane32-targets.cmake")
