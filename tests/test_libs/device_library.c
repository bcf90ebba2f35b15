/* A device library of the project's own for the library transport's tests: one function. */
#define QX_EXPORT __attribute__((visibility("default")))

QX_EXPORT int QxTestDevice_Answer(void) { return 42; }
