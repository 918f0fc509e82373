# Compiles the manual: the pages are written in UTF-8 and turned into
# Shift_JIS (code page 932), the code page of a Japanese help file, whose
# table of contents and title the help viewer reads in that code page; then
# chmcmd builds manual.chm from the project file.
#
# Called with -DSOURCE_DIR= -DSTAGE_DIR= -DOUTPUT= -DCHMCMD= -DICONV=.
file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${STAGE_DIR})

file(GLOB sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/*.html ${SOURCE_DIR}/*.css ${SOURCE_DIR}/*.hhc ${SOURCE_DIR}/*.hhp)
foreach(name IN LISTS sources)
  file(READ ${SOURCE_DIR}/${name} content)
  # A page says which code page it is written in.
  string(REPLACE "charset=utf-8" "charset=Shift_JIS" content "${content}")
  file(WRITE ${STAGE_DIR}/${name}.utf8 "${content}")
  execute_process(
    COMMAND ${ICONV} -f UTF-8 -t CP932 ${STAGE_DIR}/${name}.utf8
    OUTPUT_FILE ${STAGE_DIR}/${name}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "manual: ${name} holds a character that code page 932 does not have")
  endif()
  file(REMOVE ${STAGE_DIR}/${name}.utf8)
endforeach()

execute_process(
  COMMAND ${CHMCMD} --no-html-scan quillet.hhp
  WORKING_DIRECTORY ${STAGE_DIR}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${STAGE_DIR}/manual.chm)
  message(FATAL_ERROR "manual: chmcmd failed:\n${output}")
endif()
file(COPY_FILE ${STAGE_DIR}/manual.chm ${OUTPUT})
