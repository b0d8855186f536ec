// A module with a thread-local variable, loaded at run time as the print path loads Qt's CUPS
// plugin: glibc gives each thread that touches it a dynamic TLS block from malloc.
extern "C" {
thread_local char zanDynamicTls[16];

char* TouchDynamicTls() {
    zanDynamicTls[0] = 1;
    return zanDynamicTls;
}
}
