# cmake -DPAGE=src.1 -DFALLBACKS=file.tmac -DOUT=out.1 -P manpage.cmake
# The page with the fallbacks after its first line: that line must stay the first, as
# man reads the page's encoding from it.
file(READ ${PAGE} page)
file(READ ${FALLBACKS} fallbacks)
string(FIND "${page}" "\n" eol)
string(SUBSTRING "${page}" 0 ${eol} first)
math(EXPR rest_start "${eol} + 1")
string(SUBSTRING "${page}" ${rest_start} -1 rest)
file(WRITE ${OUT} "${first}\n${fallbacks}${rest}")
