// The GUI tests need a QApplication before the first test; they run on the offscreen platform
// unless another one is asked for, so they need no screen (test discovery runs them too).
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// Printing the panel loads Qt's CUPS print-support plugin and, with it, libcups and GnuTLS, whose
// thread-local variables live in dynamic TLS blocks that glibc allocates on first use. GCC 12's
// sanitizer run-time takes any such block that starts 16 bytes into a page for one with a glibc
// 2.19 header, reads a start and a length out of the allocator's chunk header in front of it, and
// LeakSanitizer's tracer dies scanning that range at exit, after every test has passed (fixed in
// GCC 14 and LLVM 17). Whether a block lands there depends on the heap's layout, so one machine
// crashes every time and another never. The interception only adds those blocks as roots: they
// are allocated by the dynamic loader, which LeakSanitizer already treats as live and scans, so
// turning it off loses no leak. Only this program loads the plugin; every other keeps it on.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
