# Velmora: the desktop's search: what the bus may send, the shared lookup, and
# the provider as a real process on a private session bus.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_busterms SOURCES tst_busterms.cpp LIBS velmora_desktoplookup)
velmora_add_test(tst_lookupservice SOURCES tst_lookupservice.cpp LIBS velmora_desktoplookup)

# A private session bus (dbus-daemon) with the installed .service file: the
# bus starts the real program as the provider; a window this test holds
# takes the results it opens over the socket. gdbus reads one answer as
# GNOME Shell's bus library does.
velmora_add_test(tst_desktopbus SOURCES tst_desktopbus.cpp
    LIBS velmora_desktop velmora_cli velmora_browser velmora_docdata)
target_compile_definitions(tst_desktopbus PRIVATE VELMORA_EXECUTABLE="$<TARGET_FILE:velmora>")
add_dependencies(tst_desktopbus velmora)
