// vorn-proxy: Vorn's words and voice. Serves the app's chat and speech
// requests from a built-in writer and espeak-ng, or forwards them to an
// OpenAI-compatible model server and a speech service.
#include "config.h"
#include "server.h"

#include <openssl/crypto.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// The HTTP library asks OpenSSL, from its own start-up code, to load the error
// texts of every OpenSSL module: half a megabyte of memory, for texts this
// program never shows (it reports its own errors). Declining them has to come
// first, so it runs from the executable's pre-initialisers, before any
// library's; the library's later request then finds the choice made.
void declineOpenSslErrorTexts(int, char**, char**) {
    OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
}
using PreInitialiser = void (*)(int, char**, char**);
[[gnu::section(".preinit_array"), gnu::used]] const PreInitialiser declineFirst = declineOpenSslErrorTexts;

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace vorn::proxy;
    const std::vector<std::string> args(argv + 1, argv + argc);

    LoadResult loaded = loadConfig(args, defaultConfigPath(&environmentValue), &environmentValue);
    if (loaded.helpRequested) {
        std::cout << usageText();
        return 0;
    }
    if (loaded.error) {
        std::cerr << "vorn-proxy: " << loaded.error->message << '\n';
        return 2;
    }
    const Config& config = *loaded.config;
    if (auto problem = validate(config)) {
        std::cerr << "vorn-proxy: " << problem->message << '\n';
        return 2;
    }
    if (config.checkOnly) {
        std::cout << "Configuration OK: chat " << config.chatBackend << ", voice " << config.voiceBackend
                  << ", listening on " << config.listenHost << ':' << config.listenPort << '\n';
        return 0;
    }

    // SIGINT and SIGTERM are taken by one thread that stops the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ProxyServer server(config, makeBackends(config));
    if (!server.isValid()) {
        std::cerr << "vorn-proxy: the TLS certificate or key is not valid PEM, or they do not match\n";
        return 2;
    }
    const int port = server.bind();
    if (port < 0) {
        std::cerr << "vorn-proxy: cannot listen on " << config.listenHost << ':' << config.listenPort << '\n';
        return 1;
    }
    if (config.printPort)
        std::cout << port << std::endl;
    std::cerr << "vorn-proxy: listening on " << config.listenHost << ':' << port << " (chat "
              << config.chatBackend << ", voice " << config.voiceBackend << ")\n";

    std::thread([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // Requests in flight get a moment to finish, not the upstream's whole time limit.
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            std::_Exit(0);
        }).detach();
        server.stop();
    }).detach();
    if (config.appChild) {
        // The app keeps our standard input open; when it closes the app is
        // gone, and so is whoever waits for an answer: end at once, mid-request
        // or not, so that no proxy outlives it.
        std::thread([] {
            char buffer[256];
            while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
            }
            std::_Exit(0);
        }).detach();
    }
    return server.listen() ? 0 : 1;
}
