// ThreadSanitizer reads these at start-up, however the tests are run (ctest, by hand).
// GLib is not built with ThreadSanitizer: its locks are futexes and atomics inside its own code,
// invisible to it, so memory that GLib hands between its D-Bus worker thread and ours looks
// racy. Our own code is still checked wherever no GLib frame is on the stack.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libglib-2.0.so.0\n"
         "called_from_lib:libgio-2.0.so.0\n"
         "called_from_lib:libgobject-2.0.so.0\n"
         "race:libglib-2.0.so.0\n"
         "race:libgio-2.0.so.0\n"
         "race:libgobject-2.0.so.0\n"
         "mutex:libglib-2.0.so.0\n";
}
