# cmake -DIN=page -DOUT=page -P manexit.cmake
# help2man puts every paragraph after "Examples:" of --help under EXAMPLES; the one that
# starts "Exit status:" becomes a section of its own, where man pages have it: before
# EXAMPLES.
file(READ "${IN}" page)
string(REGEX MATCH "\n\\.PP\nExit status: [^\n]*(\n[^.\n][^\n]*)*" paragraph "${page}")
if(paragraph)
  string(REPLACE "${paragraph}" "" page "${page}")
  string(REGEX REPLACE "^\n\\.PP\nExit status: " "" text "${paragraph}")
  set(section ".SH \"EXIT STATUS\"\n${text}\n")
  string(FIND "${page}" "\n.SH EXAMPLES\n" at)
  if(at LESS 0)
    string(FIND "${page}" "\n.SH \"SEE ALSO\"\n" at)
  endif()
  if(at LESS 0)
    string(APPEND page "${section}")
  else()
    math(EXPR at "${at} + 1")
    string(SUBSTRING "${page}" 0 ${at} head)
    string(SUBSTRING "${page}" ${at} -1 tail)
    set(page "${head}${section}${tail}")
  endif()
endif()
file(WRITE "${OUT}" "${page}")
