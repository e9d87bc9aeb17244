// ThreadSanitizer reads these at start-up, however the tests are run (ctest, by hand).
// Qt is not built with ThreadSanitizer: its locking (futexes, atomics inside its own code) is
// invisible, so the work that Qt hands to its own thread pool (image scaling, conversions)
// looks racy: memory calls made from inside Qt, and allocations it frees in its pool threads.
// Our own code is still checked wherever no Qt frame is on the stack. GLib (Qt's event
// dispatcher here) is not instrumented either: its pool threads free at exit memory that
// another of them allocated, under locks TSan cannot see.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "race:libQt6Core.so.6\n"
         "race:libQt6Gui.so.6\n"
         "mutex:libQt6Core.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n"
         "race:libglib-2.0.so.0\n";
}
