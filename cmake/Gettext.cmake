# One message domain per program.  suite_add_domain(<domain> <target>) adds
#   pot-<domain>: extracts po/<domain>/<domain>.pot from the target's sources;
# and compiles/installs every po/<domain>/<lang>.po as <lang>/LC_MESSAGES/<domain>.mo.
find_program(XGETTEXT_EXE xgettext)
find_program(MSGFMT_EXE msgfmt)
if(NOT TARGET pot)
  add_custom_target(pot)
endif()

function(suite_add_domain domain target)
  get_target_property(srcs ${target} SOURCES)
  get_target_property(srcdir ${target} SOURCE_DIR)
  set(abs_srcs)
  foreach(s IN LISTS srcs ARGN)
    if(NOT IS_ABSOLUTE ${s})
      set(s ${srcdir}/${s})
    endif()
    # Relative names keep the catalogue free of build-machine paths.
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${s})
    list(APPEND abs_srcs ${rel})
  endforeach()
  list(REMOVE_DUPLICATES abs_srcs)
  set(potdir ${CMAKE_SOURCE_DIR}/po/${domain})
  if(XGETTEXT_EXE)
    add_custom_target(pot-${domain}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${potdir}
      COMMAND ${XGETTEXT_EXE} --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_
              --package-name=${domain} --add-comments=TRANSLATORS
              -o ${potdir}/${domain}.pot ${abs_srcs}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      COMMENT "Extracting messages of ${domain}")
    add_dependencies(pot pot-${domain})
  endif()
  file(GLOB pofiles ${potdir}/*.po)
  set(mofiles)
  foreach(po IN LISTS pofiles)
    get_filename_component(lang ${po} NAME_WE)
    set(mo ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES/${domain}.mo)
    add_custom_command(OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES
      COMMAND ${MSGFMT_EXE} --check -o ${mo} ${po}
      DEPENDS ${po})
    list(APPEND mofiles ${mo})
    install(FILES ${mo} DESTINATION ${SUITE_LOCALEDIR}/${lang}/LC_MESSAGES)
  endforeach()
  if(mofiles)
    add_custom_target(mo-${domain} ALL DEPENDS ${mofiles})
  endif()
endfunction()
