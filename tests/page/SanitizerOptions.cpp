// The web engine frees some of its own objects with a sized delete of another type; the sanitizer
// would stop the program inside the engine for that. Every other check stays on.
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}
