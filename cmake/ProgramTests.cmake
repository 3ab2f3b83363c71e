# The installed program's own command line, run as a user runs it: no window system is
# needed for --help and --version.
add_test(NAME ProgramHelp COMMAND tavrin --help)
set_tests_properties(ProgramHelp PROPERTIES
    PASS_REGULAR_EXPRESSION "--port NOME +começa com a porta NOME"
    FAIL_REGULAR_EXPRESSION "Usage|Options"
    ENVIRONMENT "DISPLAY=;WAYLAND_DISPLAY=;QT_QPA_PLATFORM=")
add_test(NAME ProgramVersion COMMAND tavrin --version)
set_tests_properties(ProgramVersion PROPERTIES
    PASS_REGULAR_EXPRESSION "^tavrin ${PROJECT_VERSION}\n$"
    ENVIRONMENT "DISPLAY=;WAYLAND_DISPLAY=;QT_QPA_PLATFORM=")
add_test(NAME ProgramRefusesAPortWithoutName COMMAND tavrin --port)
set_tests_properties(ProgramRefusesAPortWithoutName PROPERTIES WILL_FAIL ON
    ENVIRONMENT "DISPLAY=;WAYLAND_DISPLAY=;QT_QPA_PLATFORM=")
