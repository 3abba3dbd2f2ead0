/* The code the window runs before its first paint, placed together at the
   start of the window module's text. The kernel maps a library's code in
   64 KiB runs around each page first used: spread over the module, these few
   functions would make nearly all of it resident. Everything else (the
   register, the letters, the audit) follows, and is read in when used.
   Only the order changes: a file missing from this list still links, it only
   costs memory. bench/startup.sh shows the effect; after a change to what the
   window does at start, "perf record -e page-faults -d" on the window lists
   the functions that fault outside this section. */
SECTIONS
{
  .text.startpath :
  {
    /* The C runtime's start-up code and every static initialiser. */
    *crtbeginS.o(.text .text.*)
    *(.text.startup .text.startup.*)
    /* The module's own entry, and the meta-object code of every library. */
    *velmaris_window.dir/window.cpp.o(.text .text._Z*)
    *mocs_compilation.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow_build.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow_index.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow_rent.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow_update.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:mainwindow_output.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:windowfit.cpp.o(.text .text._Z*)
    *libvelmaris_app.a:registeropen.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:indexfile.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:indexfiletexts.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:quarter.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:numbers.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:indexvalue.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:gridline.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:indexseries.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:revision.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:dates.cpp.o(.text .text._Z*)
    *libvelmaris_core.a:amounts.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:settings.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:profile.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:staleness.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:provenance.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:updaterules.cpp.o(.text .text._Z*)
    *libvelmaris_update.a:sdmxmerge.cpp.o(.text .text._Z*)
    *libvelmaris_download.a:indexupdater.cpp.o(.text .text._Z*)
    *libvelmaris_platform.a:datafolder.cpp.o(.text .text._Z*)
    *libvelmaris_platform.a:applocale.cpp.o(.text .text._Z*)
    *libvelmaris_platform.a:safefile.cpp.o(.text .text._Z*)
    *libvelmaris_platform.a:modules.cpp.o(.text .text._Z*)
    *libvelmaris_platform.a:messages.cpp.o(.text .text._Z*)
    *libvelmaris_leases.a:registersession.cpp.o(.text .text._Z*)
    *libvelmaris_leases.a:leasestore.cpp.o(.text .text._Z*)
    *libvelmaris_leases.a:leasestore_server.cpp.o(.text .text._Z*)
  }
}
INSERT BEFORE .text;
