// The service emulator with the demo accounts, on 127.0.0.1, until SIGTERM or SIGINT:
//   zelvo-emulator
// prints "url <base URL>", then "account <e-mail> <password>" for each demo account.
#include "tools/emulator/demo/DemoService.h"

#include <csignal>
#include <cstdio>

int main() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    // Blocked before the server's threads start, so that they inherit the mask.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zvdemo::DemoService service;
    if (!service.start()) {
        std::fprintf(stderr, "zelvo-emulator: no port on 127.0.0.1\n");
        return 1;
    }
    std::printf("url %s\n", qPrintable(service.baseUrl()));
    for (const zvdemo::DemoAccount& account : service.accounts()) {
        std::printf("account %s %s\n", qPrintable(account.email), qPrintable(account.password));
    }
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    service.stop();
    return 0;
}
