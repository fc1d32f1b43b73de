# The program's icon is one hand-drawn SVG, with a second one drawn pixel by
# pixel for 16 pixels, where a scaled drawing blurs; every bitmap is rendered
# from them by the build.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(VIRENO_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/org.vireno.Vireno.svg)
set(VIRENO_ICON_SVG_16 ${PROJECT_SOURCE_DIR}/packaging/org.vireno.Vireno-16.svg)

# vireno_icon_pngs(OUT SIZE...): renders the icon at each size into
# <binary dir>/icons/<size>.png and sets OUT to the list of files.
function(vireno_icon_pngs out)
  set(files)
  foreach(size IN LISTS ARGN)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}.png)
    set(svg ${VIRENO_ICON_SVG})
    if(size EQUAL 16)
      set(svg ${VIRENO_ICON_SVG_16})
    endif()
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND files ${png})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
