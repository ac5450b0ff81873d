#include "common/Interrupt.h"

#include <csignal>
#include <initializer_list>

namespace mole {

namespace {

volatile std::sig_atomic_t g_stop = 0;
bool g_readerGone = false;

void onStop(int) {
    g_stop = 1;
}

}  // namespace

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void noteReaderGone() {
    g_readerGone = true;
}

bool stopRequested() {
    return g_stop != 0 || g_readerGone;
}

}  // namespace mole
