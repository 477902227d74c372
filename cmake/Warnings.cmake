# Warnings for every target of the project; CI makes them errors.
add_compile_options(-Wall -Wextra)
if(ZR540_WERROR)
  add_compile_options(-Werror)
endif()
