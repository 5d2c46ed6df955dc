# Every target links this: warnings and Qt's safety macros in one place.
add_library(CommonConfig INTERFACE)
target_compile_options(CommonConfig INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(CommonConfig INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_BEFORE=0x060400)
