# Writes the string tables of vireno.exe from the translators' catalogue, so
# that both programs speak from one set of files: English from vireno.pot,
# every language of LINGUAS from its .po file, each under the Windows
# language its header names ("X-Windows-Language: LANG_ITALIAN,
# SUBLANG_NEUTRAL"). Only the entries marked "#. Windows string N" go in.
#
#   cmake -DPO_DIR=... -DOUTPUT=... -P po_to_rc.cmake

# A list can't hold a semicolon; it stands in as this while the text is cut up.
set(semicolon "@SEMICOLON@")

function(string_table po_file language use_msgid out)
  file(READ ${po_file} text)
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REGEX MATCHALL "#\\. Windows string [0-9]+\nmsgid \"[^\n]*\"\nmsgstr \"[^\n]*\"" entries
         "${text}")
  set(table "LANGUAGE ${language}\nSTRINGTABLE\nBEGIN\n")
  foreach(entry IN LISTS entries)
    string(REGEX MATCH "string ([0-9]+)\nmsgid \"([^\n]*)\"\nmsgstr \"([^\n]*)\"" _ "${entry}")
    set(id ${CMAKE_MATCH_1})
    if(use_msgid)
      set(value "${CMAKE_MATCH_2}")
    else()
      set(value "${CMAKE_MATCH_3}")
    endif()
    if(value STREQUAL "")
      continue()  # untranslated: Windows falls back to English for it
    endif()
    string(REPLACE "\\\"" "\"\"" value "${value}")
    string(APPEND table "  ${id} \"${value}\"\n")
  endforeach()
  string(APPEND table "END\n\n")
  string(REPLACE "${semicolon}" ";" table "${table}")
  set(${out} "${table}" PARENT_SCOPE)
endfunction()

set(rc "/* Made from the files in po/ by cmake/po_to_rc.cmake; edit those. */\n")
string(APPEND rc "#pragma code_page(65001)\n\n")
string_table(${PO_DIR}/vireno.pot "LANG_ENGLISH, SUBLANG_ENGLISH_US" TRUE table)
string(APPEND rc "${table}")

file(READ ${PO_DIR}/LINGUAS linguas)
string(REGEX MATCHALL "[A-Za-z_@]+" linguas "${linguas}")
foreach(lingua IN LISTS linguas)
  file(READ ${PO_DIR}/${lingua}.po header)
  if(NOT header MATCHES "X-Windows-Language: ([A-Z_]+, [A-Z_]+)\\\\n")
    message(FATAL_ERROR "${lingua}.po names no X-Windows-Language")
  endif()
  string_table(${PO_DIR}/${lingua}.po "${CMAKE_MATCH_1}" FALSE table)
  string(APPEND rc "${table}")
endforeach()
file(WRITE ${OUTPUT}.new "${rc}")
# Touch the output only when it changes, so the exe is not relinked for nothing.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
