# Compiler settings shared by every target of the project.
add_library(varnex_settings_flags INTERFACE)
add_library(Varnex::flags ALIAS varnex_settings_flags)
target_compile_options(varnex_settings_flags INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(varnex_settings_flags INTERFACE
  QT_NO_CAST_FROM_ASCII QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS
  VARNEX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VARNEX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VARNEX_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(VARNEX_WERROR)
  target_compile_options(varnex_settings_flags INTERFACE -Werror)
endif()
if(VARNEX_SANITIZE)
  target_compile_options(varnex_settings_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(varnex_settings_flags INTERFACE -fsanitize=address,undefined)
endif()
