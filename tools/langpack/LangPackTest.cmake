# What langpack accepts and what it refuses, on copies of the language folder:
#   cmake -DLANGPACK=<langpack> -DLANG_DIR=<resources/lang> -DWORK=<scratch dir> -P LangPackTest.cmake
set(failures 0)

function(pack dir result_var)
    execute_process(COMMAND "${LANGPACK}" "${dir}" "${dir}.bin" "${dir}.utf16"
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(${result_var} ${result} PARENT_SCOPE)
    set(last_error "${err}" PARENT_SCOPE)
endfunction()

function(fresh_copy name)
    file(REMOVE_RECURSE "${WORK}/${name}")
    file(COPY "${LANG_DIR}/" DESTINATION "${WORK}/${name}")
endfunction()

# Expect langpack to fail on WORK/<name> with a message matching <pattern>.
function(expect_refused name pattern)
    pack("${WORK}/${name}" result)
    if(result EQUAL 0)
        message(SEND_ERROR "${name}: accepted, should be refused")
    elseif(NOT last_error MATCHES "${pattern}")
        message(SEND_ERROR "${name}: refused with an unexpected message: ${last_error}")
    else()
        message(STATUS "${name}: refused as expected")
    endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

fresh_copy(valid)
pack("${WORK}/valid" result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the unchanged folder is refused: ${last_error}")
endif()
file(READ "${WORK}/valid.utf16" reference HEX)

# CR LF line ends and a missing final LF pack to the same text.
fresh_copy(crlf)
file(GLOB texts "${WORK}/crlf/*.txt")
foreach(f ${texts})
    file(READ "${f}" content)
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE "${f}" "${content}")
endforeach()
pack("${WORK}/crlf" result)
file(READ "${WORK}/crlf.utf16" crlf_text HEX)
if(NOT result EQUAL 0 OR NOT crlf_text STREQUAL reference)
    message(SEND_ERROR "crlf: CR LF files do not pack to the same text (${result}) ${last_error}")
endif()

fresh_copy(gap)
file(GLOB victim "${WORK}/gap/05-*.txt")
file(REMOVE ${victim})
expect_refused(gap "language 5 is missing")

fresh_copy(bad_name)
file(WRITE "${WORK}/bad_name/39-Klingon.txt" "=Klingon\ttlhIngan\n")
expect_refused(bad_name "unexpected file name")

fresh_copy(stray_file)
file(WRITE "${WORK}/stray_file/notes.txt" "hello\n")
expect_refused(stray_file "unexpected file name")

fresh_copy(duplicate)
file(WRITE "${WORK}/duplicate/05-other.txt" "=Other\tOther\n")
expect_refused(duplicate "two files for language 5")

fresh_copy(marks)
file(APPEND "${WORK}/marks/01-english.txt" "99=Press ## now\n")
expect_refused(marks "\"##\"")

fresh_copy(no_neutral)
file(REMOVE "${WORK}/no_neutral/neutral.txt")
expect_refused(no_neutral "neutral.txt is missing")

fresh_copy(no_tab)
file(GLOB victim "${WORK}/no_tab/02-*.txt")
file(READ ${victim} content)
string(REGEX REPLACE "^=([^\t]*)\t" "=\\1 " content "${content}")
file(WRITE ${victim} "${content}")
expect_refused(no_tab "TAB")

fresh_copy(no_name_line)
file(GLOB victim "${WORK}/no_name_line/03-*.txt")
file(WRITE ${victim} "16=Screen\n")
expect_refused(no_name_line "first line")

fresh_copy(bad_utf8)
file(GLOB victim "${WORK}/bad_utf8/04-*.txt")
string(ASCII 255 bad)
file(APPEND ${victim} "17=${bad}\n")
expect_refused(bad_utf8 "invalid UTF-8")
