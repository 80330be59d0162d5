# Fails when a text under SOURCES has no finished translation in CATALOGUE:
# lupdate is run over a copy, so the catalogue in the source tree is left as
# it is, and every text it lacks turns up in the copy as unfinished.
#
#   cmake -DLUPDATE=… -DSOURCES=… -DCATALOGUE=… -DWORK_DIR=… -DOPTIONS=… -P CheckCatalogue.cmake
foreach(variable LUPDATE SOURCES CATALOGUE WORK_DIR)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "CheckCatalogue.cmake: ${variable} is not set")
    endif()
endforeach()

get_filename_component(name ${CATALOGUE} NAME)
set(copy ${WORK_DIR}/${name})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY_FILE ${CATALOGUE} ${copy})
execute_process(COMMAND ${LUPDATE} ${SOURCES} ${OPTIONS} -ts ${copy}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()

# A text lupdate has just added, or one left unfinished or empty, counts as
# untranslated. Semicolons are list separators to CMake: they are shown as
# commas in the report.
file(READ ${copy} text)
string(REPLACE ";" "," text "${text}")
string(REGEX MATCHALL "<source>[^<]*</source>[ \n\t]*<translation( type=\"unfinished\")?>(</translation>)?"
    candidates "${text}")
# Every mark counts, whatever stands between a text and its translation
# (a disambiguation comment, plural forms); the report names what it can.
string(REGEX MATCHALL "type=\"unfinished\"|<translation></translation>" marks "${text}")
list(LENGTH marks count)
set(report "")
foreach(entry IN LISTS candidates)
    if(entry MATCHES "unfinished" OR entry MATCHES "</translation>$")
        string(REGEX REPLACE "<source>([^<]*)</source>.*" "\\1" source "${entry}")
        string(APPEND report "  ${source}\n")
    endif()
endforeach()
if(count GREATER 0)
    message(FATAL_ERROR "${count} text(s) without a translation in ${name}:\n${report}"
        "Run the update_translations target and translate them.")
endif()
message(STATUS "${name}: every text under ${SOURCES} is translated")
