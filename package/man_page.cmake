# orla-vendas.1 from the program's own help: the summary from `orla-vendas --help`, then
# each command's `--help` as it stands, so the page never drifts from the program. In English
# whatever the builder's locale: the program follows it, the page is the one in man1/.
set(ENV{LC_ALL} C)
set(include_file ${OUTPUT}.commands)
set(section "[COMMANDS]\n")
foreach(command run list render demo-db serve sql deliver)
  execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${command} --help failed (${status})")
  endif()
  # roff: a backslash is \e, a line may not start with a dot or an apostrophe.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND section ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${include_file} "${section}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --version-string=${VERSION} --section=1
          "--name=the sales reports of a fuel station" --include=${include_file}
          --output=${OUTPUT} ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
