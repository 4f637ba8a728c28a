// A plug-in library for the library-loading tests: one export with C linkage.
extern "C" __attribute__((visibility("default"))) int SampleAnswer(int x) { return x * 2 + 1; }
